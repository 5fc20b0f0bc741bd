#!/usr/bin/python3
"""End-to-end scenarios of KorvexSetup.exe under Wine, one per run:

  scenarios.py --build DIR --exe EXE --image INSTALLER_IMAGE [--image-sha256 HEX]
               --setup SAMPLE_SETUP --inspect WININSPECT
               --planted-program PROGRAM --planted-library LIBRARY NAME

INSTALLER_IMAGE is the file the program embeds as its installer; HEX, when
given, is the SHA-256 digest that file is known to have. PROGRAM and LIBRARY
leave a mark file when run or loaded (planted_program.c, planted_library.c).
"""
import argparse
import hashlib
import os
import shutil
import subprocess
import sys
import time

from harness import (ERROR_TITLE, MANUAL, ONE_CLICK, TITLE, UNINSTALL, Display, Failure, Prefix, check,
                     click, find_x_window, has_key, press_key, values_of,
                     wait_exit, xdotool)

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                                "sample_installer"))
from sample_exit_codes import CODES as SAMPLE_EXIT  # noqa: E402

UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvex"
SHELLNEW = [r"HKLM\Software\Classes\.%s\ShellNew" % e for e in ("7z", "rar", "zip")] + \
           [r"HKCU\Software\Classes\.%s\ShellNew" % e for e in ("7z", "rar", "zip")]
SWITCHES = "/sp- /verysilent /suppressmsgboxes /norestart"
# Programs the program starts by these names (cmd, Explorer) and libraries
# that Wine takes from beside a program rather than its own (shcore.dll, which
# shell32 needs, among them): planted beside the program and in its current
# folder, they must never run or load.
PLANTED_PROGRAMS = ("cmd.exe", "explorer.exe")
PLANTED_LIBRARIES = ("shcore.dll", "dwmapi.dll", "propsys.dll", "userenv.dll", "msctf.dll",
                     "apphelp.dll")
STARTF_USESHOWWINDOW = 1
SW_HIDE = 0
SW_SHOWNORMAL = 1


