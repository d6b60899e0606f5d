#!/usr/bin/env python3
"""Hostile and careless inputs to the batch tool, one table.

    hostile_inputs_test.py BATCH_TOOL [--sanitized]

With --sanitized (a tool built with the sanitizers) the memory the tool
takes is not measured, and the large raster is read only where the map
takes it.

Mosaics naming every kind of source a VRT may name besides plain files in
its folder (each refused, naming the source, while a local HTTP server
counts the requests it gets: none), pipes with and without a writer,
BigTIFF beside classic TIFF, the peak memory of a large sparse raster
loaded into a small map, names starting with a dash or not UTF-8, saves
onto a full device, a pipe and a link, and region lists that are not
region lists. Prints each failed case and exits 1 if any failed.
"""
import http.server
import importlib.util
import os
import resource
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
found = importlib.util.spec_from_file_location("make_corpus", os.path.join(ROOT, "tests", "io", "corpus", "make_corpus.py"))
corpus = importlib.util.module_from_spec(found)
found.loader.exec_module(corpus)

BATCH = os.path.abspath(sys.argv[1])
SANITIZED = "--sanitized" in sys.argv[2:]
failures = []
requests = []
sys.path.insert(0, HERE)
import second_round  # noqa: E402 (needs the path above)
second_round.T = sys.modules[__name__]


class Counting(http.server.BaseHTTPRequestHandler):
    def do_GET(self):  # noqa: N802 (the library's name)
        requests.append(self.path)
        self.send_response(404)
        self.end_headers()

    do_HEAD = do_GET

    def log_message(self, *args):
        pass


def check(name, ok, detail=""):
    if not ok:
        failures.append(f"{name}: {detail}")
        print(f"FAIL {name}: {detail}")


def run(args, cwd, timeout=60, **kw):
    start = time.monotonic()
    try:
        p = subprocess.run([BATCH] + args, cwd=cwd, capture_output=True, timeout=timeout, **kw)
    except subprocess.TimeoutExpired:
        return None, f"did not finish within {timeout} s", time.monotonic() - start
    return p.returncode, p.stderr.decode("utf-8", "backslashreplace"), time.monotonic() - start


def vrt(source, relative=1, band_class=""):
    band = f' subClass="{band_class}"' if band_class else ""
    return (f'<VRTDataset rasterXSize="4" rasterYSize="4">\n <VRTRasterBand dataType="Float32" band="1"{band}>\n'
            f'  <SimpleSource><SourceFilename relativeToVRT="{relative}">{source}</SourceFilename>'
            f'<SourceBand>1</SourceBand></SimpleSource>\n </VRTRasterBand>\n</VRTDataset>\n')


def mosaics(d, url):
    """(name, text, what the refusal names, extra options); an empty name means it loads."""
    raw = ('<VRTDataset rasterXSize="4" rasterYSize="4"><VRTRasterBand dataType="Byte" band="1" '
           'subClass="VRTRawRasterBand"><SourceFilename relativeToVRT="0">/etc/passwd</SourceFilename>'
           '</VRTRasterBand></VRTDataset>')
    wms = ("&lt;GDAL_WMS&gt;&lt;Service name=\"WMS\"&gt;&lt;ServerUrl&gt;" + url + "/wms&lt;/ServerUrl&gt;"
           "&lt;/Service&gt;&lt;/GDAL_WMS&gt;")
    return [
        ("ok.vrt", vrt("a.tif"), "", []),
        ("sub.vrt", vrt("sub/b.tif"), "", []),
        ("mem.vrt", vrt("MEM:::DATAPOINTER=4096,PIXELS=4,LINES=4,DATATYPE=Byte", 0), "MEM:::", []),
        ("raw.vrt", raw, "VRTRawRasterBand", []),
        ("derived.vrt", vrt("a.tif", 1, "VRTDerivedRasterBand"), "VRTDerivedRasterBand", []),
        ("parent.vrt", vrt("../outside.tif"), "../outside.tif", []),
        ("parent_allowed.vrt", vrt("../outside.tif"), "", ["--vrt-sources", d]),
        ("absolute.vrt", vrt("/etc/hostname", 0), "/etc/hostname", []),
        ("symlink.vrt", vrt("link.tif"), "link.tif", []),
        ("device.vrt", vrt("/dev/zero", 0), "/dev/zero", ["--vrt-sources", "/"]),
        ("vsicurl.vrt", vrt(f"/vsicurl/{url}/x.none", 0), "/vsicurl/", []),
        ("http.vrt", vrt(f"{url}/x.tif", 0), url, []),
        ("wms.vrt", vrt(wms, 0), "GDAL_WMS", []),
        ("vrt_url.vrt", vrt("vrt://a.tif", 0), "vrt://", []),
        ("nested.vrt", vrt("mem.vrt"), "MEM:::", []),
        ("not_xml.vrt", "<VRTDataset rasterXSize='4'", "not well-formed", []),
    ]


def tiff(values, big=False):
    return corpus.tiff_raster(4, 4, values, "f", big=big)


