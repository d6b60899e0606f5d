#include "batch_run.h"

#include "settings_options.h"
#include "own_pages.h"
#include "progress_line.h"
#include "sun_run.h"
#include "world_run.h"

#include "imageio/height_file_kinds.h"
#include "imageio/input_file.h"
#include "imageio/map_files.h"
#include "imageio/native_io.h"
#include "imageio/picture_limits.h"
#include "imageio/picture_size.h"
#include "imageio/qt_plugin.h"
#include "imageio/raster_plugin.h"
#include "imageio/terrain_glb.h"
#include "workspace/fit_heights.h"
#include "workspace/large_buffer.h"
#include "workspace/parallel.h"
#include "workspace/reporter.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <new>
#include <ostream>
#include <sstream>
#include <utility>

namespace gloamery::batch {

namespace {

constexpr const char* kTool = "gloamery-batch";


// Milliseconds with three decimals, whatever the global locale.
std::string milliseconds(std::chrono::steady_clock::duration d)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", std::chrono::duration<double, std::milli>(d).count());
    return text;
}

// Physical memory, in bytes; 0 when the system does not say.
double physicalMemory()
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    return pages > 0 && pageSize > 0 ? static_cast<double>(pages) * static_cast<double>(pageSize) : 0.0;
}

std::string mib(double bytes) { return std::to_string(static_cast<long long>(bytes / (1024 * 1024))) + " MiB"; }

} // namespace

// Plain PNG files, raw heights and elevation rasters are read here; every
// other file by the toolkit's readers in the plugin, loaded the first time one is needed, so a run on
// plain files never maps the GUI libraries.
std::variant<std::vector<unsigned char>, Error> readLoadFile(const LoadStep& load)
{
    if (readsByName(load.path)) return std::vector<unsigned char>{};
    return readInputFile(load.path, kMaxPictureFileBytes);
}

std::variant<LoadedFile, Error> loadFileBytes(Workspace& ws, const LoadStep& load, const std::vector<unsigned char>& bytes)
{
    if (auto heights = loadHeightFile(ws, load.slot, load.path, bytes, load.tile, load.heights)) return std::move(*heights);
    if (auto plain = loadPlainBytes(ws, load.slot, load.path, bytes, load.tile)) return std::move(*plain);
    static const auto viaToolkit = [] {
        // The picture a load frees in the plugin would otherwise stay kept
        // there to the end of the run (prepareRun).
        if (const auto keep = reinterpret_cast<QtKeepLargeBlocks>(qtPluginSymbol(kQtKeepLargeBlocksSymbol))) keep(0);
        return reinterpret_cast<QtLoadSlotBytes>(qtPluginSymbol(kQtLoadSlotBytesSymbol));
    }();
    if (!viaToolkit) return qtReadersMissing(load.path, bytes.data(), bytes.size());
    std::variant<LoadedFile, Error> read = Error{};
    viaToolkit(ws, load.slot, load.path, bytes, load.tile, load.heights, read);
    return read;
}

std::variant<LoadedFile, Error> loadFile(Workspace& ws, const LoadStep& load)
{
    auto bytes = readLoadFile(load);
    if (Error* e = std::get_if<Error>(&bytes)) return std::move(*e);
    return loadFileBytes(ws, load, std::get<std::vector<unsigned char>>(bytes));
}

