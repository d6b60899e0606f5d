#!/usr/bin/env python3
"""The batch tool's peak memory when it loads and saves a 2048 x 2048 map.

    row_memory_test.py BATCH_TOOL

Files are read and written a row at a time: a load adds what the slot keeps
(a byte a pixel of 8-bit heights, two of deep ones, four of a colour
picture at the file's size, nothing of the map's size for a small picture
repeated) and a save adds nothing of the map's size. Each run's peak is
measured against the same run without the load and save, plus those bytes
and a fixed allowance; a second copy of the picture anywhere (4 bytes a
pixel: 16 MiB) goes over it. Prints each failed case and exits 1 if any.
"""
import os
import struct
import subprocess
import sys
import tempfile
import zlib

BATCH = os.path.abspath(sys.argv[1])
SIDE = 2048
MIB = 1024 * 1024
ALLOWANCE = 8 * MIB
TIME = "/usr/bin/time"


def png(w, h, colour_type, depth, row):
    """A PNG of the rows row(y) gives (bytes as stored), filter 0."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    raw = b"".join(b"\0" + row(y) for y in range(h))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, depth, colour_type, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b""))


def grey8(w, h):
    return png(w, h, 0, 8, lambda y: bytes((x + y) & 255 for x in range(w)))


def grey16(w, h):
    return png(w, h, 0, 16, lambda y: b"".join(struct.pack(">H", (x * 31 + y * 17) & 0xFFFF) for x in range(w)))


def rgb(w, h):
    return png(w, h, 2, 8, lambda y: bytes(v for x in range(w) for v in (x & 255, y & 255, (x ^ y) & 255)))


def peak(args, cwd):
    """The run's peak resident memory in bytes, and its exit status. Through
    time(1): a child forked from this process counts its pages until exec."""
    out = os.path.join(cwd, "peak.txt")
    done = subprocess.run([TIME, "-f", "%M", "-o", out, BATCH] + args, cwd=cwd, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL)
    with open(out) as f:
        return int(f.read().split()[-1]) * 1024, done.returncode


def main():
    if not os.access(TIME, os.X_OK):
        print("skipped: no /usr/bin/time")
        return 77
    failures = []
    with tempfile.TemporaryDirectory() as d:
        files = {"h8.png": grey8(SIDE, SIDE), "h16.png": grey16(SIDE, SIDE), "c.png": rgb(SIDE, SIDE),
                 "small.png": rgb(256, 256)}
        for name, data in files.items():
            with open(os.path.join(d, name), "wb") as f:
                f.write(data)
        size = ["--size", f"{SIDE},{SIDE}"]
        cells = SIDE * SIDE
        # (name, steps, bytes the slot keeps beyond the bare run's), and the
        # file's own bytes, which are read whole before they are decoded
        cases = [
            ("8-bit heights", ["--load", "height", "h8.png", "--save", "height", "o.png"], cells),
            ("deep heights", ["--load", "height", "h16.png", "--save", "height", "o.png"], 2 * cells),
            ("deep heights, raw", ["--load", "height", "h16.png", "--save", "height", "o.r16"], 2 * cells),
            ("colour picture", ["--load", "grass", "c.png", "--save", "grass", "o.png"], 4 * cells),
            ("colour picture, BMP", ["--load", "grass", "c.png", "--save", "grass", "o.bmp"], 4 * cells),
            ("small picture repeated", ["--tile", "grass", "small.png", "--save", "grass", "o.png"], 0),
            ("slot never filled", ["--save", "shadow", "o.png"], 0),
        ]
        cases = [(name, steps, kept + sum(len(files[a]) for a in steps if a in files)) for name, steps, kept in cases]
        bare, status = peak(size, d)
        if status != 0:
            failures.append(f"bare run: exit {status}")
        for name, steps, kept in cases:
            used, status = peak(size + steps, d)
            bound = bare + kept + ALLOWANCE
            ok = status == 0 and used <= bound
            print(f"{'ok  ' if ok else 'FAIL'} {name}: peak {used / MIB:.1f} MiB, bound {bound / MIB:.1f} MiB "
                  f"(bare run {bare / MIB:.1f}), exit {status}")
            if not ok:
                failures.append(name)
    if failures:
        print("failed:", ", ".join(failures))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
