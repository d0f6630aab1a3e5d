"""Encoders for the image files the updater embeds: 24-bit BMP, RGBA PNG and 32-bit ICO.

Pixels come in as rows of (r, g, b, a) tuples of floats in 0..1, alpha not premultiplied,
top row first. The encoders write no timestamps or other varying data, so the same pixels
always give the same bytes.
"""

import struct
import zlib


def to_byte(value):
    """A channel value in 0..1 as an integer 0..255, rounded half up."""
    return max(0, min(255, int(value * 255.0 + 0.5)))


def _bitmap_info_header(width, height, bits, image_size):
    # BITMAPINFOHEADER: 40 bytes, BI_RGB (no compression), 2835 pixels per metre (72 dpi).
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size, 2835, 2835, 0, 0)


def bmp_24(rows):
    """A Windows BMP file, 24 bits per pixel, bottom-up, each row padded to 4 bytes.

    Alpha is ignored: the pixels are expected to be opaque.
    """
    height = len(rows)
    width = len(rows[0])
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b, _ in row:
            line += bytes((to_byte(b), to_byte(g), to_byte(r)))
        line += bytes(stride - len(line))
        pixels += line
    offset = 14 + 40
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return file_header + _bitmap_info_header(width, height, 24, len(pixels)) + bytes(pixels)


def _png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png_rgba(rows):
    """A PNG file, 8-bit RGBA (colour type 6), no filtering, no ancillary chunks."""
    height = len(rows)
    width = len(rows[0])
    raw = bytearray()
    for row in rows:
        raw.append(0)  # filter type None
        for r, g, b, a in row:
            raw += bytes((to_byte(r), to_byte(g), to_byte(b), to_byte(a)))
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (
        b"\x89PNG\r\n\x1a\n"
        + _png_chunk(b"IHDR", header)
        + _png_chunk(b"IDAT", zlib.compress(bytes(raw), 9))
        + _png_chunk(b"IEND", b"")
    )


def _ico_dib(rows):
    """One icon image as the ICO format stores it: a 32-bit DIB of twice the height (colour
    rows, then the 1-bit AND mask), both bottom-up. The mask marks fully transparent pixels
    for readers that ignore alpha."""
    height = len(rows)
    width = len(rows[0])
    colour = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            colour += bytes((to_byte(b), to_byte(g), to_byte(r), to_byte(a)))
    mask_stride = ((width + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for x, pixel in enumerate(row):
            if to_byte(pixel[3]) == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    header = _bitmap_info_header(width, height * 2, 32, len(colour) + len(mask))
    return header + bytes(colour) + bytes(mask)


def ico_32(images):
    """A Windows .ico file holding the given images (each a list of rows, at most 255 pixels
    a side), in the order given, each as a 32-bit DIB entry."""
    entries = [(len(rows[0]), len(rows), _ico_dib(rows)) for rows in images]
    directory = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    data = bytearray()
    for width, height, dib in entries:
        # ICONDIRENTRY: width, height, palette size 0, reserved, planes 1, 32 bits per pixel.
        directory += struct.pack("<BBBBHHII", width, height, 0, 0, 1, 32, len(dib), offset)
        offset += len(dib)
        data += dib
    return directory + bytes(data)