namespace {

int load(Workspace& ws, const LoadStep& load, MapOrigin& origin, std::ostream& err)
{
    auto read = loadFile(ws, load);
    if (const Error* e = std::get_if<Error>(&read)) {
        err << kTool << ": cannot read " << quoted(load.path) << ": " << e->message << '\n';
        return kExitFileError;
    }
    const LoadedFile& file = std::get<LoadedFile>(read);
    // The heights' place and no-data cells follow the height map; a map
    // repeated from a raster is no longer where the raster lies.
    if (load.slot == Slot::Height)
        origin = load.tile ? MapOrigin{} : resizedOrigin(file.origin, ws.width(), ws.height(), false);
    if (!file.note.empty()) err << "note: " << printable(load.path) << ": " << file.note << '\n';
    if (load.slot == Slot::Height && !load.tile && file.origin.units)
        err << "note: " << printable(load.path) << ": " << unitsNote(*file.origin.units) << '\n';
    if (!load.tile && (file.width != ws.width() || file.height != ws.height()))
        err << "note: " << printable(load.path) << " is " << file.width << " x " << file.height
            << "; the map is " << ws.width() << " x " << ws.height() << " (use --size " << file.width << ','
            << file.height << " before --load to work at its size)\n";
    return kExitOk;
}

// A deep height map saves its 16-bit samples; everything else as 8-bit.
Refusal save(const Workspace& ws, const SaveStep& save, const MapOrigin& origin)
{
    if (save.layer) {
        if (!ws.layer()) return Error{noLayerYet()};
        return saveLayer(*ws.layer(), origin, save.path);
    }
    return saveWorkspaceSlot(ws, save.slot, origin, save.path, save.format);
}

// Whether this machine can hold a map of the size, said when it cannot.
bool roomFor(const SizeStep& size, std::ostream& err)
{
    const double needed = bytesForMap(size.width, size.height, threadCount());
    const double have = physicalMemory();
    if (have > 0 && needed > have) {
        err << kTool << ": cannot make the map " << size.width << " x " << size.height << ": it needs about "
            << mib(needed) << " on " << threadCount() << " threads, more than this machine's " << mib(have) << '\n';
        return false;
    }
    return true;
}

int resize(Workspace& ws, const SizeStep& size, MapOrigin& origin, std::ostream& err)
{
    if (!roomFor(size, err)) return kExitFileError;
    try {
        ws.resize(size.width, size.height);
    } catch (const std::bad_alloc&) {
        err << kTool << ": cannot make the map " << size.width << " x " << size.height << ": out of memory\n";
        return kExitFileError;
    }
    origin = resizedOrigin(origin, size.width, size.height, true);
    return kExitOk;
}

// --fit: the heights resampled to the size, after the memory check
// --size makes; the origin as fittedOrigin says.
int fitMap(Workspace& ws, const FitStep& fit, MapOrigin& origin, std::ostream& err)
{
    const int fromW = ws.width(), fromH = ws.height();
    if (!roomFor(SizeStep{fit.width, fit.height}, err)) return kExitFileError;
    try {
        if (const Refusal r = fitToSize(ws, fit.width, fit.height)) {
            err << kTool << ": --fit: " << r->message << '\n';
            return kExitUsage;
        }
    } catch (const std::bad_alloc&) {
        err << kTool << ": cannot fit the map to " << fit.width << " x " << fit.height << ": out of memory\n";
        return kExitFileError;
    }
    origin = fittedOrigin(origin, fromW, fromH, fit.width, fit.height);
    return kExitOk;
}

// --open: the map takes the file's size, read from its header, then the
// file is loaded; a file larger than any map is refused before decoding.
int open(Workspace& ws, const LoadStep& step, MapOrigin& origin, std::ostream& err)
{
    const auto size = heightFileSize(step.path);
    if (const Error* e = std::get_if<Error>(&size)) {
        err << kTool << ": cannot open " << quoted(step.path) << ": " << e->message << '\n';
        return kExitFileError;
    }
    const PictureSize& s = std::get<PictureSize>(size);
    if (!validMapSize(s.width, s.height)) {
        err << kTool << ": cannot open " << quoted(step.path) << ": it is " << s.width << " x " << s.height
            << "; a map may be 1 to " << kMaxMapSize << " a side\n";
        return kExitFileError;
    }
    if (s.width != ws.width() || s.height != ws.height())
        if (const int status = resize(ws, SizeStep{s.width, s.height}, origin, err)) return status;
    return load(ws, step, origin, err);
}


} // namespace

std::vector<Slot> defaultsRead(const Plan& plan)
{
    std::vector<Slot> replaced, read;
    auto reads = [&](Slot s) {
        const bool input = isInputSlot(s);
        if (input && std::find(replaced.begin(), replaced.end(), s) == replaced.end()
            && std::find(read.begin(), read.end(), s) == read.end())
            read.push_back(s);
    };
    for (const Step& step : plan.steps) {
        if (const auto* l = std::get_if<LoadStep>(&step)) {
            if (l->fit) // --open resizes first, repeating the inputs
                for (Slot s : {Slot::Grass, Slot::Stone, Slot::Detail}) reads(s);
            replaced.push_back(l->slot); // placed over the background, or tiled: the default is not read
        } else if (const auto* save = std::get_if<SaveStep>(&step)) {
            reads(save->slot);
        } else if (std::holds_alternative<SizeStep>(step)) {
            for (Slot s : {Slot::Height, Slot::Grass, Slot::Stone, Slot::Detail}) reads(s); // repeated to the new size
        } else if (std::holds_alternative<SaveSettingsStep>(step)) {
            continue; // reads no picture
        } else if (std::holds_alternative<ExportStep>(step)) {
            reads(Slot::Height);
        } else if (const auto* engine = std::get_if<EngineSaveStep>(&step)) {
            if (engine->map != EngineMap::Splat) reads(Slot::Height); // the splat map keeps the heights it read
        } else if (std::holds_alternative<FitStep>(step)) {
            for (Slot s : {Slot::Height, Slot::Grass, Slot::Stone, Slot::Detail}) reads(s);
        } else if (const auto* frames = std::get_if<FramesStep>(&step)) {
            for (int s = 0; s <= static_cast<int>(Slot::Detail); ++s)
                if (holds(frames->sun.op->reads, static_cast<Slot>(s))) reads(static_cast<Slot>(s));
        } else {
            const Operation op = std::get<RunStep>(step).op;
            for (int s = 0; s <= static_cast<int>(Slot::Detail); ++s)
                if (holds(op->reads, static_cast<Slot>(s))) reads(static_cast<Slot>(s));
        }
    }
    return read;
}

