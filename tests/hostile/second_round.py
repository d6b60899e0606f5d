"""Hostile inputs that once got through, one table per behaviour, driven by
hostile_inputs_test.py (which gives `run` and `check`): mosaics escaping
their folder or tying the tool up, saves onto links, pipes and long names
as GeoTIFF, units that are not numbers or not metres, headers that lie
about their size, a settings file on a silent pipe, escapes in messages and
a far sun over a world region."""
import os
import struct
import subprocess
import threading
import time
import zlib

T = None  # the driver's helpers: T.run, T.check, T.corpus, T.BATCH, T.SANITIZED


def slow():
    """How much longer a bound may be under the sanitizers' debug build."""
    return 4 if T.SANITIZED else 1


def vrt(sources, size=4, relative=1, extra=""):
    """A 4 x 4 mosaic of one band whose plain sources are the names given."""
    body = "".join(f'<SimpleSource><SourceFilename relativeToVRT="{relative}">{s}</SourceFilename>{extra}'
                   f'<SourceBand>1</SourceBand></SimpleSource>' for s in sources)
    return (f'<VRTDataset rasterXSize="{size}" rasterYSize="{size}"><VRTRasterBand dataType="Float32" band="1">'
            f'{body}</VRTRasterBand></VRTDataset>\n')


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb" if isinstance(data, bytes) else "w") as f:
        f.write(data)


def load_mosaic(d, name, cwd=None, timeout=60):
    out = os.path.join(d, "out.png")
    if os.path.exists(out):
        os.unlink(out)
    rc, err, took = T.run(["--world", "4,4", "--heights", "0,255", "--load", "height", name, "--save", "height", out],
                          cwd or d, timeout=timeout)
    return rc, err, took, open(out, "rb").read() if rc == 0 else None


def test_mosaic_escapes(d):
    inside, secret = T.corpus.tiff_raster(4, 4, [10.0] * 16, "f"), T.corpus.tiff_raster(4, 4, [200.0] * 16, "f")
    write(f"{d}/secret.tif", secret)
    write(f"{d}/m/inside.tif", inside)
    # Read against the link's folder the source is this decoy; GDAL reads
    # it against the real mosaic's folder.
    write(f"{d}/m/a/b/real.vrt", vrt(["../../../secret.tif"]))
    write(f"{d}/m/decoy/x/secret.tif", inside)
    os.makedirs(f"{d}/m/decoy/x/y/z/w", exist_ok=True)
    os.symlink("../../../../../a/b/real.vrt", f"{d}/m/decoy/x/y/z/w/link.vrt")
    write(f"{d}/m/t/here.vrt", vrt(["only_here.tif"]))
    write(f"{d}/m/t/only_here.tif", inside)
    os.symlink("t/here.vrt", f"{d}/m/here_link.vrt")
    # With ROOT_PATH, GDAL would read the child's "secret.tif" in the folder named.
    write(f"{d}/m/child/child.vrt", vrt(["secret.tif"]))
    write(f"{d}/m/child/secret.tif", inside)
    options = f'<OpenOptions><OOI key="ROOT_PATH">{d}</OOI></OpenOptions>'
    write(f"{d}/m/root_path.vrt", vrt(["child/child.vrt"], extra=options))
    write(f"{d}/m/GTIFF_DIR:1:../secret.tif", inside)
    write(f"{d}/m/prefixed.vrt", vrt(["GTIFF_DIR:1:../secret.tif"], relative=0))
    kernel = ('<VRTDataset rasterXSize="4" rasterYSize="4"><VRTRasterBand dataType="Float32" band="1">'
              '<KernelFilteredSource><SourceFilename relativeToVRT="1">inside.tif</SourceFilename><Kernel>'
              '<Size>1001</Size><Coefs>' + " ".join(["1"] * 1001 * 1001) + '</Coefs></Kernel></KernelFilteredSource>'
              '</VRTRasterBand></VRTDataset>')
    write(f"{d}/m/kernel.vrt", kernel)
    write(f"{d}/m/self.vrt", vrt(["self.vrt"]))
    cases = [  # (mosaic, run from, what the refusal names; "" when it loads)
        ("m/decoy/x/y/z/w/link.vrt", d, "../../../secret.tif"),
        ("m/a/b/real.vrt", d, "../../../secret.tif"),
        ("m/here_link.vrt", d, ""),
        ("m/root_path.vrt", d, "OpenOptions"),
        ("prefixed.vrt", f"{d}/m", "GTIFF_DIR:1:"),
        ("m/kernel.vrt", d, "KernelFilteredSource"),
        ("m/self.vrt", d, "names itself"),
    ]
    for name, cwd, named in cases:
        rc, err, took, got = load_mosaic(d, name, cwd)
        if named:
            T.check(f"mosaic {name} refused naming {named}", rc == 1 and named in err and took < 20 * slow(),
                    f"exit {rc}: {err}")
        else:
            T.check(f"mosaic {name} loads its real folder's source", rc == 0, err)


