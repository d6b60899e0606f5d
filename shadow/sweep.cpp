#include "sweep.h"

#include "../compose/merge.h"
#include "../workspace/parallel.h"
#include "rays.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <variant>
#include <vector>

namespace gloamery {

namespace {

// A ray procedure for each depth of heights; the sweep calls the one that
// takes the grid it was given.
struct RayProcedure {
    void (*bytes)(double, double, const ByteGrid&, const ShadowParams&, PixelWriter);
    void (*deep)(double, double, const DeepGrid&, const ShadowParams&, PixelWriter);

    void operator()(double x, double y, const ByteGrid& g, const ShadowParams& p, PixelWriter w) const { bytes(x, y, g, p, w); }
    void operator()(double x, double y, const DeepGrid& g, const ShadowParams& p, PixelWriter w) const { deep(x, y, g, p, w); }
};

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
    case ShadowMode::Linear: return {{f3, f3}, true, true, false, 0};
    case ShadowMode::LinearSim: return {{f4, f4}, false, true, false, 0};
    case ShadowMode::Sin: return {{f5, f5}, true, true, true, 1};
    case ShadowMode::Cos: return {{f6, f6}, true, false, false, 0};
    case ShadowMode::Embossed: return {{f7, f7}, true, false, false, 0};
    }
    return {{f3, f3}, true, true, false, 0};
}

// Steps a ray from the sun takes to a target, about: its length along the
// major axis. Used only to share the rays fairly among threads.
double raySteps(const SweepTarget& t, const ShadowParams& p, bool fromSun)
{
    if (!fromSun) return std::max(t.x, t.y) - std::min(t.x, t.y) + 1.0; // "Linear sim" diagonals
    return std::max(std::fabs(t.x - p.x0), std::fabs(t.y - p.y0)) + 1.0;
}

// Where each of `parts` contiguous runs of the rays taken in `order`
// begins, so that each run takes about as many of the `total` steps as the
// others.
std::vector<std::size_t> splitRays(const std::vector<double>& steps, const std::vector<std::uint32_t>& order,
                                   double total, int parts)
{
    std::vector<std::size_t> begin{0};
    double done = 0;
    for (std::size_t k = 0; k < order.size() && static_cast<int>(begin.size()) < parts; ++k) {
        done += steps[order[k]];
        if (done >= total * static_cast<double>(begin.size()) / parts) begin.push_back(k + 1);
    }
    while (static_cast<int>(begin.size()) < parts) begin.push_back(order.size());
    begin.push_back(order.size());
    return begin;
}

// A target's place on the border walked clockwise from the top-left
// corner: rays next to each other there cross nearly the same pixels.
long long borderPlace(const SweepTarget& t, int w, int h)
{
    if (t.y == 0) return t.x;                                   // top, left to right
    if (t.x == w - 1) return w + static_cast<long long>(t.y);  // right, downwards
    if (t.y == h - 1) return w + h + static_cast<long long>(w - 1 - t.x); // bottom, right to left
    return 2LL * w + h + (h - 1 - t.y);                         // left, upwards
}

using Layer = std::vector<std::uint32_t, LargePageAllocator<std::uint32_t>>;

// Stamped layers, a picture's worth of 32-bit values each, that a sweep
// may take on top of the pictures it already holds.
int layerBudget(const Picture& shadow)
{
    constexpr double kBudgetBytes = 2.0 * 1024 * 1024 * 1024;
    const double bytes = static_cast<double>(shadow.width()) * shadow.height() * sizeof(std::uint32_t);
    return std::max(1, static_cast<int>(std::min(4096.0, kBudgetBytes / bytes)));
}

