#include "batch_plan.h"

#include "shadow/shadow_params.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

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

std::optional<Operation> operationFromName(const QString& name)
{
    for (const auto& o : kOperations)
        if (name == QLatin1String(o.name)) return o.op;
    return std::nullopt;
}

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

std::string quoted(const QString& s) { return "\"" + s.toStdString() + "\""; }

// Walks the argument list; every reader either yields a value or records
// the first usage error.
class Reader {
public:
    explicit Reader(const QStringList& args) : args_(args) {}

    bool atEnd() const { return pos_ >= args_.size(); }
    QString next() { return args_.at(pos_++); }

    // The value after an option, or an error naming what is missing.
    std::optional<QString> value(const QString& option, const char* what)
    {
        if (atEnd()) {
            fail(option.toStdString() + " needs " + what);
            return std::nullopt;
        }
        return next();
    }

    std::optional<Slot> slot(const QString& option)
    {
        const auto name = value(option, "a SLOT and a FILE");
        if (!name) return std::nullopt;
        const auto s = slotFromName(name->toStdString());
        if (!s) fail("unknown slot " + quoted(*name) + " after " + option.toStdString() + ": use " + kSlotList);
        return s;
    }

    std::optional<QString> file(const QString& option)
    {
        const auto f = value(option, "a SLOT and a FILE");
        if (f && f->isEmpty()) {
            fail(option.toStdString() + " needs a file name, not an empty text");
            return std::nullopt;
        }
        return f;
    }

    // A whole number lo..hi written in the C locale ("128", "1e2").
    std::optional<int> integer(const QString& option, int lo, int hi)
    {
        const std::string range = std::to_string(lo) + ".." + std::to_string(hi);
        const auto text = value(option, ("a whole number " + range).c_str());
        if (!text) return std::nullopt;
        const auto v = parseCNumber(text->toStdString());
        if (!v || *v != std::floor(*v) || *v < lo || *v > hi) {
            fail(option.toStdString() + " needs a whole number " + range + ", not " + quoted(*text));
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
    const QStringList& args_;
    qsizetype pos_ = 0;
    std::optional<UsageError> error_;
};

bool isFiniteNumber(const QString& text) { return parseCNumber(text.toStdString()).has_value(); }

// --load or --save with its slot and file; nothing after a usage error.
std::optional<Step> readPictureStep(const QString& option, Reader& in)
{
    const auto slot = in.slot(option);
    const auto path = slot ? in.file(option) : std::nullopt;
    if (!slot || !path) return std::nullopt;
    if (option == QLatin1String("--load")) return LoadStep{*slot, *path, false, std::nullopt};
    if (option == QLatin1String("--tile")) return LoadStep{*slot, *path, true, std::nullopt};
    const QString ext = QFileInfo(*path).suffix().toLower();
    if (ext != QLatin1String("bmp") && ext != QLatin1String("png")) {
        in.fail("cannot save " + quoted(*path) + ": the name must end in .bmp or .png");
        return std::nullopt;
    }
    return SaveStep{*slot, *path, ext.toLatin1()};
}

// "LO,HI": two finite numbers, LO below HI.
std::optional<ElevationRange> readRange(const QString& option, Reader& in)
{
    const auto text = in.value(option, "LO,HI");
    if (!text) return std::nullopt;
    const QStringList parts = text->split(QLatin1Char(','));
    const auto lo = parts.size() == 2 ? parseCNumber(parts[0].toStdString()) : std::nullopt;
    const auto hi = parts.size() == 2 ? parseCNumber(parts[1].toStdString()) : std::nullopt;
    if (!lo || !hi || !(*lo < *hi)) {
        in.fail(option.toStdString() + " needs two finite numbers LO,HI with LO below HI (as in -20,850.5), not "
                + quoted(*text));
        return std::nullopt;
    }
    return ElevationRange{*lo, *hi};
}

// "W,H" with both whole numbers within 1..16384.
std::optional<SizeStep> readSize(const QString& option, Reader& in)
{
    const auto text = in.value(option, "W,H");
    if (!text) return std::nullopt;
    const QStringList parts = text->split(QLatin1Char(','));
    auto side = [](const QString& t) -> std::optional<int> {
        const auto v = parseCNumber(t.toStdString());
        if (!v || *v != std::floor(*v) || *v < 1 || *v > kMaxMapSize) return std::nullopt;
        return static_cast<int>(*v);
    };
    const auto w = parts.size() == 2 ? side(parts[0]) : std::nullopt;
    const auto h = parts.size() == 2 ? side(parts[1]) : std::nullopt;
    if (!w || !h) {
        in.fail(option.toStdString() + " needs two whole numbers W,H from 1 to " + std::to_string(kMaxMapSize)
                + " (as in 1024,768), not " + quoted(*text));
        return std::nullopt;
    }
    return SizeStep{*w, *h};
}

// The control options. False when the argument is none of them; a bad value
// is recorded in the reader and leaves the controls as they were.
bool readControl(const QString& option, Reader& in, Controls& c)
{
    if (option == QLatin1String("--sun")) {
        const auto text = in.value(option, "X,Y");
        if (!text) return true;
        const qsizetype comma = text->indexOf(QLatin1Char(','));
        const QString x = comma < 0 ? QString() : text->left(comma);
        const QString y = comma < 0 ? QString() : text->mid(comma + 1);
        if (comma < 0 || !isFiniteNumber(x) || !isFiniteNumber(y)) {
            in.fail("--sun needs two finite numbers X,Y (as in 40,30.5), not " + quoted(*text));
            return true;
        }
        c.x0 = x.toStdString();
        c.y0 = y.toStdString();
    } else if (option == QLatin1String("--decay")) {
        const auto text = in.value(option, "a finite number");
        if (!text) return true;
        if (!isFiniteNumber(*text)) in.fail("--decay needs a finite number, not " + quoted(*text));
        else c.alt = text->toStdString();
    } else if (option == QLatin1String("--darkness")) {
        if (const auto v = in.integer(option, 0, 255)) c.darkness = *v;
    } else if (option == QLatin1String("--contrast")) {
        if (const auto v = in.integer(option, 0, 100)) c.contrast = *v;
    } else if (option == QLatin1String("--blur")) {
        const auto text = in.value(option, "on or off");
        if (!text) return true;
        if (*text == QLatin1String("on")) c.blur = true;
        else if (*text == QLatin1String("off")) c.blur = false;
        else in.fail("--blur needs on or off, not " + quoted(*text));
    } else if (option == QLatin1String("--blend")) {
        const auto text = in.value(option, "a blend mode");
        if (!text) return true;
        const auto b = std::find_if(kBlends.begin(), kBlends.end(),
                                    [&](const NamedBlend& nb) { return *text == QLatin1String(nb.name); });
        if (b == kBlends.end()) in.fail("--blend needs 50/50, multiply, multiply/2 or multiply/3, not " + quoted(*text));
        else c.blend = b->mode;
    } else {
        return false;
    }
    return true;
}

// A shadow run refuses some inputs (a sun beyond the 16-bit range); that is
// found out now rather than halfway through the run.
bool canRun(Operation op, const QString& name, const Controls& c, Reader& in)
{
    const auto mode = shadowModeOf(op);
    if (!mode) return true;
    const auto params = readShadowParams(c, parseCNumber, *mode != ShadowMode::LinearSim);
    if (const Error* e = std::get_if<Error>(&params)) {
        in.fail(name.toStdString() + ": " + e->message);
        return false;
    }
    return true;
}

} // namespace

QString operationName(Operation op)
{
    for (const auto& o : kOperations)
        if (o.op == op) return QLatin1String(o.name);
    return {};
}

namespace {

// Qt's parser knows the options and that each has its value, but it keeps
// no order between options and the operations around them; it vets the
// command line, and the walk below reads it in order.
struct Vetted {
    std::optional<Request> request; // --help or --version, wherever it stands
    std::optional<UsageError> error;
};

Vetted vet(const QStringList& args)
{
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addOption({QStringLiteral("time"), QStringLiteral("wall time of each operation")});
    for (const char* name : {"load", "tile", "save", "size", "heights", "threads", "sun", "decay", "darkness", "contrast", "blur", "blend"})
        parser.addOption({QLatin1String(name), QString(), QStringLiteral("value")});

    if (!parser.parse(QStringList{QStringLiteral("gloamery-batch")} + args))
        return {std::nullopt, UsageError{parser.errorText().toStdString()}};
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) return {Request::Help, std::nullopt};
    if (parser.isSet(version)) return {Request::Version, std::nullopt};
    return {};
}

// "--name=value", which Qt's parser accepts, as the two arguments it means.
QStringList unpacked(const QStringList& args)
{
    QStringList out;
    bool optionsEnd = false;
    for (const QString& arg : args) {
        const qsizetype eq = arg.indexOf(QLatin1Char('='));
        if (!optionsEnd && arg.startsWith(QLatin1String("--")) && eq > 2) {
            out << arg.left(eq) << arg.mid(eq + 1);
        } else {
            out << arg;
        }
        if (arg == QLatin1String("--")) optionsEnd = true;
    }
    return out;
}

} // namespace