def test_mosaics(d, url):
    m = os.path.join(d, "mosaic")
    os.makedirs(os.path.join(m, "sub"))
    cells = [float(v) for v in range(16)]
    for path in ("mosaic/a.tif", "mosaic/sub/b.tif", "outside.tif"):
        with open(os.path.join(d, path), "wb") as f:
            f.write(tiff(cells))
    os.symlink("/etc/hostname", os.path.join(m, "link.tif"))
    for name, text, named, extra in mosaics(d, url):
        with open(os.path.join(m, name), "w") as f:
            f.write(text)
    for name, text, named, extra in mosaics(d, url):
        out = os.path.join(d, name + ".png")
        rc, err, _ = run(extra + ["--world", "4,4", "--heights", "0,15", "--load", "height", f"mosaic/{name}",
                                  "--save", "height", out], d)
        if not named:
            check(f"mosaic {name} loads", rc == 0, err)
        else:
            check(f"mosaic {name} refused", rc == 1 and not os.path.exists(out), f"exit {rc}: {err}")
            check(f"mosaic {name} names the source", named in err, err)
    check("no request reached the server", not requests, str(requests))


def test_pipes(d):
    bmp = corpus.all_files()["bmp_24bit.bmp"]
    silent = os.path.join(d, "silent.bmp")
    os.mkfifo(silent)
    rc, err, took = run(["--load", "height", silent], d, timeout=30)
    check("a pipe nobody writes to is refused", rc == 1 and "Nothing was written" in err, err)
    check("... after a bounded wait", took < 10, f"{took:.1f} s")
    fed = os.path.join(d, "fed.bmp")
    os.mkfifo(fed)
    writer = threading.Thread(target=lambda: open(fed, "wb").write(bmp))
    writer.start()
    rc, err, _ = run(["--load", "height", fed, "--save", "colour", "fed.png"], d, timeout=30)
    writer.join()
    check("a FIFO with a writer loads", rc == 0, err)
    r, w = os.pipe()
    feeder = threading.Thread(target=lambda: (os.write(w, bmp), os.close(w)))
    feeder.start()
    rc, err, _ = run(["--load", "height", f"/dev/fd/{r}", "--save", "colour", "sub.png"], d, timeout=30, pass_fds=(r,))
    feeder.join()
    os.close(r)
    check("a process substitution's pipe loads", rc == 0, err)
    rc, err, _ = run(["--load", "height", "/dev/stdin", "--save", "colour", "stdin.png"], d, timeout=30, input=bmp)
    check("standard input loads", rc == 0, err)
    rc, err, took = run(["--load", "height", "/dev/zero"], d, timeout=30)
    check("an endless device is refused at once", rc == 1 and "device" in err and took < 5, err)


def test_tiffs(d):
    sea = [-10.0] * 8 + [100.0] * 8
    saved = []
    for name, big in (("classic.tif", False), ("big.tif", True)):
        with open(os.path.join(d, name), "wb") as f:
            f.write(corpus.tiff_raster(4, 4, [int(v) for v in sea], "h", big=big))
        rc, err, _ = run(["--size", "4,4", "--load", "height", name, "--save", "height", name + ".png"], d)
        check(f"{name} loads with a range note", rc == 0 and "heights from -10 to 100" in err, err)
        saved.append(open(os.path.join(d, name + ".png"), "rb").read() if rc == 0 else name)
    check("BigTIFF and classic TIFF give the same heights", saved[0] == saved[1])


