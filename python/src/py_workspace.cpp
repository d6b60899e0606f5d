#include "py_workspace.h"

#include "errors.h"
#include "slot_arrays.h"

#include "batch_run.h"
#include "sun_run.h"

#include <sstream>
#include "imageio/map_files.h"
#include "imageio/native_io.h"

#include <unistd.h>

#include <algorithm>
#include <new>
#include <stdexcept>
#include <utility>

namespace py = pybind11;

namespace gloamery::python {

namespace {

constexpr batch::Operation kOperations[] = {
    batch::Operation::Linear,   batch::Operation::LinearSim,   batch::Operation::Sin,   batch::Operation::Cos,
    batch::Operation::Embossed, batch::Operation::MakeTexture, batch::Operation::MakeTexture2,
    batch::Operation::Clear,    batch::Operation::Sun,
    batch::Operation::SunHours, batch::Operation::DirectLight,
};

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
    const std::string ext = lowerExtension(path);
    if (ext != "bmp" && ext != "png")
        throw std::invalid_argument("cannot save " + quoted(path) + ": the name must end in .bmp or .png");
    return ext;
}

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
    for (batch::Operation op : kOperations)
        if (batch::operationName(op) == spelled) return op;
    throw std::invalid_argument("unknown operation " + quoted(name)
                                + ": use linear, linear-sim, sin, cos, embossed, sun, make-texture, make-texture2, "
                                  "clear, sun-hours or direct-light");
}

PyWorkspace::PyWorkspace(int width, int height, bool defaults) : ws_(startingWorkspace(width, height, defaults)) {}

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
}

py::array PyWorkspace::slot(Slot s)
{
    auto held = hold();
    return slotArray(ws_, s);
}

void PyWorkspace::setSlot(Slot s, const py::array& a)
{
    auto held = hold();
    const SlotArray checked = checkedSlotArray(a, s, ws_.width(), ws_.height());
    py::gil_scoped_release unlocked;
    putSlotArray(ws_, s, checked);
}

bool PyWorkspace::deep()
{
    auto held = hold();
    py::gil_scoped_release unlocked;
    return heightsAreDeep(ws_);
}

void PyWorkspace::run(batch::Operation op)
{
    if (op == batch::Operation::SunHours || op == batch::Operation::DirectLight) {
        sums(op);
        return;
    }
    batch::RunStep step;
    step.op = op;
    step.controls = controls.forRun();
    if (const auto mode = batch::shadowModeOf(op)) {
        auto read = controls.shadowParams(*mode);
        if (const Error* e = std::get_if<Error>(&read)) throw std::invalid_argument(batch::operationName(op) + ": " + e->message);
        step.params = std::get<ShadowParams>(read);
    }
    auto held = hold();
    Refusal refused;
    {
        py::gil_scoped_release unlocked;
        SilentReporter quiet;
        if (batch::needsRealSun(step)) {
            auto where = batch::realSunPlace(step.controls, MapOrigin{}, ws_.width(), ws_.height());
            std::ostringstream notes;
            if (const Error* e = std::get_if<Error>(&where)) refused = *e;
            else refused = batch::runRealSun(ws_, step, std::get<MapPlace>(where), quiet, notes);
        } else {
            refused = batch::runOperation(ws_, step, quiet);
        }
    }
    if (refused) throw std::invalid_argument(batch::operationName(op) + ": " + refused->message);
}

py::array PyWorkspace::sums(batch::Operation op)
{
    batch::RunStep step;
    step.op = op;
    step.controls = controls.forRun();
    const std::string name = batch::operationName(op);
    if (!step.controls.period) throw std::invalid_argument(name + " needs a period: set ws.period first");
    auto held = hold();
    Refusal refused;
    SunSumLayer layer;
    {
        py::gil_scoped_release unlocked;
        SilentReporter quiet;
        auto where = batch::realSunPlace(step.controls, MapOrigin{}, ws_.width(), ws_.height());
        std::ostringstream notes;
        if (const Error* e = std::get_if<Error>(&where)) refused = *e;
        else refused = batch::runRealSun(ws_, step, std::get<MapPlace>(where), quiet, notes, &layer);
    }
    if (refused) throw std::invalid_argument(name + ": " + refused->message);
    py::array_t<float> out({layer.height, layer.width});
    float* to = out.mutable_data();
    for (std::size_t i = 0; i < layer.values.size(); ++i) to[i] = static_cast<float>(layer.values[i]);
    return out;
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
        refused = saveWorkspaceSlot(ws_, s, MapOrigin{}, path, format);
    }
    if (refused) throw FileError("cannot write " + quoted(path) + ": " + refused->message);
}

} // namespace gloamery::python
