#include "batch_plan.h"

#include "argument_vetting.h"
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

struct NamedOperation {
    const char* name;
    Operation op;
};

// The shadow buttons are named by the settings files' names (settings.h).
constexpr std::array<NamedOperation, 3> kOperations = {{
    {"make-texture", Operation::MakeTexture},
    {"make-texture2", Operation::MakeTexture2},
    {"clear", Operation::Clear},
}};

constexpr const char* kSlotList = "height, shadow, colour, grass, stone, texture or detail";

std::optional<Operation> operationFromName(const std::string& name)
{
    if (const auto mode = shadowButtonFromName(name)) return static_cast<Operation>(*mode);
    for (const auto& o : kOperations)
        if (name == o.name) return o.op;
    return std::nullopt;
}

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

std::vector<std::string> splitAtCommas(const std::string& text)
{
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == ',') parts.emplace_back();
        else parts.back() += c;
    }
    return parts;
}

// Walks the argument list; every reader either yields a value or records
// the first usage error.
class Reader {
public:
    explicit Reader(const std::vector<std::string>& args) : args_(args) {}

    bool atEnd() const { return pos_ >= args_.size(); }
    std::string next() { return args_.at(pos_++); }

    // The value after an option, or an error naming what is missing.
    std::optional<std::string> value(const std::string& option, const char* what)
    {
        if (atEnd()) {
            fail(option + " needs " + what);
            return std::nullopt;
        }
        return next();
    }

    std::optional<Slot> slot(const std::string& option)
    {
        const auto name = value(option, "a SLOT and a FILE");
        if (!name) return std::nullopt;
        const auto s = slotFromName(*name);
        if (!s) fail("unknown slot " + quoted(*name) + " after " + option + ": use " + kSlotList);
        return s;
    }

    std::optional<std::string> file(const std::string& option)
    {
        const auto f = value(option, "a SLOT and a FILE");
        if (f && f->empty()) {
            fail(option + " needs a file name, not an empty text");
            return std::nullopt;
        }
        return f;
    }

    // A whole number lo..hi written in the C locale ("128", "1e2").
    std::optional<int> integer(const std::string& option, int lo, int hi)
    {
        const std::string range = std::to_string(lo) + ".." + std::to_string(hi);
        const auto text = value(option, ("a whole number " + range).c_str());
        if (!text) return std::nullopt;
        const auto v = parseCNumber(*text);
        if (!v || *v != std::floor(*v) || *v < lo || *v > hi) {
            fail(option + " needs a whole number " + range + ", not " + quoted(*text));
            return std::nullopt;
        }
        return static_cast<int>(*v);
    }

    void fail(std::string message)
    {
        if (!error_) error_ = UsageError{std::move(message)};
    }
    const std::optional<UsageError>& error() const { return error_; }

private:
    const std::vector<std::string>& args_;
    std::size_t pos_ = 0;
    std::optional<UsageError> error_;
};

bool isFiniteNumber(const std::string& text) { return parseCNumber(text).has_value(); }

// --load or --save with its slot and file; nothing after a usage error.
std::optional<Step> readPictureStep(const std::string& option, Reader& in)
{
    const auto slot = in.slot(option);
    const auto path = slot ? in.file(option) : std::nullopt;
    if (!slot || !path) return std::nullopt;
    if (option == "--load") return LoadStep{*slot, *path, false, std::nullopt};
    if (option == "--tile") return LoadStep{*slot, *path, true, std::nullopt};
    const auto format = saveFormatOf(*path);
    if (!format) {
        in.fail("cannot save " + quoted(*path) + ": the name must end in .bmp, .png, .tif, .tiff, .r16 or .raw");
        return std::nullopt;
    }
    if (*format == "r16" && *slot != Slot::Height) {
        in.fail("cannot save " + quoted(*path) + ": only the height map saves as raw 16-bit heights (.r16, .raw)");
        return std::nullopt;
    }
    return SaveStep{*slot, *path, *format};
}

