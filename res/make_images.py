#!/usr/bin/env python3
"""Draws the updater's banner and icon and writes the files the executable embeds.

Usage: make_images.py OUTPUT_DIR

Writes into OUTPUT_DIR:
  banner.bmp                        the dialog's banner, 164 x 312, 24 bits per pixel
  icon48.png, icon32.png, icon16.png  the program icon, RGBA
  update.ico                        the three icon sizes as 32-bit images

The emblem of both is a clockwise circular arrow around a down arrow: "a new version comes
down". Only the standard library is used and nothing varies between runs, so the same
script always writes the same bytes.
"""

import math
import os
import sys

import drawing as d
import image_formats

BANNER_WIDTH = 164
BANNER_HEIGHT = 312
ICON_SIZES = (48, 32, 16)

BLUE_TOP = (0.27, 0.54, 0.83)
BLUE_BOTTOM = (0.08, 0.25, 0.48)
SHADOW = (0.02, 0.10, 0.22)
WHITE = (1.0, 1.0, 1.0)
PALE_BLUE = (0.78, 0.88, 0.98)
# Close to the window background of common GTK and Windows themes, so that the dialog's
# controls, which begin about 146 px from the left, sit on a calm surface.
PAGE = (0.96, 0.96, 0.96)
PAGE_SHADE = (0.87, 0.88, 0.9)


def emblem(cx, cy, size, stroke, compact=False):
    """The emblem centred on (cx, cy): `size` is its radius to the middle of the ring's
    stroke over 0.78, `stroke` the line width in pixels. `compact` leaves out the inner arrow,
    which blurs into a blot at a few pixels' size."""
    radius = 0.78 * size
    gap = math.radians(72)
    start = math.radians(-38)  # just right of the top; the arrow turns clockwise from there
    sweep = 2.0 * math.pi - gap
    ring = d.arc(cx, cy, radius, stroke, start, sweep)

    # Arrowhead at the end of the ring, pointing along the direction of travel.
    end = start + sweep
    ex, ey = cx + radius * math.cos(end), cy + radius * math.sin(end)
    nx, ny = math.cos(end), math.sin(end)  # outwards
    tx, ty = -ny, nx  # clockwise tangent
    half_base, length = 1.9 * stroke, 2.1 * stroke
    head = d.triangle(
        (ex + nx * half_base, ey + ny * half_base),
        (ex - nx * half_base, ey - ny * half_base),
        (ex + tx * length, ey + ty * length),
    )

    if compact:
        return d.union(ring, head)

    # Down arrow inside the ring.
    shaft = d.capsule(cx, cy - 0.36 * size, cx, cy + 0.02 * size, stroke)
    arrow_half = max(0.27 * size, 1.5 * stroke)
    down = d.triangle(
        (cx - arrow_half, cy - 0.02 * size),
        (cx + arrow_half, cy - 0.02 * size),
        (cx, cy + 0.38 * size),
    )
    return d.union(ring, head, shaft, down)


def panel_edge(y):
    """x of the banner's blue panel edge at height y: a gentle outward curve."""
    return 132.0 + 6.0 * math.sin(math.pi * y / BANNER_HEIGHT)


