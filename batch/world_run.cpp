#include "world_run.h"

#include "batch_run.h"
#include "settings_options.h"
#include "sun_run.h"
#include "progress_line.h"
#include "imageio/map_files.h"
#include "imageio/world_heights.h"
#include "workspace/reporter.h"
#include "workspace/world.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <new>
#include <ostream>

namespace gloamery::batch {

namespace {

constexpr const char* kTool = "gloamery-batch";


// Counts what a run reads and how long it takes, for --time.
class CountedHeights final : public HeightSource {
public:
    explicit CountedHeights(std::unique_ptr<HeightSource> source) : source_(std::move(source)) {}
    bool deep() const override { return source_->deep(); }
    std::variant<HeightWindow, Error> read(const std::vector<Rect>& bands) const override
    {
        const auto start = std::chrono::steady_clock::now();
        auto window = source_->read(bands);
        time_ += std::chrono::steady_clock::now() - start;
        for (const Rect& b : bands) samples_ += static_cast<double>(b.height) * b.width;
        return window;
    }
    // What was read since the last call, and how long it took.
    std::pair<double, std::chrono::steady_clock::duration> taken() const
    {
        const auto got = std::pair{samples_, time_};
        samples_ = 0;
        time_ = {};
        return got;
    }

private:
    std::unique_ptr<HeightSource> source_;
    mutable double samples_ = 0;
    mutable std::chrono::steady_clock::duration time_{};
};

// What a region's run holds and where its heights come from.
struct RegionRun {
    WorldSpec world;
    WorldRegion held;
    Workspace ws;
    std::unique_ptr<CountedHeights> heights;
    bool heightsFromFile = false;
    MapOrigin origin; // of the region, when the heights are a raster: its place, its no-data cells
    std::optional<GeoPlace> worldPlace; // the whole raster's, whose centre every region's real sun is seen from
};

// The default height picture repeated across the world, as --size repeats
// it over a map.
std::unique_ptr<HeightSource> repeatedHeights(const Picture& p, int w, int h)
{
    return std::make_unique<SampledHeights>(w, h, false,
                                            [p](int x, int y) { return red(p.at(x % p.width(), y % p.height())); });
}

// A texture file's picture, whole: decoded once for its size, then into a
// workspace of that size.
std::variant<Picture, Error> wholePicture(const LoadStep& load)
{
    LoadStep top = load;
    top.tile = false;
    auto bytes = readLoadFile(top);
    if (const Error* e = std::get_if<Error>(&bytes)) return *e;
    const auto& file = std::get<std::vector<unsigned char>>(bytes);
    Workspace probe(1, 1);
    auto first = loadFileBytes(probe, top, file);
    if (const Error* e = std::get_if<Error>(&first)) return *e;
    const LoadedFile& size = std::get<LoadedFile>(first);
    if (!validMapSize(size.width, size.height))
        return Error{"the picture is " + std::to_string(size.width) + " x " + std::to_string(size.height)
                     + " pixels; a picture repeated across a world may be up to " + std::to_string(kMaxMapSize) + " a side"};
    Workspace whole(size.width, size.height);
    auto second = loadFileBytes(whole, top, file);
    if (const Error* e = std::get_if<Error>(&second)) return *e;
    return slotPicture(whole, load.slot);
}

Refusal loadIntoWorld(RegionRun& run, const LoadStep& load)
{
    if (load.slot == Slot::Height) {
        auto opened = openWorldHeights(load.path, run.world.width, run.world.height, load.heights);
        if (Error* e = std::get_if<Error>(&opened)) return *e;
        run.heights = std::make_unique<CountedHeights>(std::move(std::get<std::unique_ptr<HeightSource>>(opened)));
        run.heightsFromFile = true;
        const WorldSpec& w = run.world;
        run.origin = {};
        run.worldPlace.reset();
        if (!isRawHeightFile(load.path)) {
            run.origin = worldRegionOrigin(load.path, w.region.x0, w.region.y0, w.region.width, w.region.height).value_or(MapOrigin{});
            // The whole raster's units, as a run over the whole world has them.
            run.worldPlace = rasterPlace(load.path);
            const GeoPlace place = run.worldPlace.value_or(GeoPlace{{0, 1, 0, 0, 0, 1}, {}});
            if (load.heights) run.origin.units = rasterUnits(place.transform, w.height, isGeographic(place.wkt), *load.heights);
            run.origin.elevations = load.heights;
        }
        return std::nullopt;
    }
    auto picture = wholePicture(load);
    if (const Error* e = std::get_if<Error>(&picture)) return *e;
    run.ws.picture(load.slot) = windowOf(std::get<Picture>(picture), run.held, load.tile);
    return std::nullopt;
}

// The region's heights as the whole run would save them: 16-bit grey PNG
// when deep, else the height picture.
Refusal saveHeights(const RegionRun& run, const SaveStep& save, const Picture& shown)
{
    if (!run.heightsFromFile) return saveSlotMap(SlotMap{Slot::Height, shown, HeightSamples{}, run.origin}, save.path, save.format);
    const WorldSpec& w = run.world;
    auto read = run.heights->read({w.region});
    if (const Error* e = std::get_if<Error>(&read)) return *e;
    const bool deep = run.heights->deep();
    return std::visit([&](const auto& grid) -> Refusal {
        Picture grey(shown.background(), w.region.width, w.region.height);
        HeightSamples samples(deep ? w.region.width : 0, deep ? w.region.height : 0, std::uint16_t{0});
        for (int y = 0; y < w.region.height; ++y)
            for (int x = 0; x < w.region.width; ++x) {
                const auto v = grid(w.region.x0 + x, w.region.y0 + y);
                if (deep) samples.data()[static_cast<std::size_t>(y) * w.region.width + x] = v;
                grey.at(x, y) = gloamery::grey(deep ? shownByte(v) : v);
            }
        if (save.format == "bmp") samples = HeightSamples{};
        return saveSlotMap(SlotMap{Slot::Height, grey, samples, run.origin}, save.path, save.format);
    }, std::get<HeightWindow>(read));
}

// The region's part of the layer the held box's run made.
Refusal saveRegionLayer(const RegionRun& run, const SaveStep& save)
{
    const ValueLayer* held = run.ws.layer();
    if (!held) return Error{noLayerYet()};
    const WorldSpec& w = run.world;
    ValueLayer part = *held;
    part.width = w.region.width;
    part.height = w.region.height;
    part.values.clear();
    for (int y = 0; y < w.region.height; ++y)
        for (int x = 0; x < w.region.width; ++x)
            part.values.push_back(held->at(w.region.x0 - run.held.area.x0 + x, w.region.y0 - run.held.area.y0 + y));
    return saveLayer(part, run.origin, save.path);
}

Refusal saveRegion(const RegionRun& run, const SaveStep& save)
{
    if (save.layer) return saveRegionLayer(run, save);
    const WorldSpec& w = run.world;
    const Picture region = cropped(slotPicture(run.ws, save.slot), w.region.x0 - run.held.area.x0, w.region.y0 - run.held.area.y0, w.region.width, w.region.height);
    if (save.slot == Slot::Height) return saveHeights(run, save, region);
    return saveSlotMap(SlotMap{save.slot, region, HeightSamples{}, run.origin}, save.path, save.format);
}

Refusal runRegionOperation(RegionRun& run, const RunStep& step, Reporter& report, const MapPlace* where)
{
    if (where && step.op->layer)
        return runSunSumRegionAndMerge(run.ws, run.held, *run.heights, *step.op->layer, step.controls, *where, report);
    if (where)
        return runSunAtRegionAndMerge(run.ws, run.held, *run.heights, step.controls, *where, *step.controls.when,
                                      report);
    if (const auto mode = shadowModeOf(step.op))
        return runShadowRegionAndMerge(run.ws, run.held, *run.heights, *mode, shadowParamsOf(step), step.controls, report);
    if (step.op->layer)
        return runLayerRegionAndMerge(run.ws, run.held, *run.heights, *step.op->layer, step.controls, report);
    if (step.op->kind == OperationKind::Clear) {
        clearShadow(run.ws);
        return std::nullopt;
    }
    if (step.colours) {
        // A raster world's percentages count over its whole range, so the
        // regions join; its no-data cells are the region's, not the box's.
        auto window = run.heights->read(tintHeights(run.held));
        if (const Error* e = std::get_if<Error>(&window)) return *e;
        MapOrigin elevations;
        elevations.elevations = run.origin.elevations;
        const TintSource source = tintSource(run.ws, *step.colours, step.controls.colourEntries, elevations,
                                             step.controls.sun.vertical);
        tintRegion(run.ws, source.lookup, run.held, std::get<HeightWindow>(window), nullptr, report);
        return std::nullopt;
    }
    auto window = run.heights->read(textureHeights(run.held));
    if (const Error* e = std::get_if<Error>(&window)) return *e;
    makeTextureRegion(run.ws, step.controls.contrast, step.op->texture == TextureButton::MakeTexture2, run.held,
                      std::make_shared<const HeightWindow>(std::get<HeightWindow>(std::move(window))), report);
    return std::nullopt;
}

// The real sun of every region: seen from the world's centre (or --place),
// the whole raster's grid north there.
int worldSunPlace(const RegionRun& run, const Controls& c, std::optional<MapPlace>& where, std::ostream& err,
                  const std::string& name)
{
    auto found = realSunWhere(c, run.worldPlace, run.world.width, run.world.height);
    if (const Error* e = std::get_if<Error>(&found)) {
        err << kTool << ": " << name << ": " << e->message << ": give " << placeFlag() << '\n';
        return kExitUsage;
    }
    where = std::get<MapPlace>(found);
    return kExitOk;
}

int runSteps(const Plan& plan, RegionRun& run, std::ostream& err)
{
    for (const Step& step : plan.steps) {
        if (const auto* load = std::get_if<LoadStep>(&step)) {
            if (const Refusal r = loadIntoWorld(run, *load)) {
                err << kTool << ": cannot read " << quoted(load->path) << ": " << r->message << '\n';
                return kExitFileError;
            }
        } else if (const auto* save = std::get_if<SaveStep>(&step)) {
            if (const Refusal r = saveRegion(run, *save)) {
                err << kTool << ": cannot write " << quoted(save->path) << ": " << r->message << '\n';
                return kExitFileError;
            }
        } else if (const auto* engine = std::get_if<EngineSaveStep>(&step)) {
            if (const Refusal r = saveEngineMapRegion(run.ws, run.held, run.world.region, *run.heights, *engine, run.origin)) {
                err << kTool << ": cannot write " << quoted(engine->path) << ": " << r->message << '\n';
                return kExitFileError;
            }
        } else if (const auto* keep = std::get_if<SaveSettingsStep>(&step)) {
            if (const int status = runSaveSettings(*keep, err)) return status;
        } else if (const auto* frames = std::get_if<FramesStep>(&step)) {
            FramesStep f = *frames;
            if (const Refusal r = takeRasterUnits(f.sun, run.origin)) {
                err << kTool << ": --frames: " << r->message << '\n';
                return kExitFileError;
            }
            std::optional<MapPlace> where;
            if (const int status = worldSunPlace(run, f.sun.controls, where, err, "--frames")) return status;
            const int status = runFrames(
                f, err,
                [&](const Controls& c) {
                    SilentReporter quiet;
                    RunStep at = f.sun;
                    at.controls = c;
                    return runRegionOperation(run, at, quiet, &*where);
                },
                [&](const std::string& path) { return saveRegion(run, SaveStep{Slot::Colour, path, "png"}); });
            if (status) return status;
        } else if (const auto* given = std::get_if<RunStep>(&step)) {
            RunStep taken = *given;
            if (const Refusal r = takeRasterUnits(taken, run.origin)) {
                err << kTool << ": " << operationName(taken.op) << ": " << r->message << '\n';
                return kExitFileError;
            }
            const RunStep* op = &taken;
            std::optional<MapPlace> where;
            if (takesRealSun(taken))
                if (const int status = worldSunPlace(run, taken.controls, where, err, operationName(taken.op)))
                    return status;
            const auto start = std::chrono::steady_clock::now();
            // The arguments were checked before the run: what is refused
            // now is the heights, which could not be read.
            ProgressLine line(err, operationName(op->op), plan.progress);
            const Refusal refused = runRegionOperation(run, *op, line, where ? &*where : nullptr);
            line.finish();
            if (!refused && where) err << realSunNotes(taken, *where, run.ws);
            if (const Refusal& r = refused) {
                err << kTool << ": " << operationName(op->op) << ": cannot read the heights: " << r->message << '\n';
                return kExitFileError;
            }
            if (plan.time) {
                // The heights a region's run read, beside the region it holds.
                const auto [samples, reading] = run.heights->taken();
                char extra[160];
                std::snprintf(extra, sizeof extra, "  heights %.3f ms, %.0f samples, %.3f times the %d x %d held\n",
                              std::chrono::duration<double, std::milli>(reading).count(), samples,
                              samples / (static_cast<double>(run.held.area.width) * run.held.area.height), run.held.area.width, run.held.area.height);
                err << timeLine(op->op, std::chrono::steady_clock::now() - start) << extra;
            }
        }
    }
    return kExitOk;
}

} // namespace

int runWorld(const Plan& plan, std::ostream& err)
{
    const WorldSpec& world = *plan.world;
    try {
        Workspace defaults;
        loadBuiltInDefaults(defaults, defaultsRead(plan));
        const WorldRegion held = heldBox(world.width, world.height, world.region);
        RegionRun run{world, held, Workspace(held.area.width, held.area.height), nullptr, false, {}, {}};
        const Picture heights = defaults.heightPicture();
        run.ws.setHeightPicture(windowOf(heights, held, true));
        for (Slot s : {Slot::Grass, Slot::Stone, Slot::Detail}) run.ws.picture(s) = windowOf(defaults.picture(s), held, true);
        run.heights = std::make_unique<CountedHeights>(repeatedHeights(heights, world.width, world.height));
        prepareRun(plan);
        return runSteps(plan, run, err);
    } catch (const std::bad_alloc&) {
        // Files saved before stay as they are; none is left half-written.
        err << kTool << ": out of memory for a " << world.region.width << " x " << world.region.height << " region\n";
        return kExitFileError;
    }
}

} // namespace gloamery::batch