class Scenario:
    def __init__(self, args, name):
        self.args = args
        self.display = Display()
        self.px = Prefix(args.build, name)
        self.log = os.path.join(self.px.work, "setup.log")
        self.start_log = os.path.join(self.px.work, "setup-start.log")
        # Where planted programs and libraries leave their marks.
        self.marks_folder = os.path.join(self.px.work, "marks")
        os.makedirs(self.marks_folder)
        # The digest of its own file that each run of the sample installer read.
        self.self_log = os.path.join(self.px.work, "setup-self.log")
        self.env = {"KORVEX_SAMPLE_SETUP_LOG": Prefix.windows_path(self.log),
                    "KORVEX_SAMPLE_SETUP_SELF_LOG": Prefix.windows_path(self.self_log),
                    "KORVEX_SAMPLE_SETUP_START_LOG": Prefix.windows_path(self.start_log),
                    "KORVEX_PLANTED_MARKS": Prefix.windows_path(self.marks_folder)}
        # The program as started: the build's own, or a copy in a downloads
        # folder (plant()); and the current folder it gets.
        self.exe = args.exe
        self.cwd = None
        with open(os.path.join(args.build, "generated", "settings.qdf"), "rb") as f:
            self.settings_image = f.read()

    # --- helpers ----------------------------------------------------------------
    def start(self, *argv, env=None):
        e = dict(self.env)
        e.update(env or {})
        return self.px.start([self.exe] + list(argv), e, cwd=self.cwd)

    def inspect(self, *argv):
        r = self.px.run([self.args.inspect] + list(argv), timeout=60)
        return r.returncode, r.stdout.decode("utf-8", "replace")

    def window_dump(self, title=TITLE):
        code, out = self.inspect("dump", title)
        if code != 0:
            raise Failure("window %r not found by the inspector" % title)
        rows = [line.split("|") for line in out.splitlines() if "|" in line]
        return rows

    def setup_runs(self):
        if not os.path.exists(self.log):
            return []
        with open(self.log, encoding="utf-8", errors="replace") as f:
            return [line.strip() for line in f if line.strip()]

    def self_digests(self):
        if not os.path.exists(self.self_log):
            return []
        with open(self.self_log, encoding="utf-8", errors="replace") as f:
            return [line.strip() for line in f if line.strip()]

    def image_digest(self):
        with open(self.args.image, "rb") as f:
            return hashlib.sha256(f.read()).hexdigest()

    def setup_starts(self):
        """How each run of the installer was started: (startup flags, show state,
        command line)."""
        if not os.path.exists(self.start_log):
            return []
        starts = []
        with open(self.start_log, encoding="utf-8", errors="replace") as f:
            for line in f:
                if not line.strip():
                    continue
                head, _, command = line.rstrip("\r\n").partition("\t")
                fields = dict(item.split("=", 1) for item in head.split())
                starts.append((int(fields["flags"]), int(fields["show"]), command))
        return starts

    def installer_windows_path(self):
        return "C:\\users\\%s\\AppData\\Roaming\\Tessaranvolk\\Korvex.exe" % self.px.user

    def check_installer_started(self, arguments, show):
        """The installer ran once, by itself (no command processor in between):
        its command line is the quoted path and the arguments, as it was when cmd
        passed it on, and it got the show state."""
        starts = self.setup_starts()
        check(len(starts) == 1, "the installer ran once (%d runs)" % len(starts))
        flags, shown, command = starts[0]
        expected = '"%s"%s' % (self.installer_windows_path(), arguments)
        check(command == expected, "its command line reads %s (%s)" % (expected, command))
        check(flags & STARTF_USESHOWWINDOW and shown == show,
              "it was given the show state %d (flags %d, show state %d)" % (show, flags, shown))

    def plant(self):
        """Copies the program into a downloads folder and starts it from there
        with another folder as its current one; in both, programs named cmd.exe
        and explorer.exe and the libraries of PLANTED_LIBRARIES leave a mark when
        they run or load."""
        downloads = self.px.drive_c("users", self.px.user, "Downloads")
        current = self.px.drive_c("users", self.px.user, "Current folder")
        # Wine links the user's Downloads to a folder of the Unix user: a
        # folder of this prefix's own takes its place.
        if os.path.islink(downloads):
            os.unlink(downloads)
        for folder in (downloads, current):
            os.makedirs(folder, exist_ok=True)
            for name in PLANTED_PROGRAMS:
                shutil.copy(self.args.planted_program, os.path.join(folder, name))
            for name in PLANTED_LIBRARIES:
                shutil.copy(self.args.planted_library, os.path.join(folder, name))
        self.exe = os.path.join(downloads, os.path.basename(self.args.exe))
        shutil.copy(self.args.exe, self.exe)
        self.cwd = current

    def marks(self):
        """The marks planted programs and libraries left: the planted file, then
        the command line of the process that ran or loaded it."""
        found = []
        for name in sorted(os.listdir(self.marks_folder)):
            with open(os.path.join(self.marks_folder, name), "rb") as f:
                found += f.read().decode("utf-16-le", "replace").splitlines()
        return found

    def check_no_marks(self, what):
        marks = self.marks()
        check(not marks, "%s: no planted program ran, no planted library was loaded %s"
              % (what, marks))

    def wait_title(self, accept, timeout=60):
        """Waits for a visible top-level window whose title `accept` takes."""
        end = time.time() + timeout
        while time.time() < end:
            _, out = self.inspect("titles")
            titles = [t for t in out.splitlines() if accept(t)]
            if titles:
                return titles[0]
            time.sleep(0.5)
        return None

    def install_product(self):
        r = self.px.run([self.args.setup, "/verysilent"], timeout=120)
        check(r.returncode == SAMPLE_EXIT["kExitInstalled"],
              "the sample installer installed the product beforehand")
        self.px.wait_idle()

    def settings_file(self):
        return self.px.appdata("Korvex", "Korvex.qdf")

    def installer_file(self):
        return self.px.appdata("Tessaranvolk", "Korvex.exe")

    def close_main_window(self):
        """Closes the program's window as its title bar's close button does: the
        inspector posts WM_SYSCOMMAND/SC_CLOSE to it. (A WM_DELETE_WINDOW request
        sent through the X server to this display, which has no window manager,
        is now and then never delivered to the program, which then sits idle in
        its message loop; that is the X driver's path, not the program's.)"""
        code, _ = self.inspect("close", TITLE)
        check(code == 0, "the close button's command was sent")

    def check_installer_written(self):
        """The installer file is the embedded image, byte for byte."""
        path = self.installer_file()
        check(os.path.exists(path), "the start-up sequence wrote the installer file")
        with open(path, "rb") as f:
            written = f.read()
        with open(self.args.image, "rb") as f:
            check(written == f.read(), "the installer file is the embedded image byte for byte (%d bytes)"
                  % len(written))
        if self.args.image_sha256:
            digest = hashlib.sha256(written).hexdigest()
            check(digest == self.args.image_sha256.lower(),
                  "the installer file has the image's known digest (%s)" % digest)

    def check_settings_written(self):
        path = self.settings_file()
        check(os.path.exists(path), "the settings file exists")
        with open(path, "rb") as f:
            check(f.read() == self.settings_image, "the settings file is the embedded image byte for byte")

    def check_shellnew_gone(self):
        reg = self.px.registry()
        for k in SHELLNEW:
            check(not has_key(reg, k), "%s is gone" % k)

    def check_installed(self):
        reg = self.px.registry()
        v = values_of(reg, UNINSTALL_KEY)
        check(v is not None and '"InstallLocation"' in v, "the product's uninstall entry is in place")

    def wait_window(self):
        return find_x_window(TITLE, timeout=90)

    def close(self):
        self.px.close()
        self.display.close()