namespace {

// Where a run of the real sun sees it from, into `where` (exit status 2
// with the reason when it cannot be had).
int placeRealSun(const RunStep& run, const MapOrigin& origin, const Workspace& ws, std::optional<MapPlace>& where,
                 std::ostream& err)
{
    where.reset();
    if (!takesRealSun(run)) return kExitOk;
    auto found = realSunWhere(run.controls, origin.place, ws.width(), ws.height());
    if (const Error* e = std::get_if<Error>(&found)) {
        err << kTool << ": " << operationName(run.op) << ": " << e->message << ": give " << placeFlag() << '\n';
        return kExitUsage;
    }
    where = std::get<MapPlace>(found);
    return kExitOk;
}

int runFramesStep(Workspace& ws, const FramesStep& given, const MapOrigin& origin, std::ostream& err)
{
    FramesStep frames = given;
    if (const Refusal r = takeRasterUnits(frames.sun, origin)) {
        err << kTool << ": --frames: " << r->message << '\n';
        return kExitFileError;
    }
    frames.sun.controls.when = frames.sun.controls.period->from; // a time, to take the real sun
    std::optional<MapPlace> where;
    if (const int status = placeRealSun(frames.sun, origin, ws, where, err)) return status;
    return runFrames(
        frames, err,
        [&](const Controls& c) {
            SilentReporter quiet;
            RunStep at = frames.sun;
            at.controls = c;
            return runOperation(ws, at, quiet, &*where);
        },
        [&](const std::string& path) { return saveWorkspaceSlot(ws, Slot::Colour, origin, path, "png"); });
}

int runSteps(const Plan& plan, Workspace& ws, std::ostream& err)
{
    MapOrigin origin; // where the height map came from
    for (const Step& step : plan.steps) {
        if (const auto* l = std::get_if<LoadStep>(&step)) {
            // A large raster takes a while to read: its line shows the time,
            // and what the load has to say follows once the line is gone.
            std::ostringstream said;
            ProgressLine line(err, "reading " + l->path, plan.progress);
            const int status = l->fit ? open(ws, *l, origin, said) : load(ws, *l, origin, said);
            line.finish();
            err << said.str();
            if (status) return status;
        } else if (const auto* size = std::get_if<SizeStep>(&step)) {
            if (const int status = resize(ws, *size, origin, err)) return status;
        } else if (const auto* save = std::get_if<SaveStep>(&step)) {
            ProgressLine line(err, "writing " + save->path, plan.progress);
            const Refusal refused = batch::save(ws, *save, origin);
            line.finish();
            if (const Refusal& r = refused) {
                err << kTool << ": cannot write " << quoted(save->path) << ": " << r->message << '\n';
                return kExitFileError;
            }
        } else if (const auto* keep = std::get_if<SaveSettingsStep>(&step)) {
            if (const int status = runSaveSettings(*keep, err)) return status;
        } else if (const auto* engine = std::get_if<EngineSaveStep>(&step)) {
            ProgressLine line(err, "writing " + engine->path, plan.progress);
            const Refusal refused = saveEngineMap(ws, *engine, origin);
            line.finish();
            if (const Refusal& r = refused) {
                err << kTool << ": cannot write " << quoted(engine->path) << ": " << r->message << '\n';
                return kExitFileError;
            }
        } else if (const auto* fit = std::get_if<FitStep>(&step)) {
            if (const int status = fitMap(ws, *fit, origin, err)) return status;
        } else if (const auto* mesh = std::get_if<ExportStep>(&step)) {
            SunControls units = mesh->units;
            withRasterUnits(units, origin, mesh->groundGiven, mesh->verticalGiven);
            const TerrainScale scale{units.groundX, units.groundY, units.vertical};
            ProgressLine line(err, "writing " + mesh->path, plan.progress);
            const Refusal refused = exportTerrainGlb(ws, scale, mesh->path);
            line.finish();
            if (const Refusal& r = refused) {
                err << kTool << ": cannot write " << quoted(mesh->path) << ": " << r->message << '\n';
                return kExitFileError;
            }
        } else if (const auto* frames = std::get_if<FramesStep>(&step)) {
            if (const int status = runFramesStep(ws, *frames, origin, err)) return status;
        } else {
            RunStep run = std::get<RunStep>(step);
            if (const Refusal r = takeRasterUnits(run, origin)) {
                err << kTool << ": " << operationName(run.op) << ": " << r->message << '\n';
                return kExitFileError;
            }
            std::optional<MapPlace> where;
            if (const int status = placeRealSun(run, origin, ws, where, err)) return status;
            const auto start = std::chrono::steady_clock::now();
            ProgressLine line(err, operationName(run.op), plan.progress);
            const Refusal refused = run.colours ? runTintStep(ws, run, origin, line)
                                                : runOperation(ws, run, line, where ? &*where : nullptr);
            line.finish();
            if (!refused && where) err << realSunNotes(run, *where, ws);
            if (const Refusal& r = refused) {
                // Arguments are checked before the run, so this is a refusal
                // the check did not foresee; it is still the user's input.
                err << kTool << ": " << operationName(run.op) << ": " << r->message << '\n';
                return kExitUsage;
            }
            if (plan.time) err << timeLine(run.op, std::chrono::steady_clock::now() - start);
        }
    }
    return kExitOk;
}

} // namespace

