"""The exit codes of the sample setup program and its uninstaller, read from
the list both programs are built with (tools/sample_installer/exit_codes.h).

    import sample_exit_codes
    sample_exit_codes.CODES["kExitFailed"]
"""
import os
import re

HEADER = os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))),
                      "tools", "sample_installer", "exit_codes.h")
DEFINITION = re.compile(r"^inline constexpr int (kExit\w+) = (\d+);", re.MULTILINE)


def read(path=HEADER):
    """{name: value} of every exit code the header defines."""
    with open(path, encoding="utf-8") as f:
        codes = {name: int(value) for name, value in DEFINITION.findall(f.read())}
    if not codes:
        raise ValueError("no exit codes in %s" % path)
    return codes


CODES = read()