# --- silent ---------------------------------------------------------------------
def silent_run(s, argv, expect_code=0, env=None):
    p = s.start(*argv, env=env)
    code = wait_exit(p, 300)
    check(code == expect_code, "exit code %d (expected %d)" % (code, expect_code))
    return code


def scenario_silent_alone(s):
    silent_run(s, ["-s"])
    runs = s.setup_runs()
    check(len(runs) == 1, "the installer ran once (%d runs)" % len(runs))
    check(SWITCHES in runs[0], "with the four switches: %s" % runs[0])
    s.check_settings_written()
    s.check_shellnew_gone()
    check(not os.path.exists(s.installer_file()), "the installer file is gone")
    check(not os.path.exists(s.px.appdata("Tessaranvolk")), "the work folder is gone")
    s.check_installed()


def scenario_silent_among_args(s):
    silent_run(s, ["one", "-S", "-s", "two"])
    check(len(s.setup_runs()) == 1, "the installer ran once")
    s.check_installed()


def scenario_silent_quoted(s):
    # A batch file passes its line unchanged, so the program sees "-s" in quotes.
    bat = os.path.join(s.px.work, "quoted.bat")
    with open(bat, "w") as f:
        f.write('@"%s" "-s"\r\n' % Prefix.windows_path(s.args.exe))
    p = s.px.start(["cmd", "/c", Prefix.windows_path(bat)], s.env)
    code = wait_exit(p, 300)
    check(code == 0, "exit code 0 for a quoted -s (%d)" % code)
    check(len(s.setup_runs()) == 1, "the installer ran once")
    s.check_installed()


def scenario_silent_installer_fails(s):
    silent_run(s, ["-s"], expect_code=1, env={"KORVEX_SAMPLE_SETUP_FAIL": "1"})
    check(len(s.setup_runs()) == 1, "the failing installer ran once")
    # The settings folder is the installer's to make: without it nothing is written.
    check(not os.path.exists(s.settings_file()), "no settings file without the installer's folder")
    check(not os.path.exists(s.installer_file()), "the installer file is gone all the same")


# --- interactive ------------------------------------------------------------------
def buttons(rows):
    return {r[2]: r for r in rows if r[0] == "child" and r[1].lower() == "button"}


def scenario_window(s):
    p = s.start()
    s.wait_window()
    time.sleep(3)  # past the start-up sequence's delay
    rows = s.window_dump()
    check(rows[0][2] == TITLE, "the window's title reads %r" % rows[0][2])
    b = buttons(rows)
    for caption in ("一键安装", "手动安装", "一键卸载"):
        check(caption in b, "a button reads %s" % caption)
    check(b["一键卸载"][3] == "0", "the uninstall button is disabled without the product")
    check(b["一键安装"][3] == "1", "the install button is enabled")
    s.check_installer_written()
    program = os.path.splitext(os.path.basename(s.args.exe))[0]
    shot = os.path.join(s.args.build, "%s-window.png" % program)
    subprocess.call(["import", "-window", "root", shot])
    s.close_main_window()
    code = wait_exit(p, 60)
    check(code == 0, "closing the window ends with exit code 0 (%d)" % code)
    check(not os.path.exists(s.installer_file()), "closing deleted the installer file")


