#pragma once
// The batch tool's command line, read into a plan of steps before anything
// runs: every slot name, operation, number and save extension is checked
// here, so a bad argument stops the tool before the first file is written.

#include "compose/texture.h"
#include "engine_steps.h"
#include "imageio/colour_tables.h"
#include "imageio/elevation.h"
#include "imageio/printable_text.h"
#include "settings/settings.h"
#include "inputs/shadow_inputs.h"
#include "inputs/controls.h"
#include "inputs/operations.h"
#include "workspace/rect.h"
#include "workspace/workspace.h"

#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#ifdef QT_CORE_LIB
#include <QStringList>
#endif

namespace gloamery::batch {

// An operation is its row of the operation table (never null).
using Operation = const OperationRow*;

// The operation's name on the command line ("linear", "make-texture2"...),
// the settings files' name for it too.
inline std::string operationName(Operation op) { return std::string(op->name); }
// The shadow button an operation runs, if it is one.
inline std::optional<ShadowMode> shadowModeOf(Operation op) { return op->shadow; }

// A name or value as the tool's messages show it: in double quotes.
// A name in a message, its control characters escaped (printable_text.h).
inline std::string quoted(const std::string& s) { return "\"" + printable(s) + "\""; }

// --load (top-left, cropped) or --tile (repeated from the top-left).
struct LoadStep {
    Slot slot;
    std::string path;
    bool tile = false;
    std::optional<ElevationRange> heights; // --heights as it stood
    bool fit = false; // --open: the map first takes the file's size
};

// --size: every slot becomes w x h.
struct SizeStep {
    int width;
    int height;
};

struct SaveStep {
    Slot slot;
    std::string path;
    std::string format; // "bmp", "png", "tif" or "r16", from the extension (see map_files.h)
    bool layer = false; // --save layer: the map's real-valued layer (slot unused)
};

// An operation with the controls as they stood when the command line
// reached it.
struct RunStep {
    Operation op;
    Controls controls;
    // X0, Y0 and the decay of a shadow run, read from the controls once,
    // when the plan was made; the Sun controls are the controls' own.
    ShadowParams params;
    // Whether --ground, --vertical (or a settings file) came after the
    // last height map loaded; else a raster's own units stand in for them.
    bool groundGiven = false;
    bool verticalGiven = false;
    // tint's colour table, read when the plan was made.
    std::shared_ptr<const ReadColourTable> colours;
};

// What a shadow run of the step takes: the params read when the plan was
// made, with the Sun controls as they stand now (a raster's units may
// have been taken into them since).
ShadowParams shadowParamsOf(const RunStep& step);

// --save-settings: the controls as they stood when the command line reached it.
struct SaveSettingsStep {
    std::string path;
    Settings settings;
};

// --export-mesh: the terrain as a glTF binary, in the ground units set
// when the command line reached it.
struct ExportStep {
    std::string path;
    SunControls units;
    bool groundGiven = false; // as in RunStep
    bool verticalGiven = false;
};

// --frames DIR: "sun" at every time of the period, each colour map saved
// as DIR/YYYYMMDDTHHMMZ.png.
struct FramesStep {
    std::string dir;
    RunStep sun; // the sun's run with the controls as they stood
};

using Step = std::variant<LoadStep, SaveStep, RunStep, SizeStep, SaveSettingsStep, ExportStep, EngineSaveStep, FitStep,
                          FramesStep>;

// --world W,H and --region X,Y,w,h: the steps run over a region of a
// world, whose heights are read by window (see world_run.h).
struct WorldSpec {
    int width;
    int height;
    Rect region{}; // without --region, the whole world
};

struct Plan {
    std::optional<WorldSpec> world;
    std::vector<Step> steps;
    bool time = false; // --time: report each operation's wall time
    int threads = 0;   // --threads: 0 keeps GLOAMERY_THREADS or every core
    std::vector<std::string> vrtSourceFolders; // --vrt-sources: more folders a mosaic's sources may lie in
    bool quiet = false;    // --quiet: no progress line
    bool progress = false; // a progress line for long steps (standard error is a terminal, not --quiet)
};

enum class Request { Run, Help, Version };

struct Command {
    Request request = Request::Run;
    Plan plan;
};

struct UsageError {
    std::string message;
};

// Reads the arguments (without the program name) left to right. Plain
// strings: the tool starts without the toolkit's libraries.
std::variant<Command, UsageError> parseArguments(const std::vector<std::string>& args);

std::string usageText();

#ifdef QT_CORE_LIB
// For callers that hold the arguments as the toolkit does.
inline std::vector<std::string> utf8Arguments(const QStringList& args)
{
    std::vector<std::string> out;
    for (const QString& a : args) out.push_back(a.toStdString());
    return out;
}
inline std::variant<Command, UsageError> parseArguments(const QStringList& args)
{
    return parseArguments(utf8Arguments(args));
}
#endif

} // namespace gloamery::batch
