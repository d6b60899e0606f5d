#pragma once
// Runs a checked plan on a workspace, step by step, with the same library
// calls the control panel makes.

#include "batch_plan.h"
#include "imageio/native_io.h"

#include <chrono>
#include <iosfwd>

namespace gloamery::batch {

constexpr int kExitOk = 0;
constexpr int kExitFileError = 1; // a file could not be read or written
constexpr int kExitUsage = 2;     // a bad argument: nothing ran

// Puts a file into a slot: plain PNG files directly, every other one
// through the toolkit's readers in their plugin.
std::variant<LoadedFile, Error> loadFile(Workspace& ws, const LoadStep& load);

// The input slots whose default picture the plan reads before it replaces
// it: only those are decoded at start.
std::vector<Slot> defaultsRead(const Plan& plan);

// The threads and memory settings of a run, set up before its files are
// read.
void prepareRun(const Plan& plan);

// "linear 12.345 ms", for --time.
std::string timeLine(Operation op, std::chrono::steady_clock::duration d);

// Runs one operation as its button does.
Refusal runOperation(Workspace& ws, const RunStep& step);

// Runs the steps in order and stops at the first file that cannot be read
// or written. Messages and --time lines go to err. Returns the exit status.
int runPlan(const Plan& plan, Workspace& ws, std::ostream& err);

// The whole tool: arguments without the program name in, exit status out.
// Help and version go to out, everything else to err.
int runTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
#ifdef QT_CORE_LIB
inline int runTool(const QStringList& args, std::ostream& out, std::ostream& err)
{
    return runTool(utf8Arguments(args), out, err);
}
#endif

} // namespace gloamery::batch
