#!/usr/bin/python3
"""End-to-end tests of the sample setup program and its uninstaller under Wine.

Every scenario works in a fresh copy of an initialised prefix, runs the
programs there and checks the file system and the registry (both views)
through Wine's own reg tool.

  sample_installer_test.py --setup SETUP.exe --uninstaller unins000.exe \
      --wine-run scripts/wine-run --work DIR [unittest options]

Exit code 77 (skipped) when the machine cannot run 32-bit programs at all.
"""
import glob
import os
import re
import shutil
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(
    os.path.abspath(__file__)))), "scripts"))
import sample_exit_codes  # noqa: E402
import virtual_display  # noqa: E402
import wine_tests  # noqa: E402

ARGS = None
DISPLAY = None
# The registry view of the programs under test (32 for the 32-bit build): the
# ShellNew keys are written and later deleted by the front-end in that view.
PROGRAM_VIEW = 64

UNINSTALL_KEY = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Korvex"
SHELL_NEW_KEYS = [
    r"HKLM\SOFTWARE\Classes\.7z\ShellNew",
    r"HKLM\SOFTWARE\Classes\.rar\ShellNew",
    r"HKLM\SOFTWARE\Classes\.zip\ShellNew",
    r"HKCU\Software\Classes\.7z\ShellNew",
    r"HKCU\Software\Classes\.rar\ShellNew",
    r"HKCU\Software\Classes\.zip\ShellNew",
]
INSTALLED_UNINSTALLER = r"C:\Program Files\Korvex\unins000.exe"
SILENT_SWITCHES = ["/sp-", "/verysilent", "/suppressmsgboxes", "/norestart"]

# The pages' buttons, in client coordinates (see sample_common.h).
ACCEPT_BUTTON = (204, 90)
CANCEL_BUTTON = (308, 90)

RUN_TIMEOUT = 180

INSTALLED = sample_exit_codes.CODES["kExitInstalled"]
REMOVED = sample_exit_codes.CODES["kExitRemoved"]
FAILED = sample_exit_codes.CODES["kExitFailed"]
FORCED_FAILURE = sample_exit_codes.CODES["kExitForcedFailure"]
CANCELLED = sample_exit_codes.CODES["kExitCancelled"]

# Stored keys (in system.reg or user.reg, any view) that an install touches.
TOUCHED_KEY = re.compile(r"(\\\\classes\\\\\.(7z|rar|zip)(\\\\|$))|(\\\\uninstall\\\\korvex$)",
                         re.IGNORECASE)


