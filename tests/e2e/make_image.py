#!/usr/bin/python3
"""make_image.py FILE: writes the e2e tests' stand-in installer image, a few
megabytes in which every byte value occurs (zeros, line ends and end-of-file
marks among them), the same on every run: SHA-256 of a counter, block after
block, cut to the length below."""
import hashlib
import sys

LENGTH = 3 * 1024 * 1024 + 3


def image():
    blocks = []
    for counter in range((LENGTH + 31) // 32):
        blocks.append(hashlib.sha256(counter.to_bytes(4, "little")).digest())
    return b"".join(blocks)[:LENGTH]


if __name__ == "__main__":
    with open(sys.argv[1], "wb") as f:
        f.write(image())
