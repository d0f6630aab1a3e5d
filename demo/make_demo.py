"""Lays out the demo: a program directory with version 1 of a small demo program and its
Update.ini, and a directory of packs (version 2) for the loopback server to serve."""

import os
import random
import stat
import sys
import zipfile

PROGRAM = """#!/bin/sh
# Demo Notes, a stand-in for the application being updated.
echo "Demo Notes version {version}"
"""


def write_program(path, version):
    with open(path, "w") as f:
        f.write(PROGRAM.format(version=version))
    os.chmod(path, os.stat(path).st_mode | stat.S_IXUSR | stat.S_IXGRP | stat.S_IXOTH)


def main(program_dir, packs_dir, port):
    os.makedirs(program_dir, exist_ok=True)
    os.makedirs(packs_dir, exist_ok=True)
    write_program(os.path.join(program_dir, "demo.exe"), 1)
    with open(os.path.join(program_dir, "Update.ini"), "w", encoding="utf-8") as f:
        f.write("[Program]\n"
                "AppName=Demo Notes\n"
                "Version=2.0.0.0\n"
                "Website=http://127.0.0.1:%s/\n"
                "[Update]\n"
                "PackNumber=2\n"
                "Pack1=http://127.0.0.1:%s/demo.zip\n"
                "Pack2=http://127.0.0.1:%s/notes.txt\n" % (port, port, port))

    # Version 2 as a ZIP pack with subdirectories and no directory entries.
    staged = os.path.join(packs_dir, "demo.exe")
    write_program(staged, 2)
    with zipfile.ZipFile(os.path.join(packs_dir, "demo.zip"), "w", zipfile.ZIP_DEFLATED) as z:
        info = zipfile.ZipInfo("demo.exe", date_time=(2026, 12, 1, 12, 0, 0))
        info.external_attr = 0o100755 << 16
        with open(staged, "rb") as f:
            z.writestr(info, f.read(), zipfile.ZIP_DEFLATED)
        z.writestr("docs/changes.txt", "Version 2: the demo now says so.\n")
        # Sample data that does not compress, so the download takes a few seconds to watch.
        z.writestr("docs/samples/sample.dat", random.Random(2).randbytes(768 * 1024),
                   zipfile.ZIP_STORED)
    os.remove(staged)
    with open(os.path.join(packs_dir, "notes.txt"), "w") as f:
        f.write("Release notes of Demo Notes 2.\n")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2], sys.argv[3])