// "LO,HI": two finite numbers, LO below HI.
std::optional<ElevationRange> readRange(const std::string& option, Reader& in)
{
    const auto text = in.value(option, "LO,HI");
    if (!text) return std::nullopt;
    const std::vector<std::string> parts = splitAtCommas(*text);
    const auto lo = parts.size() == 2 ? parseCNumber(parts[0]) : std::nullopt;
    const auto hi = parts.size() == 2 ? parseCNumber(parts[1]) : std::nullopt;
    if (!lo || !hi || !(*lo < *hi)) {
        in.fail(option + " needs two finite numbers LO,HI with LO below HI (as in -20,850.5), not "
                + quoted(*text));
        return std::nullopt;
    }
    return ElevationRange{*lo, *hi};
}

// Whole numbers separated by commas, one within each of the ranges.
std::optional<std::vector<int>> readNumbers(const std::string& option, Reader& in, const char* form,
                                            const std::vector<std::pair<int, int>>& ranges, const char* example)
{
    const auto text = in.value(option, form);
    if (!text) return std::nullopt;
    const std::vector<std::string> parts = splitAtCommas(*text);
    std::vector<int> values;
    for (std::size_t i = 0; i < parts.size() && parts.size() == ranges.size(); ++i) {
        const auto v = parseCNumber(parts[i]);
        if (!v || *v != std::floor(*v) || *v < ranges[i].first || *v > ranges[i].second) break;
        values.push_back(static_cast<int>(*v));
    }
    if (values.size() != ranges.size() || values.empty()) {
        in.fail(option + " needs " + form + " (as in " + example + "), not " + quoted(*text));
        return std::nullopt;
    }
    return values;
}

// "W,H" with both whole numbers within 1..16384.
std::optional<SizeStep> readSize(const std::string& option, Reader& in)
{
    const std::string form = "two whole numbers W,H from 1 to " + std::to_string(kMaxMapSize);
    const auto v = readNumbers(option, in, form.c_str(), {{1, kMaxMapSize}, {1, kMaxMapSize}}, "1024,768");
    if (!v) return std::nullopt;
    return SizeStep{(*v)[0], (*v)[1]};
}

// NUMBER or NUMBER,NUMBER, each finite and within lo..hi; `second` says
// whether a second number may (or, when required, must) follow.
enum class Second { None, Optional, Required };
std::optional<std::pair<double, double>> readReals(const std::string& option, Reader& in, const std::string& form,
                                                   double lo, double hi, Second second, double lo2 = 0, double hi2 = 0)
{
    const auto text = in.value(option, form.c_str());
    if (!text) return std::nullopt;
    const std::vector<std::string> parts = splitAtCommas(*text);
    const bool countOk = parts.size() == 1 ? second != Second::Required : parts.size() == 2 && second != Second::None;
    const auto a = countOk ? parseCNumber(parts[0]) : std::nullopt;
    const auto b = countOk && parts.size() == 2 ? parseCNumber(parts[1]) : a;
    if (parts.size() == 1) lo2 = lo, hi2 = hi;
    if (!a || !b || *a < lo || *a > hi || *b < lo2 || *b > hi2) {
        in.fail(option + " needs " + form + ", not " + quoted(*text));
        return std::nullopt;
    }
    return std::make_pair(*a, *b);
}

// The "sun" operation's controls. False when the argument is none of them.
bool readSunControl(const std::string& option, Reader& in, SunControls& c)
{
    using namespace sun_range;
    if (option == "--sun-angle") {
        if (auto v = readReals(option, in, "A,E: an azimuth from -1e6 to 1e6 and an altitude from 0 to 90 degrees (as in 315,45)",
                               -kAzimuth, kAzimuth, Second::Required, 0, kAltitudeMax))
            std::tie(c.azimuth, c.altitude) = *v;
    } else if (option == "--sun-size") {
        if (auto v = readReals(option, in, "the sun's size in degrees, from 0 to 10", 0, kSizeMax, Second::None)) c.size = v->first;
    } else if (option == "--lambert") {
        const auto text = in.value(option, "on or off");
        if (!text) return true;
        if (*text == "on" || *text == "off") c.lambert = *text == "on";
        else in.fail("--lambert needs on or off, not " + quoted(*text));
    } else if (option == "--sky") {
        if (auto v = readReals(option, in, "the sky's share of the light, from 0 to 1", 0, 1, Second::None)) c.sky = v->first;
    } else if (option == "--sky-rays") {
        if (auto v = readNumbers(option, in, "N,M: 1..256 azimuths and 1..16 altitudes", {{1, kSkyAzimuthsMax}, {1, kSkyAltitudesMax}}, "16,4")) {
            c.skyAzimuths = (*v)[0];
            c.skyAltitudes = (*v)[1];
        }
    } else if (option == "--ground") {
        if (auto v = readReals(option, in, "GX[,GY]: a pixel's ground size across and down, each from 1e-9 to 1e9", kUnitMin,
                               kUnitMax, Second::Optional, kUnitMin, kUnitMax))
            std::tie(c.groundX, c.groundY) = *v;
    } else if (option == "--vertical") {
        if (auto v = readReals(option, in, "the elevation of one 8-bit height level, from 1e-9 to 1e9", kUnitMin, kUnitMax, Second::None))
            c.vertical = v->first;
    } else {
        return false;
    }
    return true;
}

