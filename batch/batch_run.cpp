#include "batch_run.h"

#include "imageio/picture_io.h"
#include "workspace/reporter.h"

#include <chrono>
#include <cstdio>
#include <ostream>

namespace gloamery::batch {

namespace {

constexpr const char* kTool = "gloamery-batch";

std::string quoted(const QString& s) { return "\"" + s.toStdString() + "\""; }

// Milliseconds with three decimals, whatever the global locale.
std::string milliseconds(std::chrono::steady_clock::duration d)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", std::chrono::duration<double, std::milli>(d).count());
    return text;
}

} // namespace

Refusal runOperation(Workspace& ws, const RunStep& step)
{
    SilentReporter quiet;
    const Controls& c = step.controls;
    switch (step.op) {
    case Operation::Linear: return runShadow(ws, ShadowMode::Linear, c, parseCNumber, quiet);
    case Operation::LinearSim: return runShadow(ws, ShadowMode::LinearSim, c, parseCNumber, quiet);
    case Operation::Sin: return runShadow(ws, ShadowMode::Sin, c, parseCNumber, quiet);
    case Operation::Cos: return runShadow(ws, ShadowMode::Cos, c, parseCNumber, quiet);
    case Operation::Embossed: return runShadow(ws, ShadowMode::Embossed, c, parseCNumber, quiet);
    case Operation::MakeTexture: makeTexture(ws, c.contrast, quiet); return std::nullopt;
    case Operation::MakeTexture2: makeTexture2(ws, c.contrast, quiet); return std::nullopt;
    case Operation::Clear: clearShadow(ws); return std::nullopt;
    }
    return std::nullopt;
}

int runPlan(const Plan& plan, Workspace& ws, std::ostream& err)
{
    for (const Step& step : plan.steps) {
        if (const auto* load = std::get_if<LoadStep>(&step)) {
            if (const Refusal r = loadPicture(ws.picture(load->slot), load->path)) {
                err << kTool << ": cannot read " << quoted(load->path) << ": " << r->message << '\n';
                return kExitFileError;
            }
        } else if (const auto* save = std::get_if<SaveStep>(&step)) {
            if (const Refusal r = savePicture(ws.picture(save->slot), save->path, save->format.constData())) {
                err << kTool << ": cannot write " << quoted(save->path) << ": " << r->message << '\n';
                return kExitFileError;
            }
        } else {
            const auto& run = std::get<RunStep>(step);
            const auto start = std::chrono::steady_clock::now();
            if (const Refusal r = runOperation(ws, run)) {
                // Arguments are checked before the run, so this is a refusal
                // the check did not foresee; it is still the user's input.
                err << kTool << ": " << operationName(run.op).toStdString() << ": " << r->message << '\n';
                return kExitUsage;
            }
            if (plan.time)
                err << operationName(run.op).toStdString() << ' '
                    << milliseconds(std::chrono::steady_clock::now() - start) << " ms\n";
        }
    }
    return kExitOk;
}

int runTool(const QStringList& args, std::ostream& out, std::ostream& err)
{
    const auto parsed = parseArguments(args);
    if (const auto* e = std::get_if<UsageError>(&parsed)) {
        err << kTool << ": " << e->message << "\nTry '" << kTool << " --help' for more information.\n";
        return kExitUsage;
    }
    const Command& cmd = std::get<Command>(parsed);
    switch (cmd.request) {
    case Request::Help: out << usageText().toStdString(); return kExitOk;
    case Request::Version: out << kTool << ' ' << GLOAMERY_VERSION << '\n'; return kExitOk;
    case Request::Run: break;
    }
    Workspace ws;
    loadDefaultPictures(ws);
    return runPlan(cmd.plan, ws, err);
}

} // namespace gloamery::batch
