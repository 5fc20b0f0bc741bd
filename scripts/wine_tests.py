"""What the Python suites that run Windows programs under Wine share: whether
this machine can run a program, their command line, the initialised prefix
they copy, and the run of their test cases."""
import argparse
import os
import subprocess
import sys
import unittest

SCRIPTS = os.path.dirname(os.path.abspath(__file__))
# The exit code that CTest counts as a skipped test (SKIP_RETURN_CODE).
SKIPPED = 77


def can_run_32():
    """Whether this machine runs 32-bit x86 code: scripts/wine-can-run-32 decides."""
    return subprocess.run([os.path.join(SCRIPTS, "wine-can-run-32")]).returncode == 0


def is_32bit_program(path):
    """Whether the PE file at path is an x86 (32-bit) program."""
    with open(path, "rb") as f:
        head = f.read(4096)
    offset = int.from_bytes(head[0x3C:0x40], "little")
    return head[offset + 4:offset + 6] == b"\x4c\x01"


def parse_args(*options):
    """The suite's command line: --wine-run, --work and the given options, each
    a required path, made absolute. Returns (arguments, the rest for unittest)."""
    parser = argparse.ArgumentParser()
    for option in options + ("--wine-run", "--work"):
        parser.add_argument(option, required=True, type=os.path.abspath)
    return parser.parse_known_args()


def skip_unless_runnable(program):
    """Ends the suite as skipped when this machine cannot run the program (a
    32-bit one where no 32-bit code runs)."""
    if is_32bit_program(program) and not can_run_32():
        print("skipped: this machine cannot run 32-bit programs, so Wine cannot start %s"
              % os.path.basename(program))
        sys.exit(SKIPPED)


def prepare_prefix(wine_run, path, env=None):
    """Initialises the prefix at path (wine-run makes it on first use) and waits
    until Wine has finished with it."""
    env = dict(env or os.environ)
    subprocess.run([wine_run, path, "cmd", "/c", "exit", "0"], env=env, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
    subprocess.run(["wineserver", "-w"], env=dict(env, WINEPREFIX=path), timeout=300)


def run_tests(unittest_args):
    """Runs the test cases of the calling script; its exit code."""
    result = unittest.main(argv=[sys.argv[0]] + unittest_args, exit=False, verbosity=2).result
    return 0 if result.wasSuccessful() else 1
