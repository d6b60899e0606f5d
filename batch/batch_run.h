#pragma once
// Runs a checked plan on a workspace, step by step, with the same library
// calls the control panel makes.

#include "batch_plan.h"
#include "imageio/geo_place.h"
#include "imageio/native_io.h"
#include "workspace/reporter.h"

#include <chrono>
#include <iosfwd>

namespace gloamery::batch {

constexpr int kExitOk = 0;
constexpr int kExitFileError = 1; // a file could not be read or written
constexpr int kExitUsage = 2;     // a bad argument: nothing ran

// Puts a file into a slot: plain PNG files directly, every other one
// through the toolkit's readers in their plugin. The file is read once
// (a pipe cannot be read again); a raster named as one (.hgt, .asc, .dem)
// is opened by name by the raster plugin instead.
std::variant<LoadedFile, Error> loadFile(Workspace& ws, const LoadStep& load);
// The same in two halves, for bytes placed more than once: the file's
// bytes (none for a raster named as one), then the load from them.
std::variant<std::vector<unsigned char>, Error> readLoadFile(const LoadStep& load);
std::variant<LoadedFile, Error> loadFileBytes(Workspace& ws, const LoadStep& load, const std::vector<unsigned char>& bytes);

// The input slots whose default picture the plan reads before it replaces
// it: only those are decoded at start.
std::vector<Slot> defaultsRead(const Plan& plan);

// The threads and memory settings of a run, set up before its files are
// read.
void prepareRun(const Plan& plan);

// "linear 12.345 ms", for --time.
std::string timeLine(Operation op, std::chrono::steady_clock::duration d);

// Runs one operation as its button does, telling the reporter how far it is.
// `where`: the real sun's place, for a run that takes it (sun_run.h).
Refusal runOperation(Workspace& ws, const RunStep& step, Reporter& report, const MapPlace* where = nullptr);

// What a layer's save says before any layer is made, naming the rows
// that make one.
std::string noLayerYet();

// A raster height map's own units in the Sun controls, where no --ground
// or --vertical came after it; for a "sun" run, refused when a unit the
// raster gives cannot be used and no flag replaces it.
void withRasterUnits(SunControls& c, const MapOrigin& origin, bool groundGiven, bool verticalGiven);
Refusal takeRasterUnits(RunStep& run, const MapOrigin& origin);
// tint with the heights' origin: their elevations and no-data cells.
Refusal runTintStep(Workspace& ws, const RunStep& step, const MapOrigin& origin, Reporter& report);

// Runs the steps in order and stops at the first file that cannot be read
// or written. Messages and --time lines go to err. Returns the exit status.
int runPlan(const Plan& plan, Workspace& ws, std::ostream& err);

// The whole tool: arguments without the program name in, exit status out.
// Help and version go to out, everything else to err; `terminal` when err
// is a terminal, which shows the progress of long steps.
int runTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool terminal = false);
#ifdef QT_CORE_LIB
inline int runTool(const QStringList& args, std::ostream& out, std::ostream& err)
{
    return runTool(utf8Arguments(args), out, err);
}
#endif

} // namespace gloamery::batch
