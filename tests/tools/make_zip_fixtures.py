#!/usr/bin/env python3
"""Writes the archive fixtures of the unzip tests into the folder given as the argument.

Ordinary archives come from Python's zipfile; hostile ones are laid out byte by byte with
struct, so that every field can be wrong on purpose. The contents are made by small generators
that the C++ tests repeat (see tests/unzip/fixtures.h).
"""
import io
import os
import struct
import sys
import zipfile
import zlib

DATE_TIME = (2021, 3, 4, 5, 6, 8)  # the MS-DOS time of every entry, taken as UTC


def pattern(n):
    """n bytes of (i * 7) % 251: compressible, never a run."""
    return bytes((i * 7) % 251 for i in range(n))


def noise(n, seed=2463534242):
    """n bytes from a 32-bit xorshift: incompressible."""
    out = bytearray()
    x = seed
    while len(out) < n:
        x ^= (x << 13) & 0xFFFFFFFF
        x ^= x >> 17
        x ^= (x << 5) & 0xFFFFFFFF
        out.append(x & 0xFF)
    return bytes(out)


def dos_date_time(dt=DATE_TIME):
    y, mo, d, h, mi, s = dt
    return ((y - 1980) << 9) | (mo << 5) | d, (h << 11) | (mi << 5) | (s // 2)


def deflate(data):
    c = zlib.compressobj(6, zlib.DEFLATED, -15)
    return c.compress(data) + c.flush()


# ---- ordinary archives (zipfile) --------------------------------------------------------

def zipfile_bytes(entries, comment=b""):
    """entries: (name, data or None for a directory, method, external_attr or None)."""
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w") as zf:
        for name, data, method, attr in entries:
            info = zipfile.ZipInfo(name, DATE_TIME)
            info.compress_type = method
            if data is None:
                info.external_attr = 0x41ED0010 if attr is None else attr
                zf.writestr(info, b"")
            else:
                info.external_attr = 0x81A40000 if attr is None else attr
                zf.writestr(info, data)
        zf.comment = comment
    return buf.getvalue()


BASIC = [
    ("docs/", None, zipfile.ZIP_STORED, None),
    ("docs/readme.txt", b"Read me first.\n" * 20, zipfile.ZIP_DEFLATED, None),
    ("a/b.txt", b"hello from a/b\n", zipfile.ZIP_STORED, None),
    ("empty.txt", b"", zipfile.ZIP_STORED, None),
    ("empty_deflated.txt", b"", zipfile.ZIP_DEFLATED, None),
    ("pattern10000.bin", pattern(10000), zipfile.ZIP_DEFLATED, None),
    ("noise70000.bin", noise(70000), zipfile.ZIP_DEFLATED, None),
    ("pattern100000.bin", pattern(100000), zipfile.ZIP_DEFLATED, None),
]

SMALL = [
    ("d/", None, zipfile.ZIP_STORED, None),
    ("d/stored.txt", b"stored text\n", zipfile.ZIP_STORED, None),
    ("deflated.txt", b"deflated text, deflated text, deflated text\n", zipfile.ZIP_DEFLATED, None),
]

ATTRIBUTES = [
    ("archive_bit.txt", b"x", zipfile.ZIP_STORED, 0x00000020),
    ("unix_644.txt", b"x", zipfile.ZIP_STORED, 0x81A40000),
    ("unix_dir/", None, zipfile.ZIP_STORED, 0x41ED0000),
    ("dos_dir/", None, zipfile.ZIP_STORED, 0x00000010),
    ("hidden_system_readonly.txt", b"x", zipfile.ZIP_STORED, 0x81A40007),
]


# ---- raw archives (struct) --------------------------------------------------------------

class Entry:
    def __init__(self, name, data=b"", method=0, **fields):
        self.name = name if isinstance(name, bytes) else name.encode()
        self.data = data
        self.method = method
        self.payload = fields.pop("payload", None)  # the bytes stored, when not the natural ones
        self.flags = fields.pop("flags", 0)
        self.local_flags = fields.pop("local_flags", self.flags)
        self.extra = fields.pop("extra", b"")  # local extra field
        self.central_extra = fields.pop("central_extra", b"")
        self.attr = fields.pop("attr", 0x81A40000)
        self.overrides = fields  # local_crc, local_csize, local_usize, local_method, crc, csize...


def raw_zip(entries, comment=b"", end=None, central_signature=None):
    """Lays out an archive; `end` overrides end record fields, `central_signature` maps an
    entry index to a wrong central header signature."""
    date, time = dos_date_time()
    out = bytearray()
    centrals = []
    for i, e in enumerate(entries):
        stored = e.payload if e.payload is not None else (deflate(e.data) if e.method == 8 else e.data)
        o = e.overrides
        crc = o.get("crc", zlib.crc32(e.data))
        csize = o.get("csize", len(stored))
        usize = o.get("usize", len(e.data))
        method = o.get("method", e.method)
        offset = len(out)
        out += struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, e.local_flags, o.get("local_method", method),
                           time, date, o.get("local_crc", crc), o.get("local_csize", csize),
                           o.get("local_usize", usize), len(e.name),
                           o.get("local_extra_length", len(e.extra)))
        out += e.name + e.extra + stored
        signature = (central_signature or {}).get(i, 0x02014B50)
        centrals.append(struct.pack("<IHHHHHHIIIHHHHHII", signature, 0x031E, 20, e.flags, method, time,
                                    date, crc, csize, usize, len(e.name), len(e.central_extra), 0, 0,
                                    0, e.attr, offset) + e.name + e.central_extra)
    dir_offset = len(out)
    for c in centrals:
        out += c
    f = {"disk": 0, "dir_disk": 0, "here": len(entries), "total": len(entries),
         "size": len(out) - dir_offset, "offset": dir_offset}
    f.update(end or {})
    out += struct.pack("<IHHHHIIH", 0x06054B50, f["disk"], f["dir_disk"], f["here"], f["total"],
                       f["size"], f["offset"], len(comment)) + comment
    return bytes(out)


