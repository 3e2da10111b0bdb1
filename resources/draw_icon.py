"""Draws Datapond's water-drop icon and writes it as a Windows .ico.

Plain Python on purpose: the same script gives the same pixels on any machine, with no image
library to install. Each shape is a signed distance field; a pixel's coverage comes from its
distance to the edge, so the small sizes stay sharp where their geometry is set on whole pixels.

    python3 draw_icon.py OUT.ico [--preview DIR]

--preview also writes each size, and a magnified sheet of all of them on light and dark grounds.
"""

import math
import os
import struct
import sys
import zlib

# Colours (r, g, b) of the drop.
LIGHT = (150, 222, 255)  # lit shoulder
DEEP = (10, 86, 196)  # shaded bottom
WATER_LIGHT = (60, 168, 240)  # the liquid below the level line
WATER_DEEP = (6, 64, 160)
OUTLINE = (8, 44, 112)
WHITE = (255, 255, 255)

# Geometry in pixels for each size: circle centre (cx, cy), radius r, tip height above the centre,
# outline width, highlight arc (radius as a share of r, width, start and end angles in degrees
# clockwise from straight up), and level line (depth below the centre as a share of r, width, wave
# amplitude; None: too small for one). Up to 64 the centre sits on a half pixel, so the drop is an
# odd number of pixels wide and its tip ends in a single pixel, and the sides and bottom fall on
# pixel boundaries. At 24 the line is straight and on one pixel row: a 1-pixel wave only smudges.
SIZES = {
    16: dict(cx=7.5, cy=9.5, r=5.5, tip=9.2, outline=1.0, hl=(0.6, 1.1, 285, 340), level=None),
    20: dict(cx=9.5, cy=12.5, r=6.5, tip=12.0, outline=1.0, hl=(0.6, 1.2, 285, 342), level=None),
    24: dict(cx=11.5, cy=14.5, r=8.5, tip=14.0, outline=1.15, hl=(0.62, 1.4, 285, 344), level=(0.353, 1.0, 0.0)),
    32: dict(cx=15.5, cy=19.5, r=11.5, tip=18.8, outline=1.4, hl=(0.66, 1.8, 285, 345), level=(0.28, 1.2, 1.1)),
    48: dict(cx=23.5, cy=30.0, r=17.0, tip=29.3, outline=1.8, hl=(0.68, 2.6, 285, 345), level=(0.28, 1.6, 1.5)),
    64: dict(cx=31.5, cy=39.5, r=22.5, tip=38.5, outline=2.2, hl=(0.69, 3.4, 285, 345), level=(0.28, 2.2, 2.0)),
    256: dict(cx=128.0, cy=155.0, r=88.0, tip=147.0, outline=6.0, hl=(0.70, 11.0, 285, 345), level=(0.28, 7.0, 5.0)),
}


def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def drop_distance(x, y, g):
    """Signed distance (negative inside) to the drop: a circle and the tip it narrows to."""
    px = abs(x - g["cx"])
    py = g["cy"] - y  # upwards, towards the tip
    h, r = g["tip"], g["r"]
    b = r / h
    a = math.sqrt(1.0 - b * b)
    k = -b * px + a * py
    if k < 0.0:
        return math.hypot(px, py) - r
    if k > a * h:
        return math.hypot(px, py - h)
    return a * px + b * py - r


def arc_distance(x, y, cx, cy, radius, start, end):
    """Distance to an arc of a circle, angles clockwise from straight up."""
    ang = math.degrees(math.atan2(x - cx, cy - y)) % 360.0
    if start <= ang <= end:
        return abs(math.hypot(x - cx, y - cy) - radius)
    ends = []
    for deg in (start, end):
        t = math.radians(deg)
        ends.append(math.hypot(x - (cx + radius * math.sin(t)), y - (cy - radius * math.cos(t))))
    return min(ends)


def level_y(x, g):
    share, _, amp = g["level"]
    period = g["r"] * 1.25
    return g["cy"] + share * g["r"] + amp * math.sin(2.0 * math.pi * (x - g["cx"]) / period)


