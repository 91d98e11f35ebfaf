#!/usr/bin/env python3
"""Draws the component's bitmaps and writes them as PNG files.

Usage: tools/make_bitmaps.py [OUTPUT_DIR]   (default: velumor/resources/bitmaps)

Writes every picture and the manifest bitmaps.txt, which the build reads to embed the
files and give them their resource ids. The artwork is our own and made here from simple
shapes, so it can be redrawn and reviewed as code. Only the standard library is used.

Small pictures keep to the classic sixteen colours and are written as palette PNGs;
the About picture is a 24-bit RGB image.
"""

import math
import os
import struct
import sys
import zlib

# The sixteen colours of the classic palette.
BLACK = (0x00, 0x00, 0x00)
MAROON = (0x80, 0x00, 0x00)
GREEN = (0x00, 0x80, 0x00)
OLIVE = (0x80, 0x80, 0x00)
NAVY = (0x00, 0x00, 0x80)
PURPLE = (0x80, 0x00, 0x80)
TEAL = (0x00, 0x80, 0x80)
SILVER = (0xC0, 0xC0, 0xC0)
GREY = (0x80, 0x80, 0x80)
RED = (0xFF, 0x00, 0x00)
LIME = (0x00, 0xFF, 0x00)
YELLOW = (0xFF, 0xFF, 0x00)
BLUE = (0x00, 0x00, 0xFF)
FUCHSIA = (0xFF, 0x00, 0xFF)
AQUA = (0x00, 0xFF, 0xFF)
WHITE = (0xFF, 0xFF, 0xFF)

CLEAR = None  # a transparent pixel