def ut_block(flags, *times, size=None):
    data = struct.pack("<B", flags) + b"".join(struct.pack("<i", t) for t in times)
    return b"UT" + struct.pack("<H", len(data) if size is None else size) + data


T1, T2, T3 = 1600000000, 1500000000, 1400000000  # modification, access, creation


def timestamp_entries():
    filler = b"\x99\x99" + struct.pack("<H", 300) + bytes(300)
    return [
        Entry("no_ut.txt", b"a"),
        Entry("ut_flags1.txt", b"a", extra=ut_block(1, T1)),
        Entry("ut_flags7.txt", b"a", extra=ut_block(7, T1, T2, T3)),
        Entry("ut_after_300.txt", b"a", extra=filler + ut_block(1, T1)),
        # Flags announce three times, the block's data holds one.
        Entry("ut_short_block.txt", b"a", extra=ut_block(7, T1)),
        # The block says 13 bytes of data; the extra field ends after the first time.
        Entry("ut_cut_extra.txt", b"a", extra=ut_block(7, T1, size=13)),
        Entry("ut_negative.txt", b"a", extra=ut_block(3, -1, T2)),
        # Only the first "UT" block counts.
        Entry("ut_twice.txt", b"a", extra=ut_block(1, T1) + ut_block(1, T2)),
    ]


def name_entries():
    return [
        Entry("n" * 258, b"258"),
        Entry("n" * 259, b"259"),
        Entry("n" * 260, b"260"),
        Entry("n" * 300, b"300"),
        Entry(b"bad\x00name.txt", b"nul"),
        # 259 bytes of UTF-8 but 87 UTF-16 units: fits both records.
        Entry(("x" + "\u20ac" * 86).encode(), b"utf8", flags=0x0800),
        Entry(b"caf\x82.txt", b"cp437"),  # not UTF-8, no bit 11: CP437
        Entry("caf\u00e9.txt".encode(), b"utf8 no flag"),  # valid UTF-8 without bit 11
    ]


