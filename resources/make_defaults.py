#!/usr/bin/env python3
"""Writes the control panel's four default pictures next to this script.

    height.png  256 x 256 grey, values 27..239: ridges, valleys and a peak
    grass.png   512 x 512 colour
    stone.png   256 x 256 colour
    detail.png  256 x 256, 8-bit palette holding a grey ramp, values 121..232

Everything is procedural (tileable value noise summed over octaves) with
fixed seeds, so a rerun writes the same bytes. Python standard library only.
"""

import math
import os
import random
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


# ---------------------------------------------------------------- PNG writer

def _chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def _paeth_row(row, prev, bpp):
    out = bytearray(len(row))
    for i, v in enumerate(row):
        a = row[i - bpp] if i >= bpp else 0
        b = prev[i]
        c = prev[i - bpp] if i >= bpp else 0
        p = a + b - c
        pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
        pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
        out[i] = (v - pred) & 0xFF
    return bytes(out)


def write_png(path, width, height, rows, colour_type, palette=None):
    """rows: one bytes object per row, already in the colour type's layout
    (grey or index: 1 byte a pixel, RGB: 3)."""
    bpp = 3 if colour_type == 2 else 1
    raw = bytearray()
    prev = bytes(width * bpp)
    for r in rows:
        r = bytes(r)
        raw += b"\x04" + _paeth_row(r, prev, bpp)  # smooth pictures shrink a lot
        prev = r
    png = b"\x89PNG\r\n\x1a\n"
    png += _chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0))
    if palette is not None:
        png += _chunk(b"PLTE", b"".join(bytes(c) for c in palette))
    png += _chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += _chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


# ---------------------------------------------------------------- noise

class ValueNoise:
    """Value noise on a lattice that wraps every `period` cells, so a
    picture sampled over exactly one period tiles seamlessly."""

    def __init__(self, seed, period):
        rnd = random.Random(seed)
        self.period = period
        self.values = [rnd.random() for _ in range(period * period)]

    def __call__(self, x, y):
        p = self.period
        xi, yi = math.floor(x), math.floor(y)
        fx, fy = x - xi, y - yi
        sx = fx * fx * (3 - 2 * fx)
        sy = fy * fy * (3 - 2 * fy)
        x0, y0 = xi % p, yi % p
        x1, y1 = (x0 + 1) % p, (y0 + 1) % p
        v = self.values
        a = v[y0 * p + x0] + (v[y0 * p + x1] - v[y0 * p + x0]) * sx
        b = v[y1 * p + x0] + (v[y1 * p + x1] - v[y1 * p + x0]) * sx
        return a + (b - a) * sy  # 0..1


def fbm_field(size, seed, base_cells, octaves, gain=0.5):
    """size x size field (list of rows) of summed octaves, each octave
    doubling the lattice frequency."""
    layers = [ValueNoise(seed * 101 + o, base_cells << o) for o in range(octaves)]
    field = []
    for y in range(size):
        row = []
        for x in range(size):
            total, amp = 0.0, 1.0
            for o, n in enumerate(layers):
                scale = (base_cells << o) / size
                v = n(x * scale, y * scale)
                total += v * amp
                amp *= gain
            row.append(total)
        field.append(row)
    return field


def normalise(field, lo, hi):
    """Stretches a field so its smallest value maps to lo and its largest
    to hi exactly, rounding to whole numbers."""
    mn = min(min(r) for r in field)
    mx = max(max(r) for r in field)
    span = mx - mn
    return [[lo + round((v - mn) / span * (hi - lo)) for v in r] for r in field]


def clamp8(v):
    return 0 if v < 0 else 255 if v > 255 else int(round(v))


# ---------------------------------------------------------------- pictures

