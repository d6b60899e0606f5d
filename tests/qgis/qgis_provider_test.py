#!/usr/bin/python3
"""The Gloamery Processing provider inside QGIS, headless, against the batch tool.

    qgis_provider_test.py BATCH_TOOL MODULE_DIR PLUGIN_DIR

MODULE_DIR holds the gloamery package, PLUGIN_DIR the gloamery_provider
plugin. On matplotlib's sample DEM written as a GeoTIFF, every algorithm's
output through processing.run equals gloamery-batch --open's byte for byte
and keeps the DEM's coordinate system (a relief layer's float GeoTIFF too,
with its no-data cells); a value outside a control's range is
refused; Cancel stops a run; and qgis_process, with the plugin enabled in a
scratch profile, runs an algorithm to the same bytes and refuses a bad
parameter. Prints each failed case and exits 1 if any failed.
"""
import os
import subprocess
import sys
import tempfile


BATCH, MODULE_DIR, PLUGIN_DIR = (os.path.abspath(a) for a in sys.argv[1:4])
os.environ["QT_QPA_PLATFORM"] = "offscreen"
sys.path[:0] = [MODULE_DIR, PLUGIN_DIR, "/usr/share/qgis/python/plugins"]

from osgeo import gdal, osr  # noqa: E402
from qgis.core import (  # noqa: E402
    QgsApplication,
    QgsProcessingException,
    QgsProcessingFeedback,
    QgsRasterLayer,
)

import gloamery  # noqa: E402

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from sample_dem import sample_dem  # noqa: E402

gdal.UseExceptions()
failures = []


def check(name, ok, detail=""):
    if not ok:
        failures.append(f"{name}: {detail}")
        print(f"FAIL {name}: {detail}")


def read(path):
    with open(path, "rb") as f:
        return f.read()


def batch(args, out):
    subprocess.run([BATCH, *args, out], check=True, capture_output=True)
    return read(out)


def flags_of(operation, given):
    """gloamery-batch's flags for the parameters given (AZIMUTH=300 ...)."""
    from gloamery_provider.parameters import parameters_of

    schema = {row["python"]: row for row in gloamery.CONTROL_SCHEMA}
    flags = []
    for control in operation["controls"]:
        row = schema[control]
        params = parameters_of(row)
        if not any(p.name in given for p in params):
            continue
        starts = row["start"].split(",")
        texts = []
        for p, start in zip(params, starts * len(params)):
            v = given.get(p.name)
            if v is None:
                texts.append(start)
            elif p.kind == "flag":
                texts.append("on" if v else "off")
            elif p.kind == "choice":
                texts.append(row["choices"][v])
            else:
                texts.append(repr(v) if isinstance(v, float) else str(v))
        flags += [row["flag"], ",".join(texts)]
    return flags


# Settings away from the defaults, by algorithm; every other algorithm
# runs with its defaults.
SETTINGS = {
    "sun": {"AZIMUTH": 290.0, "ALTITUDE": 30.0, "SKY": 0.25, "SIZE": 1.0, "DARKNESS": 100},
    "linear": {"X0": 300.0, "Y0": -100.0, "DECAY": 2.0},
    "make-texture2": {"CONTRAST": 40},
    "sky-view": {"DIRECTIONS": 8, "RADIUS": "3000"},
    "multi-hillshade": {"ALTITUDE": 30.0, "DARKNESS": 90},
    # The place comes from the DEM's own coordinate system.
    "sun-hours": {"PERIOD": "2026-06-21T03:00Z,2026-06-21T19:00Z,40"},
    "direct-light": {"PERIOD": "2026-12-21T06:00+01:00,2026-12-21T18:00+01:00,30"},
}


def same_place(out, dem):
    a, b = gdal.Open(out), gdal.Open(dem)
    return a.GetGeoTransform() == b.GetGeoTransform() and osr.SpatialReference(wkt=a.GetProjection()).IsSame(
        osr.SpatialReference(wkt=b.GetProjection()))


