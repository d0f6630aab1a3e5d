"""Writes the archive packs of the installation tests into a directory.

Each archive holds a new program "app.exe" (unless its name says otherwise) and some files;
the damaged and hostile ones are made by patching or by hand-set entry names.
"""

import os
import sys
import zipfile

NEW_PROGRAM = b"#!/bin/sh\necho version 2\n"


def write(path, entries, method=zipfile.ZIP_DEFLATED):
    """entries: (name, bytes) or (ZipInfo, bytes)."""
    with zipfile.ZipFile(path, "w", method) as z:
        for name, data in entries:
            z.writestr(name, data)


def corrupt_entry(path, name):
    """Flips a byte of the stored data of entry `name`, so that its CRC-32 fails."""
    with zipfile.ZipFile(path) as z:
        info = z.getinfo(name)
    with open(path, "r+b") as f:
        f.seek(info.header_offset + 26)
        name_len = int.from_bytes(f.read(2), "little")
        extra_len = int.from_bytes(f.read(2), "little")
        data_at = info.header_offset + 30 + name_len + extra_len
        f.seek(data_at)
        byte = f.read(1)
        f.seek(data_at)
        f.write(bytes([byte[0] ^ 0xFF]))


def main(out):
    os.makedirs(out, exist_ok=True)
    good = [("app.exe", NEW_PROGRAM), ("readme.txt", b"read me\n"),
            ("docs/guide/intro.txt", b"no directory entries for docs/guide\n")]
    write(os.path.join(out, "app.zip"), good)
    write(os.path.join(out, "APP.ZIP"), good)
    write(os.path.join(out, "appzip"), good)  # ends in "zip" without a full stop

    write(os.path.join(out, "bad-first.zip"),
          [("readme.txt", b"r" * 100), ("app.exe", NEW_PROGRAM)], zipfile.ZIP_STORED)
    corrupt_entry(os.path.join(out, "bad-first.zip"), "readme.txt")
    write(os.path.join(out, "bad-last.zip"),
          [("app.exe", NEW_PROGRAM), ("readme.txt", b"r" * 100)], zipfile.ZIP_STORED)
    corrupt_entry(os.path.join(out, "bad-last.zip"), "readme.txt")

    for label, name in [("dotdot", "../outside.txt"), ("inner-dotdot", "docs/../../outside.txt"),
                        ("backslash", "..\\outside.txt"), ("absolute", "/tmp/outside.txt"),
                        ("drive", "C:outside.txt"), ("empty-part", "docs//outside.txt")]:
        write(os.path.join(out, "trav-%s.zip" % label),
              [("app.exe", NEW_PROGRAM), (name, b"must not be written\n")])

    link = zipfile.ZipInfo("link")
    link.create_system = 3
    link.external_attr = (0o120777 << 16)
    write(os.path.join(out, "symlink.zip"), [("app.exe", NEW_PROGRAM), (link, b"/etc/passwd")])

    with open(os.path.join(out, "html.zip"), "wb") as f:
        f.write(b"<html><body>Not the archive</body></html>\n")
    open(os.path.join(out, "empty.zip"), "wb").close()
    # Directory entries, made under the program directory whatever the working directory.
    write(os.path.join(out, "dirs.zip"), [("app.exe", NEW_PROGRAM), ("empty/", b""),
                                          ("data/", b""), ("data/values.txt", b"1 2 3\n")])
    write(os.path.join(out, "noprogram.zip"), [("readme.txt", b"no program inside\n")])
    # An entry under the updater's own journal name.
    write(os.path.join(out, "reserved.zip"), [("app.exe", NEW_PROGRAM),
                                              (".~update.journal", b"update journal 1\nend\n")])
    # Unpacked, more than a small disk holds; downloaded, a few kilobytes.
    write(os.path.join(out, "big.zip"), [("app.exe", NEW_PROGRAM), ("readme.txt", b"read me\n"),
                                         ("big.bin", bytes(4 << 20))])
    # Files that replace, files that are new, in directories old and new, some without
    # directory entries.
    write(os.path.join(out, "many.zip"),
          [("app.exe", NEW_PROGRAM), ("readme.txt", b"read me, version 2\n"), ("docs/", b""),
           ("docs/guide.txt", b"guide, version 2\n"), ("docs/api/ref.txt", b"reference\n"),
           ("data/values.txt", b"4 5 6\n"), ("data/more/deep.txt", b"deep\n"),
           ("new/", b""), ("new/one.txt", b"one\n"), ("new/two.txt", b"two\n"),
           ("empty/", b""), ("license.txt", b"license\n")])


if __name__ == "__main__":
    main(sys.argv[1])