class Canvas:
    def __init__(self, width, height, ground=CLEAR):
        self.width = width
        self.height = height
        self.px = [[ground] * width for _ in range(height)]

    def set(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y][x] = colour

    def get(self, x, y):
        return self.px[y][x]

    def rect(self, x0, y0, x1, y1, fill, outline=None):
        """Filled rectangle with inclusive corners, optionally outlined."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                edge = x in (x0, x1) or y in (y0, y1)
                self.set(x, y, outline if (edge and outline is not None) else fill)

    def hline(self, x0, x1, y, colour):
        for x in range(x0, x1 + 1):
            self.set(x, y, colour)

    def vline(self, x, y0, y1, colour):
        for y in range(y0, y1 + 1):
            self.set(x, y, colour)

    def points(self, pts, colour):
        for x, y in pts:
            self.set(x, y, colour)

    def mirrored(self):
        out = Canvas(self.width, self.height)
        for y in range(self.height):
            out.px[y] = list(reversed(self.px[y]))
        return out

    def copy(self):
        out = Canvas(self.width, self.height)
        out.px = [list(row) for row in self.px]
        return out


# ------------------------------------------------------------------ PNG writing

def _chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def _png(width, height, colour_type, bit_depth, rows, extra_chunks=()):
    raw = b"".join(b"\x00" + row for row in rows)  # filter type 0 on every row
    header = struct.pack(">IIBBBBB", width, height, bit_depth, colour_type, 0, 0, 0)
    out = b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", header)
    for kind, data in extra_chunks:
        out += _chunk(kind, data)
    out += _chunk(b"IDAT", zlib.compress(raw, 9)) + _chunk(b"IEND", b"")
    return out


def palette_png(canvas):
    """An indexed PNG: transparent pixels share index 0 (made clear through tRNS)."""
    colours = []
    has_clear = any(p is CLEAR for row in canvas.px for p in row)
    if has_clear:
        colours.append(CLEAR)
    for row in canvas.px:
        for p in row:
            if p is not CLEAR and p not in colours:
                colours.append(p)
    if len(colours) > 16:
        raise ValueError("more than sixteen colours in a palette picture")
    index = {c: i for i, c in enumerate(colours)}
    rows = []
    for row in canvas.px:
        packed = bytearray()
        for x in range(0, canvas.width, 2):
            hi = index[row[x]]
            lo = index[row[x + 1]] if x + 1 < canvas.width else 0
            packed.append((hi << 4) | lo)
        rows.append(bytes(packed))
    plte = b"".join(bytes(SILVER if c is CLEAR else c) for c in colours)
    chunks = [(b"PLTE", plte)]
    if has_clear:
        chunks.append((b"tRNS", b"\x00"))
    return _png(canvas.width, canvas.height, 3, 4, rows, chunks)


def rgb_png(canvas):
    rows = [b"".join(bytes(p) for p in row) for row in canvas.px]
    return _png(canvas.width, canvas.height, 2, 8, rows)


# ------------------------------------------------------------------ lamps

LAMP_COLOURS = {
    # fill, shade on the lower right, highlight
    "red": (RED, MAROON, WHITE),
    "green": (LIME, GREEN, WHITE),
    "yellow": (YELLOW, OLIVE, WHITE),
    "off": (GREY, BLACK, SILVER),  # unlit: dark grey glass, dull highlight
}


def lamp(kind, ground):
    """A round 16 x 16 lamp in a sunken socket."""
    fill, shade, light = LAMP_COLOURS[kind]
    c = Canvas(16, 16, ground)
    for y in range(16):
        for x in range(16):
            dx, dy = x - 7.5, y - 7.5
            d = math.hypot(dx, dy)
            if d <= 5.2:
                colour = shade if dx + dy > 3.6 else fill
                if math.hypot(x - 5.5, y - 5.5) <= 1.3:
                    colour = light
                c.set(x, y, colour)
            elif d <= 6.1:
                c.set(x, y, BLACK)
            elif d <= 7.3:
                # the socket's bevel: shadow above left, light below right
                c.set(x, y, GREY if dx + dy < 0 else WHITE)
    return c


# ------------------------------------------------------------------ status bar

def plug(state):
    """Communication state: a plug and a socket, apart or joined."""
    body = {
        "disconnected": (SILVER, GREY),
        "connecting": (YELLOW, OLIVE),
        "connected": (LIME, GREEN),
        "disconnecting": (YELLOW, OLIVE),
        "disturbed": (RED, MAROON),
    }[state]
    a, b = {"disconnected": (1, 10), "connecting": (2, 9), "connected": (3, 8),
            "disconnecting": (2, 9), "disturbed": (3, 8)}[state]
    c = Canvas(16, 16)
    cable = GREY if state == "disconnected" else BLACK
    c.rect(0, 8, a - 1, 9, cable)                  # cable into the plug
    c.rect(a + 4, 6, a + 5, 7, BLACK)              # prongs
    c.rect(a + 4, 10, a + 5, 11, BLACK)
    c.rect(a, 5, a + 3, 12, body[0], body[1])      # plug
    c.rect(b, 5, b + 3, 12, body[0], body[1])      # socket, over inserted prongs
    c.rect(b + 4, 8, 15, 9, cable)                 # cable out of the socket
    if state == "connecting":                     # arrows towards each other
        arrow(c, 1, 6, 2, +1, NAVY)
        arrow(c, 9, 14, 2, -1, NAVY)
    elif state == "disconnecting":                # arrows apart
        arrow(c, 1, 6, 2, -1, NAVY)
        arrow(c, 9, 14, 2, +1, NAVY)
    elif state == "disturbed":                    # a flash above the joint
        c.points([(9, 0), (8, 1), (7, 2), (8, 2), (9, 2), (8, 3), (7, 4)], BLACK)
    elif state == "disconnected":                 # a red stroke through the gap
        c.points([(7, 13), (7, 12), (7, 11), (8, 10), (8, 9), (8, 8), (8, 7), (9, 6), (9, 5),
                  (9, 4)], RED)
    return c


def arrow(c, x0, x1, y, direction, colour):
    """A small horizontal arrow on row y (its head spans rows y - 2 to y + 2), pointing
    right (+1) or left (-1)."""
    c.hline(x0, x1, y, colour)
    tip = x1 if direction > 0 else x0
    for step in (1, 2):
        c.set(tip - step * direction, y - step, colour)
        c.set(tip - step * direction, y + step, colour)


def source(kind):
    """Data source: none, file or device."""
    c = Canvas(16, 16)
    if kind == "none":
        for i in range(2, 14):
            if i % 3 != 1:
                c.points([(i, 2), (i, 13), (2, i), (13, i)], GREY)
    elif kind == "file":
        c.rect(3, 1, 12, 14, WHITE, BLACK)
        for y in range(1, 5):                      # the folded corner
            for x in range(9, 13):
                if x - 9 > y - 1:
                    c.set(x, y, CLEAR)
                elif x - 9 == y - 1:
                    c.set(x, y, BLACK)
                else:
                    c.set(x, y, SILVER)
        c.vline(9, 1, 4, BLACK)
        c.hline(9, 12, 4, BLACK)
        for row in (6, 8, 10, 12):
            c.hline(5, 10 if row != 12 else 8, row, NAVY)
    elif kind == "device":
        c.rect(0, 10, 15, 13, SILVER, BLACK)       # pipe
        c.rect(1, 9, 2, 14, GREY, BLACK)           # flanges
        c.rect(13, 9, 14, 14, GREY, BLACK)
        c.rect(7, 7, 8, 9, GREY)                   # neck
        c.rect(4, 1, 11, 7, TEAL, BLACK)           # transmitter head
        c.rect(6, 3, 9, 5, AQUA, NAVY)             # its display
    return c


def maker_logo():
    """The maker's mark, 28 x 14: three chevrons and a dot on a navy plate."""
    c = Canvas(28, 14, NAVY)
    c.hline(0, 27, 0, BLUE)
    c.hline(0, 27, 13, BLACK)
    for n, x in enumerate((3, 9, 15)):
        colour = AQUA if n == 1 else WHITE
        for i in range(5):
            c.set(x + i, 2 + i, colour)
            c.set(x + i + 1, 2 + i, colour)
            c.set(x + i, 11 - i, colour)
            c.set(x + i + 1, 11 - i, colour)
    c.rect(22, 5, 24, 8, RED)
    return c