// Rays overwrite each other's pixels, and a pixel keeps the shade of the
// last ray in sweep order that writes it. On one thread the rays are simply
// cast in that order straight into the shadow map; the bar steps after each
// i as it goes.
//
// A large sweep instead gives every ray its place in sweep order as a
// stamp: every shade is a grey, so a ray writes (stamp << 8 | g) into a
// layer, kept where it is larger than what the layer holds. Each ray writes
// a pixel at most once (the major coordinate changes at every step), so the
// largest value at a pixel is the shade of the last ray in sweep order that
// wrote it, whatever order the rays were cast in. That frees the order: the
// rays are cast around the border, neighbour after neighbour, which keeps
// the pixels they cross in the cache, and split into runs of about equal
// work, one layer and one thread each. The layers are then folded into the
// shadow map, taking the largest stamp at every pixel; a pixel no ray wrote
// keeps what it held. The bar's steps are reported, in order, at the end.
template <class Grid>
void castRays(const std::vector<SweepTarget>& targets, const SweepStyle& style, const Grid& heights,
              const ShadowParams& params, Picture& shadow, Reporter& report)
{
    const int w = shadow.width(), h = shadow.height();
    const double divisor = std::max(1, std::max(w, h) - style.progressOffset);
    auto reportAfter = [&](std::size_t k) {
        if (k + 1 == targets.size() || targets[k + 1].i != targets[k].i) report.progress(targets[k].i / divisor);
    };

    std::vector<double> steps(targets.size());
    double total = 0;
    for (std::size_t k = 0; k < targets.size(); ++k) total += steps[k] = raySteps(targets[k], params, style.allFourEdges);
    if (total < static_cast<double>(parallelGrain())) {
        enterParallelWork(); // the calling thread's share is all of it
        for (std::size_t k = 0; k < targets.size(); ++k) {
            style.ray(targets[k].x, targets[k].y, heights, params, PixelWriter(shadow));
            reportAfter(k);
        }
        return;
    }

    std::vector<std::uint32_t> order(targets.size());
    for (std::uint32_t k = 0; k < order.size(); ++k) order[k] = k;
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        return borderPlace(targets[a], w, h) < borderPlace(targets[b], w, h);
    });
    const int runs = std::min(threadsFor(static_cast<std::size_t>(total)), layerBudget(shadow));
    const std::vector<std::size_t> begin = splitRays(steps, order, total, runs);

    // Allocated here, where running out of memory can still be reported;
    // cleared by the threads that use them.
    const std::size_t pixels = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    std::vector<Layer> layers(static_cast<std::size_t>(runs));
    for (Layer& l : layers) l.reserve(pixels);

#pragma omp parallel for num_threads(runs) schedule(static, 1) if (runs > 1)
    for (int r = 0; r < runs; ++r) {
        enterParallelWork();
        Layer& layer = layers[static_cast<std::size_t>(r)];
        layer.assign(pixels, 0);
        for (std::size_t k = begin[static_cast<std::size_t>(r)]; k < begin[static_cast<std::size_t>(r) + 1]; ++k) {
            const SweepTarget& t = targets[order[k]];
            style.ray(t.x, t.y, heights, params, PixelWriter(layer.data(), w, h, order[k] + 1));
        }
    }

    // Stretch by stretch, layer by layer, in plain loops the compiler takes
    // many pixels at a time.
    forEachRow(h, pixels * static_cast<std::size_t>(runs), [&](int y) {
        constexpr int kStretch = 1024;
        std::uint32_t best[kStretch];
        const std::size_t row = static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
        for (int first = 0; first < w; first += kStretch) {
            const int n = std::min(kStretch, w - first);
            const std::size_t at = row + static_cast<std::size_t>(first);
            std::copy_n(layers[0].data() + at, n, best);
            for (std::size_t r = 1; r < layers.size(); ++r) {
                const std::uint32_t* l = layers[r].data() + at;
                for (int i = 0; i < n; ++i) best[i] = best[i] > l[i] ? best[i] : l[i];
            }
            Colour* out = shadow.data() + at;
            for (int i = 0; i < n; ++i) {
                const std::uint32_t g = best[i] & 255; // grey(g): g in every channel
                out[i] = best[i] != 0 ? static_cast<Colour>(g | g << 8 | g << 16) : out[i];
            }
        }
    });
    for (std::size_t k = 0; k < targets.size(); ++k) reportAfter(k);
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
    const HeightGrid heights = readHeights(ws);
    if (!style.statusBeforeHeights) report.status(status::kCalculating);
    if (style.resetBarAfterHeights) report.progress(0.0);

    Picture& shadow = ws.picture(Slot::Shadow);
    std::visit([&](const auto& grid) {
        castRays(sweepTargets(shadow.width(), shadow.height(), style.allFourEdges), style, grid, params, shadow, report);
    }, heights);

    Merge(ws, controls.blur, controls.blend, report);
    return std::nullopt;
}

} // namespace gloamery
