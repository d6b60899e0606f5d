#include "sweep.h"

#include "../compose/merge.h"
#include "../workspace/parallel.h"
#include "rays.h"

#include <omp.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <variant>
#include <vector>

namespace gloamery {

namespace {

using RayProcedure = void (*)(double, double, const ByteGrid&, const ShadowParams&, PixelWriter);

// How each button runs the sweep.
struct SweepStyle {
    RayProcedure ray;
    bool allFourEdges;          // else only the bottom row and right column
    bool statusBeforeHeights;   // "Calculating..." before or after reading heights
    bool resetBarAfterHeights;  // "Sin func" zeroes the bar and counts one step less
    int progressOffset;         // the bar runs i / (max(W, H) - offset)
};

SweepStyle styleOf(ShadowMode mode)
{
    switch (mode) {
    case ShadowMode::Linear: return {f3, true, true, false, 0};
    case ShadowMode::LinearSim: return {f4, false, true, false, 0};
    case ShadowMode::Sin: return {f5, true, true, true, 1};
    case ShadowMode::Cos: return {f6, true, false, false, 0};
    case ShadowMode::Embossed: return {f7, true, false, false, 0};
    }
    return {f3, true, true, false, 0};
}

using Target = SweepTarget;

// Steps a ray from the sun takes to a target, about: its length along the
// major axis. Used only to share the rays fairly among threads.
double raySteps(const Target& t, const ShadowParams& p, bool fromSun)
{
    if (!fromSun) return std::max(t.x, t.y) - std::min(t.x, t.y) + 1.0; // "Linear sim" diagonals
    return std::max(std::fabs(t.x - p.x0), std::fabs(t.y - p.y0)) + 1.0;
}

// Where each of `parts` contiguous runs of rays begins, so that each run
// takes about as many steps as the others.
std::vector<std::size_t> splitRays(const std::vector<double>& steps, int parts)
{
    double total = 0;
    for (double s : steps) total += s;
    std::vector<std::size_t> begin{0};
    double done = 0;
    for (std::size_t k = 0; k < steps.size() && static_cast<int>(begin.size()) < parts; ++k) {
        done += steps[k];
        if (done >= total * static_cast<double>(begin.size()) / parts) begin.push_back(k + 1);
    }
    while (static_cast<int>(begin.size()) < parts) begin.push_back(steps.size());
    begin.push_back(steps.size());
    return begin;
}

// What a scratch layer holds where no ray of its run wrote: no shade is
// negative, so this is never a shade.
constexpr Colour kUnwritten = std::numeric_limits<Colour>::min();

// Scratch layers, each a picture's worth of colour values, that a sweep
// may take on top of the shadow map itself.
int layerBudget(const Picture& shadow)
{
    constexpr double kBudgetBytes = 2.0 * 1024 * 1024 * 1024;
    const double bytes = static_cast<double>(shadow.width()) * shadow.height() * sizeof(Colour);
    return static_cast<int>(std::min(4096.0, kBudgetBytes / bytes));
}

// Casts every ray in sweep order. A pixel keeps the shade of the last ray
// that writes it, and rays cross each other's pixels everywhere, so rays
// cannot simply be handed to threads. Instead the rays are split into
// contiguous runs in sweep order: the first run writes into the shadow map
// itself, each later run into a scratch layer of its own, and the layers
// are then laid over the map in run order, each pixel taking the last
// layer that wrote it. Within a run the rays keep their order, so every
// pixel ends with exactly the shade of the one-thread sweep, however many
// runs there are. The bar steps after each i, in order: live while the
// first run (on the calling thread) goes, the rest when all have finished.
void castRays(const std::vector<Target>& targets, const SweepStyle& style, const ByteGrid& heights,
              const ShadowParams& params, Picture& shadow, Reporter& report)
{
    const int maxSide = std::max(shadow.width(), shadow.height());
    const double divisor = std::max(1, maxSide - style.progressOffset);
    auto reportAfter = [&](std::size_t k) {
        if (k + 1 == targets.size() || targets[k + 1].i != targets[k].i) report.progress(targets[k].i / divisor);
    };

    std::vector<double> steps(targets.size());
    double total = 0;
    for (std::size_t k = 0; k < targets.size(); ++k) total += steps[k] = raySteps(targets[k], params, style.allFourEdges);
    const int runs = std::min(threadsFor(static_cast<std::size_t>(total)), 1 + layerBudget(shadow));
    const std::vector<std::size_t> begin = splitRays(steps, runs);

    const std::size_t pixels = static_cast<std::size_t>(shadow.width()) * static_cast<std::size_t>(shadow.height());
    std::vector<std::unique_ptr<Colour[]>> layers(static_cast<std::size_t>(runs));
    for (int r = 1; r < runs; ++r) layers[static_cast<std::size_t>(r)].reset(new Colour[pixels]);

#pragma omp parallel for num_threads(runs) schedule(static, 1) if (runs > 1)
    for (int r = 0; r < runs; ++r) {
        Colour* layer = layers[static_cast<std::size_t>(r)].get();
        if (layer) std::fill(layer, layer + pixels, kUnwritten);
        const PixelWriter out = layer ? PixelWriter(layer, shadow.width(), shadow.height()) : PixelWriter(shadow);
        for (std::size_t k = begin[static_cast<std::size_t>(r)]; k < begin[static_cast<std::size_t>(r) + 1]; ++k) {
            style.ray(targets[k].x, targets[k].y, heights, params, out);
            if (r == 0 && omp_get_thread_num() == 0) reportAfter(k);
        }
    }

    if (runs > 1) {
        const int w = shadow.width();
        forEachRow(shadow.height(), pixels * static_cast<std::size_t>(runs - 1), [&](int y) {
            Colour* row = shadow.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
            for (int r = 1; r < runs; ++r) {
                const Colour* layerRow = layers[static_cast<std::size_t>(r)].get() + (row - shadow.data());
                for (int x = 0; x < w; ++x)
                    if (layerRow[x] != kUnwritten) row[x] = layerRow[x];
            }
        });
        for (std::size_t k = begin[1]; k < targets.size(); ++k) reportAfter(k);
    }
}

} // namespace

std::vector<SweepTarget> sweepTargets(int w, int h, bool allFourEdges)
{
    std::vector<SweepTarget> t;
    t.reserve(4 * static_cast<std::size_t>(std::max(w, h)));
    for (int i = 0; i < std::max(w, h); ++i) {
        if (allFourEdges) {
            if (i < w) t.push_back({i, 0, i});
            if (i < h) t.push_back({0, i, i});
        }
        if (i < w) t.push_back({i, h - 1, i});
        if (i < h) t.push_back({w - 1, i, i});
    }
    return t;
}

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
    castRays(sweepTargets(shadow.width(), shadow.height(), style.allFourEdges), style, heights, params, shadow,
             report);

    Merge(ws, controls.blur, controls.blend, report);
    return std::nullopt;
}

} // namespace gloamery
