"""Drives the real KorvexSetup.exe under Wine on a virtual display: a fresh
prefix per scenario, the program's window found, clicked and read through
xdotool and a small inspector program, the prefix's files and registry read
back afterwards."""
import atexit
import fcntl
import getpass
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "scripts"))
import prefix_snapshot  # noqa: E402
import virtual_display  # noqa: E402
import wine_tests  # noqa: E402

TITLE = "Korvex 5.6.1.10516"
ERROR_TITLE = "错误"
# Client-area centres of the buttons (template geometry).
ONE_CLICK = (60, 28)
MANUAL = (170, 28)
UNINSTALL = (280, 28)


class Failure(Exception):
    pass


def check(cond, what):
    if not cond:
        raise Failure(what)
    print("ok:", what, flush=True)


def wine_loader():
    return "wine" if wine_tests.can_run_32() else "/usr/lib/wine/wine64"


class Display:
    """A virtual display of the scenario's own, so that scenarios running side by
    side never click or type into each other's windows."""

    def __init__(self):
        self.proc, self.name = virtual_display.start_xvfb()
        os.environ["DISPLAY"] = self.name
        # Closed however the run ends, a scenario whose set-up failed included.
        atexit.register(self.close)

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()


class Prefix:
    """A fresh copy of the build tree's template prefix."""

    def __init__(self, build_dir, name):
        self.build_dir = build_dir
        self.loader = wine_loader()
        template = os.path.join(build_dir, "e2e-prefix-template")
        self._make_template(template)
        self.work = tempfile.mkdtemp(prefix="e2e-%s-" % name, dir=os.path.join(build_dir))
        self.path = os.path.join(self.work, "prefix")
        subprocess.check_call(["cp", "-a", template, self.path])
        self.user = getpass.getuser()
        self.procs = []

    def _make_template(self, template):
        os.makedirs(os.path.dirname(template), exist_ok=True)
        with open(template + ".lock", "w") as lock:
            fcntl.flock(lock, fcntl.LOCK_EX)
            if not os.path.exists(os.path.join(template, ".korvex-ready")):
                shutil.rmtree(template, ignore_errors=True)
                env = self._env_for(template)
                subprocess.call([self.loader, "wineboot", "-i"], env=env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                subprocess.call(["wineserver", "-w"], env=env)
                open(os.path.join(template, ".korvex-ready"), "w").close()

    def _env_for(self, prefix, extra=None):
        env = dict(os.environ)
        env.update({
            "WINEPREFIX": prefix,
            "LANG": "zh_CN.UTF-8",
            "LC_ALL": "zh_CN.UTF-8",
            "WINEDEBUG": env.get("WINEDEBUG", "-all"),
            "WINEDLLOVERRIDES": "mscoree,mshtml=",
        })
        if self.loader != "wine":
            env["WINELOADER"] = self.loader
        if extra:
            env.update(extra)
        return env

    def env(self, extra=None):
        return self._env_for(self.path, extra)

    # --- paths ----------------------------------------------------------------
    def drive_c(self, *parts):
        return os.path.join(self.path, "drive_c", *parts)

    def appdata(self, *parts):
        return self.drive_c("users", self.user, "AppData", "Roaming", *parts)

    @staticmethod
    def windows_path(unix_path):
        return "Z:" + os.path.abspath(unix_path).replace("/", "\\")

    # --- processes ------------------------------------------------------------
    def start(self, args, extra_env=None, cwd=None):
        """Starts a program; cwd (a folder of the prefix's drive) becomes its
        current folder."""
        # Output goes to a file: a pipe would stay open as long as any program
        # started from this one (Explorer, say) keeps running.
        log = open(os.path.join(self.work, "output-%d.log" % len(self.procs)), "wb")
        p = subprocess.Popen([self.loader] + args, env=self.env(extra_env), stdout=log,
                             stderr=subprocess.STDOUT, cwd=cwd)
        log.close()
        self.procs.append(p)
        return p

    def run(self, args, extra_env=None, timeout=120):
        return subprocess.run([self.loader] + args, env=self.env(extra_env), timeout=timeout,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT)

    def wait_idle(self):
        subprocess.call(["wineserver", "-w"], env=self.env())

    def registry(self):
        """Keys and values of HKLM and HKCU as the prefix stored them."""
        self.wait_idle()
        return prefix_snapshot.registry_of(self.path)

    def reg_add(self, key, name=None, value=None):
        args = ["reg", "add", key, "/f"]
        if name is not None:
            args += ["/v", name, "/d", value]
        r = self.run(args)
        if r.returncode != 0:
            raise Failure("reg add %s failed: %s" % (key, r.stdout))

    def close(self):
        subprocess.call(["wineserver", "-k"], env=self.env())
        for p in self.procs:
            try:
                p.kill()
            except OSError:
                pass
        if os.environ.get("KORVEX_E2E_KEEP") != "1":
            shutil.rmtree(self.work, ignore_errors=True)


def has_key(reg, key):
    k = key.lower()
    return any(x.lower() == k for x in reg)


def values_of(reg, key):
    k = key.lower()
    for x, v in reg.items():
        if x.lower() == k:
            return v
    return None


def xdotool(*args, check=True):
    r = subprocess.run(["xdotool"] + list(args), stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                       text=True)
    if check and r.returncode != 0:
        raise Failure("xdotool %s failed: %s" % (" ".join(args), r.stderr.strip()))
    return r.stdout.strip()


def find_x_window(title, timeout=60):
    end = time.time() + timeout
    while time.time() < end:
        out = xdotool("search", "--name", "^%s$" % title, check=False)
        if out:
            return out.split()[-1]
        time.sleep(0.2)
    raise Failure("no window titled %r appeared within %d s" % (title, timeout))


def click(window, point):
    xdotool("mousemove", "--window", window, str(point[0]), str(point[1]))
    time.sleep(0.2)
    xdotool("click", "1")


def press_key(window, key):
    xdotool("windowfocus", "--sync", window)
    time.sleep(0.3)
    xdotool("key", key)


def wait_exit(proc, timeout):
    try:
        proc.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        raise Failure("the program did not end within %d s" % timeout)
    return proc.returncode