def make_height():
    size = 256
    # Ridges follow the middle contour of a noise field: highest on the
    # contour, falling away on both sides.
    base = fbm_field(size, seed=11, base_cells=3, octaves=4, gain=0.45)
    flat = sorted(v for r in base for v in r)
    mid, spread = flat[len(flat) // 2], (flat[-1] - flat[0]) * 0.45
    ridges = [[(1.0 - min(1.0, abs(v - mid) / spread)) ** 2 for v in r] for r in base]
    hills = fbm_field(size, seed=12, base_cells=2, octaves=5, gain=0.5)
    field = []
    for y in range(size):
        row = []
        for x in range(size):
            # A peak north-east of the centre, a valley winding down from
            # the north-west to the south, ridged hills everywhere else.
            d = math.hypot(x - 170, y - 88) / 58.0
            peak = 1.3 * math.exp(-d * d)
            river_x = 62 + 30 * math.sin(y / 34.0) + 0.3 * y
            valley = 1.1 * math.exp(-((x - river_x) / 18.0) ** 2)
            h = (0.6 + 0.5 * peak) * ridges[y][x] + 0.35 * hills[y][x] + peak - valley
            row.append(h)
        field.append(row)
    # Flatter lowlands, steeper heights.
    mn = min(min(r) for r in field)
    mx = max(max(r) for r in field)
    field = [[((v - mn) / (mx - mn)) ** 1.4 for v in r] for r in field]
    values = normalise(field, 27, 239)
    write_png(os.path.join(HERE, "height.png"), size, size, values, colour_type=0)
    return values


def make_grass():
    size = 512
    patches = fbm_field(size, seed=21, base_cells=4, octaves=4, gain=0.55)
    blades = fbm_field(size, seed=22, base_cells=64, octaves=2, gain=0.6)
    rows = []
    for y in range(size):
        row = bytearray()
        for x in range(size):
            p = patches[y][x] / 1.6          # ~0..1: lush to dry patches
            b = blades[y][x] / 1.6           # ~0..1: fine blades
            light = 0.55 + 0.6 * b
            r = (38 + 55 * p) * light
            g = (92 + 45 * (1 - p) + 20 * p) * light
            bl = (24 + 18 * p) * light
            row += bytes((clamp8(r), clamp8(g), clamp8(bl)))
        rows.append(row)
    write_png(os.path.join(HERE, "grass.png"), size, size, rows, colour_type=2)


def worley_edges(size, seed, cells):
    """Distance to the nearest cell border of a wrapping cellular pattern:
    small along the cracks between stones."""
    rnd = random.Random(seed)
    pts = {(i, j): (rnd.random(), rnd.random()) for i in range(cells) for j in range(cells)}
    out = []
    step = size / cells
    for y in range(size):
        row = []
        for x in range(size):
            cx, cy = x / step, y / step
            ix, iy = int(cx), int(cy)
            d1 = d2 = 9.0
            for dj in (-1, 0, 1):
                for di in (-1, 0, 1):
                    px, py = pts[((ix + di) % cells, (iy + dj) % cells)]
                    dx = ix + di + px - cx
                    dy = iy + dj + py - cy
                    d = dx * dx + dy * dy
                    if d < d1:
                        d1, d2 = d, d1
                    elif d < d2:
                        d2 = d
            row.append(math.sqrt(d2) - math.sqrt(d1))
        out.append(row)
    return out


def make_stone():
    size = 256
    edges = worley_edges(size, seed=31, cells=6)
    grain = fbm_field(size, seed=32, base_cells=8, octaves=5, gain=0.55)
    tone = fbm_field(size, seed=33, base_cells=2, octaves=3, gain=0.5)
    rows = []
    for y in range(size):
        row = bytearray()
        for x in range(size):
            crack = min(1.0, edges[y][x] / 0.12)   # 0 in a crack, 1 inside a stone
            g = grain[y][x] / 1.9
            t = tone[y][x] / 1.75
            base = (118 + 60 * g) * (0.45 + 0.55 * crack)
            r = base + 14 * t
            gr = base + 6 * t
            b = base - 6 + 4 * (1 - t)
            row += bytes((clamp8(r), clamp8(gr), clamp8(b)))
        rows.append(row)
    write_png(os.path.join(HERE, "stone.png"), size, size, rows, colour_type=2)


def make_detail():
    size = 256
    fine = fbm_field(size, seed=41, base_cells=32, octaves=3, gain=0.5)
    coarse = fbm_field(size, seed=42, base_cells=8, octaves=2, gain=0.5)
    field = [[0.7 * fine[y][x] + 0.3 * coarse[y][x] for x in range(size)] for y in range(size)]
    values = normalise(field, 121, 232)
    palette = [(i, i, i) for i in range(256)]  # index i is grey i
    write_png(os.path.join(HERE, "detail.png"), size, size, values, colour_type=3, palette=palette)


if __name__ == "__main__":
    make_height()
    make_grass()
    make_stone()
    make_detail()
