#include "py_engine_maps.h"

#include "errors.h"
#include "python_controls.h"

#include "inputs/control_schema.h"
#include "shadow/normal_map.h"
#include "shadow/relief.h"
#include "workspace/reporter.h"
#include "workspace/fit_heights.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <variant>

namespace py = pybind11;

namespace gloamery::python {

namespace {

// An (H, W, channels) array of T from rows of channels x W samples.
template <class T, class Rows>
py::array rowsArray(int w, int h, int channels, const Rows& rows)
{
    py::array_t<T> out({h, w, channels});
    T* data = out.mutable_data();
    const std::size_t row = static_cast<std::size_t>(channels) * static_cast<std::size_t>(w);
    {
        py::gil_scoped_release unlocked;
        std::vector<std::uint16_t> samples(row);
        for (int y = 0; y < h; ++y) {
            rows(y, samples.data());
            std::copy(samples.begin(), samples.end(), data + static_cast<std::size_t>(y) * row);
        }
    }
    return out;
}

} // namespace

// A choice given to normal_map(), checked as the control's row checks it;
// nothing given, the control as it stands.
int chosen(ControlId id, const std::optional<std::string>& name, int standing)
{
    if (!name) return standing;
    const ControlRow& row = controlRow(id);
    const auto index = choiceIndex(row, *name);
    if (!index) throw std::invalid_argument(pythonRefusal(row, quoted(*name)));
    return *index;
}

py::array PyWorkspace::normalMap(const std::optional<std::string>& convention, std::optional<int> depth)
{
    const NormalControls& n = controls.normal;
    const auto conv = static_cast<NormalConvention>(chosen(ControlId::NormalConvention, convention, static_cast<int>(n.convention)));
    const std::optional<std::string> depthName = depth ? std::optional(std::to_string(*depth)) : std::nullopt;
    const int bits = chosen(ControlId::NormalDepth, depthName, n.bits == 16 ? 1 : 0) == 1 ? 16 : 8;
    const SunControls& sun = controls.sun;
    const NormalOptions o{conv, bits, sun.groundX, sun.groundY, sun.vertical};
    auto held = hold();
    const auto rows = [&](int y, std::uint16_t* out) { workspaceNormalRow(ws_, o, y, out); };
    if (bits == 16) return rowsArray<std::uint16_t>(ws_.width(), ws_.height(), 3, rows);
    return rowsArray<std::uint8_t>(ws_.width(), ws_.height(), 3, rows);
}

py::array PyWorkspace::splatMap()
{
    auto held = hold();
    const auto& rows = ws_.splatRows();
    if (!rows) throw std::invalid_argument("there is no splat map before make_texture or make_texture2 has run");
    return rowsArray<std::uint8_t>(ws_.width(), ws_.height(), 4, *rows);
}

py::array PyWorkspace::occlusionMap(std::optional<long long> directions, std::optional<double> radius)
{
    // Checked as the properties check them, and in their words.
    Controls c = controls;
    if (directions) setControlFromPython(c, controlRow(ControlId::Directions), py::int_(*directions));
    if (radius) setControlFromPython(c, controlRow(ControlId::Radius), py::float_(*radius));
    auto held = hold();
    std::variant<GreyMap, Error> made = Error{};
    {
        py::gil_scoped_release unlocked;
        SilentReporter quiet;
        made = gloamery::occlusionMap(ws_, c.sun, c.relief, quiet);
    }
    if (const Error* e = std::get_if<Error>(&made)) throw std::invalid_argument("occlusion_map: " + e->message);
    const GreyMap& grey = std::get<GreyMap>(made);
    py::array_t<std::uint8_t> out({ws_.height(), ws_.width()});
    std::copy(grey.begin(), grey.end(), out.mutable_data());
    return out;
}

void PyWorkspace::fit(int width, int height)
{
    checkMapSize(width, height);
    auto held = hold();
    py::gil_scoped_release unlocked;
    if (const Refusal r = fitToSize(ws_, width, height)) throw std::invalid_argument("fit: " + r->message);
}

void bindEngineMaps(py::class_<PyWorkspace>& c)
{
    c.def("normal_map", &PyWorkspace::normalMap, py::kw_only(), py::arg("convention") = py::none(),
          py::arg("depth") = py::none(),
          "The normal map, (H, W, 3) uint8 (depth=8) or uint16 (depth=16): each pixel's unit normal from its "
          "slope in the ground units of ground and vertical, x to the right and y up the map "
          "(convention='opengl') or down it ('directx'), each component c stored as (c + 1) x 127.5 "
          "(or x 32767.5) rounded. Flat ground is (128, 128, 255). Without them, the normal_convention and "
          "normal_depth controls. Raises ValueError for another convention or depth.");
    c.def("splat_map", &PyWorkspace::splatMap,
          "The splat map, (H, W, 4) uint8: the stone weight t of the texture run last made (make_texture or "
          "make_texture2), limited to 0..1, as green round(255 t), grass in red 255 - green, blue and alpha 0. "
          "Raises ValueError before a texture run.");
    c.def("occlusion_map", &PyWorkspace::occlusionMap, py::kw_only(), py::arg("directions") = py::none(),
          py::arg("radius") = py::none(),
          "The ambient-occlusion map, (H, W) uint8: the sky-view factor of every pixel over `directions` "
          "directions (1..256), as far as `radius` ground units (1e-9..1e12), stored as round(255 x SVF), "
          "as gloamery-batch --save occlusion writes it. Without them, the directions and radius controls "
          "(radius None there: to the map's edge). Raises ValueError for a value out of range.");
    c.def("fit", &PyWorkspace::fit, py::arg("width"), py::arg("height"),
          "Resamples the height map to width x height (cubic, its corners kept on the corners, as engines "
          "sample a heightfield) into deep heights, every other slot made that size as resize() does; as "
          "gloamery-batch --fit W,H.");
}

} // namespace gloamery::python
