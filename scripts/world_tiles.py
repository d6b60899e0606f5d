#!/usr/bin/env python3
"""Helpers of light-world.sh: the regions of a world and the mosaics of its tiles.

  world_tiles.py plan W H --tile-size w[,h]   regions as "X,Y,w,h" lines, row by row
  world_tiles.py plan W H --regions FILE       FILE's regions, checked
  world_tiles.py vrt W H REGIONS DIR SLOT [--format png|tif] [--georef JSON]  writes DIR/SLOT.vrt

GeoTIFF tiles carry their place: a mosaic of them takes its place from the
first tile, and needs no --georef.

A plan's faults go to standard error, each naming its line, and exit 2.
"""
import bisect
import json
import os
import struct
import subprocess
import sys
from xml.sax.saxutils import escape

MAX_FAULTS = 20
MAX_REGION = 16384  # the batch tool's largest region a side
MAX_REGIONS = 1000000  # a world's regions, each a job
MAX_LINE = 4096  # bytes a line of a region list


def tiled(width, height, tw, th):
    for y in range(0, height, th):
        for x in range(0, width, tw):
            yield x, y, min(tw, width - x), min(th, height - y)


def read_list(path, width, height, faults):
    """Regions of a list file with the line each came from; blank lines and # comments skipped.

    Read as bytes, a line at a time and each at most MAX_LINE bytes, so that a
    comment in any encoding is only skipped, and an endless or binary file
    (/dev/zero) is refused at its first long line rather than read whole."""
    regions = []
    with open(path, "rb") as f:
        no = 0
        while True:
            raw = f.readline(MAX_LINE + 1)
            if not raw:
                break
            no += 1
            if len(raw) > MAX_LINE and not raw.endswith(b"\n"):
                faults.append(f"line {no} is longer than {MAX_LINE} bytes: this is not a region list")
                break
            data = raw.split(b"#", 1)[0]
            try:
                text = data.decode("ascii").strip()
            except UnicodeDecodeError:
                faults.append(f"line {no}: '{data.decode('utf-8', 'backslashreplace').strip()}' is not X,Y,w,h")
                continue
            if not text:
                continue
            if len(regions) == MAX_REGIONS:
                faults.append(f"line {no}: more than {MAX_REGIONS} regions")
                break
            parts = [p.strip() for p in text.split(",")]
            try:
                x, y, w, h = (int(p) for p in parts)
                if len(parts) != 4:
                    raise ValueError
            except ValueError:
                faults.append(f"line {no}: '{text}' is not X,Y,w,h")
                continue
            if w <= 0 or h <= 0:
                faults.append(f"line {no}: region {text} is empty")
            elif x < 0 or y < 0 or x + w > width or y + h > height:
                faults.append(f"line {no}: region {text} reaches outside the {width} x {height} world")
            elif w > MAX_REGION or h > MAX_REGION:
                faults.append(f"line {no}: region {text} is larger than {MAX_REGION} a side")
            else:
                regions.append((x, y, w, h, no))
    return regions


def check_cover(regions, width, height, faults, gaps=True):
    """Faults for overlapping regions and for pixels no region covers.

    A sweep down the rows keeps the regions crossing the current row sorted by
    their left edge; while none overlap, a new one can only meet its two
    neighbours, so the check stays n log n for lists of many thousand tiles."""
    events = sorted({y for r in regions for y in (r[1], r[1] + r[3])} | {0, height})
    starts, ends = {}, {}
    for r in regions:
        starts.setdefault(r[1], []).append(r)
        ends.setdefault(r[1] + r[3], []).append(r)
    active = []  # (x, x + w, region) sorted by x
    covered = 0  # width of the active regions, which do not overlap
    gap_told = not gaps
    overlaps = 0
    for y in events:
        for r in ends.get(y, []):
            key = (r[0], r[0] + r[2], r)
            k = bisect.bisect_left(active, key)
            if k < len(active) and active[k] == key:
                del active[k]
                covered -= r[2]
        for r in starts.get(y, []):
            key = (r[0], r[0] + r[2], r)
            k = bisect.bisect_left(active, key)
            clash = [active[j] for j in (k - 1, k) if 0 <= j < len(active)
                     and active[j][0] < key[1] and key[0] < active[j][1]]
            if clash:
                other = clash[0][2]
                overlaps += 1
                if overlaps <= MAX_FAULTS:
                    faults.append(f"line {r[4]}: region {fmt(r)} overlaps line {other[4]}: region {fmt(other)}")
                continue  # left out, so the sweep goes on over regions that do not overlap
            active.insert(k, key)
            covered += r[2]
        # Regions left out, for overlapping or faulty lines, would show as false gaps.
        if not gap_told and not overlaps and y < height and covered < width:
            x = 0
            for a, b, _ in active:
                if a > x:
                    break
                x = b
            faults.append(f"no region covers pixel {x},{y}")
            gap_told = True
    if overlaps > MAX_FAULTS:
        faults.append(f"... and {overlaps - MAX_FAULTS} more overlapping regions")


def fmt(r):
    return f"{r[0]},{r[1]},{r[2]},{r[3]}"