def test_sparse_memory(d):
    sparse = os.path.join(d, "sparse.tif")
    subprocess.run(["gdal_create", "-q", "-of", "GTiff", "-outsize", "16384", "16384", "-ot", "Float32",
                    "-co", "TILED=YES", "-co", "SPARSE_OK=TRUE", "-a_ullr", "0", "16384", "16384", "0", sparse],
                   check=True)
    check("the sparse raster is small on disk", os.path.getsize(sparse) < 100_000, str(os.path.getsize(sparse)))
    pinned = ["--heights", "0,1"] if SANITIZED else []
    p = subprocess.Popen([BATCH] + pinned + ["--load", "height", sparse, "--save", "height", "sparse.png"], cwd=d,
                         stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(p.pid, 0)
    p.returncode = os.waitstatus_to_exitcode(status)
    peak_mib = usage.ru_maxrss / 1024
    check("a 16384 x 16384 sparse raster loads into a 256 x 256 map", p.returncode == 0, p.stderr.read().decode())
    check("... in little memory", SANITIZED or peak_mib < 400, f"peak {peak_mib:.0f} MiB")
    print(f"sparse 16384 x 16384 raster into a 256 x 256 map: peak {peak_mib:.0f} MiB")


def test_names(d):
    files = corpus.all_files()
    odd = b"\xe9t\xe9"  # Latin-1, not UTF-8
    cases = [(b"-v", files["png_rgb8.png"]), (b"-dash.png", files["png_rgb8.png"])]
    for ext, data in ((b".bmp", files["bmp_24bit.bmp"]), (b".png", files["png_rgb8.png"]),
                      (b".jpg", files["jpeg_baseline.jpg"]), (b".pgm", files["deep_pgm_maxval_1000.pgm"]),
                      (b".asc", files["deep_asc_ramp.asc"]), (b".tif", files["deep_tiff_geo_int16.tif"]),
                      (b".r16", bytes(2 * 256 * 256))):
        cases.append((odd + ext, data))
    dd = os.fsencode(d)
    for name, data in cases:
        with open(os.path.join(dd, name), "wb") as f:
            f.write(data)
        out = odd + b"-out.png"
        p = subprocess.run([BATCH, "--load", "height", name, "--save", "colour", out], cwd=d, capture_output=True)
        check(f"the file {name!r} loads", p.returncode == 0 and os.path.exists(os.path.join(dd, out)),
              p.stderr.decode("utf-8", "backslashreplace"))
        os.unlink(os.path.join(dd, out))
    rc, err, _ = run(["--load", "height", "-v", "--", "linear"], d)
    check("-- ends the options", rc == 0, err)


def test_saves(d):
    rc, err, _ = run(["--save", "colour", "/dev/full"], d)
    check("a save onto a full device fails", rc == 2 or (rc == 1 and "No space" in err), err)
    os.symlink("/dev/full", os.path.join(d, "full.png"))
    rc, err, _ = run(["--save", "colour", "full.png"], d)
    check("a save through a link onto a full device fails", rc == 1 and "No space" in err, err)
    check("... and leaves the device", os.path.islink(os.path.join(d, "full.png")) and os.path.exists("/dev/full"))
    pipe = os.path.join(d, "pipe.png")
    os.mkfifo(pipe)
    got = []
    reader = threading.Thread(target=lambda: got.append(open(pipe, "rb").read()))
    reader.start()
    time.sleep(0.2)
    rc, err, _ = run(["--save", "colour", "pipe.png"], d)
    reader.join(10)
    check("a save onto a pipe writes into it", rc == 0 and got and got[0].startswith(b"\x89PNG"), err)
    check("... and keeps the pipe", os.path.exists(pipe) and not os.path.isfile(pipe))
    rc, err, took = run(["--save", "colour", "pipe.png"], d)
    check("a save onto a pipe nobody reads is refused at once", rc == 1 and took < 5, err)
    with open(os.path.join(d, "target.png"), "wb"):
        pass
    os.symlink("target.png", os.path.join(d, "link.png"))
    rc, err, _ = run(["--save", "colour", "link.png"], d)
    check("a save through a link keeps the link", rc == 0 and os.path.islink(os.path.join(d, "link.png")), err)
    check("... and writes its target", os.path.getsize(os.path.join(d, "target.png")) > 0)


def test_memory(d):
    if SANITIZED:
        return  # the sanitizers' shadow memory does not fit a small address space
    def small():
        resource.setrlimit(resource.RLIMIT_AS, (2 << 30, 2 << 30))
    # The texture and the heights fit; the sweep's layers beside them do not.
    rc, err, _ = run(["--size", "16384,16384", "make-texture", "linear"], d, preexec_fn=small)
    check("out of memory names the map being made", rc == 1 and "out of memory" in err and "16384 x 16384" in err, err)
    rc, err, _ = run(["--threads", "1024", "--size", "512,512", "linear"], d, env=dict(os.environ, GLOAMERY_THREADS="4096"))
    check("a thousand threads are held to 4 x the cores", rc == 0, err)


def test_region_lists(d):
    tiles = os.path.join(ROOT, "scripts", "world_tiles.py")
    with open(os.path.join(d, "latin1.txt"), "wb") as f:
        f.write(b"# r\xe9gions\n0,0,8,8 # caf\xe9\n")
    with open(os.path.join(d, "bad.txt"), "wb") as f:
        f.write(b"0,0,8,\xe98\n")
    cases = [
        (["--regions", "latin1.txt"], 0, ""),
        (["--regions", "bad.txt"], 2, "line 1"),
        (["--regions", "/dev/zero"], 2, "longer than"),
        (["--tile-size", "1,1"], 2, "at most 1000000"),
    ]
    for args, status, said in cases:
        world = ["65536", "65536"] if "--tile-size" in args else ["8", "8"]
        p = subprocess.run([sys.executable, tiles, "plan"] + world + args, cwd=d, capture_output=True, timeout=60)
        err = p.stderr.decode("utf-8", "backslashreplace")
        check(f"region list {args}", p.returncode == status and said in err and "Traceback" not in err, err)


def main():
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Counting)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = f"http://127.0.0.1:{server.server_address[1]}"
    with tempfile.TemporaryDirectory() as d:
        only = os.environ.get("HOSTILE_ONLY")  # one test's name, to rerun it alone
        tests = [test_mosaics, test_pipes, test_tiffs, test_sparse_memory, test_names, test_saves, test_memory,
                 test_region_lists] + second_round.TESTS
        for test in tests:
            if only and test.__name__ != only:
                continue
            sub = os.path.join(d, test.__name__)
            os.mkdir(sub)
            if test is test_mosaics:
                test(sub, url)
            else:
                test(sub)
    server.shutdown()
    print(f"{len(failures)} failed" if failures else "all hostile inputs handled")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
