#include "batch_plan.h"

#include "option_reader.h"

#include "argument_vetting.h"
#include "settings_options.h"
#include "settings/settings.h"
#include "shadow/shadow_params.h"
#include "shadow/sun.h"
#include "imageio/map_files.h"
#include "imageio/native_io.h"
#include "imageio/world_heights.h"
#include "workspace/window_grid.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <string_view>
#include <tuple>

namespace gloamery::batch {

namespace {

struct NamedOperation {
    const char* name;
    Operation op;
};

constexpr std::array<NamedOperation, 9> kOperations = {{
    {"linear", Operation::Linear},
    {"linear-sim", Operation::LinearSim},
    {"sin", Operation::Sin},
    {"cos", Operation::Cos},
    {"embossed", Operation::Embossed},
    {"sun", Operation::Sun},
    {"make-texture", Operation::MakeTexture},
    {"make-texture2", Operation::MakeTexture2},
    {"clear", Operation::Clear},
}};

std::optional<Operation> operationFromName(const std::string& name)
{
    for (const auto& o : kOperations)
        if (name == o.name) return o.op;
    return std::nullopt;
}

// --world W,H: before any step, as it sets what every step works on.
void readWorld(const std::string& option, Reader& in, Plan& plan)
{
    if (plan.world || !plan.steps.empty()) {
        in.fail(plan.world ? "--world is given twice" : "--world must come before the pictures and operations");
        return;
    }
    const int most = kMaxWorldSize;
    if (const auto v = readNumbers(option, in, "W,H, each 1..65536", {{1, most}, {1, most}}, "32768,32768"))
        plan.world = WorldSpec{(*v)[0], (*v)[1]};
}

// --region X,Y,w,h, checked against the world once both are known.
void readRegion(const std::string& option, Reader& in, std::optional<std::vector<int>>& region)
{
    if (region) {
        in.fail("--region is given twice");
        return;
    }
    const int most = kMaxWorldSize;
    region = readNumbers(option, in, "X,Y,w,h, whole numbers", {{0, most}, {0, most}, {0, most}, {0, most}},
                         "4096,0,4096,4096");
}

std::optional<UsageError> placeRegion(Plan& plan, const std::optional<std::vector<int>>& region)
{
    if (!plan.world) {
        if (region) return UsageError{"--region needs --world W,H before the pictures and operations"};
        return std::nullopt;
    }
    WorldSpec& world = *plan.world;
    if (!region) {
        if (world.width > kMaxMapSize || world.height > kMaxMapSize)
            return UsageError{"a world larger than " + std::to_string(kMaxMapSize) + " a side is lit a region at a time: give --region X,Y,w,h"};
        world.regionWidth = world.width;
        world.regionHeight = world.height;
        return std::nullopt;
    }
    const std::vector<int>& r = *region;
    const std::string text = std::to_string(r[0]) + "," + std::to_string(r[1]) + "," + std::to_string(r[2]) + "," + std::to_string(r[3]);
    if (r[2] == 0 || r[3] == 0) return UsageError{"--region " + text + " is empty: its width and height must be at least 1"};
    if (static_cast<long long>(r[0]) + r[2] > world.width || static_cast<long long>(r[1]) + r[3] > world.height)
        return UsageError{"--region " + text + " reaches outside the " + std::to_string(world.width) + " x "
                          + std::to_string(world.height) + " world"};
    if (r[2] > kMaxMapSize || r[3] > kMaxMapSize)
        return UsageError{"--region " + text + " is larger than " + std::to_string(kMaxMapSize) + " a side"};
    world.x = r[0];
    world.y = r[1];
    world.regionWidth = r[2];
    world.regionHeight = r[3];
    return std::nullopt;
}

// What a world's steps cannot do: resize it, or load what its runs compute.
std::optional<UsageError> worldRefuses(const Plan& plan)
{
    if (!plan.world) return std::nullopt;
    for (const Step& step : plan.steps) {
        if (std::holds_alternative<SizeStep>(step)) return UsageError{"--size cannot be used with --world: the world's size is set"};
        if (std::holds_alternative<ExportStep>(step)) return UsageError{"--export-mesh cannot be used with --world: export the terrain of a map"};
        const auto* load = std::get_if<LoadStep>(&step);
        if (!load) continue;
        if (load->fit) return UsageError{"--open cannot be used with --world: the world's size is set"};
        if (!isInputSlot(load->slot))
            return UsageError{"in a world, " + std::string(slotName(load->slot)) + " is computed and cannot be loaded"};
        if (load->slot == Slot::Height && load->tile)
            return UsageError{"in a world, the heights come from --load height FILE, read by window"};
        if (load->slot == Slot::Height && !isRawHeightFile(load->path) && !load->heights)
            return UsageError{"--load height " + quoted(load->path) + " in a world needs --heights LO,HI before it: a "
                              "raster's least and greatest elevations cannot be known from the windows a region reads"};
    }
    return std::nullopt;
}

// A shadow run refuses some inputs (a sun beyond the 16-bit range, or
// twice a world's side); that is found out now rather than halfway through
// the run.
bool canRun(Operation op, const std::string& name, const Controls& c, Reader& in, bool world)
{
    const auto mode = shadowModeOf(op);
    if (!mode) return true;
    if (const Refusal e = shadowInputsRefused(c, *mode, parseCNumber, world ? kWorldSunReach : kMapSunReach)) {
        in.fail(name + ": " + e->message);
        return false;
    }
    return true;
}

} // namespace

std::optional<ShadowMode> shadowModeOf(Operation op)
{
    switch (op) {
    case Operation::Linear: return ShadowMode::Linear;
    case Operation::LinearSim: return ShadowMode::LinearSim;
    case Operation::Sin: return ShadowMode::Sin;
    case Operation::Cos: return ShadowMode::Cos;
    case Operation::Embossed: return ShadowMode::Embossed;
    case Operation::Sun: return ShadowMode::Sun;
    default: return std::nullopt;
    }
}

std::string operationName(Operation op)
{
    for (const auto& o : kOperations)
        if (o.op == op) return o.name;
    return {};
}

std::variant<Command, UsageError> parseArguments(const std::vector<std::string>& rawArgs)
{
    Command cmd;
    if (rawArgs.empty()) return UsageError{"nothing to do"};
    const Vetted vetted = vetArguments(rawArgs);
    if (vetted.error) return *vetted.error;
    if (vetted.request) {
        cmd.request = *vetted.request;
        return cmd;
    }

    const std::vector<std::string> args = unpackArguments(rawArgs);
    Controls controls; // the control panel's defaults
    std::optional<ElevationRange> heights; // elevations from least to greatest
    std::optional<std::vector<int>> region;
    SettingsOptions settings; // what settings files keep beyond the controls
    std::pair<bool, bool> unitsGiven{false, false}; // --ground, --vertical since the last height map
    Reader in(args);
    bool optionsEnded = false; // after "--", only operations
    while (!in.atEnd() && !in.error()) {
        const std::string arg = in.next();
        if (optionsEnded) {
            if (const auto op = operationFromName(arg)) {
                if (canRun(*op, arg, controls, in, cmd.plan.world.has_value())) cmd.plan.steps.push_back(RunStep{*op, controls});
            } else {
                in.fail("unknown operation " + quoted(arg) + " after --");
            }
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--vrt-sources") {
            if (const auto folder = in.value(arg, "a FOLDER")) cmd.plan.vrtSourceFolders.push_back(*folder);
        } else if (arg == "--time") {
            cmd.plan.time = true;
        } else if (arg == "--quiet") {
            cmd.plan.quiet = true;
        } else if (arg == "--load" || arg == "--tile" || arg == "--save") {
            if (auto step = readPictureStep(arg, in)) {
                if (auto* load = std::get_if<LoadStep>(&*step)) {
                    load->heights = heights;
                    if (load->slot == Slot::Height) unitsGiven = {false, false}; // a raster's own units now stand
                }
                cmd.plan.steps.push_back(std::move(*step));
            }
        } else if (arg == "--open") {
            if (const auto path = in.value(arg, "a FILE"); path && !path->empty()) {
                cmd.plan.steps.push_back(LoadStep{Slot::Height, *path, false, heights, true});
                unitsGiven = {false, false};
            }
            else if (path) in.fail("--open needs a file name, not an empty text");
        } else if (arg == "--export-mesh") {
            if (const auto path = in.value(arg, "a FILE.glb"); path && lowerExtension(*path) == "glb")
                cmd.plan.steps.push_back(ExportStep{*path, controls.sun, unitsGiven.first, unitsGiven.second});
            else if (path) in.fail("cannot export " + quoted(*path) + ": the name must end in .glb");
        } else if (arg == "--heights") {
            if (auto range = readRange(arg, in)) heights = range;
        } else if (arg == "--size") {
            if (auto step = readSize(arg, in)) cmd.plan.steps.push_back(*step);
        } else if (arg == "--world") {
            readWorld(arg, in, cmd.plan);
        } else if (arg == "--region") {
            readRegion(arg, in, region);
        } else if (arg == "--threads") {
            if (const auto n = in.integer(arg, 1, 1024)) cmd.plan.threads = *n;
        } else if (readControl(arg, in, controls)) {
            // the controls now stand as the next operation will see them
            if (arg == "--ground") unitsGiven.first = true;
            if (arg == "--vertical") unitsGiven.second = true;
        } else if (arg == "--settings") {
            unitsGiven = {true, true};
            if (const auto path = in.value(arg, "a FILE"))
                if (auto refused = settings.apply(*path, controls, cmd.plan)) in.fail(std::move(*refused));
        } else if (arg == "--save-settings") {
            if (const auto path = in.value(arg, "a FILE")) cmd.plan.steps.push_back(settings.save(*path, controls, cmd.plan));
        } else if (const auto op = operationFromName(arg == "shadow" ? settings.lastShadowName() : arg)) {
            settings.reached(*op);
            if (canRun(*op, arg, controls, in, cmd.plan.world.has_value())) cmd.plan.steps.push_back(RunStep{*op, controls, unitsGiven.first, unitsGiven.second});
        } else if (arg.starts_with('-')) {
            in.fail("unknown option " + quoted(arg));
        } else {
            in.fail("unknown operation " + quoted(arg)
                    + ": use linear, linear-sim, sin, cos, embossed, sun, shadow, make-texture, make-texture2 or clear");
        }
    }
    if (in.error()) return *in.error();
    if (auto e = placeRegion(cmd.plan, region)) return *e;
    if (auto e = worldRefuses(cmd.plan)) return *e;
    return cmd;
}

} // namespace gloamery::batch