class Prefix:
    """A private copy of the base prefix and the means to run programs in it."""

    def __init__(self, base, path):
        self.path = path
        if os.path.exists(path):
            self.kill()
            shutil.rmtree(path)
        subprocess.run(["cp", "-a", base, path], check=True)

    def env(self, extra=None):
        env = dict(os.environ)
        env["WINEPREFIX"] = self.path
        env["DISPLAY"] = DISPLAY
        for name in ("KORVEX_SAMPLE_SETUP_FAIL", "KORVEX_SAMPLE_SETUP_LOG",
                     "KORVEX_SAMPLE_UNINSTALL_LOG"):
            env.pop(name, None)
        env.update(extra or {})
        return env

    def command(self, program, args):
        return [ARGS.wine_run, self.path, program] + list(args)

    def run(self, program, args=(), extra_env=None):
        """Runs a program, waits for everything it started; returns its exit code."""
        done = subprocess.run(self.command(program, args), env=self.env(extra_env),
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              timeout=RUN_TIMEOUT)
        self.wait()
        return done.returncode

    def start(self, program, args=(), extra_env=None):
        return subprocess.Popen(self.command(program, args), env=self.env(extra_env),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def wait(self):
        subprocess.run(["wineserver", "-w"], env=self.env(), timeout=RUN_TIMEOUT)

    def kill(self):
        subprocess.run(["wineserver", "-k"], env=self.env(), stderr=subprocess.DEVNULL)

    def reg_query(self, key, view=None):
        """(exit code, output) of `reg query` for one key, optionally one view."""
        args = ["reg", "query", key]
        if view is not None:
            args.append("/reg:%d" % view)
        done = subprocess.run(self.command(args[0], args[1:]), env=self.env(),
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              timeout=RUN_TIMEOUT)
        return done.returncode, done.stdout.decode("gbk", "replace")

    def reg_values(self, key, view=None):
        """Values of a key as {name: (type, data)}; None when the key is absent."""
        code, out = self.reg_query(key, view)
        if code != 0:
            return None
        values = {}
        for line in out.splitlines():
            if not line.startswith("    "):
                continue
            parts = line.strip().split("    ", 2)
            if len(parts) >= 2 and parts[1].startswith("REG_"):
                values[parts[0]] = (parts[1], parts[2] if len(parts) > 2 else "")
        return values

    def drive_c(self, *parts):
        return os.path.join(self.path, "drive_c", *parts)

    def app_data(self):
        found = [p for p in glob.glob(self.drive_c("users", "*", "AppData", "Roaming"))
                 if os.sep + "Public" + os.sep not in p]
        assert len(found) == 1, found
        return found[0]

    def registry_sections(self):
        """The stored registry keys an install may touch, in every view, with their values."""
        sections = {}
        # The server writes the registry files when it ends.
        self.wait()
        for hive in ("system.reg", "user.reg"):
            with open(os.path.join(self.path, hive), encoding="utf-8", errors="replace") as f:
                name = None
                for line in f:
                    line = line.rstrip("\n")
                    if line.startswith("["):
                        key = line[1:line.rindex("]")]
                        name = hive + ":" + key if TOUCHED_KEY.search(key) else None
                        if name is not None:
                            sections[name] = []
                    elif name is not None and line and not line.startswith("#"):
                        sections[name].append(line)
        return sections

    def state(self):
        """What an install may touch, for before/after comparisons."""
        files = {}
        for folder in (self.drive_c("Program Files", "Korvex"),
                       self.drive_c("Program Files (x86)", "Korvex"),
                       os.path.join(self.app_data(), "Korvex")):
            if os.path.isdir(folder):
                files[folder] = sorted(os.listdir(folder))
        return files, self.registry_sections()

    def close(self):
        self.kill()
        shutil.rmtree(self.path, ignore_errors=True)


def window_of(title, timeout=60):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", title],
                               env=dict(os.environ, DISPLAY=DISPLAY), stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL)
        ids = found.stdout.decode().split()
        if ids:
            return ids[0]
        time.sleep(0.3)
    return None