def totalizer(active):
    """Totalizer direction, 32 x 32: an arrow pointing in the direction of flow.

    The active picture (the count rises) is a green arrow with motion strokes; the idle
    one a pale arrow.
    """
    fill, outline = (LIME, GREEN) if active else (WHITE, GREY)
    c = Canvas(32, 32)
    # shaft
    c.rect(6, 12, 18, 19, fill, outline)
    # head: a triangle with its tip at x 29
    for x in range(18, 30):
        half = int((29 - x) * 10 / 11 + 0.5)
        for y in range(15 - half, 17 + half):
            edge = y in (15 - half, 16 + half) or x == 18
            c.set(x, y, outline if edge else fill)
    c.vline(18, 13, 18, fill)                     # open the joint between shaft and head
    if active:                                    # motion strokes behind the arrow
        for y in (9, 15, 21):
            c.rect(0, y, 3, y + 1, GREEN)
    return c


# ------------------------------------------------------------------ the About picture

def _mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def _thick_polyline(c, pts, radius, colour_at):
    xs = [p[0] for p in pts]
    ys = [p[1] for p in pts]
    for y in range(max(0, int(min(ys) - radius) - 1), min(c.height, int(max(ys) + radius) + 2)):
        for x in range(max(0, int(min(xs) - radius) - 1), min(c.width, int(max(xs) + radius) + 2)):
            best = None
            for (x0, y0), (x1, y1) in zip(pts, pts[1:]):
                vx, vy = x1 - x0, y1 - y0
                length2 = vx * vx + vy * vy
                t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((x - x0) * vx + (y - y0) * vy) / length2))
                px, py = x0 + t * vx, y0 + t * vy
                d = math.hypot(x - px, y - py)
                # the signed offset across the tube gives its shading
                across = ((x - px) * -vy + (y - py) * vx) / math.sqrt(length2) if length2 else 0.0
                if best is None or d < best[0]:
                    best = (d, across)
            if best[0] <= radius:
                c.set(x, y, colour_at(best[1] / radius))


