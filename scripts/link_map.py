"""Bytes of a GNU ld link map by input, largest first: each static library
as a whole, each object of the program on its own (the payloads are in the
program image's). Figures for scripts/bench; nothing is asserted.
usage: link_map.py MAP [LINES]

With --unwinder, lists what the link took of the exception machinery
instead: any member of the unwinder (libgcc_eh) or of the thread library
that the C++ runtime's thread-safe guards bring (winpthread), the C++
library's exception runtime (its eh_* members and guard.o), and unwind
tables of our own objects; exits 1 when there is any.
usage: link_map.py --unwinder MAP"""
import collections
import os
import re
import sys

SECTION = re.compile(r"^ (\S+)\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S.*)$")
CONTINUED = re.compile(r"^\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S.*)$")
# Sections that are not in the file, or not code and data of the inputs.
SKIPPED = (".debug", ".bss", ".idata", ".rsrc", ".tls", "COMMON")
# Unwind tables: DWARF (32-bit) and the table-based ones of 64-bit Windows.
UNWIND_SECTIONS = (".eh_frame", ".pdata", ".xdata")
# "dir/libx.a(member.o)", alone on its line or followed by what asked for it.
MEMBER = re.compile(r"^(\S+?\.a)\(([^)]*)\)(\s|$)")


def input_sections(path):
    """(section, size, input) for every input section of the memory map."""
    in_map = False
    pending = None
    for line in open(path, errors="replace"):
        line = line.rstrip("\n")
        if line.startswith("Linker script and memory map"):
            in_map = True
            continue
        if not in_map:
            continue
        match = SECTION.match(line)
        name = None
        if match:
            name, size, source = match.groups()
        elif pending and CONTINUED.match(line):
            name = pending
            size, source = CONTINUED.match(line).groups()
        pending = line[1:] if re.fullmatch(r" \.\S+", line) else None
        if name is None or "(" not in source and "/" not in source:
            continue
        yield name, int(size, 16), source.strip()


def input_sizes(path):
    sizes = collections.Counter()
    for name, size, source in input_sections(path):
        if name.startswith(SKIPPED):
            continue
        # "dir/libx.a(member.o)" counts for libx.a, an object on its own by
        # name; the program's own objects (CMake's objects.a) by member.
        archive = os.path.basename(re.sub(r"\(.*\)$", "", source))
        if archive == "objects.a":
            archive = re.search(r"\((.*)\)$", source).group(1)
        sizes[archive] += int(size)
    return sizes


def included_members(path):
    """(archive file name, member) of every archive member the link took."""
    in_list = False
    for line in open(path, errors="replace"):
        line = line.rstrip("\n")
        if line.startswith("Archive member included"):
            in_list = True
            continue
        if in_list and line and not line[0].isspace():
            match = MEMBER.match(line)
            if not match:
                return  # the next part of the map
            yield os.path.basename(match.group(1)), match.group(2)


def unwinder_parts(path):
    found = []
    for archive, member in included_members(path):
        if archive in ("libgcc_eh.a", "libpthread.a", "libwinpthread.a"):
            found.append("%s(%s)" % (archive, member))
        elif archive in ("libstdc++.a", "libsupc++.a") and (
            member.startswith("eh_") or member == "guard.o"
        ):
            found.append("%s(%s)" % (archive, member))
    for name, size, source in input_sections(path):
        # Our own objects are the ones not taken from the system's folders.
        if name.startswith(UNWIND_SECTIONS) and size > 0 and not source.startswith("/usr/"):
            found.append("%s of %s (%d bytes)" % (name, source, size))
    return found


def main():
    if sys.argv[1] == "--unwinder":
        found = unwinder_parts(sys.argv[2])
        if found:
            print("%s: the link took parts of the exception machinery:" % sys.argv[2])
        for part in found:
            print("  " + part)
        sys.exit(1 if found else 0)
    sizes = input_sizes(sys.argv[1])
    lines = int(sys.argv[2]) if len(sys.argv) > 2 else 20
    for name, size in sizes.most_common(lines):
        print("%9d  %s" % (size, name))


main()
