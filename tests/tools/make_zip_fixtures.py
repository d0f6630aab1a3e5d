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
        self.made_by = fields.pop("made_by", 0x031E)  # host 3 (Unix), version 3.0
        self.zip64 = fields.pop("zip64", False)  # sizes and offset in ZIP64 extra fields
        self.overrides = fields  # local_crc, local_csize, local_usize, local_method, crc, csize...


def zip64_extra(*values):
    return struct.pack("<HH", 1, 8 * len(values)) + b"".join(struct.pack("<Q", v) for v in values)


def raw_zip(entries, comment=b"", end=None, central_signature=None, zip64=None):
    """Lays out an archive; `end` overrides end record fields, `central_signature` maps an
    entry index to a wrong central header signature. `zip64` (a dict, possibly empty) adds a
    ZIP64 end record and locator, whose fields it overrides; the end record's fields then hold
    all ones unless `end` says otherwise."""
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
        local_extra, central_extra = e.extra, e.central_extra
        local_csize, local_usize = o.get("local_csize", csize), o.get("local_usize", usize)
        central_csize, central_usize, central_offset = csize, usize, offset
        if e.zip64:
            local_extra = zip64_extra(local_usize, local_csize) + local_extra
            central_extra = zip64_extra(usize, csize, offset) + central_extra
            local_csize = local_usize = central_csize = central_usize = 0xFFFFFFFF
            central_offset = 0xFFFFFFFF
        out += struct.pack("<IHHHHHIIIHH", 0x04034B50, 45 if e.zip64 else 20, e.local_flags,
                           o.get("local_method", method), time, date, o.get("local_crc", crc),
                           local_csize, local_usize, len(e.name),
                           o.get("local_extra_length", len(local_extra)))
        out += e.name + local_extra + stored
        signature = (central_signature or {}).get(i, 0x02014B50)
        centrals.append(struct.pack("<IHHHHHHIIIHHHHHII", signature, e.made_by, 20, e.flags, method,
                                    time, date, crc, central_csize, central_usize, len(e.name),
                                    len(central_extra), 0, 0, 0, e.attr, central_offset)
                        + e.name + central_extra)
    dir_offset = len(out)
    for c in centrals:
        out += c
    dir_size = len(out) - dir_offset
    f = {"disk": 0, "dir_disk": 0, "here": len(entries) & 0xFFFF, "total": len(entries) & 0xFFFF,
         "size": dir_size, "offset": dir_offset}
    if zip64 is not None:
        z = {"size_of_record": 44, "disk": 0, "dir_disk": 0, "here": len(entries),
             "total": len(entries), "size": dir_size, "offset": dir_offset,
             "locator_disk": 0, "record_offset": len(out), "disks": 1}
        z.update(zip64)
        out += struct.pack("<IQHHIIQQQQ", 0x06064B50, z["size_of_record"], 45, 45, z["disk"],
                           z["dir_disk"], z["here"], z["total"], z["size"], z["offset"])
        out += struct.pack("<IIQI", 0x07064B50, z["locator_disk"], z["record_offset"], z["disks"])
        f.update({"here": 0xFFFF, "total": 0xFFFF, "size": 0xFFFFFFFF, "offset": 0xFFFFFFFF})
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


def zip64_entries():
    return [Entry("z64/", attr=0x41ED0010), Entry("z64/stored.txt", b"stored under zip64\n"),
            Entry("z64/deflated.bin", pattern(5000), 8)]


def forced_zip64():
    """zipfile's own ZIP64 local headers, and a ZIP64 end record it writes for no other need."""
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w", zipfile.ZIP_DEFLATED) as zf:
        for name, data in [("f/one.txt", b"one\n" * 50), ("f/two.bin", pattern(20000))]:
            info = zipfile.ZipInfo(name, DATE_TIME)
            info.compress_type = zipfile.ZIP_DEFLATED
            with zf.open(info, "w", force_zip64=True) as f:
                f.write(data)
    return buf.getvalue()


def many_entries(count):
    """`count` one-byte entries named m/<i>, written by zipfile (ZIP64 beyond 65535)."""
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w") as zf:
        for i in range(count):
            zf.writestr(zipfile.ZipInfo("m/%d" % i, DATE_TIME), bytes([i % 251]))
    return buf.getvalue()


def mode_entries():
    return [
        Entry("bin/tool", b"#!/bin/sh\necho tool\n", attr=0o100755 << 16),
        Entry("bin/plain.txt", b"plain", attr=0o100640 << 16),
        Entry("bin/bare_mode", b"no file type", attr=0o750 << 16),
        Entry("bin/setuid", b"setuid", attr=0o104755 << 16),
        Entry("bin/link", b"tool", attr=0o120777 << 16),
        Entry("bin/dos.txt", b"dos", attr=(0o100755 << 16) | 0x20, made_by=0x0014),
    ]


