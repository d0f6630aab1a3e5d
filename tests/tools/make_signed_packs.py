#!/usr/bin/env python3
"""Writes signed packs for the signature tests into a directory, made with the real minisign
tool: two key pairs and one folder per case, each holding "app.zip" and, unless the case says
otherwise, "app.zip.minisig".

  OUT/vendor.pub, OUT/other.pub   the public key files (their second line is the key)
  OUT/vendor.sec, OUT/other.sec   their secret keys, without a password
  OUT/<case>/app.zip[.minisig]    the cases below
  OUT/cases.txt                   one line per case: "<case> <good|bad>"
  OUT/hash-data.bin               random bytes, more than the pack hasher holds at once
  OUT/digests.txt                 "<file> <BLAKE2b-512 in hex>" for every app.zip and
                                  hash-data.bin: known answers for a build that cannot run
                                  a hashing tool (the Windows build under Wine)

Usage: make_signed_packs.py OUT
"""

import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

NEW_PROGRAM = b"#!/bin/sh\necho version 2\n"
COMMENT = b"a signed pack"
HASH_DATA_SIZE = 10 * 1024 * 1024 + 77


def run(*args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   stdin=subprocess.DEVNULL, timeout=60)


def make_key(out, name):
    run("minisign", "-G", "-f", "-W", "-p", os.path.join(out, name + ".pub"),
        "-s", os.path.join(out, name + ".sec"))


def write_archive(path, readme=b"read me\n"):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("app.exe", NEW_PROGRAM)
        z.writestr("readme.txt", readme)
        z.comment = COMMENT  # a byte here can change while the archive stays whole


def sign(out, key, path, *options):
    run("minisign", "-S", "-s", os.path.join(out, key + ".sec"), "-m", path, *options)


def edit(path, change):
    with open(path, "rb") as f:
        data = f.read()
    with open(path, "wb") as f:
        f.write(change(data))


def main(out):
    os.makedirs(out, exist_ok=True)
    make_key(out, "vendor")
    make_key(out, "other")
    cases = []

    def case(name, verdict, make):
        folder = os.path.join(out, name)
        os.makedirs(folder, exist_ok=True)
        pack = os.path.join(folder, "app.zip")
        write_archive(pack)
        make(pack)
        cases.append("%s %s" % (name, verdict))

    case("prehashed", "good", lambda p: sign(out, "vendor", p))
    case("legacy", "good", lambda p: sign(out, "vendor", p, "-l"))
    case("no-file-named", "good", lambda p: sign(out, "vendor", p, "-t", "release 2"))

    def byte_changed(pack):
        sign(out, "vendor", pack)
        edit(pack, lambda d: d.replace(COMMENT, b"A" + COMMENT[1:]))

    case("byte-changed", "bad", byte_changed)
    case("other-key", "bad", lambda p: sign(out, "other", p))
    case("no-signature", "bad", lambda p: None)

    def signature_of_another_file(pack):
        with tempfile.TemporaryDirectory() as elsewhere:
            other = os.path.join(elsewhere, "app.zip")  # the same name, other bytes
            write_archive(other, readme=b"another release\n")
            sign(out, "vendor", other)
            shutil.copy(other + ".minisig", pack + ".minisig")

    case("another-file", "bad", signature_of_another_file)

    def changed_trusted_comment(pack):
        sign(out, "vendor", pack)
        edit(pack + ".minisig", lambda d: d.replace(b"\ntrusted comment: ", b"\ntrusted comment: x"))

    case("trusted-comment-changed", "bad", changed_trusted_comment)
    case("names-another-file", "bad",
         lambda p: sign(out, "vendor", p, "-t", "timestamp:1\tfile:other.zip"))

    def truncated(pack):
        sign(out, "vendor", pack)
        edit(pack + ".minisig", lambda d: d[: len(d) * 3 // 4])

    case("truncated", "bad", truncated)

    with open(os.path.join(out, "cases.txt"), "w") as f:
        f.write("\n".join(cases) + "\n")

    with open(os.path.join(out, "hash-data.bin"), "wb") as f:
        f.write(os.urandom(HASH_DATA_SIZE))
    files = [c.split()[0] + "/app.zip" for c in cases] + ["hash-data.bin"]
    with open(os.path.join(out, "digests.txt"), "w") as f:
        for name in files:
            with open(os.path.join(out, name), "rb") as data:
                f.write("%s %s\n" % (name, hashlib.blake2b(data.read()).hexdigest()))


if __name__ == "__main__":
    main(sys.argv[1])
