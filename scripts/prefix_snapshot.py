#!/usr/bin/python3
"""Snapshots of a Wine prefix (files under drive_c, registry keys and values)
and the difference between two of them.

  prefix_snapshot.py snapshot PREFIX OUT.json
  prefix_snapshot.py diff BEFORE.json AFTER.json
"""
import json
import os
import re
import sys

SKIP_DIRS = ("windows",)  # the system's own files churn on every start


def files_of(prefix):
    root = os.path.join(prefix, "drive_c")
    out = {}
    for dirpath, dirnames, filenames in os.walk(root):
        rel = os.path.relpath(dirpath, root)
        if rel == ".":
            dirnames[:] = [d for d in dirnames if d.lower() not in SKIP_DIRS]
        for name in filenames:
            path = os.path.join(dirpath, name)
            try:
                out["C:\\" + os.path.relpath(path, root).replace("/", "\\")] = os.path.getsize(path)
            except OSError:
                pass
        for name in dirnames:
            out["C:\\" + os.path.relpath(os.path.join(dirpath, name), root).replace("/", "\\") + "\\"] = -1
    return out


KEY_RE = re.compile(r"^\[(.*)\]")


def registry_of(prefix):
    out = {}
    for hive, root in (("system.reg", "HKLM"), ("user.reg", "HKCU")):
        path = os.path.join(prefix, hive)
        if not os.path.exists(path):
            continue
        key = None
        with open(path, encoding="utf-8", errors="replace") as f:
            for line in f:
                line = line.rstrip("\n")
                m = KEY_RE.match(line)
                if m:
                    key = root + "\\" + m.group(1).replace("\\\\", "\\")
                    out.setdefault(key, {})
                elif key and line and not line.startswith(("#", ";")) and "=" in line:
                    name, _, value = line.partition("=")
                    out[key][name] = value
    return out


def snapshot(prefix):
    return {"files": files_of(prefix), "registry": registry_of(prefix)}


def interesting_key(key):
    k = key.lower()
    return any(s in k for s in ("korvex", "shellnew", "tessaranvolk", "uninstall\\korvex"))


def diff(a, b):
    lines = []
    fa, fb = a["files"], b["files"]
    for p in sorted(set(fb) - set(fa)):
        lines.append("file added:    %s%s" % (p, "" if fb[p] < 0 else "  (%d bytes)" % fb[p]))
    for p in sorted(set(fa) - set(fb)):
        lines.append("file removed:  %s" % p)
    for p in sorted(set(fa) & set(fb)):
        if fa[p] != fb[p]:
            lines.append("file changed:  %s  (%d -> %d bytes)" % (p, fa[p], fb[p]))
    ra, rb = a["registry"], b["registry"]
    for k in sorted(set(rb) - set(ra)):
        if interesting_key(k):
            lines.append("key added:     %s" % k)
            for n, v in sorted(rb[k].items()):
                lines.append("                 %s=%s" % (n, v))
    for k in sorted(set(ra) - set(rb)):
        if interesting_key(k):
            lines.append("key removed:   %s" % k)
    return lines


def main(argv):
    if len(argv) == 4 and argv[1] == "snapshot":
        with open(argv[3], "w") as f:
            json.dump(snapshot(argv[2]), f)
        return 0
    if len(argv) == 4 and argv[1] == "diff":
        with open(argv[2]) as f:
            a = json.load(f)
        with open(argv[3]) as f:
            b = json.load(f)
        print("\n".join(diff(a, b)) or "(no change)")
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
