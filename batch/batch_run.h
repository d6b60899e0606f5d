#pragma once
// Runs a checked plan on a workspace, step by step, with the same library
// calls the control panel makes.

#include "batch_plan.h"

#include <iosfwd>

namespace gloamery::batch {

constexpr int kExitOk = 0;
constexpr int kExitFileError = 1; // a file could not be read or written
constexpr int kExitUsage = 2;     // a bad argument: nothing ran

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