def scenario_uninstall(s):
    s.install_product()
    p = s.start()
    w = s.wait_window()
    time.sleep(3)
    b = buttons(s.window_dump())
    check(b["一键卸载"][3] == "1", "the uninstall button is enabled with the product installed")
    click(w, UNINSTALL)
    code, out = s.inspect("titles")
    found = False
    end = time.time() + 60
    while time.time() < end and not found:
        code, out = s.inspect("titles")
        found = any("nins" in t or "卸载" in t or "Uninstall" in t for t in out.splitlines())
        time.sleep(0.5)
    check(found, "the uninstaller's page appeared: %s" % out.splitlines())
    check(p.poll() is None, "the window stays while the uninstaller runs")
    s.close_main_window()
    check(wait_exit(p, 60) == 0, "the program ended with exit code 0")


def scenario_one_click(s):
    p = s.start()
    w = s.wait_window()
    time.sleep(3)
    click(w, ONE_CLICK)
    code = wait_exit(p, 300)
    check(code == 0, "one-click install ends with exit code 0 (%d)" % code)
    runs = s.setup_runs()
    check(len(runs) == 1 and SWITCHES in runs[0], "the installer ran once, silently: %s" % runs)
    s.check_settings_written()
    s.check_shellnew_gone()
    check(not os.path.exists(s.installer_file()), "the installer file is gone")
    s.check_installed()


def wait_installer_page(main_window):
    """The X window of the installer's own page, once it has appeared."""
    page = None
    end = time.time() + 90
    while time.time() < end and page is None:
        out = xdotool("search", "--name", "Korvex", check=False).split()
        others = [x for x in out if x != main_window]
        if others:
            page = others[-1]
        time.sleep(0.5)
    check(page is not None, "the installer's own page appeared")
    return page


def scenario_manual(s):
    p = s.start()
    w = s.wait_window()
    time.sleep(3)
    click(w, MANUAL)
    page = wait_installer_page(w)
    # The page's Install button: the installer prints no geometry, so press Return on
    # its default button.
    press_key(page, "Return")
    code = wait_exit(p, 300)
    check(code == 0, "manual install ends with exit code 0 (%d)" % code)
    runs = s.setup_runs()
    check(len(runs) == 1 and "/verysilent" not in runs[0], "the installer ran with its pages")
    s.check_settings_written()
    s.check_installed()


def scenario_hot_keys(s):
    p = s.start()
    w = s.wait_window()
    time.sleep(3)
    os.remove(s.settings_file()) if os.path.exists(s.settings_file()) else None
    os.makedirs(os.path.dirname(s.settings_file()), exist_ok=True)
    press_key(w, "End")
    # The file appears when it is created and fills with the write that follows.
    end = time.time() + 30
    while time.time() < end and not (os.path.exists(s.settings_file()) and
                                     os.path.getsize(s.settings_file()) >= len(s.settings_image)):
        time.sleep(0.3)
    s.check_settings_written()
    press_key(w, "Home")
    found = False
    end = time.time() + 60
    while time.time() < end and not found:
        _, out = s.inspect("titles")
        found = any("Tessaranvolk" in t for t in out.splitlines())
        time.sleep(0.5)
    check(found, "the Home hot key opened the work folder")
    check(p.poll() is None, "the hot keys leave the program running")
    s.close_main_window()
    check(wait_exit(p, 60) == 0, "the program ended with exit code 0")


def scenario_nested_click(s):
    p = s.start()
    w = find_x_window(TITLE, timeout=90)
    click(w, ONE_CLICK)  # inside the start-up sequence's 2-second delay
    code = wait_exit(p, 300)
    check(code == 0, "the nested flow ended the program with exit code 0 (%d)" % code)
    check(len(s.setup_runs()) == 1, "the installer ran once")
    s.check_settings_written()


