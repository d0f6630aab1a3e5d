"""Lays out the demo: a program directory with version 1 of a small demo program and its
Update.ini, and a directory of packs (version 2) for the loopback server to serve. The packs
are signed with a vendor key made by the minisign tool (kept in the "vendor" folder beside
the packs), and Update.ini holds its public key, so only those packs install."""

import os
import random
import shutil
import stat
import subprocess
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


def minisign(*args):
    subprocess.run(["minisign", *args], check=True, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, timeout=60)


def sign_packs(packs_dir, names):
    """Makes the vendor's key pair and signs each pack; gives the public key line."""
    vendor = os.path.join(os.path.dirname(os.path.abspath(packs_dir)), "vendor")
    os.makedirs(vendor, exist_ok=True)
    public, secret = os.path.join(vendor, "minisign.pub"), os.path.join(vendor, "minisign.key")
    # -W: the demo's key has no password, so that nobody has to type one.
    minisign("-G", "-f", "-W", "-p", public, "-s", secret)
    for name in names:
        minisign("-S", "-s", secret, "-m", os.path.join(packs_dir, name))
    with open(public) as f:
        return f.read().splitlines()[1]


def main(program_dir, packs_dir, port, windows_programs=None):
    """windows_programs: the paths of versions 1 and 2 of the Windows demo program, which
    then take the place of the shell scripts."""
    os.makedirs(program_dir, exist_ok=True)
    os.makedirs(packs_dir, exist_ok=True)
    staged = os.path.join(packs_dir, "demo.exe")
    if windows_programs:
        shutil.copy(windows_programs[0], os.path.join(program_dir, "demo.exe"))
        shutil.copy(windows_programs[1], staged)
    else:
        write_program(os.path.join(program_dir, "demo.exe"), 1)
        write_program(staged, 2)

    # Version 2 as a ZIP pack with subdirectories and no directory entries.
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
    public_key = sign_packs(packs_dir, ["demo.zip", "notes.txt"])

    with open(os.path.join(program_dir, "Update.ini"), "w", encoding="utf-8") as f:
        f.write("[Program]\n"
                "AppName=Demo Notes\n"
                "Version=2.0.0.0\n"
                "Website=http://127.0.0.1:%s/\n"
                "[Update]\n"
                "PackNumber=2\n"
                "Pack1=http://127.0.0.1:%s/demo.zip\n"
                "Pack2=http://127.0.0.1:%s/notes.txt\n"
                "PublicKey=%s\n" % (port, port, port, public_key))


if __name__ == "__main__":
    # make_demo.py PROGRAM_DIR PACKS_DIR PORT [WINDOWS_V1_EXE WINDOWS_V2_EXE]
    main(sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:6] if len(sys.argv) > 5 else None)