std::variant<Command, UsageError> parseArguments(const QStringList& rawArgs)
{
    Command cmd;
    if (rawArgs.isEmpty()) return UsageError{"nothing to do"};
    const Vetted vetted = vet(rawArgs);
    if (vetted.error) return *vetted.error;
    if (vetted.request) {
        cmd.request = *vetted.request;
        return cmd;
    }

    const QStringList args = unpacked(rawArgs);
    Controls controls; // the control panel's defaults
    std::optional<ElevationRange> heights; // elevations from least to greatest
    Reader in(args);
    while (!in.atEnd() && !in.error()) {
        const QString arg = in.next();
        if (arg == QLatin1String("--time")) {
            cmd.plan.time = true;
        } else if (arg == QLatin1String("--load") || arg == QLatin1String("--tile") || arg == QLatin1String("--save")) {
            if (auto step = readPictureStep(arg, in)) {
                if (auto* load = std::get_if<LoadStep>(&*step)) load->heights = heights;
                cmd.plan.steps.push_back(std::move(*step));
            }
        } else if (arg == QLatin1String("--heights")) {
            if (auto range = readRange(arg, in)) heights = range;
        } else if (arg == QLatin1String("--size")) {
            if (auto step = readSize(arg, in)) cmd.plan.steps.push_back(*step);
        } else if (arg == QLatin1String("--threads")) {
            if (const auto n = in.integer(arg, 1, 1024)) cmd.plan.threads = *n;
        } else if (readControl(arg, in, controls)) {
            // the controls now stand as the next operation will see them
        } else if (const auto op = operationFromName(arg)) {
            if (canRun(*op, arg, controls, in)) cmd.plan.steps.push_back(RunStep{*op, controls});
        } else if (arg.startsWith(QLatin1Char('-'))) {
            in.fail("unknown option " + quoted(arg));
        } else {
            in.fail("unknown operation " + quoted(arg)
                    + ": use linear, linear-sim, sin, cos, embossed, make-texture, make-texture2 or clear");
        }
    }
    if (in.error()) return *in.error();
    return cmd;
}

QString usageText()
{
    return QStringLiteral(
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