def plan(argv):
    width, height = int(argv[0]), int(argv[1])
    faults = []
    if argv[2] == "--tile-size":
        tw, th = (int(v) for v in argv[3].split(","))
        count = -(-width // tw) * -(-height // th)
        if count > MAX_REGIONS:
            faults.append(f"tiles of {tw} x {th} make {count} regions of the {width} x {height} world; "
                          f"at most {MAX_REGIONS} are run")
            regions = []
        else:
            regions = [(*r, 0) for r in tiled(width, height, tw, th)]
    else:
        regions = read_list(argv[3], width, height, faults)
        check_cover(regions, width, height, faults, gaps=not faults)
        if not regions and not faults:
            faults.append("the list holds no region")
    if faults:
        for f in faults[:MAX_FAULTS * 2]:
            where = argv[3] if argv[2] == "--regions" else f"--tile-size {argv[3]}"
            print(f"light-world: {where}: {f}", file=sys.stderr)
        return 2
    out = sys.stdout
    for r in regions:
        out.write(f"{fmt(r)}\n")
    return 0


PNG_TYPES = {0: 1, 2: 3, 4: 2, 6: 4}  # colour type -> bands
INTERP = {1: ["Gray"], 2: ["Gray", "Alpha"], 3: ["Red", "Green", "Blue"],
          4: ["Red", "Green", "Blue", "Alpha"]}


def png_shape(path):
    with open(path, "rb") as f:
        head = f.read(29)
    if len(head) < 29 or head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        raise ValueError(f"{path} is not a PNG file")
    w, h, depth, ctype = struct.unpack(">IIBB", head[16:26])
    if ctype not in PNG_TYPES or depth not in (8, 16):
        raise ValueError(f"{path}: PNG colour type {ctype} at {depth} bits is not a plain grey or RGB picture")
    return w, h, PNG_TYPES[ctype], "UInt16" if depth == 16 else "Byte"


GDAL_TYPES = {"Byte": "Byte", "UInt16": "UInt16"}


def tif_info(path):
    """Size, bands, sample type and place of a GeoTIFF tile, as gdalinfo tells them."""
    try:
        d = json.loads(subprocess.run(["gdalinfo", "-json", path], check=True, capture_output=True, text=True).stdout)
    except (OSError, subprocess.CalledProcessError, json.JSONDecodeError) as e:
        raise ValueError(f"gdalinfo cannot read {path}: {e}")
    bands = d.get("bands", [])
    if not 1 <= len(bands) <= 4 or bands[0].get("type") not in GDAL_TYPES:
        raise ValueError(f"{path} is not a grey or RGB picture of 8 or 16 bits")
    w, h = d["size"]
    return w, h, len(bands), bands[0]["type"], d.get("geoTransform"), d.get("coordinateSystem", {}).get("wkt", "")


def tile_place(transform, wkt, x, y):
    """The world's place from a tile's, the tile lying at pixel (x, y)."""
    t = list(transform)
    t[0] -= x * t[1] + y * t[2]
    t[3] -= x * t[4] + y * t[5]
    return {"geoTransform": t, "wkt": wkt}


def vrt(argv):
    width, height, regions_file, out, slot = int(argv[0]), int(argv[1]), argv[2], argv[3], argv[4]
    options = dict(zip(argv[5::2], argv[6::2]))
    georef = json.loads(options["--georef"]) if "--georef" in options else None
    ext = options.get("--format", "png")
    tiles = []
    shape = None
    with open(regions_file, encoding="utf-8") as f:
        for line in f:
            x, y, w, h = (int(v) for v in line.split(","))
            rel = f"{slot}/{x}_{y}.{ext}"
            if ext == "png":
                tw, th, bands, dtype = png_shape(os.path.join(out, rel))
            elif shape is None:  # one gdalinfo: the tiles are made alike, and the sizes checked by the batch tool
                tw, th, bands, dtype, transform, wkt = tif_info(os.path.join(out, rel))
                if transform:
                    georef = tile_place(transform, wkt, x, y)
            else:
                tw, th = w, h
            if (tw, th) != (w, h):
                raise ValueError(f"{rel} is {tw} x {th}, its region {w} x {h}")
            if shape is None:
                shape = (bands, dtype)
            elif shape != (bands, dtype):
                raise ValueError(f"{rel} has {bands} {dtype} bands, the first tile {shape[0]} {shape[1]}")
            tiles.append((rel, x, y, w, h))
    bands, dtype = shape
    lines = [f'<VRTDataset rasterXSize="{width}" rasterYSize="{height}">']
    if georef:
        if georef.get("wkt"):
            lines.append(f"  <SRS>{escape(georef['wkt'])}</SRS>")
        if georef.get("geoTransform"):
            lines.append("  <GeoTransform>" + ", ".join(repr(float(v)) for v in georef["geoTransform"])
                         + "</GeoTransform>")
    for b in range(1, bands + 1):
        lines.append(f'  <VRTRasterBand dataType="{dtype}" band="{b}">')
        lines.append(f"    <ColorInterp>{INTERP[bands][b - 1]}</ColorInterp>")
        for rel, x, y, w, h in tiles:
            # The source's size and blocks (a PNG reads a row at a time) spare
            # GDAL opening every tile when the mosaic is opened.
            lines += [
                "    <SimpleSource>",
                f"      <SourceFilename relativeToVRT=\"1\">{escape(rel)}</SourceFilename>",
                f"      <SourceBand>{b}</SourceBand>",
                f'      <SourceProperties RasterXSize="{w}" RasterYSize="{h}" DataType="{dtype}" '
                f'BlockXSize="{w if ext == "png" else 512}" BlockYSize="{1 if ext == "png" else 512}"/>',
                f'      <SrcRect xOff="0" yOff="0" xSize="{w}" ySize="{h}"/>',
                f'      <DstRect xOff="{x}" yOff="{y}" xSize="{w}" ySize="{h}"/>',
                "    </SimpleSource>",
            ]
        lines.append("  </VRTRasterBand>")
    lines.append("</VRTDataset>")
    target = os.path.join(out, f"{slot}.vrt")
    with open(target + ".part", "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")
    os.replace(target + ".part", target)
    return 0


def main():
    cmd, argv = sys.argv[1], sys.argv[2:]
    try:
        return plan(argv) if cmd == "plan" else vrt(argv)
    except (OSError, ValueError) as e:
        print(f"light-world: {e}", file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main())
