"""A small anti-aliased painter: shapes as signed distance functions, filled per pixel.

A shape is a function (x, y) -> signed distance in pixels from its outline, negative inside.
Painting a shape covers each pixel by how far its centre lies inside the outline, which gives
smooth edges without supersampling. Colours are (r, g, b) floats in 0..1.
"""

import math


def clamp(value, low=0.0, high=1.0):
    return low if value < low else high if value > high else value


def mix(a, b, t):
    """The colour a fraction t of the way from a to b."""
    return tuple(p + (q - p) * t for p, q in zip(a, b))


class Canvas:
    """Pixels as premultiplied (r, g, b, a) floats, top row first, starting transparent."""

    def __init__(self, width, height):
        self.width = width
        self.height = height
        self.pixels = [[(0.0, 0.0, 0.0, 0.0)] * width for _ in range(height)]

    def paint(self, shape, colour, opacity=1.0, softness=1.0, bounds=None):
        """Composites `colour` over the pixels inside `shape`.

        `colour` is an (r, g, b) tuple or a function (x, y) -> (r, g, b), `opacity` a number or
        a function (x, y) -> number in 0..1. `softness` widens the
        edge (in pixels) for glows and shadows; 1 is a crisp anti-aliased edge. `bounds`
        (x0, y0, x1, y1) limits the pixels visited; everything outside it must be uncovered.
        """
        x0, y0, x1, y1 = bounds or (0, 0, self.width, self.height)
        x0, y0 = max(0, int(x0)), max(0, int(y0))
        x1, y1 = min(self.width, int(math.ceil(x1))), min(self.height, int(math.ceil(y1)))
        for y in range(y0, y1):
            row = self.pixels[y]
            cy = y + 0.5
            for x in range(x0, x1):
                cx = x + 0.5
                coverage = clamp(0.5 - shape(cx, cy) / softness)
                coverage *= opacity(cx, cy) if callable(opacity) else opacity
                if coverage <= 0.0:
                    continue
                r, g, b = colour(cx, cy) if callable(colour) else colour
                dr, dg, db, da = row[x]
                keep = 1.0 - coverage
                row[x] = (
                    r * coverage + dr * keep,
                    g * coverage + dg * keep,
                    b * coverage + db * keep,
                    coverage + da * keep,
                )

    def rows(self):
        """The pixels as rows of straight (not premultiplied) (r, g, b, a) tuples."""
        out = []
        for row in self.pixels:
            line = []
            for r, g, b, a in row:
                line.append((r / a, g / a, b / a, a) if a > 0.0 else (0.0, 0.0, 0.0, 0.0))
            out.append(line)
        return out


def smoothstep(edge0, edge1, value):
    """0 below edge0, 1 above edge1, an S-curve between."""
    t = clamp((value - edge0) / (edge1 - edge0))
    return t * t * (3.0 - 2.0 * t)


def union(*shapes):
    return lambda x, y: min(shape(x, y) for shape in shapes)


def intersection(*shapes):
    return lambda x, y: max(shape(x, y) for shape in shapes)


def subtract(shape, cut):
    """The part of `shape` outside `cut`."""
    return lambda x, y: max(shape(x, y), -cut(x, y))


def everywhere():
    return lambda x, y: -1e9


def circle(cx, cy, radius):
    return lambda x, y: math.hypot(x - cx, y - cy) - radius


def ring(cx, cy, radius, width):
    half = width / 2.0
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - radius) - half


def rounded_box(x0, y0, x1, y1, corner):
    """An axis-aligned rectangle from (x0, y0) to (x1, y1) with rounded corners."""
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    hx, hy = (x1 - x0) / 2.0 - corner, (y1 - y0) / 2.0 - corner

    def shape(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - corner

    return shape


def capsule(ax, ay, bx, by, width):
    """A stroke of the given width from (ax, ay) to (bx, by) with round ends."""
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    half = width / 2.0

    def shape(x, y):
        px, py = x - ax, y - ay
        t = clamp((px * dx + py * dy) / length2) if length2 > 0.0 else 0.0
        return math.hypot(px - dx * t, py - dy * t) - half

    return shape


def triangle(a, b, c):
    """A filled triangle with corners a, b, c (any winding)."""
    corners = (a, b, c)
    edges = [(corners[i], corners[(i + 1) % 3]) for i in range(3)]
    winding = (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0])

    def shape(x, y):
        nearest = 1e18
        inside = True
        for (px, py), (qx, qy) in edges:
            ex, ey = qx - px, qy - py
            wx, wy = x - px, y - py
            t = clamp((wx * ex + wy * ey) / (ex * ex + ey * ey))
            nearest = min(nearest, math.hypot(wx - ex * t, wy - ey * t))
            if (ex * wy - ey * wx) * winding < 0.0:
                inside = False
        return -nearest if inside else nearest

    return shape


def arc(cx, cy, radius, width, start, sweep):
    """A stroke along the circle from angle `start` through `sweep` radians, round ends.

    Angles are in screen terms (y grows downwards), so a positive sweep turns clockwise.
    """
    half = width / 2.0
    ends = [
        (cx + radius * math.cos(angle), cy + radius * math.sin(angle))
        for angle in (start, start + sweep)
    ]

    def shape(x, y):
        along = (math.atan2(y - cy, x - cx) - start) % (2.0 * math.pi)
        if along <= sweep:
            return abs(math.hypot(x - cx, y - cy) - radius) - half
        return min(math.hypot(x - ex, y - ey) for ex, ey in ends) - half

    return shape


def vertical_gradient(top, bottom, y0, y1, lean=0.0, width=1.0):
    """A colour function going from `top` at y0 to `bottom` at y1; `lean` tilts the bands so
    that the colour also darkens by that fraction from left to right across `width`."""
    span = float(y1 - y0)

    def colour(x, y):
        t = (y - y0) / span * (1.0 - lean) + x / width * lean
        return mix(top, bottom, clamp(t))

    return colour