def srtm_tile(height):
    """An SRTM tile of 3-second samples (big-endian, 1201 x 1201), every one at `height`."""
    return struct.pack(">h", height) * (1201 * 1201)


def test_mosaic_swap(d):
    """A source link swapped while the tool runs: what is read is what was checked, for a
    source handed over by its descriptor (TIFF) and one GDAL must get by its name (SRTM)."""
    kinds = (("link.tif", T.corpus.tiff_raster(4, 4, [10.0] * 16, "f"), T.corpus.tiff_raster(4, 4, [200.0] * 16, "f")),
             ("N46E007.hgt", srtm_tile(10), srtm_tile(200)))
    for n, (link, inside, secret) in enumerate(kinds):
        m = f"{d}/m{n}"
        write(f"{d}/secret{n}", secret)
        write(f"{m}/inside", inside)
        write(f"{m}/swap.vrt", vrt([link] * 4))
        os.symlink("inside", f"{m}/{link}")
        rc, err, _, good = load_mosaic(d, f"m{n}/swap.vrt")
        T.check(f"the swapped mosaic of {link} loads while the link points inside", rc == 0, err)
        stop = threading.Event()

        def flip():
            targets = ["inside", os.path.join(d, f"secret{n}")]
            while not stop.is_set():
                for target in targets:
                    os.symlink(target, f"{m}/link.new")
                    os.replace(f"{m}/link.new", f"{m}/{link}")
        flipper = threading.Thread(target=flip)
        flipper.start()
        outcomes = []
        try:
            for _ in range(30):
                rc, err, _, got = load_mosaic(d, f"m{n}/swap.vrt")
                outcomes.append((rc, got == good, err))
        finally:
            stop.set()
            flipper.join()
        leaked = [o for o in outcomes if o[0] == 0 and not o[1]]
        T.check(f"a swapped {link} never reads the outside file", not leaked, str(leaked[:2]))
        T.check("... and each run either loads or is refused", all(o[0] in (0, 1) for o in outcomes),
                str(outcomes[:2]))


def test_mosaic_fan_out(d):
    """Eight mosaics, each naming the next five times: the check reads each file once."""
    write(f"{d}/m/tile.tif", T.corpus.tiff_raster(4, 4, [10.0] * 16, "f"))
    for level in range(8):
        write(f"{d}/m/n{level}.vrt", vrt([f"n{level + 1}.vrt" if level < 7 else "tile.tif"] * 5))
    rc, err, took, _ = load_mosaic(d, "m/n0.vrt", timeout=120)
    T.check("eight nested mosaics of five sources load", rc == 0, err)
    T.check("... within a bound far above their time", took < 20 * slow(), f"{took:.1f} s")


def test_geotiff_saves(d):
    """GeoTIFF saves keep links, refuse pipes and devices, and leave one fixed scratch name."""
    run = T.run
    os.symlink("target.tif", f"{d}/link.tif")
    rc, err, _ = run(["--size", "64,64", "--save", "colour", "link.tif"], d)
    T.check("a GeoTIFF save through a link keeps the link", rc == 0 and os.path.islink(f"{d}/link.tif"), err)
    T.check("... and writes its target", os.path.getsize(f"{d}/target.tif") > 0)
    os.mkfifo(f"{d}/pipe.tif")
    rc, err, took = run(["--size", "64,64", "--save", "colour", "pipe.tif"], d, timeout=30)
    T.check("a GeoTIFF save onto a pipe is refused", rc == 1 and "pipe" in err and took < 10 * slow(), f"exit {rc}: {err}")
    T.check("... and keeps the pipe", os.path.exists(f"{d}/pipe.tif") and not os.path.isfile(f"{d}/pipe.tif"))
    os.symlink("/dev/full", f"{d}/full.tif")
    rc, err, _ = run(["--size", "64,64", "--save", "colour", "full.tif"], d)
    T.check("a GeoTIFF save through a link onto a device is refused", rc == 1 and "device" in err, err)
    T.check("... and keeps link and device", os.path.islink(f"{d}/full.tif") and not os.path.isfile("/dev/full"))
    long_name = "n" * 251 + ".tif"
    rc, err, _ = run(["--size", "64,64", "--save", "colour", long_name], d)
    T.check("a 255-byte GeoTIFF name saves", rc == 0 and os.path.getsize(f"{d}/{long_name}") > 0, err)
    for _ in range(2):  # a save killed half-way, then another
        p = subprocess.Popen([T.BATCH, "--size", "4096,4096", "--save", "colour", "big.tif"], cwd=d,
                             stderr=subprocess.DEVNULL)
        time.sleep(1.5)
        p.kill()
        p.wait()
    left = sorted(f for f in os.listdir(d) if f.startswith(".big.tif"))
    fixed = {".big.tif.part", ".big.tif.part.ovr.tmp"}
    T.check("killed GeoTIFF saves leave only the fixed scratch names", set(left) <= fixed, str(left))
    rc, err, _ = run(["--size", "64,64", "--save", "colour", "big.tif"], d)
    left = [f for f in os.listdir(d) if f.startswith(".big.tif")]
    T.check("the next GeoTIFF save takes the scratch over", rc == 0 and not left, f"{err} {left}")


