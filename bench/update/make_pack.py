#!/usr/bin/env python3
"""Writes the benchmark's archive pack and the same files as a plain tree.

pack.zip holds app.exe, one large entry big.bin of BIG_MIB MiB of random bytes, and 2,000 small
files in 50 directories; TREE gets the same names and bytes, written directly, for the peer
that copies instead of unpacking.

Usage: make_pack.py PACK_ZIP TREE BIG_MIB
"""
import os
import sys
import zipfile


def main(pack, tree, big_mib):
    os.makedirs(tree, exist_ok=True)
    entries = [("app.exe", b"#!/bin/sh\necho version 2\n")]
    for d in range(50):
        for f in range(40):
            entries.append(("dir%02d/file%02d.txt" % (d, f), (b"line %d %d\n" % (d, f)) * 40))

    def put(z, name, data):
        z.writestr(name, data)
        path = os.path.join(tree, name)
        os.makedirs(os.path.dirname(path) or tree, exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)

    with zipfile.ZipFile(pack, "w", zipfile.ZIP_DEFLATED, compresslevel=1) as z:
        for name, data in entries:
            put(z, name, data)
        put(z, "big.bin", os.urandom(big_mib << 20))


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2], int(sys.argv[3]))
