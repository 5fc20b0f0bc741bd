"""A virtual X display on a free display number, for tests that drive windows."""
import ctypes
import os
import signal
import subprocess

PR_SET_PDEATHSIG = 1


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