def run_algorithms(processing, work, dem):
    from gloamery_provider.algorithm import offered, output_slot

    offered_ops = [op for op in gloamery.OPERATION_TABLE if offered(op)]
    ids = {a.id() for a in QgsApplication.processingRegistry().providerById("gloamery").algorithms()}
    check("every operation offered", ids == {"gloamery:" + op["name"] for op in offered_ops}, sorted(ids))
    check("sun and the texture buttons", {"gloamery:sun", "gloamery:make-texture", "gloamery:make-texture2"} <= ids)
    for op in offered_ops:
        name, given = op["name"], SETTINGS.get(op["name"], {})
        out = os.path.join(work, f"{name}-qgis.tif")
        layered = op["kind"] == "layer"
        if layered:
            given = {"LAYER_OUTPUT": os.path.join(work, f"{name}-layer-qgis.tif"), **given}
        try:
            result = processing.run("gloamery:" + name, {"INPUT": dem, "BAND": 1, "OUTPUT": out, **given})
        except QgsProcessingException as e:
            check(name, False, f"refused: {e}")
            continue
        expected = batch(["--open", dem, *flags_of(op, given), name, "--save", output_slot(op)],
                         os.path.join(work, f"{name}-batch.tif"))
        check(f"{name} equals the batch tool", read(result["OUTPUT"]) == expected)
        check(f"{name} keeps the place", same_place(result["OUTPUT"], dem))
        layer = QgsRasterLayer(result["OUTPUT"], name)
        check(f"{name} is a layer in EPSG:4326", layer.isValid() and layer.crs().authid() == "EPSG:4326",
              layer.crs().authid())
        if layered:
            expected = batch(["--open", dem, *flags_of(op, given), name, "--save", "layer"],
                             os.path.join(work, f"{name}-layer-batch.tif"))
            check(f"{name}'s layer equals the batch tool", read(result["LAYER_OUTPUT"]) == expected)
            check(f"{name}'s layer keeps the place", same_place(result["LAYER_OUTPUT"], dem))
            saved = gdal.Open(result["LAYER_OUTPUT"])
            floats = saved.GetRasterBand(1).DataType == gdal.GDT_Float32
            check(f"{name}'s layer is 32-bit floats", floats)


def run_refusals(processing, work, dem):
    cases = [
        ("altitude above 90", "sun", {"ALTITUDE": 95.0}),
        ("darkness below 0", "sun", {"DARKNESS": -1}),
        ("sky share above 1", "sun", {"SKY": 1.5}),
        ("too many sky azimuths", "sun", {"SKY_RAYS_AZIMUTHS": 257}),
        ("a ground size of 0", "sun", {"GROUND_ACROSS": 0.0}),
        ("contrast above 100", "make-texture", {"CONTRAST": 101}),
        ("too many directions", "sky-view", {"DIRECTIONS": 257}),
        ("no such band", "sun", {"BAND": 5}),
    ]
    for i, (case, name, given) in enumerate(cases):
        out = os.path.join(work, f"refused-{i}.tif")
        try:
            processing.run("gloamery:" + name, {"INPUT": dem, "OUTPUT": out, **given})
            check(case, False, "ran")
        except QgsProcessingException as e:
            # QGIS's own words, naming the parameter.
            check(case, next(iter(given)) in str(e), str(e))
        check(f"{case} writes nothing", not os.path.exists(out))


def run_cancel(processing, work, dem):
    feedback = QgsProcessingFeedback()
    told = []
    feedback.progressChanged.connect(lambda p: (told.append(p), feedback.cancel()))
    out = os.path.join(work, "cancelled.tif")
    try:
        processing.run("gloamery:sun", {"INPUT": dem, "OUTPUT": out, "SKY": 0.5, "SKY_RAYS_AZIMUTHS": 256},
                       feedback=feedback)
        check("cancel stops the run", False, "it ran to the end")
    except QgsProcessingException as e:
        check("cancel stops the run", "stopped" in str(e) or "error" in str(e).lower(), str(e))
    check("progress reached QGIS before the stop", len(told) >= 1 and all(0 <= p < 100 for p in told), told)
    check("a stopped run writes nothing", not os.path.exists(out))
    # The same feedback, not cancelled, shows the run to its end.
    feedback = QgsProcessingFeedback()
    told = []
    feedback.progressChanged.connect(told.append)
    processing.run("gloamery:sun", {"INPUT": dem, "OUTPUT": os.path.join(work, "told.tif"), "SKY": 0.5},
                   feedback=feedback)
    check("progress runs to 100", told and told[-1] == 100, told[-3:])


def run_band(processing, work, dem):
    two = os.path.join(work, "two-bands.tif")
    sample_dem(two, bands=2)
    a = processing.run("gloamery:sun", {"INPUT": two, "BAND": 2, "OUTPUT": os.path.join(work, "band2.tif")})
    b = processing.run("gloamery:sun", {"INPUT": dem, "BAND": 1, "OUTPUT": os.path.join(work, "band1.tif")})
    check("band 2 is read", read(a["OUTPUT"]) == read(b["OUTPUT"]))


