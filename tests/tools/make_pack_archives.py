"""Writes the archive packs of the installation tests into a directory.

Each archive holds a new program "app.exe" (unless its name says otherwise) and some files;
the damaged and hostile ones are made by patching or by hand-set entry names.
"""

import io
import os
import struct
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


def zero_directory_attributes(data):
    """Sets the external attributes of every entry whose name ends in "/" to 0, as jar tools
    write them (the archive has no comment)."""
    data = bytearray(data)
    size, offset = struct.unpack_from("<II", data, len(data) - 22 + 12)
    at = offset
    while at < offset + size:
        name_len, extra_len, comment_len = struct.unpack_from("<HHH", data, at + 28)
        if data[at + 46 + name_len - 1:at + 46 + name_len] == b"/":
            struct.pack_into("<I", data, at + 38, 0)
        at += 46 + name_len + extra_len + comment_len
    return bytes(data)


def with_zip64_end(data):
    """Gives the archive (no comment) a ZIP64 end record and locator; the end record's fields
    then hold all ones, as writers of big archives leave them."""
    count, size, offset = struct.unpack_from("<HII", data, len(data) - 22 + 10)
    body = data[:-22]
    record = struct.pack("<IQHHIIQQQQ", 0x06064B50, 44, 45, 45, 0, 0, count, count, size, offset)
    locator = struct.pack("<IIQI", 0x07064B50, 0, len(body), 1)
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, 0xFFFF, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0)
    return body + record + locator + end


def modes_archive(program_mode, program=NEW_PROGRAM):
    """The program, a directory entry with attributes 0, an executable helper in a
    subdirectory, a setuid file and a private file, with ZIP64 headers and end record."""
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr(zipfile.ZipInfo("conf/"), b"")
        for name, data, mode in [("app.exe", program, program_mode),
                                 ("tools/bin/helper", b"#!/bin/sh\necho helper\n", 0o100755),
                                 ("tools/bin/setuid", b"#!/bin/sh\n", 0o104755),
                                 ("conf/private.ini", b"[secret]\n", 0o100600)]:
            info = zipfile.ZipInfo(name)
            info.create_system = 3
            info.external_attr = mode << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            with z.open(info, "w", force_zip64=True) as f:
                f.write(data)
    return with_zip64_end(zero_directory_attributes(buf.getvalue()))


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
    with open(os.path.join(out, "modes.zip"), "wb") as f:
        f.write(modes_archive(0o100644))
    # A mode that does not name a file type, as some writers store it.
    with open(os.path.join(out, "modes-bare.zip"), "wb") as f:
        f.write(modes_archive(0o644))


if __name__ == "__main__":
    main(sys.argv[1])
