#include "workspace_bindings.h"

#include "file_arrays.h"
#include "inputs/control_schema.h"
#include "py_engine_maps.h"
#include "py_workspace.h"
#include "slot_arrays.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <array>
#include <tuple>

namespace py = pybind11;

namespace gloamery::python {

namespace {

using Class = py::class_<PyWorkspace>;
using Pair = std::pair<double, double>;

void bindSlots(Class& c)
{
    const struct {
        Slot slot;
        const char* doc;
    } slots[] = {
        {Slot::Height, "The height map: (H, W) uint16 when deep, else the (H, W) uint8 heights the runs read. "
                       "Set (H, W) uint8 (grey), (H, W, 3) uint8 (a picture, the red byte counts), (H, W) "
                       "uint16 (a deep map) or (H, W) float32/float64 elevations (see set_height)."},
        {Slot::Shadow, "The shadow map, (H, W, 3) uint8."},
        {Slot::Colour, "The colour map, the result, (H, W, 3) uint8."},
        {Slot::Grass, "The grass picture, (H, W, 3) uint8."},
        {Slot::Stone, "The stone picture, (H, W, 3) uint8."},
        {Slot::Texture, "The texture map, (H, W, 3) uint8."},
        {Slot::Detail, "The detail picture (for the 3D view), (H, W, 3) uint8."},
    };
    for (const auto& s : slots) {
        const Slot slot = s.slot;
        c.def_property(
            std::string(slotName(slot)).c_str(), [slot](PyWorkspace& w) { return w.slot(slot); },
            [slot](PyWorkspace& w, const py::array& a) { w.setSlot(slot, a); },
            (std::string(s.doc) + " Reading gives a copy; setting reads any array of this shape and dtype "
                                  "where it lies (slices, other strides and Fortran order alike).")
                .c_str());
    }
}

void bindControls(Class& c)
{
    c.def_property(
        "sun", [](PyWorkspace& w) { return Pair{w.controls.sunX, w.controls.sunY}; },
        [](PyWorkspace& w, Pair p) { w.controls.setSun(p.first, p.second); },
        "The sun position (X0, Y0) in pixels, any finite numbers (a run refuses one beyond -32768..32767).");
    c.def_property(
        "decay", [](PyWorkspace& w) { return w.controls.decay; }, [](PyWorkspace& w, double d) { w.controls.setDecay(d); },
        "The decay: the drop of a ray's level per step (default 5).");
    c.def_property(
        "darkness", [](PyWorkspace& w) { return w.controls.darkness; },
        [](PyWorkspace& w, long long d) { w.controls.setDarkness(d); }, "The darkness 0..255 (default 128).");
    c.def_property(
        "contrast", [](PyWorkspace& w) { return w.controls.contrast; },
        [](PyWorkspace& w, long long v) { w.controls.setContrast(v); }, "The texture contrast 0..100 (default 0).");
    c.def_property(
        "blur", [](PyWorkspace& w) { return w.controls.blur; }, [](PyWorkspace& w, bool b) { w.controls.blur = b; },
        "Whether the merge smooths the shadow map (default True).");
    c.def_property(
        "blend", [](PyWorkspace& w) { return w.controls.blendName(); },
        [](PyWorkspace& w, const std::string& b) { w.controls.setBlend(b); },
        "The blend mode: '50/50', 'multiply' (default), 'multiply/2' or 'multiply/3'.");
    // The "Sun" run's controls.
    c.def_property(
        "sun_angle", [](PyWorkspace& w) { return Pair{w.controls.sun.azimuth, w.controls.sun.altitude}; },
        [](PyWorkspace& w, Pair p) { w.controls.setSunAngle(p.first, p.second); },
        "The sun's (azimuth, altitude) in degrees: azimuth clockwise from the top of the map "
        "(-1e6..1e6, default 315), altitude above the horizon (0..90, default 45).");
    c.def_property(
        "sun_size", [](PyWorkspace& w) { return w.controls.sun.size; },
        [](PyWorkspace& w, double v) { w.controls.setSunSize(v); },
        "The angular size of the sun's disc in degrees, 0..10 (default 0, a point).");
    c.def_property(
        "lambert", [](PyWorkspace& w) { return w.controls.sun.lambert; },
        [](PyWorkspace& w, bool b) { w.controls.sun.lambert = b; },
        "Whether how squarely a slope faces the sun counts (default True).");
    c.def_property(
        "sky", [](PyWorkspace& w) { return w.controls.sun.sky; }, [](PyWorkspace& w, double v) { w.controls.setSky(v); },
        "The share of the light that comes from the whole sky, 0..1 (default 0).");
    c.def_property(
        "sky_rays",
        [](PyWorkspace& w) { return std::pair<int, int>{w.controls.sun.skyAzimuths, w.controls.sun.skyAltitudes}; },
        [](PyWorkspace& w, std::pair<long long, long long> p) { w.controls.setSkyRays(p.first, p.second); },
        "The sky rays (N azimuths 1..256, M altitudes 1..16), default (16, 4).");
    c.def_property(
        "ground", [](PyWorkspace& w) { return Pair{w.controls.sun.groundX, w.controls.sun.groundY}; },
        [](PyWorkspace& w, Pair p) { w.controls.setGround(p.first, p.second); },
        "The ground size of a pixel (across, down) in the units of the elevations, each 1e-9..1e9 "
        "(default (1, 1)).");
    c.def_property(
        "vertical", [](PyWorkspace& w) { return w.controls.sun.vertical; },
        [](PyWorkspace& w, double v) { w.controls.setVertical(v); },
        "The elevation of one 8-bit height level, 1e-9..1e9 (default 1).");
    c.def_property(
        "normal_convention",
        [](PyWorkspace& w) {
            const auto i = static_cast<std::size_t>(w.controls.normal.convention);
            return std::string(controlRow(ControlId::NormalConvention).choices[i]);
        },
        [](PyWorkspace& w, const std::string& name) { w.controls.setNormalConvention(name); },
        "The normal map's y: 'opengl' (up the map, default) or 'directx' (down it).");
    c.def_property(
        "normal_depth", [](PyWorkspace& w) { return w.controls.normal.bits; },
        [](PyWorkspace& w, const py::object& bits) {
            // 8 or 16, or their texts as settings files and QGIS give them.
            if (py::isinstance<py::str>(bits)) {
                const std::string t = bits.cast<std::string>();
                return w.controls.setNormalDepth(t == "16" ? 16 : t == "8" ? 8 : -1);
            }
            w.controls.setNormalDepth(bits.cast<long long>());
        },
        "The normal map's bits a component, 8 (default) or 16.");
    c.def_property(
        "directions", [](PyWorkspace& w) { return w.controls.relief.directions; },
        [](PyWorkspace& w, long long n) { w.controls.setDirections(n); },
        "The directions the relief layers look along, 1..256 (default 16).");
    c.def_property(
        "radius", [](PyWorkspace& w) { return w.controls.relief.radius; },
        [](PyWorkspace& w, const py::object& r) {
            // None or "none" (as settings files and QGIS write it), else a number or its text.
            if (r.is_none()) return w.controls.setRadius(std::nullopt);
            if (py::isinstance<py::str>(r)) return w.controls.setRadiusText(r.cast<std::string>());
            w.controls.setRadius(r.cast<double>());
        },
        "How far the relief layers look, in ground units, 1e-9..1e12, or None (default: to the map's edge).");
    c.def_property(
        "blend_opacity", [](PyWorkspace& w) { return w.controls.blendOpacity; },
        [](PyWorkspace& w, double p) { w.controls.setBlendOpacity(p); },
        "The blend's share over the texture map, 0..100 (default 100).");
    c.def_property(
        "colours", [](PyWorkspace& w) { return w.controls.colours; },
        [](PyWorkspace& w, const std::string& t) { w.controls.setColours(t); },
        "tint's colour table: a shipped table's name ('land', 'land-sea', 'grey') or a file (default 'land').");
    c.def_property(
        "colour_entries",
        [](PyWorkspace& w) {
            const auto i = static_cast<std::size_t>(w.controls.colourEntries);
            return std::string(controlRow(ControlId::ColourEntries).choices[i]);
        },
        [](PyWorkspace& w, const std::string& name) { w.controls.setColourEntries(name); },
        "How tint colours between a table's entries: 'interpolate' (default), 'exact' or 'nearest'.");
    // The real sun.
    using Period = std::tuple<std::string, std::string, long long>;
    c.def_property(
        "when", [](PyWorkspace& w) { return w.controls.whenText(); },
        [](PyWorkspace& w, const std::optional<std::string>& t) { w.controls.setWhen(t); },
        "The real sun's date and time with its zone, as in '2026-06-21T09:00[Europe/Zurich]', "
        "'2026-06-21T07:00Z' or '2026-06-21T09:00+02:00' (read back in UTC), or None (default): with one, "
        "sun_run() takes its azimuth and altitude from the sun then at place.");
    c.def_property(
        "place",
        [](PyWorkspace& w) -> std::optional<Pair> {
            if (!w.controls.place) return std::nullopt;
            return Pair{w.controls.place->latitude, w.controls.place->longitude};
        },
        [](PyWorkspace& w, const py::object& p) {
            // None, (lat, lon), or the text --place takes ("46.5,7.9", "none").
            if (py::isinstance<py::str>(p)) return w.controls.setPlaceText(p.cast<std::string>());
            w.controls.setPlace(p.cast<std::optional<Pair>>());
        },
        "Where the real sun is seen from, (latitude, longitude) in degrees north and east, or None (default: the "
        "centre of the map's place, through geotransform and crs).");
    c.def_property(
        "period", [](PyWorkspace& w) { return w.controls.periodParts(); },
        [](PyWorkspace& w, const py::object& p) {
            // None, (FROM, TO, STEP), or the text --period takes.
            if (py::isinstance<py::str>(p)) return w.controls.setPeriodText(p.cast<std::string>());
            w.controls.setPeriod(p.cast<std::optional<Period>>());
        },
        "The period sun_hours() and direct_light() follow, (FROM, TO, STEP): two times with their zones and a "
        "step of 1..1440 minutes (read back in UTC), or None (default).");
}

void bindOperations(Class& c)
{
    for (const OperationRow& row : operationRows()) {
        const batch::Operation op = &row;
        c.def(
            std::string(row.python).c_str(),
            [op](PyWorkspace& w, py::object progress, py::object cancel) { w.run(op, progress, cancel); },
            py::kw_only(), py::arg("progress") = py::none(), py::arg("cancel") = py::none(),
            (std::string(row.doc) + " Releases the GIL; raises ValueError when the controls cannot be used. "
                                    "progress(fraction) is called as the run goes on, cancel() between its parts: "
                                    "when it answers True the run stops, the maps as they were, and raises "
                                    "gloamery.Cancelled.")
                .c_str());
    }
    c.def(
        "run",
        [](PyWorkspace& w, const std::string& name, py::object progress, py::object cancel) {
            w.run(operationNamed(name), progress, cancel);
        },
        py::arg("name"), py::kw_only(), py::arg("progress") = py::none(), py::arg("cancel") = py::none(),
        ("Runs the operation of gloamery-batch's name: " + operationNameList()
         + "; progress and cancel as for the methods.")
            .c_str());
}

void bindPlace(Class& c)
{
    using Transform = std::array<double, 6>;
    c.def(
        "set_height",
        [](PyWorkspace& w, const py::array& a, std::optional<Pair> heights) -> std::optional<Pair> {
            std::optional<ElevationRange> range;
            if (heights) range = checkedRange(heights->first, heights->second);
            const auto used = w.setHeights(a, range);
            if (!used) return std::nullopt;
            return Pair{used->low, used->high};
        },
        py::arg("array"), py::kw_only(), py::arg("heights") = py::none(),
        "Sets the height map from an array, as assigning ws.height does. Float elevations (float32 or "
        "float64) are mapped onto 16-bit samples as a raster's are: heights=(LO, HI) onto 0..65535, by default "
        "their own least and greatest; NaN and infinite cells are no-data (the least height, and clear in "
        "saved colour maps), and the vertical unit becomes (HI - LO) / 255. Returns (LO, HI) for floats, "
        "else None.");
    c.def_property(
        "geotransform",
        [](PyWorkspace& w) -> std::optional<Transform> {
            const auto p = w.place();
            if (!p) return std::nullopt;
            return p->transform;
        },
        [](PyWorkspace& w, std::optional<Transform> t) {
            if (!t) return w.setPlace(std::nullopt);
            GeoPlace p = w.place().value_or(GeoPlace{});
            p.transform = *t;
            w.setPlace(p);
        },
        "Where the map lies: GDAL's six geotransform numbers, or None. Set from a raster's load or open; "
        "GeoTIFF saves carry it.");
    c.def_property(
        "crs",
        [](PyWorkspace& w) -> std::optional<std::string> {
            const auto p = w.place();
            if (!p) return std::nullopt;
            return p->wkt;
        },
        [](PyWorkspace& w, const std::string& wkt) {
            auto p = w.place();
            if (!p) throw std::invalid_argument("crs needs a place first: set geotransform");
            p->wkt = wkt;
            w.setPlace(p);
        },
        "The coordinate system of the map's place as WKT ('' when the raster names none), or None when "
        "it lies nowhere.");
}

void bindFiles(Class& c)
{
    c.def(
        "load",
        [](PyWorkspace& w, const std::string& slot, const std::string& path, bool tile,
           std::optional<Pair> heights) {
            std::optional<ElevationRange> range;
            if (heights) range = checkedRange(heights->first, heights->second);
            return w.load(slotNamed(slot), path, tile, range);
        },
        py::arg("slot"), py::arg("path"), py::kw_only(), py::arg("tile") = false, py::arg("heights") = py::none(),
        "Puts a file into the slot as gloamery-batch's --load (at the top-left, cropped) or, with tile=True, "
        "--tile does; a raster loaded as height sets the place and the ground and vertical units. Returns (width, height, note): the file's size and what the reader has to say (the "
        "range of a raster's elevations), usually ''. Raises OSError when the file cannot be read.");
    c.def(
        "save",
        [](PyWorkspace& w, const std::string& slot, const std::string& path) {
            if (slot == "layer") return w.saveLayer(path);
            w.save(slotNamed(slot), path);
        },
        py::arg("slot"), py::arg("path"),
        "Writes the slot as gloamery-batch's --save does, by the name's extension: BMP, PNG (a deep height map "
        "as 16-bit grey), a Cloud Optimized GeoTIFF (.tif, .tiff) where the map lies, or raw 16-bit heights "
        "(.r16, .raw), atomically. save('layer', 'x.tif') writes the layer as a 32-bit float GeoTIFF where the "
        "map lies, no-data cells -9999 (ValueError before a layer operation has run, or for another extension). "
        "Raises OSError when the file cannot be written.");
    c.def_property_readonly(
        "layer", [](PyWorkspace& w) { return w.layer(); },
        "The map's real-valued layer, (H, W) float32, that the last layer operation made (sky_view, openness, "
        "openness_negative, multi_hillshade...): the sky-view factor, openness in degrees, the hillshade's "
        "bytes. Cells the raster held no data in are NaN. None before a layer operation has run.");
}

} // namespace

void bindWorkspace(py::module_& m)
{
    Class c(m, "Workspace",
            "A terrain's pictures and controls, as gloamery-batch works on them. Every slot is a NumPy array "
            "property; every operation a method that releases the GIL.");
    c.def(py::init<int, int, bool>(), py::arg("width") = kDefaultMapSize, py::arg("height") = kDefaultMapSize,
          py::kw_only(), py::arg("defaults") = true,
          "A width x height map (each side 1..16384) at the control panel's start state: its default height, "
          "grass, stone and detail pictures repeated to the size, as gloamery-batch --size makes them. With "
          "defaults=False every slot starts at its background colour.");
    // "height" is the height map's slot, so the sides go by size and shape.
    c.def_property_readonly("size", [](PyWorkspace& w) { return std::pair<int, int>{w.width(), w.height()}; },
                            "The map's size (W, H) in pixels.");
    c.def_property_readonly("shape", [](PyWorkspace& w) { return std::pair<int, int>{w.height(), w.width()}; },
                            "The map's (H, W), the first two sides of every slot's array.");
    c.def("__repr__", [](PyWorkspace& w) {
        return "<gloamery.Workspace " + std::to_string(w.width()) + " x " + std::to_string(w.height())
             + (w.deep() ? ", deep heights>" : ">");
    });
    c.def_property_readonly("deep", &PyWorkspace::deep, "Whether the runs read 16-bit heights.");
    c.def("resize", &PyWorkspace::resize, py::arg("width"), py::arg("height"),
          "Makes every slot width x height as gloamery-batch --size does: the height, grass, stone and detail "
          "pictures repeat from the top-left, the shadow, texture and colour maps start afresh.");
    bindSlots(c);
    bindControls(c);
    bindOperations(c);
    bindPlace(c);
    bindFiles(c);
    bindEngineMaps(c);
}

} // namespace gloamery::python