// The control options. False when the argument is none of them; a bad value
// is recorded in the reader and leaves the controls as they were.
bool readControl(const std::string& option, Reader& in, Controls& c)
{
    if (option == "--sun") {
        const auto text = in.value(option, "X,Y");
        if (!text) return true;
        const std::size_t comma = text->find(',');
        const bool none = comma == std::string::npos;
        const std::string x = none ? std::string() : text->substr(0, comma);
        const std::string y = none ? std::string() : text->substr(comma + 1);
        if (none || !isFiniteNumber(x) || !isFiniteNumber(y)) {
            in.fail("--sun needs two finite numbers X,Y (as in 40,30.5), not " + quoted(*text));
            return true;
        }
        c.x0 = x;
        c.y0 = y;
    } else if (option == "--decay") {
        const auto text = in.value(option, "a finite number");
        if (!text) return true;
        if (!isFiniteNumber(*text)) in.fail("--decay needs a finite number, not " + quoted(*text));
        else c.alt = *text;
    } else if (option == "--darkness") {
        if (const auto v = in.integer(option, 0, 255)) c.darkness = *v;
    } else if (option == "--contrast") {
        if (const auto v = in.integer(option, 0, 100)) c.contrast = *v;
    } else if (option == "--blur") {
        const auto text = in.value(option, "on or off");
        if (!text) return true;
        if (*text == "on") c.blur = true;
        else if (*text == "off") c.blur = false;
        else in.fail("--blur needs on or off, not " + quoted(*text));
    } else if (option == "--blend") {
        const auto text = in.value(option, "a blend mode");
        if (!text) return true;
        if (const auto b = blendFromName(*text)) c.blend = *b;
        else in.fail("--blend needs 50/50, multiply, multiply/2 or multiply/3, not " + quoted(*text));
    } else {
        return readSunControl(option, in, c.sun);
    }
    return true;
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
// The step, with the values a shadow run takes read from the controls.
std::optional<RunStep> runStep(Operation op, const std::string& name, const Controls& c, Reader& in, bool world,
                               std::pair<bool, bool> unitsGiven)
{
    RunStep step{op, c, {}, unitsGiven.first, unitsGiven.second};
    const auto mode = shadowModeOf(op);
    if (!mode) return step;
    auto read = readShadowParams(c, parseCNumber, *mode, world ? kWorldSunReach : kMapSunReach);
    if (const Error* e = std::get_if<Error>(&read)) {
        in.fail(name + ": " + e->message);
        return std::nullopt;
    }
    step.params = std::get<ShadowParams>(read);
    return step;
}

} // namespace

std::optional<ShadowMode> shadowModeOf(Operation op)
{
    if (static_cast<int>(op) > static_cast<int>(Operation::Sun)) return std::nullopt;
    return static_cast<ShadowMode>(op);
}

ShadowParams shadowParamsOf(const RunStep& step)
{
    ShadowParams p = step.params;
    p.sun = step.controls.sun;
    return p;
}

std::string operationName(Operation op)
{
    if (const auto mode = shadowModeOf(op)) return std::string(shadowButtonName(*mode));
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
                if (auto step = runStep(*op, arg, controls, in, cmd.plan.world.has_value(), {false, false}))
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
            if (auto step = runStep(*op, arg, controls, in, cmd.plan.world.has_value(), unitsGiven))
                cmd.plan.steps.push_back(std::move(*step));
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
