#!/usr/bin/env python3
"""Writes the starting corpus of both fuzz targets under fuzz/corpus/.

    corpus/load_picture_fuzz/  the small files of tests/io/corpus (written by
                               its make_corpus.py)
    corpus/shadow_fuzz/        control settings and height maps, in the input
                               layout that shadow_fuzz.cpp reads

Deterministic: a rerun writes the same bytes.
"""

import os
import struct
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)

LINEAR, LINEAR_SIM, SIN, COS, EMBOSSED, TEXTURE, TEXTURE2, CLEAR, GRIDS, MERGE = range(10)
HALF, MULTIPLY, MULTIPLY_HALF, MULTIPLY3 = range(4)


def text(s):
    data = s.encode("utf-8")
    assert len(data) < 48
    return bytes((len(data),)) + data


def number(value, shift=0):
    """A text field holding value / 2**shift as shortest decimal text."""
    return bytes((0xF0 + shift,)) + struct.pack("<i", value)


def seed(ops, x0=text("0"), y0=text("0"), alt=text("5"), darkness=128, contrast=0, blur=True,
         locale=False, blend=MULTIPLY, heights=b""):
    assert len(ops) <= 4
    flags = (1 if blur else 0) | (2 if locale else 0) | (blend << 2)
    out = bytes((flags,)) + struct.pack("<h", darkness) + bytes((contrast,))
    out += x0 + y0 + alt
    out += bytes((len(ops),)) + bytes(ops)
    return out + heights


def tiled(values):
    return b"\x00" + bytes(values)


def discs(*items):
    return b"\x01" + b"".join(bytes(d) for d in items)


def shadow_seeds():
    peak = discs((128, 128, 200, 0))
    hills = discs((40, 60, 220, 9), (180, 90, 150, 15), (100, 200, 255, 4), (250, 250, 90, 12))
    ramp = tiled(range(256))
    stripes = tiled([0] * 7 + [180])
    return {
        "defaults_shadows": seed([LINEAR, LINEAR_SIM, SIN, COS], heights=hills),
        "defaults_embossed_textures": seed([EMBOSSED, TEXTURE, TEXTURE2, GRIDS], heights=hills),
        "single_peak_linear": seed([LINEAR], x0=text("0"), y0=text("128"), darkness=255, heights=peak),
        "sun_inside_sin_cos": seed([SIN, COS, MERGE], x0=text("100"), y0=text("100"), heights=hills),
        "fractional_sun": seed([LINEAR, EMBOSSED], x0=number(21, 1), y0=number(-7, 2), heights=ramp),
        "sun_far_outside": seed([LINEAR, COS], x0=text("-30000"), y0=text("300"), heights=hills),
        "sun_at_256": seed([EMBOSSED, SIN], x0=text("256"), y0=text("256"), heights=stripes),
        "sun_past_16_bits": seed([LINEAR], x0=text("40000"), heights=peak),
        "negative_decay": seed([LINEAR, SIN, COS, EMBOSSED], alt=text("-40"), heights=hills),
        "huge_decay": seed([LINEAR, SIN, COS, EMBOSSED], alt=text("1e308"), heights=hills),
        "zero_decay": seed([LINEAR, LINEAR_SIM], alt=text("0"), blend=HALF, heights=ramp),
        "not_a_number": seed([LINEAR, EMBOSSED], x0=text("abc"), alt=text(""), heights=peak),
        "nan_and_inf": seed([COS, SIN], y0=text("nan"), alt=text("inf"), heights=peak),
        "locale_text": seed([LINEAR, COS], x0=text(" 12.5 "), alt=text("1,5"), locale=True, heights=hills),
        "darkness_out_of_range": seed([SIN, EMBOSSED, MERGE], darkness=-300, blend=MULTIPLY3, heights=stripes),
        "darkness_high": seed([SIN, COS], darkness=900, blend=MULTIPLY_HALF, heights=hills),
        "textures_full_contrast": seed([TEXTURE, TEXTURE2, MERGE, GRIDS], contrast=100, blur=False,
                                       heights=ramp),
        "clear_between_runs": seed([LINEAR, CLEAR, COS, MERGE], heights=hills),
        "flat_map": seed([LINEAR, SIN, COS, EMBOSSED], heights=tiled([77])),
        "all_zero_map": seed([LINEAR, EMBOSSED, TEXTURE2]),
    }


def vrt_seeds():
    """Mosaics whose sources a VRT reader must refuse, as bytes any loader may
    be handed (the TIFF and BigTIFF seeds come from the test corpus)."""
    def mosaic(source, relative=0, band=""):
        return (f'<VRTDataset rasterXSize="4" rasterYSize="4"><VRTRasterBand dataType="Float32" band="1"{band}>'
                f'<SimpleSource><SourceFilename relativeToVRT="{relative}">{source}</SourceFilename>'
                f'<SourceBand>1</SourceBand></SimpleSource></VRTRasterBand></VRTDataset>\n').encode()
    return {
        "vrt_plain_source.vrt": mosaic("a.tif", 1),
        "vrt_mem_source.vrt": mosaic("MEM:::DATAPOINTER=4096,PIXELS=4,LINES=4,DATATYPE=Byte"),
        "vrt_raw_band.vrt": mosaic("/etc/passwd", 0, ' subClass="VRTRawRasterBand"'),
        "vrt_parent_source.vrt": mosaic("../a.tif", 1),
        "vrt_vsicurl_source.vrt": mosaic("/vsicurl/http://127.0.0.1:9/x.none"),
    }


def main():
    load_dir = os.path.join(HERE, "corpus", "load_picture_fuzz")
    shadow_dir = os.path.join(HERE, "corpus", "shadow_fuzz")
    os.makedirs(shadow_dir, exist_ok=True)
    # The picture seeds are the small files of the test corpus.
    subprocess.run([sys.executable, os.path.join(ROOT, "tests", "io", "corpus", "make_corpus.py"),
                    "--seeds", load_dir], check=True)
    for name, data in sorted(vrt_seeds().items()):
        with open(os.path.join(load_dir, name), "wb") as f:
            f.write(data)
    seeds = shadow_seeds()
    for name, data in sorted(seeds.items()):
        with open(os.path.join(shadow_dir, name), "wb") as f:
            f.write(data)
    print(f"wrote {len(seeds)} seeds to {shadow_dir}")


if __name__ == "__main__":
    main()