void withRasterUnits(SunControls& c, const MapOrigin& origin, bool groundGiven, bool verticalGiven)
{
    if (!origin.units) return;
    if (!groundGiven) {
        c.groundX = origin.units->groundX;
        c.groundY = origin.units->groundY;
    }
    if (!verticalGiven) c.vertical = origin.units->vertical;
}

Refusal takeRasterUnits(RunStep& run, const MapOrigin& origin)
{
    const bool sunLit = run.op->shadow == ShadowMode::Sun || (run.op->layer && takesRealSun(*run.op->layer));
    if (sunLit && origin.units)
        if (Refusal r = rasterUnitsRefused(*origin.units, !run.groundGiven, !run.verticalGiven)) return r;
    withRasterUnits(run.controls.sun, origin, run.groundGiven, run.verticalGiven);
    return std::nullopt;
}

Refusal runTintStep(Workspace& ws, const RunStep& step, const MapOrigin& origin, Reporter& report)
{
    const TintSource source = tintSource(ws, *step.colours, step.controls.colourEntries, origin, step.controls.sun.vertical);
    const ShadowParams params = shadowParamsOf(step);
    return step.op->run(ws, OperationInput{step.controls, params, &source}, report);
}

Refusal runOperation(Workspace& ws, const RunStep& step, Reporter& report, const MapPlace* where)
{
    const ShadowParams params = shadowParamsOf(step);
    return step.op->run(ws, OperationInput{step.controls, params, nullptr, where}, report);
}

std::string noLayerYet() { return "no layer has been made: " + layerOperationList() + " make one"; }

void prepareRun(const Plan& plan)
{
    if (plan.threads > 0) setThreadCount(plan.threads);
    // A run mostly computes each thing once: a large block it frees is
    // seldom wanted again, and kept it would only add to the peak.
    keepLargeBlocks(0);
    // Before the files are read, so a run does not wait for the threads.
    if (std::any_of(plan.steps.begin(), plan.steps.end(), [](const Step& s) { return std::holds_alternative<RunStep>(s); })) {
        mapOwnPages();
        startThreads();
    }
}

std::string timeLine(Operation op, std::chrono::steady_clock::duration d)
{
    return operationName(op) + ' ' + milliseconds(d) + " ms\n";
}

int runPlan(const Plan& plan, Workspace& ws, std::ostream& err)
{
    prepareRun(plan);
    try {
        return runSteps(plan, ws, err);
    } catch (const std::bad_alloc&) {
        // Files saved before stay as they are; none is left half-written.
        err << kTool << ": out of memory for a " << ws.width() << " x " << ws.height() << " map\n";
        return kExitFileError;
    }
}

int runTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool terminal)
{
    auto parsed = parseArguments(args);
    if (const auto* e = std::get_if<UsageError>(&parsed)) {
        err << kTool << ": " << e->message << "\nTry '" << kTool << " --help' for more information.\n";
        return kExitUsage;
    }
    Command& cmd = std::get<Command>(parsed);
    cmd.plan.progress = terminal && !cmd.plan.quiet;
    switch (cmd.request) {
    case Request::Help: out << usageText(); return kExitOk;
    case Request::Version: out << kTool << ' ' << GLOAMERY_VERSION << '\n'; return kExitOk;
    case Request::Run: break;
    }
    allowRasterSourceFolders(cmd.plan.vrtSourceFolders);
    // Found out before anything is written.
    for (const Step& step : cmd.plan.steps)
        if (const auto* save = std::get_if<SaveStep>(&step); save && save->format == "tif" && !geoTiffWriterAvailable()) {
            err << kTool << ": cannot write " << quoted(save->path) << ": " << geoTiffWriterMissing() << '\n';
            return kExitFileError;
        }
    if (cmd.plan.world) return runWorld(cmd.plan, err);
    Workspace ws;
    loadBuiltInDefaults(ws, defaultsRead(cmd.plan));
    return runPlan(cmd.plan, ws, err);
}

} // namespace gloamery::batch
