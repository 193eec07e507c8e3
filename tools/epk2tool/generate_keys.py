#!/usr/bin/env python3
"""Generates the pack key table engine/fs/epk2_keys.bin: four rows of 256 bytes.

The rows are our own: SHA-256 in counter mode over a fixed seed, so running
this again always gives the same 1024 bytes. Run it only to re-create the
file; packs made with one table cannot be read with another.

    tools/epk2tool/generate_keys.py engine/fs/epk2_keys.bin
"""
import hashlib
import sys

SEED = b"quillmoor pack key rows, version 1"
ROW_SIZE = 256
ROW_COUNT = 4


def key_table():
    table = bytearray()
    counter = 0
    while len(table) < ROW_SIZE * ROW_COUNT:
        table += hashlib.sha256(SEED + counter.to_bytes(4, "little")).digest()
        counter += 1
    return bytes(table[: ROW_SIZE * ROW_COUNT])


def main():
    if len(sys.argv) != 2:
        sys.stderr.write("usage: generate_keys.py OUT.bin\n")
        return 2
    with open(sys.argv[1], "wb") as out:
        out.write(key_table())
    return 0


if __name__ == "__main__":
    sys.exit(main())