def fixtures():
    date, time = dos_date_time()
    small = zipfile_bytes(SMALL)
    descriptor_data = b"descriptor data, " * 8
    deflated_descriptor = deflate(descriptor_data)
    full = noise(3000)
    cut = deflate(full)[:400]
    found = {
        "basic.zip": zipfile_bytes(BASIC),
        "small.zip": small,
        "attributes.zip": zipfile_bytes(ATTRIBUTES),
        "comment_65513.zip": zipfile_bytes(SMALL, b"c" * 65513),
        "comment_65514.zip": zipfile_bytes(SMALL, b"c" * 65514),
        # The end record starts 1029, 1030 and 1031 bytes before the end: across the boundary
        # of the first search window.
        "window_1029.zip": zipfile_bytes(SMALL, b"w" * (1029 - 22)),
        "window_1030.zip": zipfile_bytes(SMALL, b"w" * (1030 - 22)),
        "window_1031.zip": zipfile_bytes(SMALL, b"w" * (1031 - 22)),
        # A signature inside the comment, 30 bytes before the end, whose disk number is 1.
        "comment_signature.zip": zipfile_bytes(SMALL, b"note " + b"PK\x05\x06\x01\x00" + b"z" * 24),
        "end_record_only.zip": raw_zip([]),
        "prefix_1000.zip": b"X" * 1000 + small,
        "prefix_500.zip": b"Y" * 500 + small,
        "descriptor_bit3.zip": raw_zip([
            Entry("descriptor.txt", descriptor_data, 8, flags=0x0008, local_crc=0, local_csize=0,
                  local_usize=0,
                  payload=deflated_descriptor + struct.pack("<IIII", 0x08074B50,
                                                            zlib.crc32(descriptor_data),
                                                            len(deflated_descriptor),
                                                            len(descriptor_data)),
                  csize=len(deflated_descriptor))]),
        "zero_local_no_bit3.zip": raw_zip([
            Entry("zeros.txt", b"zeros", local_crc=0, local_csize=0, local_usize=0)]),
        "method12.zip": raw_zip([Entry("bzip2.txt", b"not really bzip2", 12)]),
        "timestamps.zip": raw_zip(timestamp_entries()),
        "names.zip": raw_zip(name_entries()),
        "crc_flipped.zip": raw_zip([
            Entry("stored.txt", pattern(500), crc=zlib.crc32(pattern(500)) ^ 1),
            Entry("deflated.txt", pattern(5000), 8, crc=zlib.crc32(pattern(5000)) ^ 0x80000000),
        ]),
        "short_data.zip": raw_zip([
            Entry("cut_deflate.bin", full, 8, payload=cut),
            Entry("short_stored.bin", b"s" * 100, payload=b"s" * 50),
            # Deflate data that is not deflate at all (a reserved block type).
            Entry("corrupt_deflate.bin", b"c" * 100, 8, payload=b"\xff" * 40),
        ]),
        # The central compressed size runs 100 bytes past the entry's data.
        "oversized_compressed.zip": raw_zip([
            Entry("oversized.bin", pattern(2000), 8, csize=len(deflate(pattern(2000))) + 100,
                  local_csize=len(deflate(pattern(2000))) + 100),
            Entry("after.txt", b"after"),
        ]),
        # The local extra field is said to run far past the end of the archive.
        "extra_past_end.zip": raw_zip([Entry("extra.txt", b"e", local_extra_length=60000)]),
        "bad_central.zip": raw_zip([Entry("one.txt", b"1"), Entry("two.txt", b"2"),
                                    Entry("three.txt", b"3")], central_signature={1: 0x02014B51}),
        "multi_disk.zip": raw_zip([Entry("x.txt", b"x")], end={"disk": 1, "dir_disk": 1}),
        "count_mismatch.zip": raw_zip([Entry("x.txt", b"x")], end={"total": 2}),
        "directory_beyond_end.zip": raw_zip([Entry("x.txt", b"x")], end={"size": 1000}),
    }
    return found


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_zip_fixtures.py OUTPUT_DIR")
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, data in fixtures().items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
