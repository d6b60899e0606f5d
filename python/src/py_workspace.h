#pragma once
// A workspace as Python holds it: the slots, the controls and the batch
// tool's operations, safe to share between Python threads. Every run
// releases the interpreter lock; a workspace's own lock keeps two threads
// from working on it at once.

#include "slot_arrays.h"

#include "batch_plan.h"
#include "imageio/elevation.h"
#include "imageio/geo_place.h"
#include "inputs/controls.h"
#include "workspace/workspace.h"

#include <pybind11/numpy.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>

namespace gloamery::python {

class PyWorkspace {
public:
    // A map of w x h at the control panel's start state (its default
    // pictures repeated to the size), or every slot at its background.
    PyWorkspace(int width, int height, bool defaults);
    // A map of the height file's size with the file loaded as height, as
    // the batch tool's --open makes it; file failures throw FileError.
    static std::unique_ptr<PyWorkspace> open(const std::string& path, const std::optional<ElevationRange>& heights);

    int width() const { return ws_.width(); }
    int height() const { return ws_.height(); }
    void resize(int width, int height);

    pybind11::array slot(Slot s);
    void setSlot(Slot s, const pybind11::array& a);
    // The height map from an array; float elevations are mapped over
    // `heights` or their own least and greatest, as a raster's are, and
    // the range used is returned (nothing for whole samples).
    std::optional<ElevationRange> setHeights(const pybind11::array& a, const std::optional<ElevationRange>& heights);
    bool deep();

    // Runs an operation as the batch tool does, with the controls as they
    // stand; a refusal throws std::invalid_argument.
    // With a reporter, its progress told and its stop request heeded:
    // a run stopped or a callback that raised throws after the run.
    void run(batch::Operation op);
    void run(batch::Operation op, pybind11::object progress, pybind11::object cancel);

    // --load / --tile and --save; file failures throw FileError.
    std::tuple<int, int, std::string> load(Slot s, const std::string& path, bool tile,
                                           const std::optional<ElevationRange>& heights);
    void save(Slot s, const std::string& path);
    // The map's real-valued layer as float32, no-data cells NaN; nothing
    // before a layer operation has run. Saved as --save layer saves it.
    std::optional<pybind11::array> layer();
    void saveLayer(const std::string& path);

    // Where the map lies (a raster's geotransform and coordinate system),
    // which GeoTIFF saves carry; nothing when it lies nowhere.
    std::optional<GeoPlace> place();
    void setPlace(const std::optional<GeoPlace>& place);
    // The maps a game engine imports (py_engine_maps.cpp): the normal map
    // in the Sun controls' ground units, the last texture run's splat map,
    // the ambient occlusion, and the heights fitted to an engine's size.
    pybind11::array normalMap(const std::optional<std::string>& convention, std::optional<int> depth);
    pybind11::array splatMap();
    // The sky-view factor as grey bytes, over the directions and radius
    // given, else the controls'.
    pybind11::array occlusionMap(std::optional<long long> directions, std::optional<double> radius);
    void fit(int width, int height);

    // As Python set them (python_controls.h), checked by the control table.
    Controls controls;

private:
    // The workspace's lock, taken with the interpreter lock released (and
    // retaken after), so a thread waiting here never holds up the one that
    // has it.
    std::unique_lock<std::mutex> hold();

    // Float elevations mapped onto the height map: their no-data cells and
    // their vertical unit taken as a raster's are.
    void putElevations(const SlotArray& checked, const std::optional<ElevationRange>& heights,
                       std::optional<ElevationRange>& used);
    // The raster's units a "sun" run cannot use, unless the controls have
    // been given others since.
    Refusal rasterUnitsRefusal() const;

    Workspace ws_;
    MapOrigin origin_; // where the height map came from, at the map's size
    std::mutex mutex_;
};

// Refuses a map size outside 1..16384 a side (std::invalid_argument) or
// one this machine's memory cannot hold (std::bad_alloc's message).
void checkMapSize(int width, int height);

// The operation a name stands for ("linear", "make-texture2"; "linear_sim"
// with an underscore too); std::invalid_argument naming the choices.
batch::Operation operationNamed(const std::string& name);

} // namespace gloamery::python
