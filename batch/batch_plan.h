#pragma once
// The batch tool's command line, read into a plan of steps before anything
// runs: every slot name, operation, number and save extension is checked
// here, so a bad argument stops the tool before the first file is written.

#include "compose/texture.h"
#include "imageio/elevation.h"
#include "shadow/sweep.h"
#include "workspace/controls.h"
#include "workspace/workspace.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace gloamery::batch {

enum class Operation { Linear, LinearSim, Sin, Cos, Embossed, MakeTexture, MakeTexture2, Clear };

// The operation's name on the command line ("linear", "make-texture2"...).
QString operationName(Operation op);

// --load (top-left, cropped) or --tile (repeated from the top-left).
struct LoadStep {
    Slot slot;
    QString path;
    bool tile = false;
    std::optional<ElevationRange> heights; // --heights as it stood
};

// --size: every slot becomes w x h.
struct SizeStep {
    int width;
    int height;
};

struct SaveStep {
    Slot slot;
    QString path;
    QByteArray format; // "bmp" or "png", from the extension
};

// An operation with the controls as they stood when the command line
// reached it.
struct RunStep {
    Operation op;
    Controls controls;
};

using Step = std::variant<LoadStep, SaveStep, RunStep, SizeStep>;

struct Plan {
    std::vector<Step> steps;
    bool time = false; // --time: report each operation's wall time
    int threads = 0;   // --threads: 0 keeps GLOAMERY_THREADS or every core
};

enum class Request { Run, Help, Version };

struct Command {
    Request request = Request::Run;
    Plan plan;
};

struct UsageError {
    std::string message;
};

// Reads the arguments (without the program name) left to right.
std::variant<Command, UsageError> parseArguments(const QStringList& args);

QString usageText();

} // namespace gloamery::batch
