#include "workspace_bindings.h"

#include "file_arrays.h"
#include "inputs/control_schema.h"
#include "py_engine_maps.h"
#include "py_workspace.h"
#include "python_controls.h"
#include "slot_arrays.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <array>
#include <utility>

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

// Every control row with a Python name is a property, converted and
// checked by its row: a control added to the table needs nothing here.
void bindControls(Class& c)
{
    for (const ControlRow& row : controlRows()) {
        if (row.python.empty()) continue;
        const ControlRow* r = &row; // the table lives as long as the program
        c.def_property(
            std::string(row.python).c_str(), [r](PyWorkspace& w) { return controlToPython(w.controls, *r); },
            [r](PyWorkspace& w, const py::object& v) { setControlFromPython(w.controls, *r, v); },
            controlDoc(row).c_str());
    }
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
