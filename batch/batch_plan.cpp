#include "batch_plan.h"

#include "shadow/shadow_params.h"
#include "imageio/world_heights.h"
#include "workspace/window_grid.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <string_view>

namespace gloamery::batch {

namespace {

struct NamedOperation {
    const char* name;
    Operation op;
};

constexpr std::array<NamedOperation, 8> kOperations = {{
    {"linear", Operation::Linear},
    {"linear-sim", Operation::LinearSim},
    {"sin", Operation::Sin},
    {"cos", Operation::Cos},
    {"embossed", Operation::Embossed},
    {"make-texture", Operation::MakeTexture},
    {"make-texture2", Operation::MakeTexture2},
    {"clear", Operation::Clear},
}};

struct NamedBlend {
    const char* name;
    BlendMode mode;
};

constexpr std::array<NamedBlend, 4> kBlends = {{
    {"50/50", BlendMode::Half},
    {"multiply", BlendMode::Multiply},
    {"multiply/2", BlendMode::MultiplyHalf},
    {"multiply/3", BlendMode::Multiply3},
}};

constexpr const char* kSlotList = "height, shadow, colour, grass, stone, texture or detail";

std::optional<Operation> operationFromName(const std::string& name)
{
    for (const auto& o : kOperations)
        if (name == o.name) return o.op;
    return std::nullopt;
}

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

// The file name's extension in lower case ("png" for "dir.x/A.PNG"), empty
// when it has none.
std::string suffix(const std::string& path)
{
    const std::string name = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
    const std::size_t dot = name.rfind('.');
    std::string ext = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return ext;
}

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
    const std::string ext = suffix(*path);
    if (ext != "bmp" && ext != "png") {
        in.fail("cannot save " + quoted(*path) + ": the name must end in .bmp or .png");
        return std::nullopt;
    }
    return SaveStep{*slot, *path, ext};
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
        const auto b = std::find_if(kBlends.begin(), kBlends.end(),
                                    [&](const NamedBlend& nb) { return *text == nb.name; });
        if (b == kBlends.end()) in.fail("--blend needs 50/50, multiply, multiply/2 or multiply/3, not " + quoted(*text));
        else c.blend = b->mode;
    } else {
        return false;
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
        const auto* load = std::get_if<LoadStep>(&step);
        if (!load) continue;
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
    const auto params = readShadowParams(c, parseCNumber, *mode != ShadowMode::LinearSim, world ? kWorldSunReach : kMapSunReach);
    if (const Error* e = std::get_if<Error>(&params)) {
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
    default: return std::nullopt;
    }
}

std::string operationName(Operation op)
{
    for (const auto& o : kOperations)
        if (o.op == op) return o.name;
    return {};
}

namespace {

// The vetting pass sees the command line as a whole: the options that
// take a value take the next argument whatever it looks like, --help and
// --version win wherever they stand, and unknown options are named the way
// the toolkit's command-line parser named them when the tool used it.
struct Vetted {
    std::optional<Request> request; // --help or --version, wherever it stands
    std::optional<UsageError> error;
};

constexpr std::array<std::string_view, 14> kValueOptions = {
    "load", "tile", "save", "size", "heights", "threads", "sun", "decay", "darkness", "contrast", "blur", "blend",
    "world", "region"};
constexpr std::array<std::string_view, 6> kFlags = {"h", "help", "help-all", "v", "version", "time"};

bool takesValue(std::string_view name)
{
    return std::find(kValueOptions.begin(), kValueOptions.end(), name) != kValueOptions.end();
}
bool known(std::string_view name)
{
    return takesValue(name) || std::find(kFlags.begin(), kFlags.end(), name) != kFlags.end();
}

Vetted vet(const std::vector<std::string>& args)
{
    std::vector<std::string> found, unknown;
    std::string valueError; // the last one counts
    bool positionalOnly = false;
    // The value of `name`, given in `arg` after '=' or as the next argument.
    auto valueOf = [&](const std::string& name, const std::string& arg, std::size_t& i) {
        const std::size_t eq = arg.find('=');
        if (takesValue(name)) {
            if (eq == std::string::npos && ++i == args.size()) valueError = "Missing value after '" + arg + "'.";
        } else if (eq != std::string::npos) {
            valueError = "Unexpected value after '" + arg.substr(0, eq) + "'.";
        }
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (positionalOnly || arg.size() < 2 || arg[0] != '-') continue;
        if (arg[1] == '-') {
            if (arg.size() == 2) {
                positionalOnly = true;
                continue;
            }
            const std::string name = arg.substr(2, arg.find('=') == std::string::npos ? std::string::npos : arg.find('=') - 2);
            if (!known(name)) {
                unknown.push_back(name);
                continue;
            }
            found.push_back(name);
            valueOf(name, arg, i);
            continue;
        }
        // Single letters, run together: "-hv", "-x".
        std::string name;
        bool valueFound = false;
        for (std::size_t pos = 1; pos < arg.size(); ++pos) {
            name = arg.substr(pos, 1);
            if (!known(name)) {
                unknown.push_back(name);
                continue;
            }
            found.push_back(name);
            if (takesValue(name)) {
                valueFound = pos + 1 < arg.size();
                break;
            }
            if (pos + 1 < arg.size() && arg[pos + 1] == '=') break;
        }
        if (!valueFound && known(name)) valueOf(name, arg, i);
    }
    if (!valueError.empty()) return {std::nullopt, UsageError{valueError}};
    if (unknown.size() == 1) return {std::nullopt, UsageError{"Unknown option '" + unknown[0] + "'."}};
    if (!unknown.empty()) {
        std::string names;
        for (const std::string& n : unknown) names += (names.empty() ? "" : ", ") + n;
        return {std::nullopt, UsageError{"Unknown options: " + names + "."}};
    }
    auto isSet = [&](std::string_view a, std::string_view b) {
        return std::find(found.begin(), found.end(), a) != found.end() || std::find(found.begin(), found.end(), b) != found.end();
    };
    if (isSet("h", "help") || isSet("help-all", "help-all")) return {Request::Help, std::nullopt};
    if (isSet("v", "version")) return {Request::Version, std::nullopt};
    return {};
}

// "--name=value" as the two arguments it means.
std::vector<std::string> unpacked(const std::vector<std::string>& args)
{
    std::vector<std::string> out;
    bool optionsEnd = false;
    for (const std::string& arg : args) {
        const std::size_t eq = arg.find('=');
        if (!optionsEnd && arg.starts_with("--") && eq != std::string::npos && eq > 2) {
            out.push_back(arg.substr(0, eq));
            out.push_back(arg.substr(eq + 1));
        } else {
            out.push_back(arg);
        }
        if (arg == "--") optionsEnd = true;
    }
    return out;
}

} // namespace

std::variant<Command, UsageError> parseArguments(const std::vector<std::string>& rawArgs)
{
    Command cmd;
    if (rawArgs.empty()) return UsageError{"nothing to do"};
    const Vetted vetted = vet(rawArgs);
    if (vetted.error) return *vetted.error;
    if (vetted.request) {
        cmd.request = *vetted.request;
        return cmd;
    }

    const std::vector<std::string> args = unpacked(rawArgs);
    Controls controls; // the control panel's defaults
    std::optional<ElevationRange> heights; // elevations from least to greatest
    std::optional<std::vector<int>> region;
    Reader in(args);
    while (!in.atEnd() && !in.error()) {
        const std::string arg = in.next();
        if (arg == "--time") {
            cmd.plan.time = true;
        } else if (arg == "--load" || arg == "--tile" || arg == "--save") {
            if (auto step = readPictureStep(arg, in)) {
                if (auto* load = std::get_if<LoadStep>(&*step)) load->heights = heights;
                cmd.plan.steps.push_back(std::move(*step));
            }
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
        } else if (const auto op = operationFromName(arg)) {
            if (canRun(*op, arg, controls, in, cmd.plan.world.has_value())) cmd.plan.steps.push_back(RunStep{*op, controls});
        } else if (arg.starts_with('-')) {
            in.fail("unknown option " + quoted(arg));
        } else {
            in.fail("unknown operation " + quoted(arg)
                    + ": use linear, linear-sim, sin, cos, embossed, make-texture, make-texture2 or clear");
        }
    }
    if (in.error()) return *in.error();
    if (auto e = placeRegion(cmd.plan, region)) return *e;
    if (auto e = worldRefuses(cmd.plan)) return *e;
    return cmd;
}

std::string usageText()
{
    return std::string(
        "Usage: gloamery-batch [ARGUMENT]...\n"
        "Lights a terrain the way the control panel does, one argument at a time,\n"
        "strictly left to right. Starts from the control panel's default pictures.\n"
        "\n"
        "Pictures (SLOT: height, shadow, colour, grass, stone, texture, detail):\n"
        "  --load SLOT FILE     put an image (BMP, JPEG, GIF, PNG, PPM, TIFF...) into the slot\n"
        "                       at its top-left, cropped to the map; a note on standard\n"
        "                       error tells when its size differs from the map's\n"
        "  --tile SLOT FILE     fill the slot with the image repeated from the top-left\n"
        "  --save SLOT FILE     write the slot's picture; FILE ends in .bmp or .png\n"
        "                       (a deep height map saves as 16-bit grey PNG)\n"
        "\n"
        "Deep heights: 16-bit PNG and TIFF, PGM with a maxval above 255, raw 16-bit\n"
        "little-endian .r16/.raw files of the map's size, and elevation rasters\n"
        "(GeoTIFF, SRTM .hgt, ESRI ASCII .asc) load as height at full precision.\n"
        "  --heights LO,HI      the elevations later raster loads map onto 0..65535\n"
        "                       (default: each raster's least and greatest); a note\n"
        "                       on standard error tells the range used\n"
        "\n"
        "Map size (256,256 at start):\n"
        "  --size W,H           make every slot W x H, each side 1..16384: the height,\n"
        "                       grass, stone and detail pictures repeat from the\n"
        "                       top-left, the shadow, texture and colour maps start afresh\n"
        "\n"
        "Worlds larger than a map, lit a region at a time (see light-world.sh):\n"
        "  --world W,H          before anything else: the steps work on a W x H world,\n"
        "                       each side 1..65536, whose heights --load height FILE\n"
        "                       reads by window: raw .r8 (bytes), .r16 (16-bit little-\n"
        "                       endian), .raw (either, by its length), or any elevation\n"
        "                       raster, tiled GeoTIFF and VRT mosaics included (these\n"
        "                       need --heights LO,HI); grass, stone and detail repeat\n"
        "                       (--tile) or lie (--load) from the world's origin\n"
        "  --region X,Y,w,h     compute and save only this region (each side up to\n"
        "                       16384); put side by side, any split's regions are the\n"
        "                       bytes of one run over the whole world. The sun may\n"
        "                       stand up to twice 65536 from the world's origin\n"
        "\n"
        "Controls (numbers in the C locale, as in 10.5):\n"
        "  --sun X,Y            sun position X0,Y0 (default 0,0)\n"
        "  --decay NUMBER       decay (default 5)\n"
        "  --darkness N         darkness 0..255 (default 128)\n"
        "  --contrast N         texture contrast 0..100 (default 0)\n"
        "  --blur on|off        smooth the shadow map when merging (default on)\n"
        "  --blend MODE         50/50, multiply, multiply/2 or multiply/3 (default multiply)\n"
        "\n"
        "Operations, run when reached:\n"
        "  linear, linear-sim, sin, cos, embossed   a shadow run, then the merge\n"
        "  make-texture, make-texture2              texture synthesis\n"
        "  clear                                    empty the shadow map\n"
        "\n"
        "  --threads N          compute on N threads (default: GLOAMERY_THREADS, else\n"
        "                       every core); the results are the same on any number\n"
        "  --time               print each operation's wall time on standard error\n"
        "  -h, --help           print this help\n"
        "  -v, --version        print the version\n"
        "\n"
        "An option's value may also follow an equals sign, as in --decay=-3.\n"
        "\n"
        "Exit status: 0 done, 1 a file could not be read or written (the run stops\n"
        "there), 2 a bad argument (nothing runs).\n"
        "\n"
        "Examples:\n"
        "  gloamery-batch --load height hills.png --sun 40,30 --decay 3 linear \\\n"
        "                 --save colour lit.png\n"
        "  gloamery-batch --size 1024,1024 --load height hills1k.png make-texture \\\n"
        "                 --sun 500,-200 linear --save colour hills1k-lit.png\n");
}

} // namespace gloamery::batch
