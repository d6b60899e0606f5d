#include "py_workspace.h"

#include "imageio/colour_tables.h"

#include "errors.h"
#include "python_reporter.h"
#include "slot_arrays.h"

#include "batch_run.h"
#include "sun_run.h"
#include "imageio/map_files.h"
#include "imageio/native_io.h"
#include "imageio/picture_size.h"
#include "imageio/raster_units.h"
#include "inputs/shadow_inputs.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <stdexcept>
#include <utility>

namespace py = pybind11;

namespace gloamery::python {

namespace {

// Built without the interpreter lock: a large map takes a while to fill.
Workspace startingWorkspace(int width, int height, bool defaults)
{
    checkMapSize(width, height);
    py::gil_scoped_release unlocked;
    if (!defaults) return Workspace(width, height);
    Workspace ws;
    loadBuiltInDefaults(ws, {Slot::Height, Slot::Grass, Slot::Stone, Slot::Detail});
    if (width != ws.width() || height != ws.height()) ws.resize(width, height);
    return ws;
}

std::string saveFormat(const std::string& path)
{
    const auto format = saveFormatOf(path);
    if (!format)
        throw std::invalid_argument("cannot save " + quoted(path)
                                    + ": the name must end in .bmp, .png, .tif, .tiff, .r16 or .raw");
    return *format;
}

// A unit as the raster gave it, not replaced since (NaN stays NaN).
bool sameUnit(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

} // namespace

void checkMapSize(int width, int height)
{
    if (!validMapSize(width, height))
        throw std::invalid_argument("the map size needs two whole numbers W,H from 1 to " + std::to_string(kMaxMapSize)
                                    + ", not (" + std::to_string(width) + ", " + std::to_string(height) + ")");
    // As the batch tool reckons it: seven pictures of 4 bytes a pixel and
    // about three more for a run.
    const double needed = 10.0 * 4.0 * width * height;
    const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGE_SIZE);
    const double have = pages > 0 && pageSize > 0 ? static_cast<double>(pages) * static_cast<double>(pageSize) : 0.0;
    auto mib = [](double bytes) { return std::to_string(static_cast<long long>(bytes / (1024 * 1024))) + " MiB"; };
    if (have > 0 && needed > have)
        throw OutOfMemory("cannot make the map " + std::to_string(width) + " x " + std::to_string(height)
                          + ": it needs about " + mib(needed) + ", more than this machine's " + mib(have));
}

batch::Operation operationNamed(const std::string& name)
{
    std::string spelled = name;
    std::replace(spelled.begin(), spelled.end(), '_', '-');
    if (const OperationRow* row = gloamery::operationNamed(spelled)) return row;
    throw std::invalid_argument("unknown operation " + quoted(name) + ": use " + operationNameList());
}

PyWorkspace::PyWorkspace(int width, int height, bool defaults) : ws_(startingWorkspace(width, height, defaults)) {}

std::unique_ptr<PyWorkspace> PyWorkspace::open(const std::string& path, const std::optional<ElevationRange>& heights)
{
    if (path.empty()) throw std::invalid_argument("open needs a file name, not an empty text");
    std::variant<PictureSize, Error> size = Error{};
    {
        py::gil_scoped_release unlocked;
        size = heightFileSize(path);
    }
    if (const Error* e = std::get_if<Error>(&size)) throw FileError("cannot open " + quoted(path) + ": " + e->message);
    const PictureSize& s = std::get<PictureSize>(size);
    if (!validMapSize(s.width, s.height))
        throw FileError("cannot open " + quoted(path) + ": it is " + std::to_string(s.width) + " x "
                        + std::to_string(s.height) + "; a map may be 1 to " + std::to_string(kMaxMapSize) + " a side");
    auto ws = std::make_unique<PyWorkspace>(s.width, s.height, true);
    ws->load(Slot::Height, path, false, heights);
    return ws;
}

std::unique_lock<std::mutex> PyWorkspace::hold()
{
    py::gil_scoped_release unlocked;
    return std::unique_lock<std::mutex>(mutex_);
}

void PyWorkspace::resize(int width, int height)
{
    checkMapSize(width, height);
    auto held = hold();
    py::gil_scoped_release unlocked;
    ws_.resize(width, height);
    origin_ = resizedOrigin(origin_, width, height, true);
}

py::array PyWorkspace::slot(Slot s)
{
    auto held = hold();
    return slotArray(ws_, s);
}

void PyWorkspace::setSlot(Slot s, const py::array& a)
{
    if (s == Slot::Height) {
        setHeights(a, std::nullopt);
        return;
    }
    auto held = hold();
    const SlotArray checked = checkedSlotArray(a, s, ws_.width(), ws_.height());
    py::gil_scoped_release unlocked;
    putSlotArray(ws_, s, checked);
}

std::optional<ElevationRange> PyWorkspace::setHeights(const py::array& a, const std::optional<ElevationRange>& heights)
{
    auto held = hold();
    const SlotArray checked = checkedSlotArray(a, Slot::Height, ws_.width(), ws_.height());
    std::optional<ElevationRange> used;
    if (checked.elevations()) {
        putElevations(checked, heights, used);
        return used;
    }
    if (heights) throw std::invalid_argument("heights maps float elevations; this array holds whole samples");
    {
        py::gil_scoped_release unlocked;
        putSlotArray(ws_, Slot::Height, checked);
    }
    // The heights still lie where the map lies; every cell now holds data.
    origin_.noData.clear();
    return used;
}

void PyWorkspace::putElevations(const SlotArray& checked, const std::optional<ElevationRange>& heights,
                                std::optional<ElevationRange>& used)
{
    std::optional<MappedArray> mapped;
    {
        py::gil_scoped_release unlocked;
        mapped = mappedElevations(checked, heights);
        ws_.setDeepHeights(mapped->samples);
    }
    used = mapped->range;
    origin_.width = ws_.width();
    origin_.height = ws_.height();
    origin_.noData = std::move(mapped->noData);
    // One 8-bit level's elevation, as a raster's mapped range gives it.
    const double vertical = (used->high - used->low) / 255.0;
    if (!origin_.units) origin_.units = RasterUnits{controls.sun.groundX, controls.sun.groundY, vertical};
    origin_.units->vertical = vertical;
    controls.sun.vertical = vertical;
}

Refusal PyWorkspace::rasterUnitsRefusal() const
{
    if (!origin_.units) return std::nullopt;
    const RasterUnits& u = *origin_.units;
    const SunControls& c = controls.sun;
    const bool ground = sameUnit(c.groundX, u.groundX) && sameUnit(c.groundY, u.groundY);
    return rasterUnitsRefused(u, ground, sameUnit(c.vertical, u.vertical));
}

std::optional<GeoPlace> PyWorkspace::place()
{
    auto held = hold();
    return origin_.place;
}

void PyWorkspace::setPlace(const std::optional<GeoPlace>& place)
{
    if (place)
        for (double v : place->transform)
            if (!std::isfinite(v)) throw std::invalid_argument("geotransform needs six finite numbers");
    auto held = hold();
    origin_.width = ws_.width();
    origin_.height = ws_.height();
    origin_.place = place;
}

bool PyWorkspace::deep()
{
    auto held = hold();
    py::gil_scoped_release unlocked;
    return heightsAreDeep(ws_);
}

void PyWorkspace::run(batch::Operation op) { run(op, py::none(), py::none()); }

void PyWorkspace::run(batch::Operation op, py::object progress, py::object cancel)
{
    auto held = hold();
    if (op->shadow == ShadowMode::Sun || (op->layer && takesRealSun(*op->layer)))
        if (const Refusal r = rasterUnitsRefusal())
            throw std::invalid_argument(batch::operationName(op) + ": " + r->message);
    batch::RunStep step;
    step.op = op;
    step.controls = controls;
    if (const auto mode = batch::shadowModeOf(op)) {
        auto read = readShadowParams(controls, parseCNumber, *mode);
        if (const Error* e = std::get_if<Error>(&read)) throw std::invalid_argument(batch::operationName(op) + ": " + e->message);
        step.params = std::get<ShadowParams>(read);
    }
    if (op == operationNamed("tint")) { // its table read first, as the batch tool reads it
        auto table = loadColourTable(step.controls.colours);
        if (const Error* e = std::get_if<Error>(&table))
            throw std::invalid_argument("tint: cannot read the colour table " + quoted(step.controls.colours) + ": " +
                                        e->message);
        step.colours = std::make_shared<const ReadColourTable>(std::move(std::get<ReadColourTable>(table)));
    }
    // The real sun's place: ws.place, else the centre of the map's place.
    std::optional<MapPlace> where;
    if (holds(op->controls, ControlId::Period) && op->layer && !step.controls.period)
        throw std::invalid_argument(batch::operationName(op) + " needs a period: set period = (FROM, TO, STEP)");
    if (batch::takesRealSun(step)) {
        auto found = batch::realSunWhere(step.controls, origin_.place, ws_.width(), ws_.height());
        if (const Error* e = std::get_if<Error>(&found))
            throw std::invalid_argument(batch::operationName(op) + ": " + e->message + ": set place = (lat, lon)");
        where = std::get<MapPlace>(found);
    }
    Refusal refused;
    PythonReporter report(std::move(progress), std::move(cancel));
    {
        py::gil_scoped_release unlocked;
        refused = step.colours ? batch::runTintStep(ws_, step, origin_, report)
                               : batch::runOperation(ws_, step, report, where ? &*where : nullptr);
    }
    report.finish(batch::operationName(op));
    if (refused) throw std::invalid_argument(batch::operationName(op) + ": " + refused->message);
}

std::tuple<int, int, std::string> PyWorkspace::load(Slot s, const std::string& path, bool tile,
                                                    const std::optional<ElevationRange>& heights)
{
    if (path.empty()) throw std::invalid_argument("load needs a file name, not an empty text");
    auto held = hold();
    std::variant<LoadedFile, Error> read = Error{};
    {
        py::gil_scoped_release unlocked;
        read = batch::loadFile(ws_, batch::LoadStep{s, path, tile, heights});
    }
    if (const Error* e = std::get_if<Error>(&read)) throw FileError("cannot read " + quoted(path) + ": " + e->message);
    const LoadedFile& file = std::get<LoadedFile>(read);
    // The heights' place, no-data cells and units follow the height map,
    // as the batch tool's do; a map repeated from a raster lies nowhere.
    if (s == Slot::Height) {
        origin_ = tile ? MapOrigin{} : resizedOrigin(file.origin, ws_.width(), ws_.height(), false);
        if (origin_.units) applyUnits(controls.sun, *origin_.units);
    }
    return {file.width, file.height, file.note};
}

void PyWorkspace::save(Slot s, const std::string& path)
{
    const std::string format = saveFormat(path);
    auto held = hold();
    Refusal refused;
    {
        py::gil_scoped_release unlocked;
        // A deep height map saves as 16-bit grey PNG, as the batch tool's
        // does; every map a row at a time from what the slot keeps.
        refused = saveWorkspaceSlot(ws_, s, origin_, path, format);
    }
    if (refused) throw FileError("cannot write " + quoted(path) + ": " + refused->message);
}

std::optional<py::array> PyWorkspace::layer()
{
    auto held = hold();
    const SharedLayer kept = ws_.sharedLayer();
    if (!kept) return std::nullopt;
    py::array_t<float> out({kept->height, kept->width});
    float* data = out.mutable_data();
    const std::size_t cells = kept->values.size();
    // NaN is how NumPy users mark no-data, and how set_height reads it.
    const bool masked = origin_.noData.size() == cells;
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
    for (std::size_t i = 0; i < cells; ++i)
        data[i] = masked && origin_.noData[i] ? kNaN : static_cast<float>(kept->values[i]);
    return out;
}

void PyWorkspace::saveLayer(const std::string& path)
{
    if (saveFormatOf(path) != "tif")
        throw std::invalid_argument("cannot save " + quoted(path)
                                    + ": a layer saves as 32-bit floats in .tif or .tiff only");
    auto held = hold();
    const SharedLayer kept = ws_.sharedLayer();
    if (!kept) {
        std::string makers;
        for (const OperationRow& row : operationRows())
            if (row.kind == OperationKind::Layer) makers.append(makers.empty() ? "" : ", ").append(row.python);
        throw std::invalid_argument("no layer has been made: " + makers + " make one");
    }
    Refusal refused;
    {
        py::gil_scoped_release unlocked;
        refused = gloamery::saveLayer(*kept, origin_, path);
    }
    if (refused) throw FileError("cannot write " + quoted(path) + ": " + refused->message);
}

} // namespace gloamery::python
