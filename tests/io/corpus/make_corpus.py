#!/usr/bin/env python3
"""Writes the corpus of broken and unusual picture files next to this script.

    make_corpus.py [--out DIR] [--seeds DIR]

Every file is built byte by byte here (BMP, GIF, PNG and JPEG writers of our
own, Python standard library only) with fixed seeds, so a rerun writes the
same bytes. --seeds also writes the files of 8 KiB or less into DIR, as the
starting corpus of the picture-loading fuzz target.

The pictures that decode are small (at most 64 x 64) and made of flat
colours, so the tests can check known pixels: top-left placement, and the
slot's background wherever the picture is transparent or absent.
"""

import argparse
import math
import os
import random
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

RED = (255, 0, 0)
GREEN = (0, 255, 0)
BLUE = (0, 0, 255)
WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
YELLOW = (255, 255, 0)


def quadrants(w, h, colours=(RED, GREEN, BLUE, YELLOW)):
    """Rows of RGB triples: top-left, top-right, bottom-left, bottom-right."""
    return [[colours[(1 if x >= w // 2 else 0) + (2 if y >= h // 2 else 0)] for x in range(w)]
            for y in range(h)]


# ---------------------------------------------------------------- BMP writer

def bmp(width, height, bpp, rows, palette=None, compression=0, header=40, masks=None,
        data=None, clr_used=None, off_bits=None, top_down=False, file_size=None):
    """A Windows bitmap. rows are top-first lists of palette indexes (bpp <= 8)
    or RGB(A) tuples. data, when given, replaces the encoded pixel data (for
    run-length files and broken ones); the header fields can be overridden to
    declare what the data does not hold."""
    palette = palette or []
    if data is None:
        data = bytearray()
        order = rows if top_down else list(reversed(rows))
        for row in order:
            line = bytearray()
            if bpp <= 8:
                acc, nbits = 0, 0
                for idx in row:
                    acc = (acc << bpp) | idx
                    nbits += bpp
                    if nbits == 8:
                        line.append(acc)
                        acc, nbits = 0, 0
                if nbits:
                    line.append(acc << (8 - nbits))
            elif bpp == 16:
                for r, g, b in row:
                    line += struct.pack("<H", ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3))
            elif bpp == 24:
                for r, g, b in row:
                    line += bytes((b, g, r))
            elif bpp == 32:
                for px in row:
                    r, g, b = px[:3]
                    a = px[3] if len(px) > 3 else 255
                    line += bytes((b, g, r, a))
            while len(line) % 4:
                line.append(0)
            data += line
    pal = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    extra = b""
    if header >= 52 and masks:
        extra = struct.pack("<IIII", *masks) if header >= 56 else struct.pack("<III", *masks[:3])
    info = struct.pack("<iiHHIIiiII", width, -height if top_down else height, 1, bpp, compression,
                       len(data), 2835, 2835,
                       len(palette) if clr_used is None else clr_used, 0)
    info = struct.pack("<I", header) + info + extra
    info += bytes(header - len(info))
    if header == 40 and masks:
        info += struct.pack("<III", *masks[:3])  # after the header, counted before the palette
    offset = 14 + len(info) + len(pal)
    total = offset + len(data)
    head = b"BM" + struct.pack("<IHHI", total if file_size is None else file_size, 0, 0,
                               offset if off_bits is None else off_bits)
    return head + info + pal + bytes(data)


def rle8(ops):
    """Run-length data from ('run', n, idx), ('abs', [idx...]), ('eol',),
    ('delta', dx, dy) and ('eob',)."""
    out = bytearray()
    for op in ops:
        if op[0] == "run":
            out += bytes((op[1], op[2]))
        elif op[0] == "abs":
            vals = op[1]
            out += bytes((0, len(vals))) + bytes(vals)
            if len(vals) % 2:
                out.append(0)
        elif op[0] == "eol":
            out += b"\x00\x00"
        elif op[0] == "delta":
            out += bytes((0, 2, op[1], op[2]))
        elif op[0] == "eob":
            out += b"\x00\x01"
    return out


def rle4(ops):
    """As rle8, with the pixel pairs of 4-bit files: ('run', n, hi, lo),
    ('abs', [idx...])."""
    out = bytearray()
    for op in ops:
        if op[0] == "run":
            out += bytes((op[1], (op[2] << 4) | op[3]))
        elif op[0] == "abs":
            vals = list(op[1])
            packed = bytearray()
            for i in range(0, len(vals), 2):
                lo = vals[i + 1] if i + 1 < len(vals) else 0
                packed.append((vals[i] << 4) | lo)
            while len(packed) % 2:
                packed.append(0)
            out += bytes((0, len(vals))) + packed
        elif op[0] == "eol":
            out += b"\x00\x00"
        elif op[0] == "delta":
            out += bytes((0, 2, op[1], op[2]))
        elif op[0] == "eob":
            out += b"\x00\x01"
    return out


def bmp_files():
    files = {}
    q = quadrants(8, 8)
    files["bmp_24bit.bmp"] = bmp(8, 8, 24, q)
    files["bmp_24bit_top_down.bmp"] = bmp(8, 8, 24, q, top_down=True)
    files["bmp_16bit_565.bmp"] = bmp(8, 8, 16, q, compression=3, masks=(0xF800, 0x07E0, 0x001F, 0))
    pal4 = [RED, GREEN, BLUE, YELLOW]
    idx = [[(1 if x >= 4 else 0) + (2 if y >= 4 else 0) for x in range(8)] for y in range(8)]
    files["bmp_8bit_palette.bmp"] = bmp(8, 8, 8, idx, palette=pal4)
    files["bmp_4bit_palette.bmp"] = bmp(8, 8, 4, idx, palette=pal4)
    files["bmp_1bit.bmp"] = bmp(8, 8, 1, [[(x + y) % 2 for x in range(8)] for y in range(8)],
                                palette=[BLACK, WHITE])
    # 32-bit with an alpha mask: the right half fully transparent.
    rgba = [[(255, 0, 0, 255) if x < 4 else (0, 0, 255, 0) for x in range(8)] for y in range(8)]
    files["bmp_32bit_alpha.bmp"] = bmp(8, 8, 32, rgba, compression=3, header=124,
                                       masks=(0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000))

    # Run-length files, 8 x 4, rows given bottom-up as BMP stores them.
    files["bmp_rle8.bmp"] = bmp(8, 4, 8, None, palette=pal4, compression=1, data=rle8([
        ("run", 8, 2), ("eol",), ("run", 8, 2), ("eol",),
        ("run", 4, 0), ("run", 4, 1), ("eol",), ("abs", [0, 0, 0, 0, 1, 1, 1]), ("run", 1, 1),
        ("eol",), ("eob",)]))
    files["bmp_rle4.bmp"] = bmp(8, 4, 4, None, palette=pal4, compression=2, data=rle4([
        ("run", 8, 2, 2), ("eol",), ("run", 8, 2, 2), ("eol",),
        ("run", 4, 0, 0), ("run", 4, 1, 1), ("eol",), ("abs", [0, 0, 0, 0, 1, 1, 1]), ("run", 1, 1, 1),
        ("eol",), ("eob",)]))
    # Runs longer than the row, a delta that jumps out of the picture,
    # absolute runs that read past the data.
    files["bmp_rle8_run_past_row.bmp"] = bmp(8, 4, 8, None, palette=pal4, compression=1, data=rle8([
        ("run", 255, 1), ("run", 255, 2), ("eol",), ("run", 200, 3), ("eob",)]))
    files["bmp_rle4_run_past_row.bmp"] = bmp(8, 4, 4, None, palette=pal4, compression=2, data=rle4([
        ("run", 255, 1, 2), ("run", 255, 3, 0), ("eol",), ("run", 200, 1, 1), ("eob",)]))
    files["bmp_rle8_delta_past_end.bmp"] = bmp(8, 4, 8, None, palette=pal4, compression=1, data=rle8([
        ("run", 2, 1), ("delta", 255, 255), ("run", 8, 2), ("delta", 200, 0), ("run", 8, 3),
        ("eob",)]))
    files["bmp_rle8_absolute_past_end.bmp"] = bmp(8, 4, 8, None, palette=pal4, compression=1,
                                                  data=b"\x00\xff\x01\x02\x03")
    files["bmp_rle8_no_end.bmp"] = bmp(8, 4, 8, None, palette=pal4, compression=1,
                                       data=rle8([("run", 3, 1)]))
    files["bmp_rle8_rows_past_end.bmp"] = bmp(8, 4, 8, None, palette=pal4, compression=1,
                                              data=rle8([("run", 8, 1), ("eol",)] * 12 + [("eob",)]))

    # Palette indexes past a two-entry palette.
    past = [[(0 if x < 4 else 200) for x in range(8)] for y in range(8)]
    files["bmp_8bit_index_past_palette.bmp"] = bmp(8, 8, 8, past, palette=[RED, GREEN])
    files["bmp_4bit_index_past_palette.bmp"] = bmp(8, 8, 4, [[(0 if x < 4 else 15) for x in range(8)]
                                                               for y in range(8)], palette=[RED, GREEN])
    files["bmp_8bit_huge_palette_count.bmp"] = bmp(8, 8, 8, idx, palette=pal4, clr_used=0x7FFFFFFF)

    # Sizes.
    files["bmp_zero_width.bmp"] = bmp(0, 8, 24, [[] for _ in range(8)])
    files["bmp_zero_height.bmp"] = bmp(8, 0, 24, [])
    files["bmp_negative_width.bmp"] = bmp(-8, 8, 24, None, data=bytes(8 * 24))
    files["bmp_height_int_min.bmp"] = bmp(8, 2 ** 31, 24, None, data=bytes(96), top_down=True)
    # Sizes whose byte count overflows 64 bits when multiplied out.
    files["bmp_2147483647x2147483647.bmp"] = bmp(2 ** 31 - 1, 2 ** 31 - 1, 32, None, data=bytes(64))
    files["bmp_65535x65535.bmp"] = bmp(65535, 65535, 24, None, data=bytes(64))
    files["bmp_100000x100000.bmp"] = bmp(100000, 100000, 24, None, data=bytes(64))
    # One pixel wider than the largest map, small in bytes.
    files["bmp_16385x1.bmp"] = bmp(16385, 1, 1, None, palette=[BLACK, WHITE], data=bytes(2052))
    files["bmp_65535x65535_1bit.bmp"] = bmp(65535, 65535, 1, None, palette=[BLACK, WHITE], data=bytes(64))
    files["bmp_65535x65535_rle8.bmp"] = bmp(65535, 65535, 8, None, palette=pal4, compression=1,
                                            data=rle8([("run", 255, 1)] * 8 + [("eob",)]))

    # Broken structure.
    whole = files["bmp_24bit.bmp"]
    files["bmp_truncated_file_header.bmp"] = whole[:10]
    files["bmp_truncated_info_header.bmp"] = whole[:30]
    files["bmp_truncated_pixels.bmp"] = whole[:54 + 24 * 5]
    files["bmp_offset_past_end.bmp"] = bmp(8, 8, 24, q, off_bits=0x7FFFFFF0)
    files["bmp_bad_bit_count.bmp"] = bmp(8, 8, 7, None, data=bytes(64))
    files["bmp_bad_header_size.bmp"] = whole[:14] + struct.pack("<I", 0xFFFFFFF0) + whole[18:]
    files["bmp_header_size_41.bmp"] = whole[:14] + struct.pack("<I", 41) + whole[18:]
    files["bmp_bad_compression.bmp"] = bmp(8, 8, 24, q, compression=99)
    files["bmp_bitfields_zero_masks.bmp"] = bmp(8, 8, 32, [[(1, 2, 3)] * 8] * 8, compression=3, header=56,
                                                masks=(0, 0, 0, 0))
    return files


# ---------------------------------------------------------------- GIF writer

def lzw(indices, min_code_size, clear_first=True, clear_when_full=True):
    """GIF's variable-length LZW, least significant bit first."""
    clear, eoi = 1 << min_code_size, (1 << min_code_size) + 1
    out = bytearray()
    acc = nbits = 0

    def emit(code, size):
        nonlocal acc, nbits
        acc |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8

    def reset():
        return {(i,): i for i in range(clear)}, min_code_size + 1, eoi + 1

    table, size, nxt = reset()
    if clear_first:
        emit(clear, size)
    w = ()
    for k in indices:
        wk = w + (k,)
        if wk in table:
            w = wk
            continue
        emit(table[w], size)
        if nxt < 4096:
            table[wk] = nxt
            nxt += 1
            if nxt > (1 << size) and size < 12:
                size += 1
        elif clear_when_full:
            emit(clear, size)
            table, size, nxt = reset()
        w = (k,)
    lzw.codes_added = nxt - eoi - 1  # for the check in gif_files()
    if w:
        emit(table[w], size)
        # The decoder adds its entry for this code before it reads the end code.
        if nxt == (1 << size) and size < 12:
            size += 1
    emit(eoi, size)
    if nbits:
        out.append(acc & 0xFF)
    return bytes(out)


def sub_blocks(data):
    out = bytearray()
    for i in range(0, len(data), 255):
        part = data[i:i + 255]
        out += bytes((len(part),)) + part
    return bytes(out + b"\x00")


def gif_table(colours):
    n = 2
    while n < len(colours):
        n *= 2
    colours = list(colours) + [BLACK] * (n - len(colours))
    return int(math.log2(n)) - 1, b"".join(bytes(c) for c in colours)


def gif_frame(w, h, indices, min_code_size=2, x=0, y=0, local=None, interlace=False,
              transparent=None, delay=0, clear_first=True, clear_when_full=True):
    out = bytearray()
    if transparent is not None or delay:
        flags = (1 if transparent is not None else 0) | (1 << 2)  # dispose: leave in place
        out += b"\x21\xf9\x04" + bytes((flags,)) + struct.pack("<H", delay) + \
            bytes((transparent or 0,)) + b"\x00"
    packed = 0
    table = b""
    if local:
        bits, table = gif_table(local)
        packed |= 0x80 | bits
    if interlace:
        packed |= 0x40
        rows = list(range(0, h, 8)) + list(range(4, h, 8)) + list(range(2, h, 4)) + list(range(1, h, 2))
        indices = [v for r in rows for v in indices[r * w:(r + 1) * w]]
    out += b"\x2c" + struct.pack("<HHHH", x, y, w, h) + bytes((packed,)) + table
    out += bytes((min_code_size,)) + sub_blocks(lzw(indices, min_code_size, clear_first, clear_when_full))
    return bytes(out)


def gif(w, h, frames, colours=None, animated=False):
    packed = 0x70
    table = b""
    if colours:
        bits, table = gif_table(colours)
        packed |= 0x80 | bits
    out = b"GIF89a" + struct.pack("<HH", w, h) + bytes((packed, 0, 0)) + table
    if animated:
        out += b"\x21\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00"
    return out + b"".join(frames) + b"\x3b"


# 160 x 160 pixels of noise are enough to fill the 4096 codes. The tests
# recompute the same sequence to check every pixel.
NOISE_SIZE = 160


def lcg_indexes(n, seed=7):
    out = []
    for _ in range(n):
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        out.append((seed >> 16) & 3)
    return out


def gif_files():
    files = {}
    pal = [RED, GREEN, BLUE, YELLOW]
    idx = [(1 if x >= 4 else 0) + (2 if y >= 4 else 0) for y in range(8) for x in range(8)]
    files["gif_basic.gif"] = gif(8, 8, [gif_frame(8, 8, idx)], pal)
    files["gif_interlaced.gif"] = gif(8, 8, [gif_frame(8, 8, idx, interlace=True)], pal)
    files["gif_local_palette.gif"] = gif(8, 8, [gif_frame(8, 8, idx, local=[BLUE, YELLOW, RED, GREEN])], pal)
    # Index 3 transparent: the bottom-right quadrant shows the background.
    files["gif_transparent.gif"] = gif(8, 8, [gif_frame(8, 8, idx, transparent=3)], pal)
    # Two frames, red then blue: the first one counts.
    files["gif_animated.gif"] = gif(8, 8, [gif_frame(8, 8, [0] * 64, delay=10),
                                           gif_frame(8, 8, [2] * 64, delay=10)], pal, animated=True)
    files["gif_no_clear_code.gif"] = gif(8, 8, [gif_frame(8, 8, idx, clear_first=False)], pal)
    # Noise that fills the code table: without a clear code the decoder has
    # to stop adding codes at 4096 and keep reading 12-bit codes.
    noise = lcg_indexes(NOISE_SIZE * NOISE_SIZE)
    files["gif_no_clear_full_table.gif"] = gif(NOISE_SIZE, NOISE_SIZE, [
        gif_frame(NOISE_SIZE, NOISE_SIZE, noise, clear_first=False, clear_when_full=False)], pal)
    assert lzw.codes_added == 4096 - 6, "the code table must fill up"
    files["gif_full_table_with_clear.gif"] = gif(NOISE_SIZE, NOISE_SIZE, [
        gif_frame(NOISE_SIZE, NOISE_SIZE, noise)], pal)

    # Indexes 2 and 3 lie past a two-colour palette.
    two = [RED, GREEN]
    files["gif_index_past_palette.gif"] = (b"GIF89a" + struct.pack("<HH", 8, 8) + bytes((0xF0, 0, 0)) +
                                           bytes(RED) + bytes(GREEN) +
                                           gif_frame(8, 8, [0 if x < 4 else 3 for y in range(8)
                                                            for x in range(8)]) + b"\x3b")
    files["gif_no_palette.gif"] = gif(8, 8, [gif_frame(8, 8, idx)], None)
    # A first picture that covers only part of the screen, with and without
    # a palette of its own: the rest of the screen is transparent.
    part = [0, 1] * 8
    files["gif_partial_frame.gif"] = gif(8, 8, [gif_frame(4, 4, part, x=2, y=3)], pal)
    files["gif_partial_frame_local_palette.gif"] = gif(8, 8, [gif_frame(4, 4, part, x=2, y=3,
                                                                         local=[WHITE, BLACK])], pal)
    files["gif_frame_outside_screen_local_palette.gif"] = gif(8, 8, [gif_frame(8, 8, idx, x=60000, y=60000,
                                                                                local=[WHITE, BLACK])], pal)
    # A screen side of 0 reaches as far as the picture.
    files["gif_zero_height_screen_partial_frame.gif"] = gif(8, 0, [gif_frame(4, 4, part, x=2, y=3,
                                                                                local=[WHITE, BLACK])], pal)
    files["gif_partial_frame_zero_size.gif"] = gif(8, 8, [gif_frame(0, 4, [], x=2, y=3)], pal)
    files["gif_frame_outside_screen.gif"] = gif(8, 8, [gif_frame(8, 8, idx, x=60000, y=60000)], pal)
    files["gif_frame_larger_than_screen.gif"] = gif(4, 4, [gif_frame(8, 8, idx)], pal)
    files["gif_code_size_12.gif"] = gif(8, 8, [gif_frame(8, 8, idx, min_code_size=12)], pal)
    files["gif_code_size_0.gif"] = gif(8, 8, [gif_frame(8, 8, idx)[:10] + b"\x00" + gif_frame(8, 8, idx)[11:]],
                                       pal)
    files["gif_zero_size.gif"] = gif(0, 0, [gif_frame(0, 0, [])], pal)
    files["gif_65535x65535.gif"] = gif(65535, 65535, [gif_frame(65535, 65535, [0] * 64)], pal)
    # Codes that point at table entries not made yet.
    files["gif_bad_codes.gif"] = gif(8, 8, [b"\x2c" + struct.pack("<HHHH", 0, 0, 8, 8) + b"\x00\x02" +
                                            sub_blocks(bytes([0xFC, 0xFF, 0xFF, 0xFF, 0x7F] * 6))], pal)
    whole = files["gif_basic.gif"]
    files["gif_truncated_header.gif"] = whole[:9]
    files["gif_truncated_palette.gif"] = whole[:20]
    files["gif_truncated_pixels.gif"] = whole[:len(whole) - 12]
    big = files["gif_no_clear_full_table.gif"]
    files["gif_truncated_pixels_large.gif"] = big[:len(big) // 2]
    return files


# ---------------------------------------------------------------- PNG writer

def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png_pack(rows, colour_type, depth):
    """Rows of sample tuples (grey, grey+alpha, RGB, RGBA or palette index)."""
    out = []
    for row in rows:
        line = bytearray()
        if depth < 8:
            # Samples packed from the high bits, rows padded to a byte.
            bits = "".join(format(v, "0%db" % depth) for v in row)
            bits += "0" * (-len(bits) % 8)
            out.append(bytes(int(bits[i:i + 8], 2) for i in range(0, len(bits), 8)))
            continue
        for px in row:
            vals = px if isinstance(px, tuple) else (px,)
            for v in vals:
                line += struct.pack(">H", v) if depth == 16 else bytes((v,))
        out.append(bytes(line))
    return out


def png(w, h, rows, colour_type, depth=8, palette=None, trns=None, interlace=False, idat=None,
        ihdr=None, extra=b""):
    raw = bytearray()
    if idat is None:
        if interlace:
            passes = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2),
                      (0, 1, 1, 2)]
            for x0, y0, dx, dy in passes:
                sub = [[rows[y][x] for x in range(x0, w, dx)] for y in range(y0, h, dy)]
                if not sub or not sub[0]:
                    continue
                for line in png_pack(sub, colour_type, depth):
                    raw += b"\x00" + line
        else:
            prev = None
            for n, line in enumerate(png_pack(rows, colour_type, depth)):
                # Alternate None and Up filters so both decoding paths run.
                if n % 2 and prev is not None:
                    raw += b"\x02" + bytes((a - b) & 0xFF for a, b in zip(line, prev))
                else:
                    raw += b"\x00" + line
                prev = line
        idat = zlib.compress(bytes(raw), 9)
    out = b"\x89PNG\r\n\x1a\n"
    out += png_chunk(b"IHDR", ihdr if ihdr is not None else
                     struct.pack(">IIBBBBB", w, h, depth, colour_type, 0, 0, 1 if interlace else 0))
    if palette:
        out += png_chunk(b"PLTE", b"".join(bytes(c) for c in palette))
    if trns is not None:
        out += png_chunk(b"tRNS", trns)
    out += extra + png_chunk(b"IDAT", idat) + png_chunk(b"IEND", b"")
    return out


def png_files():
    files = {}
    q = quadrants(8, 8)
    files["png_rgb8.png"] = png(8, 8, q, 2)
    files["png_rgb16.png"] = png(8, 8, [[tuple(v * 257 for v in px) for px in row] for row in q], 2, 16)
    files["png_grey16.png"] = png(8, 8, [[(x * 32 + y) * 257 for x in range(8)] for y in range(8)], 0, 16)
    # Grey with alpha: the right half transparent.
    files["png_grey_alpha8.png"] = png(8, 8, [[(200, 255) if x < 4 else (10, 0) for x in range(8)]
                                              for y in range(8)], 4)
    files["png_grey_alpha16.png"] = png(8, 8, [[(100 * 257, 65535) if x < 4 else (0, 0) for x in range(8)]
                                               for y in range(8)], 4, 16)
    files["png_rgba8.png"] = png(8, 8, [[(0, 0, 255, 255) if y < 4 else (255, 0, 0, 0) for x in range(8)]
                                        for y in range(8)], 6)
    idx = [[(1 if x >= 4 else 0) + (2 if y >= 4 else 0) for x in range(8)] for y in range(8)]
    files["png_palette_trns.png"] = png(8, 8, idx, 3, palette=[RED, GREEN, BLUE, YELLOW], trns=b"\xff\xff\xff\x00")
    files["png_index_past_palette.png"] = png(8, 8, [[0 if x < 4 else 9 for x in range(8)] for y in range(8)],
                                              3, palette=[RED, GREEN])
    files["png_interlaced.png"] = png(8, 8, q, 2, interlace=True)
    # Grey and palette pictures of fewer bits, which libpng unpacks.
    files["png_grey1.png"] = png(8, 8, [[x // 4 for x in range(8)] for y in range(8)], 0, 1)
    files["png_grey2.png"] = png(8, 8, [[x % 4 for x in range(8)] for y in range(8)], 0, 2)
    files["png_grey4_interlaced.png"] = png(8, 8, [[2 * x for x in range(8)] for y in range(8)], 0, 4,
                                            interlace=True)
    files["png_grey8.png"] = png(8, 8, [[30 * x + y for x in range(8)] for y in range(8)], 0)
    files["png_grey8_gamma.png"] = png(8, 8, [[30 * x + y for x in range(8)] for y in range(8)], 0,
                                       extra=png_chunk(b"gAMA", struct.pack(">I", 45455)))
    files["png_palette2.png"] = png(8, 8, idx, 3, 2, palette=[RED, GREEN, BLUE, YELLOW])
    files["png_palette1_one_colour.png"] = png(8, 8, [[x // 4 for x in range(8)] for y in range(8)], 3, 1,
                                               palette=[RED])
    files["png_named_bmp.bmp"] = files["png_rgb8.png"]
    files["png_zero_size.png"] = png(0, 0, [], 2, idat=zlib.compress(b""))
    files["png_65535x65535.png"] = png(65535, 65535, [], 2, idat=zlib.compress(bytes(2000)))
    files["png_100000x100000.png"] = png(100000, 100000, [], 2, idat=zlib.compress(bytes(2000)))
    files["png_16385x2.png"] = png(16385, 2, [bytes(16385), bytes(16385)], 0)
    files["png_bad_ihdr_depth.png"] = png(8, 8, q, 2, ihdr=struct.pack(">IIBBBBB", 8, 8, 7, 2, 0, 0, 0))
    whole = files["png_rgb8.png"]
    files["png_truncated_signature.png"] = whole[:5]
    files["png_truncated_header.png"] = whole[:20]
    files["png_truncated_pixels.png"] = whole[:len(whole) - 12 - 30]
    corrupt = bytearray(whole)
    corrupt[45] ^= 0xFF  # inside IDAT: the chunk's checksum no longer matches
    files["png_bad_crc.png"] = bytes(corrupt)
    files["png_idat_garbage.png"] = png(8, 8, q, 2, idat=bytes(random.Random(3).randbytes(200)))
    return files


# ---------------------------------------------------------------- JPEG writer

ZIGZAG = [0, 1, 8, 16, 9, 2, 3, 10, 17, 24, 32, 25, 18, 11, 4, 5, 12, 19, 26, 33, 40, 48, 41, 34, 27, 20,
          13, 6, 7, 14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51, 58, 59,
          52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63]

# Our own Huffman tables: every DC category 0..11 gets a 4-bit code and every
# AC symbol (run 0..15, size 1..10, plus end-of-block and the 16-zero run) an
# 8-bit code. Not compact, but valid and simple.
DC_SYMBOLS = list(range(12))
AC_SYMBOLS = [0x00, 0xF0] + [(r << 4) | s for r in range(16) for s in range(1, 11)]


def huffman_codes(symbols, length):
    return {s: (i, length) for i, s in enumerate(symbols)}


DC_CODES = huffman_codes(DC_SYMBOLS, 4)
AC_CODES = huffman_codes(AC_SYMBOLS, 8)


def dht(table_class, table_id, symbols, length):
    counts = [0] * 16
    counts[length - 1] = len(symbols)
    body = bytes((table_class << 4 | table_id,)) + bytes(counts) + bytes(symbols)
    return b"\xff\xc4" + struct.pack(">H", len(body) + 2) + body


class BitWriter:
    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.nbits = 0

    def put(self, value, size):
        for i in range(size - 1, -1, -1):
            self.acc = (self.acc << 1) | ((value >> i) & 1)
            self.nbits += 1
            if self.nbits == 8:
                self.out.append(self.acc)
                if self.acc == 0xFF:
                    self.out.append(0)  # byte stuffing
                self.acc = self.nbits = 0

    def flush(self):
        if self.nbits:
            self.put((1 << (8 - self.nbits)) - 1, 8 - self.nbits)
        return bytes(self.out)


def magnitude(v):
    size = abs(v).bit_length()
    bits = v if v >= 0 else v + (1 << size) - 1
    return size, bits


def fdct(block):
    """8 x 8 forward DCT of level-shifted samples, coefficients in natural order."""
    out = [0.0] * 64
    for v in range(8):
        for u in range(8):
            s = 0.0
            for y in range(8):
                cy = math.cos((2 * y + 1) * v * math.pi / 16)
                for x in range(8):
                    s += block[y * 8 + x] * math.cos((2 * x + 1) * u * math.pi / 16) * cy
            cu = 1 / math.sqrt(2) if u == 0 else 1.0
            cv = 1 / math.sqrt(2) if v == 0 else 1.0
            out[v * 8 + u] = 0.25 * cu * cv * s
    return out


def jpeg(w, h, planes, progressive=False, adobe=False, sof=None):
    """planes: one list of rows of samples (0..255) per component, all at full
    resolution. Quantisation by 1 keeps flat colours almost exact."""
    ncomp = len(planes)
    bw, bh = (w + 7) // 8, (h + 7) // 8
    blocks = []  # blocks[c][n] = quantised coefficients in zigzag order
    for plane in planes:
        comp = []
        for by in range(bh):
            for bx in range(bw):
                samples = [plane[min(by * 8 + y, h - 1)][min(bx * 8 + x, w - 1)] - 128
                           for y in range(8) for x in range(8)]
                coeffs = fdct(samples)
                comp.append([int(round(coeffs[ZIGZAG[k]])) for k in range(64)])
        blocks.append(comp)

    out = bytearray(b"\xff\xd8")
    if adobe:
        body = b"Adobe" + struct.pack(">HHHB", 100, 0, 0, 0)  # transform 0: no colour conversion
        out += b"\xff\xee" + struct.pack(">H", len(body) + 2) + body
    elif ncomp != 4:
        body = b"JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00"
        out += b"\xff\xe0" + struct.pack(">H", len(body) + 2) + body
    out += b"\xff\xdb" + struct.pack(">H", 67) + b"\x00" + bytes([1] * 64)
    frame = sof or struct.pack(">BHHB", 8, h, w, ncomp) + b"".join(
        bytes((c + 1, 0x11, 0)) for c in range(ncomp))
    out += (b"\xff\xc2" if progressive else b"\xff\xc0") + struct.pack(">H", len(frame) + 2) + frame
    out += dht(0, 0, DC_SYMBOLS, 4) + dht(1, 0, AC_SYMBOLS, 8)

    def sos(comps, ss, se):
        body = bytes((len(comps),)) + b"".join(bytes((c + 1, 0x00)) for c in comps) + bytes((ss, se, 0))
        return b"\xff\xda" + struct.pack(">H", len(body) + 2) + body

    def code_dc(bits, comp, n, pred):
        diff = blocks[comp][n][0] - pred[comp]
        pred[comp] = blocks[comp][n][0]
        size, val = magnitude(diff)
        bits.put(*DC_CODES[size])
        if size:
            bits.put(val, size)

    def code_ac(bits, comp, n, ss, se):
        run = 0
        coeffs = blocks[comp][n]
        for k in range(ss, se + 1):
            v = coeffs[k]
            if v == 0:
                run += 1
                continue
            while run > 15:
                bits.put(*AC_CODES[0xF0])
                run -= 16
            size, val = magnitude(v)
            bits.put(*AC_CODES[(run << 4) | size])
            bits.put(val, size)
            run = 0
        if run:
            bits.put(*AC_CODES[0x00])

    nblocks = bw * bh
    if not progressive:
        out += sos(list(range(ncomp)), 0, 63)
        bits, pred = BitWriter(), [0] * ncomp
        for n in range(nblocks):
            for c in range(ncomp):
                code_dc(bits, c, n, pred)
                code_ac(bits, c, n, 1, 63)
        out += bits.flush()
    else:
        # Spectral selection only: the DC of every component, then two bands
        # of AC coefficients per component.
        out += sos(list(range(ncomp)), 0, 0)
        bits, pred = BitWriter(), [0] * ncomp
        for n in range(nblocks):
            for c in range(ncomp):
                code_dc(bits, c, n, pred)
        out += bits.flush()
        for ss, se in ((1, 5), (6, 63)):
            for c in range(ncomp):
                out += sos([c], ss, se)
                bits = BitWriter()
                for n in range(nblocks):
                    code_ac(bits, c, n, ss, se)
                out += bits.flush()
    return bytes(out + b"\xff\xd9")


def jpeg_many_scans(w, h, scans):
    """A flat grey progressive JPEG whose AC coefficients are sent again and
    again: each scan is a few bytes, but the decoder walks every block of
    the picture for it."""
    blocks = ((w + 7) // 8) * ((h + 7) // 8)
    out = bytearray(b"\xff\xd8")
    out += b"\xff\xdb" + struct.pack(">H", 67) + b"\x00" + bytes([1] * 64)
    frame = struct.pack(">BHHB", 8, h, w, 1) + b"\x01\x11\x00"
    out += b"\xff\xc2" + struct.pack(">H", len(frame) + 2) + frame
    # AC symbols here: end-of-band runs EOB0..EOB14 (0x00, 0x10, ... 0xE0).
    eob_symbols = [r << 4 for r in range(15)]
    out += dht(0, 0, DC_SYMBOLS, 4) + dht(1, 0, eob_symbols, 4)

    def sos(ss, se):
        body = bytes((1, 1, 0x00, ss, se, 0))
        return b"\xff\xda" + struct.pack(">H", len(body) + 2) + body

    out += sos(0, 0)
    bits = BitWriter()
    for _ in range(blocks):
        bits.put(0, 4)  # DC difference 0
    out += bits.flush()
    for _ in range(scans):
        out += sos(1, 63)
        bits = BitWriter()
        left = blocks
        while left:
            r = min(14, left.bit_length() - 1)
            extra = left - (1 << r)
            if extra >= (1 << r):
                extra = (1 << r) - 1
            bits.put(eob_symbols.index(r << 4), 4)
            if r:
                bits.put(extra, r)
            left -= (1 << r) + extra
        out += bits.flush()
    return bytes(out + b"\xff\xd9")


def ycbcr(rows):
    ys, cbs, crs = [], [], []
    for row in rows:
        yr, br, rr = [], [], []
        for r, g, b in row:
            yr.append(max(0, min(255, round(0.299 * r + 0.587 * g + 0.114 * b))))
            br.append(max(0, min(255, round(-0.168736 * r - 0.331264 * g + 0.5 * b + 128))))
            rr.append(max(0, min(255, round(0.5 * r - 0.418688 * g - 0.081312 * b + 128))))
        ys.append(yr)
        cbs.append(br)
        crs.append(rr)
    return [ys, cbs, crs]


def jpeg_files():
    files = {}
    q = quadrants(16, 16)
    files["jpeg_baseline.jpg"] = jpeg(16, 16, ycbcr(q))
    files["jpeg_progressive.jpg"] = jpeg(16, 16, ycbcr(q), progressive=True)
    files["jpeg_grey.jpg"] = jpeg(16, 16, [[[40 if x < 8 else 220 for x in range(16)] for y in range(16)]])
    # Adobe CMYK as stored by most programs, inverted: 255 means no ink. The
    # left half red (no cyan ink, full magenta and yellow), the right half white.
    inv = [[[255 if (c == 0 or x >= 8) else 0 for x in range(16)] for y in range(16)] for c in range(3)]
    inv.append([[255] * 16 for _ in range(16)])
    files["jpeg_cmyk.jpg"] = jpeg(16, 16, inv, adobe=True)
    big = quadrants(64, 64)
    files["jpeg_64.jpg"] = jpeg(64, 64, ycbcr(big))
    files["jpeg_progressive_64.jpg"] = jpeg(64, 64, ycbcr(big), progressive=True)
    whole = files["jpeg_64.jpg"]
    sos_at = whole.index(b"\xff\xda")
    files["jpeg_truncated_header.jpg"] = whole[:40]
    files["jpeg_truncated_before_scan.jpg"] = whole[:sos_at]
    files["jpeg_truncated_pixels.jpg"] = whole[:sos_at + (len(whole) - sos_at) // 3]
    prog = files["jpeg_progressive_64.jpg"]
    files["jpeg_progressive_truncated.jpg"] = prog[:len(prog) * 2 // 3]
    files["jpeg_zero_size.jpg"] = jpeg(16, 16, ycbcr(q), sof=struct.pack(">BHHB", 8, 0, 0, 3) +
                                       b"".join(bytes((c + 1, 0x11, 0)) for c in range(3)))
    files["jpeg_65535x65535.jpg"] = jpeg(16, 16, ycbcr(q), sof=struct.pack(">BHHB", 8, 65535, 65535, 3) +
                                         b"".join(bytes((c + 1, 0x11, 0)) for c in range(3)))
    files["jpeg_65500x65500.jpg"] = jpeg(16, 16, ycbcr(q), sof=struct.pack(">BHHB", 8, 65500, 65500, 3) +
                                         b"".join(bytes((c + 1, 0x11, 0)) for c in range(3)))
    files["jpeg_many_scans.jpg"] = jpeg_many_scans(1024, 1024, 2000)
    # The limit: 256 scans in all (the DC scan and 255 more) load, 257 do not.
    files["jpeg_256_scans.jpg"] = jpeg_many_scans(8, 8, 255)
    files["jpeg_257_scans.jpg"] = jpeg_many_scans(8, 8, 256)
    # Scan markers inside a metadata segment (as in an embedded thumbnail)
    # are not scans of the picture.
    app1 = b"Exif\x00\x00" + b"\xff\xda\x00\x04" * 300
    files["jpeg_scan_markers_in_metadata.jpg"] = (b"\xff\xd8\xff\xe1" + struct.pack(">H", len(app1) + 2) + app1 +
                                                  files["jpeg_baseline.jpg"][2:])
    files["jpeg_bad_component_table.jpg"] = jpeg(16, 16, ycbcr(q), sof=struct.pack(">BHHB", 8, 16, 16, 3) +
                                                 b"".join(bytes((c + 1, 0x11, 3)) for c in range(3)))
    files["jpeg_soi_only.jpg"] = b"\xff\xd8"
    return files


# ---------------------------------------------------------------- the rest

def other_files():
    return {
        "empty.bmp": b"",
        "random_bytes.bin": random.Random(1234).randbytes(4096),
        "random_bytes_after_bmp_magic.bmp": b"BM" + random.Random(99).randbytes(500),
        "random_bytes_after_gif_magic.gif": b"GIF89a" + random.Random(98).randbytes(500),
        "random_bytes_after_jpeg_magic.jpg": b"\xff\xd8\xff" + random.Random(97).randbytes(500),
        "random_bytes_after_png_magic.png": b"\x89PNG\r\n\x1a\n" + random.Random(96).randbytes(500),
        "text.jpg": b"This is not a picture.\n" * 20,
    }


# ------------------------------------------- other formats the toolkit reads

def ppm(w, h, rows, maxval=255):
    return f"P6\n{w} {h}\n{maxval}\n".encode() + bytes(c for row in rows for px in row for c in px)


def ico(w, h, rows):
    """One 32-bit icon: the picture bottom-up as BGRA, then an empty mask."""
    xor = b"".join(bytes((b, g, r, 255)) for row in reversed(rows) for (r, g, b) in row)
    mask = b"\0" * (((w + 31) // 32) * 4 * h)
    dib = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0) + xor + mask
    return struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", w, h, 0, 0, 1, 32, len(dib), 22) + dib


XPM = b"""/* XPM */
static const char *const picture[] = {
"4 2 2 1",
"r c #FF0000",
"b c #0000FF",
"rrbb",
"bbrr"};
"""


def portable_files():
    q8 = quadrants(8, 8)
    full = ppm(8, 8, q8)
    icon = ico(8, 8, q8)
    return {
        "ppm_quadrants.ppm": full,
        "ppm_ascii.ppm": b"P3\n2 1\n255\n255 0 0  0 0 255\n",
        "pgm_16bit.pgm": b"P5\n2 1\n65535\n" + struct.pack(">HH", 0, 65535),
        "pbm_bits.pbm": b"P4\n8 2\n" + bytes((0b10101010, 0b01010101)),
        "ppm_truncated_pixels.ppm": full[:len(full) - 96],
        "ppm_65535x65535.ppm": b"P6\n65535 65535\n255\n" + b"\0" * 64,
        "ppm_maxval_0.ppm": ppm(2, 2, [[RED, RED], [RED, RED]], maxval=0)[:-12] + b"\0" * 12,
        "ppm_zero_size.ppm": b"P6\n0 0\n255\n",
        "xpm_two_colours.xpm": XPM,
        "xpm_undefined_colour.xpm": XPM.replace(b'"bbrr"', b'"bbzz"'),
        "xpm_truncated.xpm": XPM[:len(XPM) - 16],
        "xbm_bits.xbm": b"#define p_width 8\n#define p_height 2\nstatic char p_bits[] = { 0x0f, 0xf0 };\n",
        "ico_quadrants.ico": icon,
        "ico_truncated.ico": icon[:len(icon) // 2],
    }


# ------------------------------------------------- deep (16-bit) heights

def pgm16(w, h, maxval, samples):
    return f"P5\n{w} {h}\n{maxval}\n".encode() + struct.pack(f">{len(samples)}H", *samples)


def tiff16(w, h, samples, geo=False, spp=1):
    """A little-endian TIFF of one strip of 16-bit grey samples; geo adds
    the tag that marks a GeoTIFF."""
    data = struct.pack(f"<{len(samples)}H", *samples)
    entries = [(256, 3, 1, w), (257, 3, 1, h), (258, 3, 1, 16), (259, 3, 1, 1), (262, 3, 1, 1),
               (273, 4, 1, 0), (277, 3, 1, spp), (278, 3, 1, h), (279, 4, 1, len(data))]
    if geo:
        entries.append((33550, 4, 1, 0))
    data_at = 8 + 2 + 12 * len(entries) + 4
    out = bytearray(b"II*\0" + struct.pack("<IH", 8, len(entries)))
    for tag, kind, count, value in entries:
        value = data_at if tag == 273 else value
        out += struct.pack("<HHI", tag, kind, count)
        out += struct.pack("<HH", value, 0) if kind == 3 else struct.pack("<I", value)
    return bytes(out + struct.pack("<I", 0) + data)


def tiff_raster(w, h, samples, kind="H", big=False, geo=True):
    """A little-endian TIFF (or BigTIFF) of one strip of one-sample cells of
    struct kind "H" (16-bit unsigned), "h" (16-bit signed) or "f" (32-bit
    float); geo adds the tag that marks a GeoTIFF."""
    data = struct.pack(f"<{len(samples)}{kind}", *samples)
    bits, fmt = {"H": (16, 1), "h": (16, 2), "f": (32, 3)}[kind]
    # (tag, type, value): SHORT (3) or LONG (4) / LONG8 (16), count 1
    entries = [(256, 3, w), (257, 3, h), (258, 3, bits), (259, 3, 1), (262, 3, 1), (273, 16 if big else 4, 0),
               (277, 3, 1), (278, 3, h), (279, 16 if big else 4, len(data)), (339, 3, fmt)]
    if geo:
        entries.append((33550, 4, 0))
    count_size, entry_size, offset_size = (8, 20, 8) if big else (2, 12, 4)
    head = 16 if big else 8
    data_at = head + count_size + entry_size * len(entries) + offset_size
    out = bytearray(b"II+\0" + struct.pack("<HHQ", 8, 0, 16) if big else b"II*\0" + struct.pack("<I", 8))
    out += struct.pack("<Q" if big else "<H", len(entries))
    for tag, kind_, value in entries:
        value = data_at if tag == 273 else value
        out += struct.pack("<HH", tag, kind_) + struct.pack("<Q" if big else "<I", 1)
        packed = struct.pack("<H", value) if kind_ == 3 else struct.pack("<Q" if kind_ == 16 else "<I", value)
        out += packed.ljust(offset_size, b"\0")
    return bytes(out + bytes(offset_size) + data)


def ascii_grid(rows, nodata=-9999):
    head = f"ncols {len(rows[0])}\nnrows {len(rows)}\nxllcorner 0\nyllcorner 0\ncellsize 30\nNODATA_value {nodata}\n"
    return (head + "".join(" ".join(str(v) for v in row) + "\n" for row in rows)).encode()


def deep_files():
    ramp = [[x * 4369 + y for x in range(4)] for y in range(2)]
    grey16 = png(4, 2, ramp, 0, 16)
    noise = random.Random(12)
    large16 = png(32, 32, [[noise.randrange(65536) for x in range(32)] for y in range(32)], 0, 16)
    return {
        "deep_png_grey16.png": grey16,
        "deep_png_rgba16.png": png(2, 1, [[(1000, 2, 3, 0), (129, 65535, 0, 65535)]], 6, 16),
        "deep_png_grey16_cut_short.png": large16[:len(large16) // 2],
        "deep_tiff_grey16.tif": tiff16(4, 2, [v for row in ramp for v in row]),
        "deep_tiff_geo_no_band.tif": tiff16(2, 2, [1, 2, 3, 4], geo=True, spp=0),
        # Sea at -10 m: the same elevations, in classic TIFF and BigTIFF.
        "deep_tiff_geo_int16.tif": tiff_raster(3, 1, [-10, 0, 100], "h"),
        "deep_bigtiff_geo_int16.tif": tiff_raster(3, 1, [-10, 0, 100], "h", big=True),
        "deep_bigtiff_geo_float32.tif": tiff_raster(2, 1, [-10.5, 89.5], "f", big=True),
        "deep_bigtiff_float32.tif": tiff_raster(2, 1, [1.0, 3.0], "f", big=True, geo=False),
        "deep_bigtiff_grey16.tif": tiff_raster(4, 2, [v for row in ramp for v in row], big=True, geo=False),
        "deep_pgm_maxval_1000.pgm": pgm16(2, 2, 1000, [0, 1, 500, 1000]),
        "deep_pgm_maxval_0.pgm": b"P5\n2 2\n0\n" + bytes(8),
        "deep_pgm_maxval_65536.pgm": b"P5\n2 2\n65536\n" + bytes(8),
        "deep_pgm_sample_above_maxval.pgm": pgm16(2, 2, 1000, [0, 1, 1001, 3]),
        "deep_pgm_cut_short.pgm": pgm16(2, 2, 4000, [0, 1, 2, 3])[:-3],
        "deep_raw_wrong_length.r16": bytes(1000),
        "deep_asc_ramp.asc": ascii_grid([[100, 150.5, -9999], [200, 300, 400]]),
        "deep_asc_all_nodata.asc": ascii_grid([[-9999, -9999], [-9999, -9999]]),
    }


# Inputs the fuzz target found, kept as they were found. Each made the
# toolkit hand over pixels it never wrote.
FUZZ_FINDINGS = {
    # A first picture far outside the screen, with a palette of its own.
    "fuzz_gif_picture_outside_screen.gif":
        "47494638396108000800f10000ff000000ff000000ffffff002cabababababababababababababababababababababab"
        "ababababababababababababababababababababababababababababab00000000080008000019d002003a406000000e",
    # A screen of height 0.
    "fuzz_gif_zero_height_screen.gif":
        "474946383961002e0000f10000ff0047490000ff1027ff00232c0027ff002c000000f30000000089504e470d0a1a0a"
        "0000000d494844520000000061002e0000f10000ff00002500ff000000ff00000000000201ffff2c003b",
    # A BMP header of an unknown size.
    "fuzz_bmp_unknown_header_size.bmp":
        "424d6400000fffda0008010100013f000fffda000801010001000010000000040000ff0000ff0000ff00000000ffff"
        "00080200000100000001",
}


def fuzz_findings():
    return {name: bytes.fromhex(data) for name, data in FUZZ_FINDINGS.items()}


def all_files():
    files = {}
    for make in (bmp_files, gif_files, png_files, jpeg_files, portable_files, other_files, deep_files,
                 fuzz_findings):
        files.update(make())
    return files


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=HERE)
    parser.add_argument("--seeds")
    args = parser.parse_args()
    files = all_files()
    for name, data in sorted(files.items()):
        with open(os.path.join(args.out, name), "wb") as f:
            f.write(data)
        if args.seeds and len(data) <= 8192:
            os.makedirs(args.seeds, exist_ok=True)
            with open(os.path.join(args.seeds, name), "wb") as f:
                f.write(data)
    print(f"wrote {len(files)} files to {args.out}")


if __name__ == "__main__":
    main()