def with_digital_signature(data):
    """Ends the central directory (of an archive without comment) with a digital signature
    record of no data, counted in the directory's size."""
    size, = struct.unpack_from("<I", data, len(data) - 22 + 12)
    end = bytearray(data[-22:])
    struct.pack_into("<I", end, 12, size + 6)
    return data[:-22] + b"PK\x05\x06"[:2] + b"\x05\x05" + b"\x00\x00" + bytes(end)


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
        "comment_65535.zip": zipfile_bytes(SMALL, b"c" * 65535),
        "digital_signature.zip": with_digital_signature(raw_zip([Entry("x.txt", b"x")])),
        "empty.zip": zipfile_bytes([]),
        # Directories marked only by the name: zipfile's ZipInfo with attributes 0, and a jar
        # tool's entry made on MS-DOS with attributes 0.
        "directory_names.zip": raw_zip([Entry("conf/", attr=0, made_by=0x0014),
                                        Entry("META-INF\\", attr=0, made_by=0x0014),
                                        Entry("conf/app.ini", b"[app]\n", attr=0, made_by=0x0014)]),
        # zipfile stores mode 0600 without a file type for attributes 0.
        "directory_zipinfo.zip": zipfile_bytes([("conf/", None, zipfile.ZIP_STORED, 0),
                                                ("conf/app.ini", b"[app]\n", zipfile.ZIP_STORED, 0)]),
        "modes.zip": raw_zip(mode_entries()),
        "encrypted.zip": raw_zip([
            Entry("plain.txt", b"plain"),
            Entry("zipcrypto.txt", b"\x00" * 12 + b"secret", flags=0x0001),
            Entry("strong.txt", b"secret", flags=0x0041),
            Entry("local_only.txt", b"secret", local_flags=0x0001),
        ]),
        "zip64_forced.zip": forced_zip64(),
        "zip64_end.zip": raw_zip([Entry(e.name, e.data, e.method, attr=e.attr, zip64=True)
                                  for e in zip64_entries()], zip64={}),
        "zip64_prefix.zip": b"P" * 300 + raw_zip(zip64_entries(), zip64={}),
        # The end record gives its real values beside the ZIP64 ones.
        "zip64_both_values.zip": raw_zip(zip64_entries(), zip64={},
                                         end={"here": 3, "total": 3}),
        # Hostile: ZIP64 records that point outside the file, or disagree.
        "zip64_locator_outside.zip": raw_zip(zip64_entries(), zip64={"record_offset": 1 << 40}),
        "zip64_record_too_long.zip": raw_zip(zip64_entries(), zip64={"size_of_record": 1000}),
        "zip64_directory_outside.zip": raw_zip(zip64_entries(), zip64={"offset": 1 << 40}),
        "zip64_count_disagrees.zip": raw_zip(zip64_entries(), zip64={"here": 2, "total": 2}),
        "zip64_end_disagrees.zip": raw_zip(zip64_entries(), zip64={}, end={"here": 2, "total": 2}),
        "zip64_multi_disk.zip": raw_zip(zip64_entries(), zip64={"disks": 2}),
        "zip64_huge_count.zip": raw_zip(zip64_entries(), zip64={"here": 1 << 33, "total": 1 << 33}),
        # 70,000 entries: by zipfile with its ZIP64 end record, and laid out without one, the
        # 16-bit count wrapped to 4,464.
        "many_70000.zip": many_entries(70000),
        "wrapped_70000.zip": raw_zip([Entry("w/%d" % i, bytes([i % 251])) for i in range(70000)]),
        # Counts the central directory's size does not bear out.
        "count_short.zip": raw_zip([Entry("1", b"1"), Entry("2", b"2"), Entry("3", b"3")],
                                   end={"here": 2, "total": 2}),
        "count_long.zip": raw_zip([Entry("1", b"1"), Entry("2", b"2")],
                                  end={"here": 3, "total": 3}),
    }
    return found


BIG_SIZE = (4 << 30) + 10  # the stored zeros of the entry beyond 32 bits
AFTER_BIG = b"after 4 GiB\n"


def write_over_4gib(path):
    """A stored entry of 4 GiB + 10 zero bytes (a hole in a sparse file), then a small entry
    whose local header lies beyond 4 GiB, the central directory and ZIP64 end records after
    it. Not named .zip: the fuzzer's corpus takes those."""
    crc = 0
    block = bytes(64 << 20)
    left = BIG_SIZE
    while left:
        n = min(left, len(block))
        crc = zlib.crc32(block[:n] if n < len(block) else block, crc)
        left -= n
    date, time = dos_date_time()
    with open(path, "wb") as f:
        local = struct.pack("<IHHHHHIIIHH", 0x04034B50, 45, 0, 0, time, date, crc, 0xFFFFFFFF,
                            0xFFFFFFFF, 7, 20) + b"big.bin" + zip64_extra(BIG_SIZE, BIG_SIZE)
        f.write(local)
        f.seek(len(local) + BIG_SIZE)
        after_offset = f.tell()
        f.write(struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, 0, 0, time, date,
                            zlib.crc32(AFTER_BIG), len(AFTER_BIG), len(AFTER_BIG), 9, 0)
                + b"after.txt" + AFTER_BIG)
        dir_offset = f.tell()
        extra0 = zip64_extra(BIG_SIZE, BIG_SIZE)
        extra1 = zip64_extra(after_offset)
        central = struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 0x032D, 45, 0, 0, time, date, crc,
                              0xFFFFFFFF, 0xFFFFFFFF, 7, len(extra0), 0, 0, 0, 0x81A40000, 0)
        central += b"big.bin" + extra0
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 0x032D, 45, 0, 0, time, date,
                               zlib.crc32(AFTER_BIG), len(AFTER_BIG), len(AFTER_BIG), 9,
                               len(extra1), 0, 0, 0, 0x81A40000, 0xFFFFFFFF)
        central += b"after.txt" + extra1
        f.write(central)
        record_offset = f.tell()
        f.write(struct.pack("<IQHHIIQQQQ", 0x06064B50, 44, 45, 45, 0, 0, 2, 2, len(central),
                            dir_offset))
        f.write(struct.pack("<IIQI", 0x07064B50, 0, record_offset, 1))
        f.write(struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, 2, 2, 0xFFFFFFFF, 0xFFFFFFFF, 0))


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_zip_fixtures.py OUTPUT_DIR")
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, data in fixtures().items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
    write_over_4gib(os.path.join(out, "over_4gib.zip64"))


if __name__ == "__main__":
    main()