def draw_banner():
    canvas = d.Canvas(BANNER_WIDTH, BANNER_HEIGHT)
    canvas.paint(
        d.everywhere(),
        d.vertical_gradient(BLUE_TOP, BLUE_BOTTOM, 0, BANNER_HEIGHT, 0.12, BANNER_WIDTH),
    )

    # Geometric accents: a dot grid at the top, rings rising from the lower left corner.
    for row in range(3):
        for col in range(4):
            x, y = 16 + col * 9, 16 + row * 9
            canvas.paint(d.circle(x, y, 1.6), WHITE, 0.22, bounds=(x - 3, y - 3, x + 3, y + 3))
    for radius, opacity in ((62, 0.10), (88, 0.08), (114, 0.06), (140, 0.045)):
        canvas.paint(d.ring(6, 318, radius, 1.4), WHITE, opacity)

    # The emblem on a soft halo, with a shadow below it.
    cx, cy, size = 68.0, 120.0, 44.0
    bounds = (cx - 80, cy - 80, cx + 80, cy + 80)
    canvas.paint(d.circle(cx, cy, 1.16 * size), WHITE, 0.08, bounds=bounds)
    canvas.paint(d.ring(cx, cy, 1.36 * size, 1.2), WHITE, 0.20, bounds=bounds)
    shape = emblem(cx, cy, size, 0.17 * size)
    canvas.paint(lambda x, y: shape(x, y - 2.5), SHADOW, 0.35, softness=4.0, bounds=bounds)
    canvas.paint(shape, WHITE, 0.97, bounds=bounds)

    # A progress bar below the emblem, as a hint of what the dialog does.
    canvas.paint(d.rounded_box(22, 206, 114, 213, 3.5), WHITE, 0.16)
    canvas.paint(d.rounded_box(22, 206, 82, 213, 3.5), PALE_BLUE, 0.95)
    canvas.paint(d.rounded_box(22, 224, 96, 228, 2.0), WHITE, 0.12)
    canvas.paint(d.rounded_box(22, 236, 74, 240, 2.0), WHITE, 0.08)

    # Right of the panel: a thin highlight along the edge, then a light page that is shaded
    # a little next to the panel, as if the panel cast a shadow onto it.
    canvas.paint(lambda x, y: abs(x - panel_edge(y) + 3.0) - 0.6, PALE_BLUE, 0.45)
    canvas.paint(
        lambda x, y: panel_edge(y) - x,
        lambda x, y: d.mix(PAGE_SHADE, PAGE, d.clamp((x - panel_edge(y)) / 7.0)),
    )
    # The banner keeps its pixel size while the dialog grows with its font, so the panel
    # fades into the page at the bottom instead of ending in a hard edge above empty space.
    fade_top = BANNER_HEIGHT - 30.0
    canvas.paint(
        d.everywhere(),
        PAGE,
        lambda x, y: d.smoothstep(fade_top, BANNER_HEIGHT, y),
        bounds=(0, fade_top, BANNER_WIDTH, BANNER_HEIGHT),
    )
    return canvas.rows()


def draw_icon(size):
    canvas = d.Canvas(size, size)
    inset = 0.5 if size <= 16 else size / 24.0
    corner = size * (0.18 if size <= 16 else 0.21)
    tile = d.rounded_box(inset, inset, size - inset, size - inset, corner)
    canvas.paint(tile, d.vertical_gradient(BLUE_TOP, BLUE_BOTTOM, inset, size - inset))
    # A lighter rim along the top edge keeps the tile from looking flat at larger sizes.
    if size >= 32:
        below = d.rounded_box(inset, inset + 1.0, size - inset, size - inset + 1.0, corner)
        canvas.paint(d.subtract(tile, below), WHITE, 0.30)
    emblem_size = size * 0.37
    # In proportion the stroke would be about a pixel wide at 16 px: keep it bolder there.
    stroke = max(0.17 * emblem_size, 1.45)
    cx = cy = size / 2.0
    shape = emblem(cx, cy, emblem_size, stroke, compact=size <= 16)
    if size >= 32:
        canvas.paint(lambda x, y: shape(x, y - size / 48.0), SHADOW, 0.35, softness=2.0)
    canvas.paint(shape, WHITE)
    return canvas.rows()


def write(path, data):
    with open(path, "wb") as out:
        out.write(data)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make_images.py OUTPUT_DIR\n")
        return 2
    out_dir = argv[1]
    os.makedirs(out_dir, exist_ok=True)
    write(os.path.join(out_dir, "banner.bmp"), image_formats.bmp_24(draw_banner()))
    icons = [draw_icon(size) for size in ICON_SIZES]
    for size, rows in zip(ICON_SIZES, icons):
        write(os.path.join(out_dir, "icon%d.png" % size), image_formats.png_rgba(rows))
    write(os.path.join(out_dir, "update.ico"), image_formats.ico_32(icons))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