def scenario_keyboard(s):
    """The window from the keyboard alone: the focus starts on the first button
    in focus order (all three have focus order 0, so the unit table's order
    decides: 手动安装, 一键卸载, 一键安装), Tab and Shift+Tab move it in that
    order and pass over the disabled uninstall button, Space and Enter click."""
    def focused():
        code, out = s.inspect("focus", TITLE)
        return out.strip() if code == 0 else None

    def expect_focus_after(w, key, caption):
        press_key(w, key)
        time.sleep(0.5)
        check(focused() == caption, "%s moves the focus to %s (%s)" % (key, caption, focused()))

    # Not installed yet: the uninstall button is disabled and not in the order.
    p = s.start()
    w = s.wait_window()
    time.sleep(3)
    check(focused() == "手动安装", "the focus starts on 手动安装 (%s)" % focused())
    expect_focus_after(w, "Tab", "一键安装")
    expect_focus_after(w, "Tab", "手动安装")
    expect_focus_after(w, "shift+Tab", "一键安装")
    press_key(w, "space")
    code = wait_exit(p, 300)
    check(code == 0, "Space on 一键安装 installed and ended with exit code 0 (%d)" % code)
    runs = s.setup_runs()
    check(len(runs) == 1 and SWITCHES in runs[0], "the installer ran once, silently: %s" % runs)
    s.check_installed()

    # Installed: the uninstall button is enabled and takes its place.
    p = s.start()
    w = s.wait_window()
    time.sleep(3)
    check(focused() == "手动安装", "the focus starts on 手动安装 again (%s)" % focused())
    expect_focus_after(w, "Tab", "一键卸载")
    expect_focus_after(w, "Tab", "一键安装")
    press_key(w, "Return")
    code = wait_exit(p, 300)
    check(code == 0, "Enter on 一键安装 installed and ended with exit code 0 (%d)" % code)
    runs = s.setup_runs()
    check(len(runs) == 2 and SWITCHES in runs[1], "the installer ran a second time, silently: %s"
          % runs)


# --- faults ---------------------------------------------------------------------
def scenario_installer_deleted(s):
    p = s.start()
    w = s.wait_window()
    time.sleep(3)
    os.remove(s.installer_file())
    click(w, ONE_CLICK)
    code = wait_exit(p, 300)
    check(code == 0, "exit code 0 after a failed start (%d)" % code)
    check(len(s.setup_runs()) == 0, "no installer ran")
    s.check_settings_written() if os.path.isdir(os.path.dirname(s.settings_file())) else None


def scenario_appdata_space_ampersand(s):
    odd = s.px.drive_c("users", s.px.user, "Odd data & more")
    os.makedirs(odd)
    s.px.reg_add(r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders",
                 "AppData", r"C:\users\%s\Odd data & more" % s.px.user)
    s.px.wait_idle()
    silent_run(s, ["-s"])
    runs = s.setup_runs()
    check(len(runs) == 1, "the installer started from a folder with a space and an ampersand")
    check(os.path.exists(os.path.join(odd, "Korvex", "Korvex.qdf")),
          "the settings file was written in that folder")


def scenario_settings_folder_missing(s):
    # The start-up sequence finds no settings folder (the installer makes it);
    # the silent flow's settings write then succeeds.
    check(not os.path.exists(s.px.appdata("Korvex")), "no settings folder before the run")
    silent_run(s, ["-s"])
    s.check_settings_written()


def scenario_settings_read_only(s):
    folder = s.px.appdata("Korvex")
    os.makedirs(folder, exist_ok=True)
    target = os.path.join(folder, "Korvex.qdf")
    with open(target, "wb") as f:
        f.write(b"user's own settings")
    subprocess.check_call(["chattr", "+i", target])
    try:
        p = s.start()
        s.wait_window()
        time.sleep(3)
        s.close_main_window()
        check(wait_exit(p, 60) == 0, "a settings file that cannot be written changes nothing else")
    finally:
        subprocess.call(["chattr", "-i", target])
    with open(target, "rb") as f:
        check(f.read() == b"user's own settings", "the protected file is untouched")


def scenario_shellnew_with_subkeys(s):
    for k in SHELLNEW:
        s.px.reg_add(k + r"\Sub")
    s.px.wait_idle()
    p = s.start()
    s.wait_window()
    time.sleep(3)
    s.close_main_window()
    check(wait_exit(p, 60) == 0, "exit code 0")
    reg = s.px.registry()
    for k in SHELLNEW:
        check(has_key(reg, k + r"\Sub"), "%s with a subkey stays" % k)