def png(w, h, colour_type=2, idat=b""):
    chunk = lambda kind, data: struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, colour_type, 0, 0, 0))
            + chunk(b"IDAT", idat or zlib.compress(b"\0" * 64)) + chunk(b"IEND", b""))


def tiff(w, h, compression):
    """A little-endian RGB TIFF header of w x h pixels in `compression`, with a 4-byte strip."""
    entries = [(256, 4, 1, w), (257, 4, 1, h), (258, 3, 1, 8), (259, 3, 1, compression), (262, 3, 1, 2),
               (273, 4, 1, 8 + 2 + 9 * 12 + 4), (277, 3, 1, 3), (278, 4, 1, h), (279, 4, 1, 4)]
    def entry(tag, kind, count, value):
        return struct.pack("<HHII" if kind == 4 else "<HHIHH", tag, kind, count, value, *([] if kind == 4 else [0]))
    ifd = struct.pack("<H", len(entries)) + b"".join(entry(*e) for e in entries) + struct.pack("<I", 0)
    return b"II*\0" + struct.pack("<I", 8) + ifd + b"\0" * 4


def plugin_formats():
    """A lying header for each format the toolkit's plugins decode: 16384 x 16384 (16383 for WebP) in a
    few hundred bytes."""
    big = png(16384, 16384)
    bmp = struct.pack("<IiiHH", 40, 16384, 2 * 16384, 1, 32).ljust(40, b"\0")
    def icon(picture):
        return struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", 0, 0, 0, 0, 1, 32, 1 << 30, 22) + picture
    lossy_frame = bytes([0x10 | 50 << 5 & 0xff, 50 >> 3, 0]) + b"\x9d\x01\x2a" + struct.pack("<HH", 16383, 16383)
    mng_sig = b"\x8aMNG\r\n\x1a\n"
    return [
        ("bitmap.ico", icon(bmp) + b"\0" * 64),
        ("png.ico", icon(big)),
        ("png.icns", b"icns" + struct.pack(">I", 8 + 8 + len(big)) + b"ic10" + struct.pack(">I", 8 + len(big)) + big),
        ("frame.mng", mng_sig + struct.pack(">I4sIIIIIII", 28, b"MHDR", 16384, 16384, 1, 0, 0, 0, 0) + b"\0" * 4),
        ("riff.webp", b"RIFF" + struct.pack("<I", 1 << 24) + b"WEBPVP8L" + struct.pack("<I", 5) + b"\x2f"
         + struct.pack("<I", 16382 | 16382 << 14)),
        ("lossy.webp", b"RIFF" + struct.pack("<I", 4 + 8 + 10) + b"WEBPVP8 " + struct.pack("<I", 10) + lossy_frame),
        ("lying.xpm", b'/* XPM */\nstatic char *x[] = {\n"16384 16384 1 1",\n"a c #000000",\n"aaaa"};\n'),
        ("lying.xbm", b"#define a_width 16384\n#define a_height 16384\nstatic char a_bits[] = {0x00};\n"),
    ]


