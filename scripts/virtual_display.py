"""A virtual X display on a free display number, for tests that drive windows.

As a command:  virtual_display.py [--wine-prefix DIR] -- COMMAND [ARG...]
runs COMMAND on a display of its own and ends with COMMAND's exit code. With
a Wine prefix, the display closes only after every process of that prefix
has ended: a Wine process still connected when its display goes away
complains ("X connection to :N broken") on the terminal it was started from.
"""
import ctypes
import os
import signal
import subprocess
import sys

PR_SET_PDEATHSIG = 1
# How long the prefix's processes get to end by themselves after the command.
WINE_END_SECONDS = 60


def _end_with_parent():
    """In the server's process before it starts: the kernel ends it when the
    process that started it ends, however that ends (a test killed at its time
    limit included)."""
    ctypes.CDLL(None, use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGTERM)


def start_xvfb():
    """Starts Xvfb and returns (process, display name such as ":3")."""
    r, w = os.pipe()
    proc = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-screen", "0", "1024x768x24",
                             "-nolisten", "tcp"], pass_fds=(w,),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            preexec_fn=_end_with_parent)
    os.close(w)
    with os.fdopen(r) as f:
        number = f.readline().strip()
    if not number:
        proc.kill()
        proc.wait()
        raise RuntimeError("Xvfb did not start")
    return proc, ":" + number


def end_wine_prefix(prefix):
    """Waits until every process of the Wine prefix has ended, and ends those
    still running after WINE_END_SECONDS."""
    env = dict(os.environ, WINEPREFIX=prefix)
    try:
        subprocess.run(["wineserver", "-w"], env=env, timeout=WINE_END_SECONDS)
    except subprocess.TimeoutExpired:
        subprocess.run(["wineserver", "-k"], env=env)
        subprocess.run(["wineserver", "-w"], env=env, timeout=WINE_END_SECONDS)


def run_on_display(command, wine_prefix=None):
    """Runs the command on a virtual display and returns its exit code; the
    display closes after the Wine prefix's processes (if one is named)."""
    proc, display = start_xvfb()
    try:
        code = subprocess.call(command, env=dict(os.environ, DISPLAY=display))
        if wine_prefix:
            end_wine_prefix(wine_prefix)
        return code
    finally:
        proc.terminate()
        proc.wait()


def main(argv):
    args = list(argv)
    prefix = None
    if args[:1] == ["--wine-prefix"] and len(args) >= 2:
        prefix = args[1]
        args = args[2:]
    if args[:1] == ["--"]:
        args = args[1:]
    if not args:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    return run_on_display(args, prefix)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