def scenario_corrupt_template(s):
    with open(s.args.exe, "rb") as f:
        data = bytearray(f.read())
    with open(os.path.join(s.args.build, "generated", "window_template.bin"), "rb") as f:
        segment = f.read()
    at = data.find(segment[:64])
    check(at >= 0, "the window template segment is inside the executable")
    # Unit count of the window: far beyond the data.
    data[at + 4 + 8 + 8 + 8] = 0xFF
    data[at + 4 + 8 + 8 + 9] = 0x7F
    bad = os.path.join(s.px.work, "KorvexSetup-corrupt.exe")
    with open(bad, "wb") as f:
        f.write(data)
    p = s.px.start([bad], s.env)
    box = find_x_window(ERROR_TITLE, timeout=90)
    rows = s.window_dump(ERROR_TITLE)
    text = " ".join(r[2] for r in rows)
    check("载入窗口模板数据段出错!" in text, "the message box says the template is corrupt: %r" % text)
    check("运行时出错!" in text, "and that it is a run-time error")
    press_key(box, "Return")
    code = wait_exit(p, 60)
    check(code == 255, "the program ended with exit code 0xFFFFFFFF (%d)" % code)


def scenario_work_folder_file_held(s):
    held = s.px.appdata("Tessaranvolk", "held.txt")
    os.makedirs(os.path.dirname(held), exist_ok=True)
    holder = s.px.start([s.args.inspect, "hold", "C:\\users\\%s\\AppData\\Roaming\\Tessaranvolk\\held.txt"
                         % s.px.user, "120"])
    time.sleep(3)
    silent_run(s, ["-s"])
    check(os.path.exists(held), "the held file stays")
    check(not os.path.exists(s.installer_file()), "the rest of the work folder is gone")
    holder.kill()


# --- other programs of the same user -----------------------------------------------
def start_tamperer(s, seconds=240):
    """Another program of the user that keeps trying to put its own program in
    place of the written installer (the image with bytes appended: a program
    that runs and tells itself apart) until the installer has started."""
    attack = os.path.join(s.px.work, "attack.exe")
    with open(s.args.image, "rb") as f:
        data = f.read()
    with open(attack, "wb") as f:
        f.write(data + b"TAMPERED")
    output = os.path.join(s.px.work, "output-%d.log" % len(s.px.procs))
    target = "C:\\users\\%s\\AppData\\Roaming\\Tessaranvolk\\Korvex.exe" % s.px.user
    p = s.px.start([s.args.inspect, "tamper", target, Prefix.windows_path(attack),
                    Prefix.windows_path(s.log), str(seconds)])
    return p, output


def check_tamperer_refused(p, output):
    try:
        p.wait(timeout=300)
    except subprocess.TimeoutExpired:
        raise Failure("the other program did not stop")
    ways = {}
    with open(output, encoding="utf-8", errors="replace") as f:
        for line in f:
            parts = line.split()
            if len(parts) == 3 and parts[1].isdigit() and parts[2].isdigit():
                ways[parts[0]] = (int(parts[1]), int(parts[2]))
    for way in ("overwrite", "delete", "rename", "replace"):
        attempts, successes = ways.get(way, (0, 0))
        check(attempts > 0 and successes == 0,
              "another program's %d attempts to %s the installer file were all refused (%d got "
              "through)" % (attempts, way, successes))


def check_ran_the_embedded_image(s):
    digests = s.self_digests()
    check(digests == [s.image_digest()],
          "the installer that ran read itself as the embedded image byte for byte: %s" % digests)


def scenario_installer_held_silent(s):
    p = s.start("-s")
    tamperer, output = start_tamperer(s)
    code = wait_exit(p, 300)
    check_tamperer_refused(tamperer, output)
    check(code == 0, "exit code 0 (%d)" % code)
    check(len(s.setup_runs()) == 1, "the installer ran once")
    check_ran_the_embedded_image(s)
    s.check_installed()
    check(not os.path.exists(s.installer_file()), "the installer file is gone afterwards")