def test_lying_headers(d):
    """Headers that declare far more than the file holds are refused before memory is taken."""
    cases = [  # (name, bytes, what the refusal says)
        ("rgb.png", png(16384, 16384), "cut short"),
        ("grey.png", png(16384, 16384, 0), "cut short"),
        ("p6.ppm", b"P6 16384 16384 255\n" + b"\0" * 3, "cut short"),
        ("p3.ppm", b"P3 16384 16384 255\n1 2 3\n", "cut short"),
        ("p1.pbm", b"P1 16384 16384\n0 1\n", "cut short"),
        ("p5.pgm", b"P5 16384 16384 255\n" + b"\0" * 3, "cut short"),
        ("stored.tif", tiff(16384, 16384, 1), "cut short"),
        ("deflated.tif", tiff(16384, 16384, 8), "cut short"),
        ("lzw.tif", tiff(16384, 16384, 5), "cut short"),
    ] + [(name, data, "cut short") for name, data in plugin_formats()] + [
        # The toolkit's own checks decline these two unread (TGA with the footer it knows the format by).
        ("lying.wbmp", b"\0\0\x81\x80\x00\x81\x80\x00" + b"\0" * 64, "not a picture"),
        ("lying.tga", bytes([0, 0, 2]) + b"\0" * 9 + struct.pack("<HHBB", 16384, 16384, 32, 8) + b"\0" * 72
         + b"TRUEVISION-XFILE.\0", "cannot read"),
    ]
    for name, data, said in cases:
        write(f"{d}/{name}", data)
        p = subprocess.Popen([T.BATCH, "--load", "height", name], cwd=d, stdout=subprocess.DEVNULL,
                             stderr=subprocess.PIPE)
        err = p.stderr.read().decode("utf-8", "backslashreplace")
        _, status, usage = os.wait4(p.pid, 0)
        peak = usage.ru_maxrss / 1024
        rc = os.waitstatus_to_exitcode(status)
        T.check(f"the lying header of {name} is refused", rc == 1 and said in err, f"exit {rc}: {err}")
        T.check(f"... before memory is taken ({name})", T.SANITIZED or peak < 200, f"peak {peak:.0f} MiB")
    python, path = os.environ.get("GLOAMERY_PYTHON"), os.environ.get("GLOAMERY_PYTHONPATH")
    if python and path and os.path.isdir(path):
        write(f"{d}/py.png", png(16384, 16384))
        code = "import gloamery\ntry:\n    gloamery.load('py.png')\nexcept Exception as e:\n    print(e)\n"
        p = subprocess.Popen([python, "-c", code], cwd=d, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                             env=dict(os.environ, PYTHONPATH=path))
        said = p.stdout.read().decode("utf-8", "backslashreplace")
        _, status, usage = os.wait4(p.pid, 0)
        peak = usage.ru_maxrss / 1024
        T.check("gloamery.load refuses the lying PNG", "cut short" in said, said)
        T.check("... before memory is taken (Python)", T.SANITIZED or peak < 300, f"peak {peak:.0f} MiB")
    whole = png(64, 64, 2, zlib.compress(b"".join(b"\0" + b"\x80" * 192 for _ in range(64))))
    write(f"{d}/whole.png", whole)
    rc, err, _ = T.run(["--load", "height", "whole.png"], d)
    T.check("a PNG that holds what it declares loads", rc == 0, err)


def test_settings_pipe(d):
    os.mkfifo(f"{d}/silent.json")
    rc, err, took = T.run(["--settings", "silent.json"], d, timeout=30)
    T.check("a settings file on a pipe nobody writes to is refused", rc == 2 and "Nothing was written" in err, err)
    T.check("... after a bounded wait", took < 15 * slow(), f"{took:.1f} s")
    rc, err, took = T.run(["--settings", "/dev/zero"], d, timeout=30)
    T.check("a settings file on a device is refused at once", rc == 2 and "device" in err and took < 5 * slow(), err)


def test_escapes_in_messages(d):
    evil = "\x1b]0;owned\x07\x1b[2J"
    write(f"{d}/key.json", '{"format": "gloamery-settings", "version": 1, "' + evil.replace("\x1b", "\\u001b")
          .replace("\x07", "\\u0007") + '": 1}')
    write(f"{d}/long.json", '{"format": "gloamery-settings", "version": 1, "blend": "' + "é" * 40 + '"}')
    write(f"{d}/m/src.vrt", vrt([evil.replace("\x07", "&#7;")]))
    cases = [  # (arguments, text the message must hold)
        (["--settings", "key.json"], "\\x1b]0;owned\\x07\\x1b[2J"),
        (["--settings", "long.json"], "..."),
        (["--world", "4,4", "--heights", "0,1", "--load", "height", "m/src.vrt"], "\\x1b]0;owned"),
        (["--load", "height", "no\x1b[2Jfile.png"], "no\\x1b[2Jfile.png"),
    ]
    for args, said in cases:
        p = subprocess.run([T.BATCH] + args, cwd=d, capture_output=True, timeout=60)
        raw = p.stderr
        T.check(f"no control character reaches the terminal ({args[1]})", p.returncode != 0 and b"\x1b" not in raw
                and b"\x07" not in raw, repr(raw))
        text = raw.decode("utf-8", "strict") if raw else ""  # cut only between characters
        T.check(f"... and the message shows it escaped ({args[1]})", said in text, repr(raw))


