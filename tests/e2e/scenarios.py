#!/usr/bin/python3
"""End-to-end scenarios of KorvexSetup.exe under Wine, one per run:

  scenarios.py --build DIR --exe EXE --image INSTALLER_IMAGE [--image-sha256 HEX]
               --setup SAMPLE_SETUP --inspect WININSPECT NAME

INSTALLER_IMAGE is the file the program embeds as its installer; HEX, when
given, is the SHA-256 digest that file is known to have.
"""
import argparse
import hashlib
import os
import subprocess
import sys
import time

from harness import (ERROR_TITLE, MANUAL, ONE_CLICK, TITLE, UNINSTALL, Display, Failure, Prefix, check,
                     click, find_x_window, has_key, press_key, values_of,
                     wait_exit, xdotool)

UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvex"
SHELLNEW = [r"HKLM\Software\Classes\.%s\ShellNew" % e for e in ("7z", "rar", "zip")] + \
           [r"HKCU\Software\Classes\.%s\ShellNew" % e for e in ("7z", "rar", "zip")]
SWITCHES = "/sp- /verysilent /suppressmsgboxes /norestart"


class Scenario:
    def __init__(self, args, name):
        self.args = args
        self.display = Display()
        self.px = Prefix(args.build, name)
        self.log = os.path.join(self.px.work, "setup.log")
        self.env = {"KORVEX_SAMPLE_SETUP_LOG": Prefix.windows_path(self.log)}
        with open(os.path.join(args.build, "generated", "settings.qdf"), "rb") as f:
            self.settings_image = f.read()

    # --- helpers ----------------------------------------------------------------
    def start(self, *argv, env=None):
        e = dict(self.env)
        e.update(env or {})
        return self.px.start([self.args.exe] + list(argv), e)

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

    def install_product(self):
        r = self.px.run([self.args.setup, "/verysilent"], timeout=120)
        check(r.returncode == 0, "the sample installer installed the product beforehand")
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


def scenario_manual(s):
    p = s.start()
    w = s.wait_window()
    time.sleep(3)
    click(w, MANUAL)
    page = None
    end = time.time() + 90
    while time.time() < end and page is None:
        out = xdotool("search", "--name", "Korvex", check=False).split()
        others = [x for x in out if x != w]
        if others:
            page = others[-1]
        time.sleep(0.5)
    check(page is not None, "the installer's own page appeared")
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