def click_until_exit(process, title, point, timeout=90):
    """Clicks point in the page titled title until the process ends; its exit code."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        window = window_of(title, timeout=max(1, deadline - time.monotonic()))
        if window is None:
            break
        subprocess.run(["xdotool", "mousemove", "--window", window, str(point[0]), str(point[1]),
                        "click", "1"], env=dict(os.environ, DISPLAY=DISPLAY),
                       stderr=subprocess.DEVNULL)
        try:
            return process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            continue  # the click came too early; try again
    process.kill()
    raise AssertionError("the page %r did not end the program" % title)


class SampleInstallerCase(unittest.TestCase):
    def fresh_prefix(self, name):
        prefix = Prefix(ARGS.base_prefix, os.path.join(ARGS.work, name))
        self.addCleanup(prefix.close)
        return prefix

    def assert_installed(self, prefix):
        folder = prefix.drive_c("Program Files", "Korvex")
        with open(os.path.join(folder, "unins000.exe"), "rb") as installed, \
                open(ARGS.uninstaller, "rb") as built:
            self.assertEqual(installed.read(), built.read(), "unins000.exe is not the built one")
        self.assertTrue(os.path.isfile(os.path.join(folder, "readme.txt")))
        self.assertFalse(os.path.exists(prefix.drive_c("Program Files (x86)", "Korvex")),
                         "installed into the 32-bit program folder")

        values = prefix.reg_values(UNINSTALL_KEY, 64)
        self.assertIsNotNone(values, "no uninstall key in the 64-bit view")
        self.assertEqual(values["InstallLocation"], ("REG_SZ", "C:\\Program Files\\Korvex\\"))
        self.assertEqual(values["DisplayName"], ("REG_SZ", "Korvex"))
        self.assertEqual(values["DisplayVersion"], ("REG_SZ", "5.6.1.10516"))
        self.assertEqual(values["Publisher"][0], "REG_SZ")
        self.assertNotEqual(values["Publisher"][1], "")
        self.assertEqual(values["UninstallString"],
                         ("REG_SZ", '"C:\\Program Files\\Korvex\\unins000.exe"'))
        self.assertIsNone(prefix.reg_values(UNINSTALL_KEY, 32),
                          "the uninstall key is in the 32-bit view")

        self.assertTrue(os.path.isdir(os.path.join(prefix.app_data(), "Korvex")))
        for key in SHELL_NEW_KEYS:
            values = prefix.reg_values(key, PROGRAM_VIEW)
            self.assertIsNotNone(values, key)
            self.assertIn("NullFile", values, key)

    def assert_removed(self, prefix, before):
        self.assertFalse(os.path.exists(prefix.drive_c("Program Files", "Korvex")),
                         "the program folder is still there")
        self.assertEqual(prefix.state(), before)

    def test_silent_install_and_uninstall(self):
        prefix = self.fresh_prefix("silent")
        log = os.path.join(ARGS.work, "silent-setup.log")
        if os.path.exists(log):
            os.remove(log)
        before = prefix.state()

        # A forced failure reports so and leaves everything as it was.
        code = prefix.run(ARGS.setup, SILENT_SWITCHES,
                          {"KORVEX_SAMPLE_SETUP_FAIL": "1", "KORVEX_SAMPLE_SETUP_LOG": log})
        self.assertEqual(code, FORCED_FAILURE)
        self.assertEqual(prefix.state(), before)

        # A real failure half-way (the application-data folder cannot be made
        # because a file stands in its place) takes back what was done so far.
        blocker = os.path.join(prefix.app_data(), "Korvex")
        with open(blocker, "wb") as f:
            f.write(b"in the way")
        code = prefix.run(ARGS.setup, SILENT_SWITCHES, {"KORVEX_SAMPLE_SETUP_LOG": log})
        self.assertEqual(code, FAILED)
        self.assertEqual(prefix.state(), before)
        os.remove(blocker)

        # Switches in any case and order, with an unknown one among them.
        code = prefix.run(ARGS.setup, ["/NoRestart", "/VERYSILENT", "/whatever", "/SP-",
                                       "/SuppressMsgBoxes"],
                          {"KORVEX_SAMPLE_SETUP_LOG": log})
        self.assertEqual(code, INSTALLED)
        self.assert_installed(prefix)
        with open(log, encoding="utf-8") as f:
            lines = f.read().splitlines()
        self.assertEqual(len(lines), 3, lines)
        self.assertIn(" ".join(SILENT_SWITCHES), lines[0])
        for switch in ("/NoRestart", "/VERYSILENT", "/SP-", "/SuppressMsgBoxes"):
            self.assertIn(switch, lines[2])

        code = prefix.run(INSTALLED_UNINSTALLER, ["/VerySilent"])
        self.assertEqual(code, REMOVED)
        self.assert_removed(prefix, before)

    def test_interactive_pages(self):
        prefix = self.fresh_prefix("interactive")
        before = prefix.state()

        # Cancel on the setup page: nothing installed.
        setup = prefix.start(ARGS.setup)
        self.assertEqual(click_until_exit(setup, "^Korvex$", CANCEL_BUTTON), CANCELLED)
        prefix.wait()
        self.assertEqual(prefix.state(), before)

        setup = prefix.start(ARGS.setup)
        self.assertEqual(click_until_exit(setup, "^Korvex$", ACCEPT_BUTTON), INSTALLED)
        prefix.wait()
        self.assert_installed(prefix)
        installed = prefix.state()

        # Cancel on the uninstaller's page keeps everything.
        uninstaller = prefix.start(INSTALLED_UNINSTALLER)
        self.assertEqual(click_until_exit(uninstaller, "^Korvex Uninstall$", CANCEL_BUTTON),
                         CANCELLED)
        prefix.wait()
        self.assertEqual(prefix.state(), installed)

        uninstaller = prefix.start(INSTALLED_UNINSTALLER)
        self.assertEqual(click_until_exit(uninstaller, "^Korvex Uninstall$", ACCEPT_BUTTON),
                         REMOVED)
        prefix.wait()
        self.assert_removed(prefix, before)

    def test_uninstall_keeps_what_was_there_before(self):
        prefix = self.fresh_prefix("existing")
        # Another program's entries: a ShellNew key with its own value and an
        # extension key with a default value.
        view = "/reg:%d" % PROGRAM_VIEW
        for args in (["add", r"HKCU\Software\Classes\.zip\ShellNew", "/v", "FileName", "/d",
                      "empty.zip", "/f", view],
                     ["add", r"HKLM\SOFTWARE\Classes\.rar", "/ve", "/d", "OtherRar", "/f", view]):
            self.assertEqual(prefix.run("reg", args), 0)
        before = prefix.state()

        # Installing twice must not make the second install forget the first.
        self.assertEqual(prefix.run(ARGS.setup, SILENT_SWITCHES), INSTALLED)
        self.assertEqual(prefix.run(ARGS.setup, ["/verysilent"]), INSTALLED)
        self.assert_installed(prefix)

        # The front-end deletes one ShellNew key itself and writes its settings
        # file into the application-data folder.
        self.assertEqual(prefix.run("reg", ["delete", r"HKLM\SOFTWARE\Classes\.7z\ShellNew",
                                            "/f", view]), 0)
        settings = os.path.join(prefix.app_data(), "Korvex", "Korvex.qdf")
        with open(settings, "wb") as f:
            f.write(b"settings")

        self.assertEqual(prefix.run(INSTALLED_UNINSTALLER, ["/silent"]), REMOVED)
        self.assertTrue(os.path.isfile(settings), "the user's settings file was removed")
        os.remove(settings)
        os.rmdir(os.path.dirname(settings))
        self.assert_removed(prefix, before)
        self.assertEqual(prefix.reg_values(r"HKCU\Software\Classes\.zip\ShellNew", PROGRAM_VIEW),
                         {"FileName": ("REG_SZ", "empty.zip")})


def start_display():
    """A virtual display of our own, on a free display number."""
    global DISPLAY
    server, DISPLAY = virtual_display.start_xvfb()
    return server


def main():
    global ARGS, PROGRAM_VIEW
    ARGS, rest = wine_tests.parse_args("--setup", "--uninstaller")
    ARGS.base_prefix = os.path.join(ARGS.work, "base-prefix")
    PROGRAM_VIEW = 32 if wine_tests.is_32bit_program(ARGS.setup) else 64
    wine_tests.skip_unless_runnable(ARGS.setup)

    os.makedirs(ARGS.work, exist_ok=True)
    server = start_display()
    try:
        wine_tests.prepare_prefix(ARGS.wine_run, ARGS.base_prefix,
                                  dict(os.environ, DISPLAY=DISPLAY))
        return wine_tests.run_tests(rest)
    finally:
        if server is not None:
            server.terminate()
            server.wait()


if __name__ == "__main__":
    sys.exit(main())