def test_non_finite_units(d):
    """Rasters whose units are not numbers: no writer writes them."""
    huge = T.corpus.tiff_raster(4, 4, [-1e38, 1e38] * 8, "f")
    write(f"{d}/huge.tif", huge)
    grid = "ncols 4\nnrows 4\nxllcorner 0\nyllcorner 0\ncellsize {}\n" + "1 2 3 4\n" * 4
    write(f"{d}/wide.asc", grid.format("1e300"))
    cases = [  # (raster, extra arguments, what the refusal names)
        ("huge.tif", ["--heights", "-1e308,1e308"], "elevation of a height level"),
        ("wide.asc", [], "ground size"),
    ]
    for raster, extra, said in cases:
        rc, err, _ = T.run(extra + ["--load", "height", raster, "--export-mesh", "t.glb"], d)
        T.check(f"the mesh of {raster} is refused", rc == 1 and said in err and not os.path.exists(f"{d}/t.glb"),
                f"exit {rc}: {err}")


def test_units(d):
    """Units read from a raster: degrees on a vertical datum, rotated pixels, no side files."""
    cases = []  # (name, gdal_translate arguments over a 30 m or 1" grid, the note's --ground)
    base = f"{d}/base.asc"
    write(base, "ncols 4\nnrows 4\nxllcorner 0\nyllcorner 0\ncellsize 30\n" + "1 2 3 4\n" * 4)
    arc = 1 / 3600
    cases.append(("compound.tif", ["-a_srs", "EPSG:4326+5773", "-a_ullr", "6", f"{1 + 4 * arc}", f"{6 + 4 * arc}", "1"],
                  "--ground 30.9"))
    for name, args, said in cases:
        p = subprocess.run(["gdal_translate", "-q", "-of", "GTiff"] + args + [base, f"{d}/{name}"], capture_output=True)
        T.check(f"gdal_translate made {name}", p.returncode == 0, p.stderr.decode())
    s2 = 30 * 0.5 ** 0.5
    for turned, corners in (("rotated45.tif", (0, 0, 4 * s2, 4 * s2, -4 * s2, 4 * s2)),
                            ("rotated90.tif", (0, 0, 0, -120, 120, 0))):
        subprocess.run(["gdal_translate", "-q", "-of", "GTiff", base, f"{d}/{turned}"], check=True)
        p = subprocess.run(["gdal_edit.py", "-a_ulurll"] + [repr(float(c)) for c in corners] + [f"{d}/{turned}"],
                           capture_output=True)
        T.check(f"gdal_edit.py turned {turned}", p.returncode == 0, p.stderr.decode())
        cases.append((turned, [], "--ground 30"))  # 30 (or 30.000000000000004), not 21.2 or 0
    write(f"{d}/side.asc", "ncols 4\nnrows 4\nxllcorner 0\nyllcorner 0\ncellsize 0.001\n" + "1 2 3 4\n" * 4)
    write(f"{d}/side.prj", 'GEOGCS["WGS 84",DATUM["WGS_1984",SPHEROID["WGS 84",6378137,298.257223563]],'
          'PRIMEM["Greenwich",0],UNIT["degree",0.0174532925199433]]')
    cases.append(("side.asc", [], "--ground 0.001,0.001"))
    for name, _, said in cases:
        rc, err, _ = T.run(["--load", "height", name], d)
        T.check(f"the units of {name}", rc == 0 and said in err, err)


def test_far_sun(d):
    """A sun far off the world costs a region what its rays take to reach it."""
    world = ["--world", "65536,65536", "--region", "0,0,64,64", "--save", "shadow", "far.png"]
    for sun in ("30000,-30000", "131071,-131072"):
        rc, err, took = T.run(world[:4] + ["--sun", sun, "linear"] + world[4:], d, timeout=120)
        T.check(f"a world region lit from {sun}", rc == 0 and took < 10 * slow(), f"exit {rc}, {took:.1f} s: {err}")


TESTS = [test_mosaic_escapes, test_mosaic_swap, test_mosaic_fan_out, test_geotiff_saves, test_lying_headers,
         test_settings_pipe, test_escapes_in_messages, test_non_finite_units, test_units, test_far_sun]
