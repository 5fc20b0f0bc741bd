#!/usr/bin/python3
"""The unattended install (KorvexSetup.exe -s) end to end under Wine, each
scenario in a fresh copy of an initialised prefix, with the sample installer
embedded in the program.

  silent_install_test.py --program KorvexSetup.exe --settings settings.qdf \
      --wine-run scripts/wine-run --work DIR [unittest options]

Exit code 77 (skipped) when this machine cannot run the program.
"""
import os
import shutil
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(
    os.path.abspath(__file__)))), "scripts"))
import wine_tests  # noqa: E402

ARGS = None
RUN_TIMEOUT = 300
UNINSTALL_KEY = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Korvex"
SWITCHES = "/sp- /verysilent /suppressmsgboxes /norestart"
USER_SHELL_FOLDERS = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders"


class Prefix:
    def __init__(self, name):
        self.path = os.path.join(ARGS.work, name)
        self.remove()
        subprocess.run(["cp", "-a", ARGS.base_prefix, self.path], check=True)

    def env(self, extra=None):
        env = dict(os.environ)
        env["WINEPREFIX"] = self.path
        for name in ("KORVEX_SAMPLE_SETUP_FAIL", "KORVEX_SAMPLE_SETUP_LOG"):
            env.pop(name, None)
        env.update(extra or {})
        return env

    def run(self, program, args=(), extra_env=None):
        done = subprocess.run([ARGS.wine_run, self.path, program] + list(args),
                              env=self.env(extra_env), stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, timeout=RUN_TIMEOUT)
        subprocess.run(["wineserver", "-w"], env=self.env(), timeout=RUN_TIMEOUT)
        return done.returncode, done.stdout.decode("gbk", "replace")

    def key_exists(self, key, view=64):
        code, _ = self.run("reg", ["query", key, "/reg:%d" % view])
        return code == 0

    def drive_c(self, *parts):
        return os.path.join(self.path, "drive_c", *parts)

    def remove(self):
        if os.path.exists(self.path):
            subprocess.run(["wineserver", "-k"], env=self.env(), stderr=subprocess.DEVNULL)
            shutil.rmtree(self.path)


class SilentInstallTest(unittest.TestCase):
    def setUp(self):
        self.prefix = None

    def tearDown(self):
        if self.prefix is not None:
            self.prefix.remove()

    def install(self, name, app_data=None, extra_env=None, value_type="REG_EXPAND_SZ"):
        self.prefix = Prefix(name)
        if app_data is not None:
            os.makedirs(self.prefix.drive_c(app_data), exist_ok=True)
            code, out = self.prefix.run("reg", ["add", USER_SHELL_FOLDERS, "/v", "AppData", "/t",
                                                value_type, "/d", "C:\\" + app_data, "/f"])
            self.assertEqual(code, 0, out)
        env = {"KORVEX_SAMPLE_SETUP_LOG": "C:\\setup.log"}
        env.update(extra_env or {})
        code, _ = self.prefix.run(ARGS.program, ["-s"], env)
        return code

    def setup_runs(self):
        path = self.prefix.drive_c("setup.log")
        if not os.path.exists(path):
            return []
        with open(path, encoding="gbk", errors="replace") as f:
            return [line.rstrip("\r\n") for line in f if line.strip()]

    def assert_finished(self, app_data_folder, installed=True):
        """What a silent run leaves: the settings file (in the folder that only the installer
        creates), no installer, no work folder, no ShellNew entries."""
        settings = os.path.join(app_data_folder, "Korvex", "Korvex.qdf")
        if installed:
            with open(ARGS.settings, "rb") as f, open(settings, "rb") as written:
                self.assertEqual(written.read(), f.read())
        else:
            self.assertFalse(os.path.exists(settings))
        self.assertFalse(os.path.exists(os.path.join(app_data_folder, "Tessaranvolk")))
        for key in (r"HKLM\SOFTWARE\Classes\.7z\ShellNew", r"HKCU\Software\Classes\.zip\ShellNew"):
            self.assertFalse(self.prefix.key_exists(key), key)

    def roaming(self):
        users = self.prefix.drive_c("users")
        found = [os.path.join(users, u, "AppData", "Roaming") for u in os.listdir(users)
                 if u != "Public" and os.path.isdir(os.path.join(users, u, "AppData", "Roaming"))]
        self.assertEqual(len(found), 1, found)
        return found[0]

    def test_installed_product_ends_with_zero(self):
        self.assertEqual(self.install("installed"), 0)
        self.assertEqual(len(self.setup_runs()), 1)
        self.assertTrue(self.setup_runs()[0].endswith('\\Tessaranvolk\\Korvex.exe" ' + SWITCHES),
                        self.setup_runs())
        self.assertTrue(self.prefix.key_exists(UNINSTALL_KEY))
        self.assert_finished(self.roaming())

    def test_failed_install_ends_with_one(self):
        self.assertEqual(self.install("failed", extra_env={"KORVEX_SAMPLE_SETUP_FAIL": "1"}), 1)
        self.assertEqual(len(self.setup_runs()), 1)
        self.assertFalse(self.prefix.key_exists(UNINSTALL_KEY))
        self.assert_finished(self.roaming(), installed=False)

    def test_application_data_folder_with_blanks_and_cmd_characters(self):
        folder = "a & b (x);c,d^e"
        self.assertEqual(self.install("awkward", app_data=folder), 0)
        self.assertEqual(self.setup_runs(),
                         ['"C:\\%s\\Tessaranvolk\\Korvex.exe" %s' % (folder, SWITCHES)])
        self.assert_finished(self.prefix.drive_c(folder))

    def test_percent_in_the_application_data_folder_is_not_expanded(self):
        # Stored as REG_SZ, the folder's name keeps "%windir%" as it stands; a
        # command processor in between would put the Windows folder there.
        folder = "a %windir% b"
        self.assertEqual(self.install("percent", app_data=folder, value_type="REG_SZ"), 0)
        self.assertEqual(self.setup_runs(),
                         ['"C:\\%s\\Tessaranvolk\\Korvex.exe" %s' % (folder, SWITCHES)])
        self.assert_finished(self.prefix.drive_c(folder))


def main():
    global ARGS
    ARGS, rest = wine_tests.parse_args("--program", "--settings")
    wine_tests.skip_unless_runnable(ARGS.program)
    os.makedirs(ARGS.work, exist_ok=True)
    ARGS.base_prefix = os.path.join(ARGS.work, "base")
    wine_tests.prepare_prefix(ARGS.wine_run, ARGS.base_prefix)
    return wine_tests.run_tests(rest)


if __name__ == "__main__":
    sys.exit(main())
