#!/usr/bin/env python3
"""Writes the program's icon next to this script, in icons/:

    gloamery.svg          the scalable icon
    gloamery-N.png        N x N RGBA for N in SIZES

A dusk sky over a lit hill whose far side lies in shadow, under a low sun.
The SVG and the PNGs are drawn from the same shapes (below, in a 256-unit
square); the PNGs by supersampling each pixel, so a rerun writes the same
bytes. Python standard library only.
"""

import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "icons")
SIZES = (16, 24, 32, 48, 64, 128, 256)
UNITS = 256.0

# The rounded square everything is clipped to.
CORNER = 44.0
# Sky: a vertical gradient, deep blue at the top to amber at the horizon.
SKY_TOP, SKY_HORIZON = (0x22, 0x2C, 0x5C), (0xF2, 0x9B, 0x4C)
SKY_Y0, SKY_Y1 = 0.0, 170.0
SUN = (80.0, 84.0, 28.0, (0xFF, 0xD8, 0x6E))  # centre x, y, radius, colour
# Polygons drawn in order over the sky: far ridge, lit hill, its shadow side.
POLYGONS = [
    ((0x5A, 0x4A, 0x8C), [(0, 150), (40, 118), (78, 138), (118, 104), (160, 140),
                          (205, 116), (256, 146), (256, 256), (0, 256)]),
    ((0x86, 0xB5, 0x5E), [(0, 200), (52, 160), (96, 122), (132, 150), (176, 176),
                          (224, 196), (256, 204), (256, 256), (0, 256)]),
    ((0x2F, 0x4F, 0x3A), [(96, 122), (132, 150), (176, 176), (224, 196), (256, 204),
                          (256, 256), (150, 256), (120, 200)]),
]


# ---------------------------------------------------------------- the shapes

def inside_rounded_square(x, y):
    cx = min(max(x, CORNER), UNITS - CORNER)
    cy = min(max(y, CORNER), UNITS - CORNER)
    if 0.0 <= x <= UNITS and 0.0 <= y <= UNITS:
        return (x - cx) ** 2 + (y - cy) ** 2 <= CORNER * CORNER
    return False


def inside_polygon(x, y, points):
    # Even-odd rule, as SVG's fill-rule="evenodd".
    inside = False
    n = len(points)
    for i in range(n):
        x1, y1 = points[i]
        x2, y2 = points[(i + 1) % n]
        if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
            inside = not inside
    return inside


def sky(y):
    t = min(max((y - SKY_Y0) / (SKY_Y1 - SKY_Y0), 0.0), 1.0)
    return tuple(a + (b - a) * t for a, b in zip(SKY_TOP, SKY_HORIZON))


def colour_at(x, y):
    """RGBA of the icon at a point, alpha 0 or 1."""
    if not inside_rounded_square(x, y):
        return (0.0, 0.0, 0.0, 0.0)
    colour = sky(y)
    sx, sy, sr, scol = SUN
    if (x - sx) ** 2 + (y - sy) ** 2 <= sr * sr:
        colour = scol
    for fill, points in POLYGONS:
        if inside_polygon(x, y, points):
            colour = fill
    return (*colour, 1.0)


# ---------------------------------------------------------------- SVG

def svg():
    def pts(points):
        return " ".join(f"{x:g},{y:g}" for x, y in points)

    def hexc(c):
        return "#%02x%02x%02x" % c

    sx, sy, sr, scol = SUN
    lines = [
        '<?xml version="1.0" encoding="UTF-8"?>',
        f'<svg xmlns="http://www.w3.org/2000/svg" width="{UNITS:g}" height="{UNITS:g}" '
        f'viewBox="0 0 {UNITS:g} {UNITS:g}">',
        "  <defs>",
        f'    <linearGradient id="sky" gradientUnits="userSpaceOnUse" x1="0" y1="{SKY_Y0:g}" x2="0" y2="{SKY_Y1:g}">',
        f'      <stop offset="0" stop-color="{hexc(SKY_TOP)}"/>',
        f'      <stop offset="1" stop-color="{hexc(SKY_HORIZON)}"/>',
        "    </linearGradient>",
        '    <clipPath id="tile">',
        f'      <rect width="{UNITS:g}" height="{UNITS:g}" rx="{CORNER:g}" ry="{CORNER:g}"/>',
        "    </clipPath>",
        "  </defs>",
        '  <g clip-path="url(#tile)">',
        f'    <rect width="{UNITS:g}" height="{UNITS:g}" fill="url(#sky)"/>',
        f'    <circle cx="{sx:g}" cy="{sy:g}" r="{sr:g}" fill="{hexc(scol)}"/>',
    ]
    for fill, points in POLYGONS:
        lines.append(f'    <polygon points="{pts(points)}" fill="{hexc(fill)}" fill-rule="evenodd"/>')
    lines += ["  </g>", "</svg>", ""]
    return "\n".join(lines)


# ---------------------------------------------------------------- PNG

def _chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def write_rgba_png(path, size, rows):
    raw = b"".join(b"\x00" + bytes(r) for r in rows)
    png = b"\x89PNG\r\n\x1a\n"
    png += _chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
    png += _chunk(b"IDAT", zlib.compress(raw, 9))
    png += _chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def render(size):
    """Rows of RGBA bytes: each pixel the mean of n x n samples, colours
    weighted by coverage so the edges blend into transparency."""
    n = max(4, 64 // size)
    scale = UNITS / size
    rows = []
    for py in range(size):
        row = bytearray()
        for px in range(size):
            r = g = b = a = 0.0
            for j in range(n):
                for i in range(n):
                    cr, cg, cb, ca = colour_at((px + (i + 0.5) / n) * scale, (py + (j + 0.5) / n) * scale)
                    r, g, b, a = r + cr * ca, g + cg * ca, b + cb * ca, a + ca
            if a == 0.0:
                row += b"\x00\x00\x00\x00"
            else:
                row += bytes((round(r / a), round(g / a), round(b / a), round(255 * a / (n * n))))
        rows.append(row)
    return rows


if __name__ == "__main__":
    os.makedirs(OUT, exist_ok=True)
    with open(os.path.join(OUT, "gloamery.svg"), "w", encoding="utf-8", newline="\n") as f:
        f.write(svg())
    for size in SIZES:
        write_rgba_png(os.path.join(OUT, f"gloamery-{size}.png"), size, render(size))
    print("wrote", OUT)
