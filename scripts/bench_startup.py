"""Start-up figures for scripts/bench: processor time of an unattended install,
and the time from process start to the window visible against a bare Win32
program. Figures only; nothing is asserted."""
import os
import resource
import subprocess
import sys
import time

sys.path.insert(0, "tests/e2e")
from harness import TITLE, Display, Prefix, find_x_window, wait_exit

build = os.environ["KORVEX_BENCH_BUILD"]
exe = os.path.join(build, "KorvexSetup.exe")
inspect = os.path.join(build, "tests", "e2e", "wininspect.exe")
display = Display()

def children_cpu():
    r = resource.getrusage(resource.RUSAGE_CHILDREN)
    return r.ru_utime + r.ru_stime

def wineserver_cpu(px):
    out = subprocess.run(["pgrep", "-f", "wineserver"], stdout=subprocess.PIPE, text=True).stdout
    total = 0.0
    tick = os.sysconf("SC_CLK_TCK")
    for pid in out.split():
        try:
            env = open("/proc/%s/environ" % pid, "rb").read()
            if ("WINEPREFIX=" + px.path).encode() not in env:
                continue
            f = open("/proc/%s/stat" % pid).read().rsplit(")", 1)[1].split()
            total += (int(f[11]) + int(f[12])) / tick
        except OSError:
            pass
    return total

print("== 1. unattended install (-s): processor time against wall time")
px = Prefix(build, "bench-silent")
px.run(["cmd", "/c", "exit", "0"])  # the prefix's own start-up, not measured
c0, t0, s0 = children_cpu(), time.time(), wineserver_cpu(px)
p = px.start([exe, "-s"])
code = wait_exit(p, 600)
wall, cpu = time.time() - t0, children_cpu() - c0
server = wineserver_cpu(px) - s0
print("exit code %d; wall %.1f s; processor %.2f s in the program and its children (%.1f %%),"
      " %.2f s in wineserver" % (code, wall, cpu, 100 * cpu / wall, server))
px.close()

print("== 2. process start to window visible, against a bare Win32 window")
bare = os.path.join(build, "tests", "bench", "bare_window.exe")


def time_to_window(px, program, title):
    px.run(["cmd", "/c", "exit", "0"])  # the prefix's own start-up, not measured
    t0 = time.time()
    p = px.start([program])
    find_x_window(title, timeout=120)
    elapsed = time.time() - t0
    px.run([inspect, "close", title])  # what the close button sends
    wait_exit(p, 60)
    return elapsed


ours, baseline = [], []
for i in range(3):
    # Both programs in the same fresh prefix, after one unmeasured start of the
    # bare window (the prefix's first window also starts Wine's desktop), in
    # turns so that neither always goes first.
    px = Prefix(build, "bench-window")
    time_to_window(px, bare, "bare window")
    if i % 2 == 0:
        baseline.append(time_to_window(px, bare, "bare window"))
        ours.append(time_to_window(px, exe, TITLE))
    else:
        ours.append(time_to_window(px, exe, TITLE))
        baseline.append(time_to_window(px, bare, "bare window"))
    px.close()
print("KorvexSetup.exe window visible after %s s (best %.2f s)"
      % (", ".join("%.2f" % t for t in ours), min(ours)))
print("bare Win32 window visible after %s s (best %.2f s)"
      % (", ".join("%.2f" % t for t in baseline), min(baseline)))
print("ratio of the best times: %.2f" % (min(ours) / min(baseline)))
display.close()