def about_picture():
    """A flowmeter in the line, 189 x 169, 24-bit."""
    w, h = 189, 169
    c = Canvas(w, h)
    top, bottom = (0xEE, 0xF4, 0xFA), (0x9C, 0xBC, 0xD8)
    for y in range(h):
        row = _mix(top, bottom, y / (h - 1))
        for x in range(w):
            c.set(x, y, row)

    steel_light, steel_dark = (0xE4, 0xE8, 0xEC), (0x5A, 0x64, 0x70)

    # the two measuring tubes below the line
    def tube_colour(t):
        return _mix(steel_light, steel_dark, (t + 1) / 2)

    outer = [(52, 120), (52, 146), (64, 158), (124, 158), (136, 146), (136, 120)]
    inner = [(64, 120), (64, 140), (72, 148), (116, 148), (124, 140), (124, 120)]
    _thick_polyline(c, outer, 4.5, tube_colour)
    _thick_polyline(c, inner, 4.5, tube_colour)

    # the line itself with its flanges
    for y in range(108, 129):
        colour = _mix(steel_light, steel_dark, (y - 108) / 20)
        c.hline(0, w - 1, y, colour)
    for x0 in (22, 158):
        for y in range(98, 139):
            colour = _mix((0xB8, 0xC0, 0xC8), (0x40, 0x48, 0x52), (y - 98) / 40)
            c.hline(x0, x0 + 8, y, colour)
        c.vline(x0, 98, 138, (0x30, 0x36, 0x3E))
        c.vline(x0 + 8, 98, 138, (0x30, 0x36, 0x3E))

    # neck and transmitter housing
    for y in range(80, 109):
        c.hline(88, 100, y, _mix((0x8C, 0x96, 0xA0), (0x50, 0x5A, 0x64), (y - 80) / 28))
    housing_top, housing_bottom = (0x3C, 0x78, 0xB4), (0x1A, 0x3C, 0x6A)
    for y in range(28, 84):
        colour = _mix(housing_top, housing_bottom, (y - 28) / 55)
        inset = 0
        for corner_y, k in ((28, 6), (29, 4), (30, 2), (31, 1), (83, 6), (82, 4), (81, 2), (80, 1)):
            if y == corner_y:
                inset = k
        c.hline(58 + inset, 130 - inset, y, colour)
    c.hline(64, 124, 28, (0x6C, 0xA4, 0xD8))

    # the display: a green window with three rows of segments
    c.rect(70, 40, 118, 68, (0xC8, 0xEC, 0xC0), (0x10, 0x20, 0x30))
    for y0, length in ((45, 36), (53, 28), (61, 20)):
        for x in range(74, 74 + length):
            if (x - 74) % 6 != 5:
                c.vline(x, y0, y0 + 3, (0x20, 0x40, 0x20))

    # flow arrows on both sides of the meter
    for x0 in (4, 146):
        for x in range(x0, x0 + 28):
            c.vline(x, 116, 119, WHITE)
        for i in range(8):
            c.vline(x0 + 28 + i, 110 + i, 125 - i, WHITE)

    # a thin frame
    for x in range(w):
        c.set(x, 0, (0x40, 0x50, 0x60))
        c.set(x, h - 1, (0x40, 0x50, 0x60))
    for y in range(h):
        c.set(0, y, (0x40, 0x50, 0x60))
        c.set(w - 1, y, (0x40, 0x50, 0x60))
    return c


# ------------------------------------------------------------------ the set

def pictures():
    """(id or None, file name, canvas, writer) for every picture of the component."""
    out = []
    for n, kind in enumerate(("red", "green", "yellow", "off")):
        out.append((101 + n, "lamp_%s.png" % kind, lamp(kind, SILVER), palette_png))
    for n, kind in enumerate(("error", "ok", "warning", "off")):
        lamp_kind = ("red", "green", "yellow", "off")[n]
        out.append((111 + n, "diag_%s.png" % kind, lamp(lamp_kind, CLEAR), palette_png))
    for n, state in enumerate(("disconnected", "connecting", "connected", "disconnecting", "disturbed")):
        out.append((400 + n, "comm_%s.png" % state, plug(state), palette_png))
    for n, kind in enumerate(("none", "file", "device")):
        out.append((500 + n, "source_%s.png" % kind, source(kind), palette_png))
    out.append((600, "maker_logo.png", maker_logo(), palette_png))
    forward_idle = totalizer(False)
    forward_active = totalizer(True)
    out.append((211, "totalizer_forward.png", forward_idle, palette_png))
    out.append((212, "totalizer_reverse.png", forward_idle.mirrored(), palette_png))
    out.append((221, "totalizer_forward_counting.png", forward_active, palette_png))
    out.append((222, "totalizer_reverse_counting.png", forward_active.mirrored(), palette_png))
    out.append((None, "about.png", about_picture(), rgb_png))
    return out


def main(argv):
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    folder = argv[1] if len(argv) > 1 else os.path.join(root, "velumor", "resources", "bitmaps")
    os.makedirs(folder, exist_ok=True)
    manifest = [
        "# Written by tools/make_bitmaps.py; the build embeds these files. One picture a line:",
        "# its bitmap id (- for a picture reached by file name only) and its file name.",
    ]
    for ident, name, canvas, writer in pictures():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(writer(canvas))
        manifest.append("%s %s" % ("-" if ident is None else ident, name))
    with open(os.path.join(folder, "bitmaps.txt"), "w") as f:
        f.write("\n".join(manifest) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