def scenario_installer_held_window(s):
    p = s.start()
    w = s.wait_window()
    tamperer, output = start_tamperer(s)
    time.sleep(8)  # the window stays open while the other program keeps trying
    check(p.poll() is None, "the window is still open")
    click(w, ONE_CLICK)
    code = wait_exit(p, 300)
    check_tamperer_refused(tamperer, output)
    check(code == 0, "one-click install ends with exit code 0 (%d)" % code)
    check(len(s.setup_runs()) == 1, "the installer ran once")
    check_ran_the_embedded_image(s)
    s.check_installed()


def scenario_sample_setup_reads_itself(s):
    # The held scenarios prove that the hold lets the installer read its own
    # file only because the sample installer does read it, as the product's
    # does: without that it fails.
    copy = os.path.join(s.px.work, "setup-copy.exe")
    shutil.copy(s.args.setup, copy)
    output = os.path.join(s.px.work, "output-%d.log" % len(s.px.procs))
    holder = s.px.start([s.args.inspect, "hold", Prefix.windows_path(copy), "120", "delete"])
    end = time.time() + 60
    while time.time() < end and "holding" not in open(output, errors="replace").read():
        time.sleep(0.2)
    r = s.px.run([copy, "/verysilent"], extra_env=s.env, timeout=120)
    check(r.returncode == SAMPLE_EXIT["kExitFailed"], "with its file held for deletion the sample installer fails (%d)"
          % r.returncode)
    check(s.self_digests() == ["unreadable"], "it could not read itself: %s" % s.self_digests())
    holder.kill()
    holder.wait()
    s.px.wait_idle()
    r = s.px.run([copy, "/verysilent"], extra_env=s.env, timeout=120)
    check(r.returncode == SAMPLE_EXIT["kExitInstalled"], "unheld, it installs (%d)" % r.returncode)
    with open(copy, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()
    check(s.self_digests()[-1] == digest, "and reads itself byte for byte")


def scenario_shellnew_user_link(s):
    # In the 64-bit view, where the link's native name leads.
    victim = r"HKLM\Software\Victim"
    r = s.px.run(["reg", "add", victim, "/v", "Keep", "/d", "precious", "/f", "/reg:64"])
    check(r.returncode == 0, "the machine key %s is in place" % victim)
    for k in SHELLNEW:
        if not k.startswith(r"HKCU\Software\Classes\.7z"):
            s.px.reg_add(k, "NullFile", "")
    s.px.reg_add(r"HKCU\Software\Classes\.7z")
    code, out = s.inspect("reglink", r"HKCU\Software\Classes\.7z\ShellNew",
                          r"\REGISTRY\MACHINE\SOFTWARE\Victim")
    check(code == 0, "a program of the user made its .7z ShellNew key a link to %s" % victim)
    s.px.wait_idle()
    p = s.start()
    s.wait_window()
    time.sleep(3)  # past the start-up sequence, which removes the ShellNew entries
    s.close_main_window()
    check(wait_exit(p, 60) == 0, "exit code 0")
    reg = s.px.registry()
    v = values_of(reg, victim)
    check(v is not None and '"Keep"' in v, "the machine key the link leads to is intact")
    for k in SHELLNEW:
        if not k.startswith(r"HKCU\Software\Classes\.7z"):
            check(not has_key(reg, k), "%s is gone" % k)


def scenario_settings_symlink(s):
    p = s.start()
    w = s.wait_window()
    time.sleep(3)
    # A file outside the user's folders, and a Unix symbolic link to it in place
    # of the settings file, which Wine shows as that file.
    victim = s.px.drive_c("windows", "victim.ini")
    shutil.copy(s.px.drive_c("windows", "win.ini"), victim)
    with open(victim, "rb") as f:
        before = f.read()
    os.makedirs(os.path.dirname(s.settings_file()), exist_ok=True)
    if os.path.lexists(s.settings_file()):
        os.remove(s.settings_file())
    os.symlink(victim, s.settings_file())
    press_key(w, "End")
    # End reveals the settings file in Explorer, then writes it.
    revealed = False
    end = time.time() + 60
    while time.time() < end and not revealed:
        _, out = s.inspect("titles")
        revealed = any("Korvex" in t and t != TITLE for t in out.splitlines())
        time.sleep(0.5)
    check(revealed, "the End hot key was handled: Explorer shows the settings folder")
    time.sleep(3)
    with open(victim, "rb") as f:
        check(f.read() == before, "the file the link leads to is untouched")
    check(os.path.islink(s.settings_file()), "the link is left as it was")

# --- planted programs and libraries -----------------------------------------------
def scenario_planted_silent(s):
    s.plant()
    silent_run(s, ["-s"])
    s.check_installer_started(" " + SWITCHES, SW_HIDE)
    s.check_installed()
    s.check_no_marks("-s")


def scenario_planted_one_click(s):
    s.plant()
    p = s.start()
    w = s.wait_window()
    time.sleep(3)
    click(w, ONE_CLICK)
    code = wait_exit(p, 300)
    check(code == 0, "one-click install ends with exit code 0 (%d)" % code)
    s.check_installer_started(" " + SWITCHES, SW_HIDE)
    s.check_installed()
    s.check_no_marks("one-click install")


def scenario_planted_manual(s):
    s.plant()
    p = s.start()
    w = s.wait_window()
    time.sleep(3)
    click(w, MANUAL)
    page = wait_installer_page(w)
    press_key(page, "Return")
    code = wait_exit(p, 300)
    check(code == 0, "manual install ends with exit code 0 (%d)" % code)
    # The normal state: its pages show, as they did when cmd started it.
    s.check_installer_started("", SW_SHOWNORMAL)
    s.check_installed()
    s.check_no_marks("manual install")


def scenario_planted_hot_keys_uninstall(s):
    s.install_product()  # the settings folder and the uninstall button are there
    s.plant()
    p = s.start()
    w = s.wait_window()
    time.sleep(3)
    press_key(w, "End")
    title = s.wait_title(lambda t: t == "Korvex")
    check(title is not None, "the End hot key showed the settings folder in Explorer")
    s.inspect("close", title)
    s.check_no_marks("End hot key")
    press_key(w, "Home")
    title = s.wait_title(lambda t: t == "Tessaranvolk")
    check(title is not None, "the Home hot key opened the work folder in Explorer")
    s.inspect("close", title)
    s.check_no_marks("Home hot key")
    time.sleep(2)
    click(w, UNINSTALL)
    title = s.wait_title(lambda t: "nins" in t or "卸载" in t or "Uninstall" in t)
    check(title is not None, "the uninstaller's page appeared")
    s.check_no_marks("uninstall button")
    check(p.poll() is None, "the program runs on")
    s.close_main_window()
    check(wait_exit(p, 60) == 0, "the program ended with exit code 0")


def scenario_appdata_planted_programs(s):
    """Programs named after the work folder and the settings folder planted in
    the application-data folder, where neither folder can be made: the hot keys
    open nothing that runs them."""
    roaming = s.px.appdata()
    os.makedirs(roaming, exist_ok=True)
    for name in ("Tessaranvolk.exe", "Korvex.exe"):
        shutil.copy(s.args.planted_program, os.path.join(roaming, name))
    subprocess.check_call(["chattr", "+i", roaming])
    try:
        p = s.start()
        w = s.wait_window()
        time.sleep(3)
        check(not os.path.exists(os.path.join(roaming, "Tessaranvolk")), "no work folder was made")
        press_key(w, "Home")
        time.sleep(6)
        s.check_no_marks("Home hot key without the work folder")
        press_key(w, "End")
        time.sleep(6)
        s.check_no_marks("End hot key without the settings folder")
        check(p.poll() is None, "the program runs on")
        s.close_main_window()
        check(wait_exit(p, 60) == 0, "the program ended with exit code 0")
    finally:
        subprocess.call(["chattr", "-i", roaming])


SCENARIOS = {name[len("scenario_"):]: fn for name, fn in globals().items()
             if name.startswith("scenario_")}


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", required=True)
    ap.add_argument("--exe", required=True)
    ap.add_argument("--image", required=True)
    ap.add_argument("--image-sha256")
    ap.add_argument("--setup", required=True)
    ap.add_argument("--inspect", required=True)
    ap.add_argument("--planted-program", required=True)
    ap.add_argument("--planted-library", required=True)
    ap.add_argument("name", choices=sorted(SCENARIOS))
    args = ap.parse_args()
    s = Scenario(args, args.name)
    try:
        SCENARIOS[args.name](s)
    except Failure as e:
        print("FAILED:", e, flush=True)
        return 1
    finally:
        s.close()
    print("PASSED:", args.name)
    return 0


if __name__ == "__main__":
    sys.exit(main())
