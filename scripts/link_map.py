"""Bytes of a GNU ld link map by input, largest first: each static library
as a whole, each object of the program on its own (the payloads are in the
program image's). Figures for scripts/bench; nothing is asserted.
usage: link_map.py MAP [LINES]"""
import collections
import os
import re
import sys

SECTION = re.compile(r"^ (\S+)\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S.*)$")
CONTINUED = re.compile(r"^\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S.*)$")
# Sections that are not in the file, or not code and data of the inputs.
SKIPPED = (".debug", ".bss", ".idata", ".rsrc", ".tls", "COMMON")


def input_sizes(path):
    sizes = collections.Counter()
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
        if name is None or name.startswith(SKIPPED) or "(" not in source and "/" not in source:
            continue
        # "dir/libx.a(member.o)" counts for libx.a, an object on its own by
        # name; the program's own objects (CMake's objects.a) by member.
        source = source.strip()
        archive = os.path.basename(re.sub(r"\(.*\)$", "", source))
        if archive == "objects.a":
            archive = re.search(r"\((.*)\)$", source).group(1)
        sizes[archive] += int(size, 16)
    return sizes


def main():
    sizes = input_sizes(sys.argv[1])
    lines = int(sys.argv[2]) if len(sys.argv) > 2 else 20
    for name, size in sizes.most_common(lines):
        print("%9d  %s" % (size, name))


main()