def run_nodata(processing, work, dem):
    holed = os.path.join(work, "holed.tif")
    sample_dem(holed, nodata=-32768)
    out = processing.run("gloamery:sun", {"INPUT": holed, "OUTPUT": os.path.join(work, "holed-lit.tif")})["OUTPUT"]
    lit = gdal.Open(out)
    alpha = lit.GetRasterBand(lit.RasterCount).ReadAsArray() if lit.RasterCount == 4 else None
    check("no-data cells are clear", alpha is not None and (alpha[:10, :20] == 0).all() and alpha[10:].min() == 255,
          f"{lit.RasterCount} bands")
    expected = batch(["--open", holed, "sun", "--save", "colour"], os.path.join(work, "holed-batch.tif"))
    check("no-data: equals the batch tool", read(out) == expected)
    # A layer keeps the raster's no-data cells as its own, even where QGIS
    # chose the file (a temporary output).
    made = processing.run("gloamery:sky-view", {"INPUT": holed, "OUTPUT": os.path.join(work, "holed-sv.tif")})
    saved = gdal.Open(made["LAYER_OUTPUT"])
    band = saved.GetRasterBand(1)
    values = band.ReadAsArray()
    check("no-data: the layer's cells", band.GetNoDataValue() == -9999 and (values[:10, :20] == -9999).all()
          and (values[10:] != -9999).all(), band.GetNoDataValue())


def qgis_process(work, dem):
    """qgis_process with the plugin enabled in a scratch profile."""
    tool = "/usr/bin/qgis_process.bin" if os.path.exists("/usr/bin/qgis_process.bin") else "qgis_process"
    home = os.path.join(work, "home")
    profile = os.path.join(home, ".local", "share", "QGIS", "QGIS3", "profiles", "default", "QGIS")
    os.makedirs(profile)
    runtime = os.path.join(work, "runtime")
    os.mkdir(runtime, 0o700)
    with open(os.path.join(profile, "QGIS3.ini"), "w") as f:
        f.write("[PythonPlugins]\ngloamery_provider=true\n")
    env = dict(os.environ, HOME=home, QGIS_PLUGINPATH=PLUGIN_DIR, XDG_RUNTIME_DIR=runtime,
               PYTHONPATH=MODULE_DIR + os.pathsep + os.environ.get("PYTHONPATH", ""))
    out = os.path.join(work, "process.tif")
    ran = subprocess.run([tool, "run", "gloamery:sun", "--", f"INPUT={dem}", f"OUTPUT={out}", "AZIMUTH=290",
                          "ALTITUDE=30"], env=env, capture_output=True, text=True, timeout=600)
    check("qgis_process runs gloamery:sun", ran.returncode == 0 and os.path.exists(out), ran.stdout + ran.stderr)
    if os.path.exists(out):
        expected = batch(["--open", dem, "--sun-angle", "290,30", "sun", "--save", "colour"],
                         os.path.join(work, "process-batch.tif"))
        check("qgis_process equals the batch tool", read(out) == expected)
    bad = subprocess.run([tool, "run", "gloamery:sun", "--", f"INPUT={dem}", f"OUTPUT={out}.bad.tif",
                          "ALTITUDE=95"], env=env, capture_output=True, text=True, timeout=600)
    check("qgis_process refuses a bad parameter", bad.returncode != 0 and "ALTITUDE" in bad.stdout + bad.stderr,
          bad.stdout + bad.stderr)


def main():
    app = QgsApplication([], False)
    app.initQgis()
    import processing
    from processing.core.Processing import Processing

    from gloamery_provider.provider import GloameryProvider

    Processing.initialize()
    provider = GloameryProvider()  # the registry's; kept from Python's collector while it runs
    QgsApplication.processingRegistry().addProvider(provider)
    with tempfile.TemporaryDirectory() as work:
        dem = os.path.join(work, "jacksboro.tif")
        sample_dem(dem)
        for part in (run_algorithms, run_refusals, run_cancel, run_band, run_nodata):
            part(processing, work, dem)
        qgis_process(work, dem)
    if failures:
        print(f"{len(failures)} failed")
        return 1
    print("QGIS provider: OK")
    return 0


if __name__ == "__main__":
    sys.exit(main())