def shade(x, y, g):
    """Colour of the drop's inside at (x, y), outline excluded."""
    r = g["r"]
    lit_x, lit_y = g["cx"] - 0.45 * r, g["cy"] - 0.55 * r
    t = clamp(math.hypot(x - lit_x, y - lit_y) / (1.75 * r))
    colour = mix(LIGHT, DEEP, t)
    if g["level"] is not None:
        width = g["level"][1]
        below = y - level_y(x, g)
        colour = mix(colour, mix(WATER_LIGHT, WATER_DEEP, t), clamp(below / 0.8 + 0.5))
        colour = mix(colour, WHITE, 0.85 * clamp(width / 2.0 + 0.5 - abs(below)))
    hr, hw, a0, a1 = g["hl"]
    d = arc_distance(x, y, g["cx"], g["cy"], hr * r, a0, a1)
    colour = mix(colour, WHITE, 0.92 * clamp(hw / 2.0 + 0.5 - d))
    return colour


def render(size):
    """RGBA rows (bytes) of the icon at one size."""
    g = SIZES[size]
    rows = []
    for j in range(size):
        row = bytearray()
        for i in range(size):
            x, y = i + 0.5, j + 0.5
            d = drop_distance(x, y, g)
            alpha = clamp(0.5 - d)
            if alpha <= 0.0:
                row += b"\0\0\0\0"
                continue
            colour = mix(shade(x, y, g), OUTLINE, clamp(d + g["outline"] + 0.5))
            row += bytes(int(round(c)) for c in colour) + bytes([int(round(alpha * 255))])
        rows.append(bytes(row))
    return rows


def png(width, height, rows):
    """A truecolour-with-alpha PNG of the RGBA rows."""

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    raw = b"".join(b"\0" + row for row in rows)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def dib(size, rows):
    """The icon image as a 32-bit DIB: BGRA bottom-up, then the 1-bit AND mask older Windows reads."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(rows):
        for i in range(0, len(row), 4):
            r, g, b, a = row[i : i + 4]
            pixels += bytes((b, g, r, a))
    stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(stride)
        for i in range(size):
            if row[i * 4 + 3] == 0:
                bits[i // 8] |= 0x80 >> (i % 8)
        mask += bits
    return header + bytes(pixels) + bytes(mask)


def ico(images):
    """An .ico of (size, data) images; 256 is stored as PNG, the rest as DIBs."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        dim = 0 if size == 256 else size
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, data in images)


def magnified_sheet(rendered, scale=6, pad=8):
    """All sizes side by side, magnified without smoothing, on a light band above a dark one."""
    small = [s for s in sorted(rendered) if s <= 48]
    width = sum(s * scale + pad for s in small) + pad
    band = max(small) * scale + 2 * pad
    grounds = [(255, 255, 255), (32, 36, 44)]
    rows = []
    for ground in grounds:
        for y in range(band):
            row = bytearray()
            row += bytes(ground) * pad
            for s in small:
                src = (y - pad) // scale
                for x in range(s * scale):
                    if 0 <= src < s and y >= pad:
                        p = rendered[s][src][(x // scale) * 4 : (x // scale) * 4 + 4]
                        a = p[3] / 255.0
                        row += bytes(int(round(ground[c] + (p[c] - ground[c]) * a)) for c in range(3))
                    else:
                        row += bytes(ground)
                row += bytes(ground) * pad
            rows.append(bytes(row))
    # png() takes RGBA rows.
    rgba = [b"".join(r[i : i + 3] + b"\xff" for i in range(0, len(r), 3)) for r in rows]
    return png(width, len(rgba), rgba)


def main(argv):
    if len(argv) not in (2, 4) or (len(argv) == 4 and argv[2] != "--preview"):
        sys.exit("usage: draw_icon.py OUT.ico [--preview DIR]")
    rendered = {size: render(size) for size in sorted(SIZES)}
    images = []
    for size in sorted(SIZES):
        rows = rendered[size]
        images.append((size, png(size, size, rows) if size == 256 else dib(size, rows)))
    with open(argv[1], "wb") as f:
        f.write(ico(images))
    if len(argv) == 4:
        os.makedirs(argv[3], exist_ok=True)
        for size, rows in rendered.items():
            with open(os.path.join(argv[3], "drop%d.png" % size), "wb") as f:
                f.write(png(size, size, rows))
        with open(os.path.join(argv[3], "sheet.png"), "wb") as f:
            f.write(magnified_sheet(rendered))


if __name__ == "__main__":
    main(sys.argv)
