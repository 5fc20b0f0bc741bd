#!/usr/bin/python3
"""Checks the linked program's own file, as the system's loader sees it:

  program_image_check.py --objdump OBJDUMP --exe KorvexSetup.exe --map KorvexSetup.map

- every library in its import table is one that Windows (7 and later) takes
  from its own folder whatever lies beside the program (a known DLL, with the
  libraries it depends on), and whose dependencies Wine does not take from
  beside the program either: imports are loaded before any of the program's
  code can restrict the library search;
- its process entry is KorvexProcessEntry, which restricts that search before
  the C runtime starts;
- it is marked aware of terminal servers, so that GetWindowsDirectory gives
  the system's Windows folder, not a private one in the user's profile.
"""
import argparse
import re
import subprocess
import sys

# Known DLLs of Windows 7 and later, and ntdll.dll, which the system maps
# into every process before the program's imports are resolved. shell32 is a
# known DLL too, but Wine takes its dependency shcore.dll from beside the
# program: it is bound at run time.
ALLOWED_IMPORTS = {"ntdll.dll", "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll",
                   "msvcrt.dll", "ole32.dll"}
TERMINAL_SERVER_AWARE = 0x8000


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--objdump", required=True)
    ap.add_argument("--exe", required=True)
    ap.add_argument("--map", required=True)
    args = ap.parse_args()
    headers = subprocess.run([args.objdump, "-p", "-f", args.exe], check=True,
                             stdout=subprocess.PIPE, text=True).stdout
    failures = []

    imports = [name.lower() for name in re.findall(r"DLL Name: (\S+)", headers)]
    if not imports:
        failures.append("no import table found")
    for name in imports:
        if name not in ALLOWED_IMPORTS:
            failures.append("imports %s, which may be loaded from beside the program" % name)

    start = re.search(r"start address 0x([0-9a-fA-F]+)", headers)
    with open(args.map, encoding="utf-8", errors="replace") as f:
        entry = re.search(r"^\s+0x([0-9a-fA-F]+)\s+_?KorvexProcessEntry\s*$", f.read(), re.M)
    if not start or not entry:
        failures.append("start address or KorvexProcessEntry not found")
    elif int(start.group(1), 16) != int(entry.group(1), 16):
        failures.append("the process entry is 0x%s, not KorvexProcessEntry (0x%s)"
                        % (start.group(1), entry.group(1)))

    characteristics = re.search(r"DllCharacteristics\s+([0-9a-fA-F]+)", headers)
    if not characteristics or not int(characteristics.group(1), 16) & TERMINAL_SERVER_AWARE:
        failures.append("not marked aware of terminal servers")

    for failure in failures:
        print("FAILED:", failure)
    if failures:
        return 1
    print("PASSED: imports %s; entry KorvexProcessEntry; aware of terminal servers"
          % ", ".join(imports))
    return 0


if __name__ == "__main__":
    sys.exit(main())
