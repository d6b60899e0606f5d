#include "batch_plan.h"

#include "option_reader.h"

#include "argument_vetting.h"
#include "engine_options.h"
#include "settings_options.h"
#include "world_plan.h"
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

std::optional<Operation> operationFromName(const std::string& name)
{
    if (const OperationRow* row = gloamery::operationNamed(name)) return row;
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

// A shadow run refuses some inputs (a sun beyond the 16-bit range, or
// twice a world's side); that is found out now rather than halfway through
// the run.
// The step, with the values a shadow run takes, from the numbers read when
// their options (or a settings file) were.
std::optional<RunStep> runStep(Operation op, const std::string& name, const Controls& c, const ShadowNumbers& numbers,
                               Reader& in, bool world, std::pair<bool, bool> unitsGiven)
{
    RunStep step{op, c, {}, unitsGiven.first, unitsGiven.second, {}};
    // The real sun over a period needs the period; its place waits for the
    // height map, which may tell it.
    if (holds(op->controls, ControlId::Period) && op->layer && !c.period) {
        const ControlRow& period = controlRow(ControlId::Period);
        in.fail(name + " needs " + std::string(period.flag) + " " + std::string(period.metavar) + " before it");
        return std::nullopt;
    }
    if (op == operationNamed("tint")) {
        auto table = loadColourTable(c.colours);
        if (const Error* e = std::get_if<Error>(&table)) {
            in.fail(name + ": cannot read the colour table " + quoted(c.colours) + ": " + e->message);
            return std::nullopt;
        }
        step.colours = std::make_shared<const ReadColourTable>(std::move(std::get<ReadColourTable>(table)));
    }
    const auto mode = shadowModeOf(op);
    if (!mode) return step;
    auto read = readShadowParams(numbers, c, *mode, world ? kWorldSunReach : kMapSunReach);
    if (const Error* e = std::get_if<Error>(&read)) {
        in.fail(name + ": " + e->message);
        return std::nullopt;
    }
    step.params = std::get<ShadowParams>(read);
    return step;
}

} // namespace

ShadowParams shadowParamsOf(const RunStep& step)
{
    ShadowParams p = step.params;
    p.sun = step.controls.sun;
    return p;
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
    ShadowNumbers numbers = readShadowNumbers(controls, parseCNumber); // X0, Y0 and the decay as read
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
                if (auto step = runStep(*op, arg, controls, numbers, in, cmd.plan.world.has_value(), {false, false}))
                    cmd.plan.steps.push_back(std::move(*step));
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
        } else if (readEngineOption(arg, in, EngineUnits{controls, unitsGiven}, cmd.plan.steps)) {
            // an engine map's save, its options, or --fit
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
        } else if (arg == "--frames") {
            const ControlRow& period = controlRow(ControlId::Period);
            if (const auto dir = in.value(arg, "a DIR"); dir && dir->empty()) {
                in.fail("--frames needs a folder's name, not an empty text");
            } else if (dir && !controls.period) {
                in.fail("--frames needs " + std::string(period.flag) + " " + std::string(period.metavar)
                        + " before it");
            } else if (dir) {
                const OperationRow& sun = operationOf(ShadowMode::Sun);
                if (auto step = runStep(&sun, arg, controls, numbers, in, cmd.plan.world.has_value(), unitsGiven))
                    cmd.plan.steps.push_back(FramesStep{*dir, std::move(*step)});
            }
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
        } else if (readControl(arg, in, controls, numbers)) {
            // the controls now stand as the next operation will see them
            if (arg == "--ground") unitsGiven.first = true;
            if (arg == "--vertical") unitsGiven.second = true;
        } else if (arg == "--settings") {
            unitsGiven = {true, true};
            if (const auto path = in.value(arg, "a FILE")) {
                if (auto refused = settings.apply(*path, controls, cmd.plan)) in.fail(std::move(*refused));
                else numbers = readShadowNumbers(controls, parseCNumber);
            }
        } else if (arg == "--save-settings") {
            if (const auto path = in.value(arg, "a FILE"))
                cmd.plan.steps.push_back(settings.save(*path, controls, cmd.plan));
        } else if (const auto op = operationFromName(arg == "shadow" ? settings.lastShadowName() : arg)) {
            settings.reached(*op);
            if (auto step = runStep(*op, arg, controls, numbers, in, cmd.plan.world.has_value(), unitsGiven))
                cmd.plan.steps.push_back(std::move(*step));
        } else if (arg.starts_with('-')) {
            in.fail("unknown option " + quoted(arg));
        } else {
            in.fail("unknown operation " + quoted(arg) + ": use " + operationNameList("shadow"));
        }
    }
    if (in.error()) return *in.error();
    if (auto e = placeRegion(cmd.plan, region)) return *e;
    if (auto e = worldRefuses(cmd.plan)) return *e;
    return cmd;
}

} // namespace gloamery::batch
