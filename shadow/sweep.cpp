#include "sweep.h"

#include "../compose/merge.h"
#include "rays.h"

#include <variant>

namespace gloamery {

namespace {

using RayProcedure = void (*)(double, double, const ByteGrid&, const ShadowParams&, Picture&);

// How each button runs the sweep.
struct SweepStyle {
    RayProcedure ray;
    bool allFourEdges;          // else only (i, 255) and (255, i)
    bool statusBeforeHeights;   // "Calculating..." before or after reading heights
    bool resetBarAfterHeights;  // "Sin func" zeroes the bar and counts to 255
    double progressDivisor;
};

SweepStyle styleOf(ShadowMode mode)
{
    switch (mode) {
    case ShadowMode::Linear: return {f3, true, true, false, 256.0};
    case ShadowMode::LinearSim: return {f4, false, true, false, 256.0};
    case ShadowMode::Sin: return {f5, true, true, true, 255.0};
    case ShadowMode::Cos: return {f6, true, false, false, 256.0};
    case ShadowMode::Embossed: return {f7, true, false, false, 256.0};
    }
    return {f3, true, true, false, 256.0};
}

} // namespace

Refusal runShadow(Workspace& ws, ShadowMode mode, const Controls& controls, const NumberParser& parse,
                  Reporter& report)
{
    const auto read = readShadowParams(controls, parse, mode != ShadowMode::LinearSim);
    if (const Error* e = std::get_if<Error>(&read)) return *e;
    const ShadowParams& params = std::get<ShadowParams>(read);
    const SweepStyle style = styleOf(mode);

    if (style.statusBeforeHeights) report.status(status::kCalculating);
    const ByteGrid heights = readHeights(ws.picture(Slot::Height));
    if (!style.statusBeforeHeights) report.status(status::kCalculating);
    if (style.resetBarAfterHeights) report.progress(0.0);

    Picture& shadow = ws.picture(Slot::Shadow);
    for (int i = 0; i < 256; ++i) {
        if (style.allFourEdges) {
            style.ray(i, 0, heights, params, shadow);
            style.ray(0, i, heights, params, shadow);
        }
        style.ray(i, 255, heights, params, shadow);
        style.ray(255, i, heights, params, shadow);
        report.progress(i / style.progressDivisor);
    }

    Merge(ws, controls.blur, controls.blend, report);
    return std::nullopt;
}

} // namespace gloamery
