#include "workspace_bindings.h"

#include "file_arrays.h"
#include "py_workspace.h"
#include "slot_arrays.h"
#include "inputs/sun_time.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

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
                       "Set (H, W) uint8 (grey), (H, W, 3) uint8 (a picture, the red byte counts) or (H, W) "
                       "uint16 (a deep map)."},
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
            (std::string(s.doc) + " Reading gives a copy; setting reads a C-contiguous array of exactly this "
                                  "shape and dtype in place.")
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
    // The real sun.
    c.def_property(
        "when",
        [](PyWorkspace& w) {
            return w.controls.when ? std::optional<std::string>(utcText(*w.controls.when)) : std::nullopt;
        },
        [](PyWorkspace& w, const std::optional<std::string>& t) {
            if (t) w.controls.setWhen(*t);
            else w.controls.when.reset();
        },
        "The sun's date and time with its zone, as in '2026-06-21T09:00[Europe/Zurich]' (read back in UTC), or "
        "None: sun_run() then takes its angles from the sun at place.");
    c.def_property(
        "place",
        [](PyWorkspace& w) {
            return w.controls.place ? std::optional<Pair>(Pair{w.controls.place->latitude, w.controls.place->longitude})
                                    : std::nullopt;
        },
        [](PyWorkspace& w, const std::optional<Pair>& p) {
            if (p) w.controls.setPlace(p->first, p->second);
            else w.controls.place.reset();
        },
        "Where the sun is seen from, (latitude, longitude) in degrees north and east, or None.");
    c.def_property(
        "period",
        [](PyWorkspace& w) {
            const auto& p = w.controls.period;
            using Period = std::tuple<std::string, std::string, int>;
            return p ? std::optional<Period>(Period{utcText(p->from), utcText(p->to), p->stepMinutes}) : std::nullopt;
        },
        [](PyWorkspace& w, const std::optional<std::tuple<std::string, std::string, int>>& p) {
            if (p)
                w.controls.setPeriod(std::get<0>(*p) + "," + std::get<1>(*p) + "," + std::to_string(std::get<2>(*p)));
            else w.controls.period.reset();
        },
        "The period (FROM, TO, STEP): two times with their zones and a step of 1..1440 minutes, or None.");
}

void bindOperations(Class& c)
{
    const struct {
        const char* method;
        batch::Operation op;
        const char* doc;
    } operations[] = {
        {"linear", batch::Operation::Linear, "Casts the shadow map from the sun (\"Linear\"), then merges it into the colour map."},
        {"linear_sim", batch::Operation::LinearSim, "The \"Linear sim\" shadow run, then the merge."},
        {"sin", batch::Operation::Sin, "The \"Sin func\" shadow run, then the merge."},
        {"cos", batch::Operation::Cos, "The \"Cos func\" shadow run, then the merge."},
        {"embossed", batch::Operation::Embossed, "The \"Embossed\" shading, then the merge."},
        {"make_texture", batch::Operation::MakeTexture, "Mixes grass and stone into the texture map by height."},
        {"make_texture2", batch::Operation::MakeTexture2, "Mixes grass and stone into the texture map by slope."},
        {"clear", batch::Operation::Clear, "Empties the shadow map."},
        {"sun_run", batch::Operation::Sun,
         "Lights the map from the sun at sun_angle (soft with sun_size, with sky light by sky), then the merge; "
         "run(\"sun\") does the same."},
    };
    for (const auto& o : operations) {
        const batch::Operation op = o.op;
        c.def(o.method, [op](PyWorkspace& w) { w.run(op); },
              (std::string(o.doc) + " Releases the GIL; raises ValueError when the controls cannot be used.").c_str());
    }
    c.def(
        "sun_hours", [](PyWorkspace& w) { return w.sums(batch::Operation::SunHours); },
        "Hours of direct sun over the period at place: lights the shadow map from them, merges, and returns them "
        "as (H, W) float32. Releases the GIL; raises ValueError without a period or a place.");
    c.def(
        "direct_light", [](PyWorkspace& w) { return w.sums(batch::Operation::DirectLight); },
        "kWh per square metre from the clear-sky beam over the period at place, as sun_hours() does.");
    c.def(
        "run", [](PyWorkspace& w, const std::string& name) { w.run(operationNamed(name)); }, py::arg("name"),
        "Runs the operation of gloamery-batch's name: linear, linear-sim, sin, cos, embossed, sun, make-texture, "
        "make-texture2, clear, sun-hours or direct-light.");
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
        "--tile does. Returns (width, height, note): the file's size and what the reader has to say (the "
        "range of a raster's elevations), usually ''. Raises OSError when the file cannot be read.");
    c.def(
        "save", [](PyWorkspace& w, const std::string& slot, const std::string& path) { w.save(slotNamed(slot), path); },
        py::arg("slot"), py::arg("path"),
        "Writes the slot as gloamery-batch's --save does: BMP or PNG by the name's extension (a deep height map "
        "as 16-bit grey PNG), atomically. Raises OSError when the file cannot be written.");
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
    bindFiles(c);
}

} // namespace gloamery::python
