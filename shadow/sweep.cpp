#include "sweep.h"

#include "../workspace/parallel.h"
#include "ray.h"
#include "rays.h"
#include "region_plan.h"
#include "sun.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <type_traits>
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

// The same for rays cast into a stamped layer, over a whole grid or a
// region's window of one.
template <class Grid>
using StampedFn = void (*)(const StampedRay*, std::size_t, LayerTarget, const Grid&, const ShadowParams&);
struct StampedProcedure {
    StampedFn<ByteGrid> bytes;
    StampedFn<DeepGrid> deep;
    StampedFn<ByteWindow> byteWindow;
    StampedFn<DeepWindow> deepWindow;

    template <class Grid>
    void operator()(const StampedRay* r, std::size_t n, LayerTarget l, const Grid& g, const ShadowParams& p) const
    {
        if constexpr (std::is_same_v<Grid, ByteGrid>) bytes(r, n, l, g, p);
        else if constexpr (std::is_same_v<Grid, DeepGrid>) deep(r, n, l, g, p);
        else if constexpr (std::is_same_v<Grid, ByteWindow>) byteWindow(r, n, l, g, p);
        else deepWindow(r, n, l, g, p);
    }
};

// How each button runs the sweep.
struct SweepStyle {
    RayProcedure ray;
    StampedProcedure stamped;
    bool allFourEdges;          // else only the bottom row and right column
};

SweepStyle styleOf(ShadowMode mode)
{
    switch (mode) {
    case ShadowMode::Linear: return {{f3, f3}, {f3Stamped, f3Stamped, f3Stamped, f3Stamped}, true};
    case ShadowMode::LinearSim: return {{f4, f4}, {f3Stamped, f3Stamped, f3Stamped, f3Stamped}, false};
    case ShadowMode::Sin: return {{f5, f5}, {f5Stamped, f5Stamped, f5Stamped, f5Stamped}, true};
    case ShadowMode::Cos: return {{f6, f6}, {f6Stamped, f6Stamped, f6Stamped, f6Stamped}, true};
    case ShadowMode::Embossed: return {{f7, f7}, {f7Stamped, f7Stamped, f7Stamped, f7Stamped}, true};
    case ShadowMode::Sun: break; // lit by runSun, never swept
    }
    return {{f3, f3}, {f3Stamped, f3Stamped, f3Stamped, f3Stamped}, true};
}

// Steps a ray from the sun takes to a target, about: its length along the
// major axis. Used only to share the rays fairly among threads.
double raySteps(const SweepTarget& t, const ShadowParams& p, bool fromSun)
{
    if (!fromSun) return std::max(t.x, t.y) - std::min(t.x, t.y) + 1.0; // "Linear sim" diagonals
    return std::max(std::fabs(t.x - p.x0), std::fabs(t.y - p.y0)) + 1.0;
}

// Where each of `parts` contiguous runs of the rays begins, so that each
// run takes about as many of the `total` steps as the others.
std::vector<std::size_t> splitRays(const std::vector<double>& steps, double total, int parts)
{
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

using Layer = std::vector<std::uint32_t, LargePageAllocator<std::uint32_t>>;

// What the stamped layers of a sweep may take, in 32-bit values, on top of
// the pictures it already holds: enough for two threads' pieces of a
// 16384 x 16384 map, about three pictures' worth with the sun on the map.
constexpr double kLayerBudget = 4.0 * 1024 * 1024 * 1024 / sizeof(std::uint32_t);

// A piece of a stamped sweep: rays first..last of one side, in sweep
// order, the box of grid points they can reach, and the layer over it.
struct Piece {
    std::size_t first;
    std::size_t last;
    LayerBox box;
    Layer layer;
    bool gridRows = false; // the height grid's rows, else the box's own, padded likewise
    std::size_t stride = 0;
    double steps = 0; // about how many its rays take
};

// The grid points a ray can reach on the grid of a W x H map. The minor
// coordinate is held within 0..limit at every step, so a ray from outside
// the map may slide along the edge and end up to one side of its target;
// the bounds follow the walk rather than the line, with two points to spare
// for the rounding of the sums.
LayerBox reachOf(const RayWalk& r, int w, int h)
{
    const double limit = r.majorY ? w : h;
    const int majorTop = r.majorY ? h : w;
    const double span = std::max(0, r.left - 1) * std::fabs(r.s);
    const double lo = r.s >= 0 ? r.q : std::min(r.q, limit) - span;
    const double hi = r.s >= 0 ? std::max(r.q, 0.0) + span : r.q;
    const int m1 = r.m + std::max(0, r.left - 1) * r.step;
    auto clampTo = [](double v, int top) { return static_cast<int>(std::clamp(v, 0.0, static_cast<double>(top))); };
    const int minor0 = clampTo(std::floor(lo) - 2, static_cast<int>(limit));
    const int minor1 = clampTo(std::ceil(hi) + 2, static_cast<int>(limit));
    const int major0 = clampTo(std::min(r.m, m1), majorTop), major1 = clampTo(std::max(r.m, m1), majorTop);
    if (r.majorY) return {minor0, major0, minor1 - minor0 + 1, major1 - major0 + 1};
    return {major0, minor0, major1 - major0 + 1, minor1 - minor0 + 1};
}

// The stride of a grid's rows; a window has none to share.
template <class Grid>
std::size_t heightsStride(const Grid& heights)
{
    if constexpr (requires { heights.stride(); }) return static_cast<std::size_t>(heights.stride());
    else return 0;
}

// The rays of a stamped sweep side by side, each side in sweep order, with
// the side each is cast to, about how many steps it takes, and the box of
// points it can reach.
struct StampedRays {
    std::vector<StampedRay> rays;
    std::vector<int> sides;
    std::vector<double> steps;
    std::vector<LayerBox> boxes;
    double total = 0;

    void add(const StampedRay& ray, int side, double raySteps, const LayerBox& box)
    {
        rays.push_back(ray);
        sides.push_back(side);
        steps.push_back(raySteps);
        boxes.push_back(box);
        total += raySteps;
    }
};

// Rays overwrite each other's pixels, and a pixel keeps the shade of the
// last ray in sweep order that writes it.
//
// A large sweep gives every ray its place in sweep order as a stamp: every
// shade is a grey, so a ray writes (stamp << 8 | g) into a layer, and the
// layers are folded into the shadow map taking the largest stamp at every
// pixel; a pixel no ray wrote keeps what it held.
//
// The rays to one side of the map are cast in sweep order, neighbour after
// neighbour, which keeps the pixels they cross in the cache. Each ray
// writes a pixel at most once (the major coordinate changes at every
// step), and of two rays to one side the later one writes a pixel they
// share later too (see traceBundles in ray.h), so within a side a plain write
// leaves the largest stamp: no ray has to read the layer first. The rays
// are cut into contiguous runs of about equal steps, one for each thread,
// and a run into pieces where it passes from one side to the next; each
// piece has a layer of its own, over the box its rays can reach, and the
// threads take the pieces longest first. The rays to a
// side stay on that side of the sun, so the boxes together cover about
// twice the map, however many threads there are.
//
// into's pixel (0, 0) is the map's (frame.x0, frame.y0).
template <class Grid>
void castStamped(const StampedRays& all, const SweepStyle& style, const Grid& heights, const ShadowParams& params,
                 Picture& into, const LayerBox& frame)
{
    // Plain references, not a structured binding: older compilers cannot
    // capture one in the parallel loop below.
    const std::vector<StampedRay>& rays = all.rays;
    const std::vector<int>& sides = all.sides;
    const std::vector<double>& steps = all.steps;
    const std::vector<LayerBox>& boxes = all.boxes;
    const double total = all.total;
    // Runs cut into pieces at the sides; fewer runs when their layers
    // would take more than the budget.
    std::vector<Piece> pieces;
    int runs = threadsFor(static_cast<std::size_t>(total));
    for (;; --runs) {
        pieces.clear();
        const std::vector<std::size_t> begin = splitRays(steps, total, runs);
        double area = 0;
        for (int r = 0; r < runs; ++r)
            for (std::size_t k = begin[static_cast<std::size_t>(r)]; k < begin[static_cast<std::size_t>(r) + 1];) {
                const int side = sides[k];
                Piece piece{k, k, boxes[k], {}};
                for (; k < begin[static_cast<std::size_t>(r) + 1] && sides[k] == side; ++k) {
                    piece.box = unite(piece.box, boxes[k]);
                    piece.steps += steps[k];
                }
                piece.last = k;
                // Wide boxes take the grid's rows: a quarter or less of
                // each row goes unused. A window has no rows to share.
                if constexpr (requires { heights.stride(); }) piece.gridRows = 4 * piece.box.width >= 3 * heights.stride();
                piece.stride = static_cast<std::size_t>(piece.gridRows ? heightsStride(heights) : paddedRow<std::uint32_t>(piece.box.width));
                area += static_cast<double>(layerValues(piece.box, piece.stride));
                pieces.push_back(std::move(piece));
            }
        if (runs == 1 || area <= kLayerBudget) break;
    }
    // Allocated here, where running out of memory can still be reported;
    // cleared by the threads that use them.
    for (Piece& p : pieces) p.layer.reserve(layerValues(p.box, p.stride));

    // The runs set the pieces; the threads then take them longest first,
    // each as it comes free: a step costs more on some sides than on
    // others, so runs of equal steps did not take equal time.
    std::vector<std::size_t> longestFirst(pieces.size());
    std::iota(longestFirst.begin(), longestFirst.end(), std::size_t{0});
    std::stable_sort(longestFirst.begin(), longestFirst.end(),
                     [&](std::size_t a, std::size_t b) { return pieces[a].steps > pieces[b].steps; });
    const int count = static_cast<int>(pieces.size());
#pragma omp parallel for num_threads(runs) schedule(dynamic, 1) if (runs > 1)
    for (int i = 0; i < count; ++i) {
        enterParallelWork();
        Piece& p = pieces[longestFirst[static_cast<std::size_t>(i)]];
        p.layer.assign(layerValues(p.box, p.stride), 0);
        style.stamped(rays.data() + p.first, p.last - p.first, LayerTarget{p.layer.data(), p.box, p.stride, p.gridRows},
                      heights, params);
    }

    // Stretch by stretch, piece by piece, in plain loops the compiler takes
    // many pixels at a time.
    const int w = into.width(), h = into.height();
    forEachRow(h, static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * pieces.size(), [&](int row) {
        constexpr int kStretch = 1024;
        std::uint32_t best[kStretch];
        const int y = row + frame.y0;
        for (int first = frame.x0; first < frame.x0 + w; first += kStretch) {
            const int n = std::min(kStretch, frame.x0 + w - first);
            std::fill_n(best, n, 0u);
            for (const Piece& p : pieces) {
                const LayerBox& b = p.box;
                if (y < b.y0 || y >= b.y0 + b.height) continue;
                const int from = std::max(first, b.x0), count = std::min(first + n, b.x0 + b.width) - from;
                const std::uint32_t* l = p.layer.data() + static_cast<std::size_t>(y - b.y0) * p.stride + (from - b.x0);
                std::uint32_t* merged = best + (from - first);
                for (int i = 0; i < count; ++i) merged[i] = merged[i] > l[i] ? merged[i] : l[i];
            }
            Colour* out = into.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(w)
                        + static_cast<std::size_t>(first - frame.x0);
            for (int i = 0; i < n; ++i) {
                const std::uint32_t g = best[i] & 255; // grey(g): g in every channel
                out[i] = best[i] != 0 ? static_cast<Colour>(g | g << 8 | g << 16) : out[i];
            }
        }
    });
}

// On one thread the rays are simply cast in sweep order straight into the
// shadow map, the bar stepping after each i as it goes; a large sweep is
// stamped, and its bar's steps reported, in order, at the end.
template <class Grid>
void castRays(const std::vector<SweepTarget>& targets, const SweepStyle& style, const ShadowSteps& steps, const Grid& heights,
              const ShadowParams& params, Picture& shadow, Reporter& report)
{
    const int w = shadow.width(), h = shadow.height();
    const double divisor = std::max(1, std::max(w, h) - steps.progressOffset);
    auto reportAfter = [&](std::size_t k) {
        if (k + 1 == targets.size() || targets[k + 1].i != targets[k].i) report.progress(targets[k].i / divisor);
    };

    double total = 0;
    for (const SweepTarget& t : targets) total += raySteps(t, params, style.allFourEdges);
    if (total < static_cast<double>(parallelGrain())) {
        enterParallelWork(); // the calling thread's share is all of it
        for (std::size_t k = 0; k < targets.size(); ++k) {
            style.ray(targets[k].x, targets[k].y, heights, params, PixelWriter(shadow));
            reportAfter(k);
        }
        return;
    }

    // The rays side by side, each side in sweep order, with their stamps.
    std::vector<std::uint32_t> order(targets.size());
    for (std::uint32_t k = 0; k < order.size(); ++k) order[k] = k;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return targets[a].side < targets[b].side; });
    StampedRays rays;
    for (std::uint32_t k : order) {
        const SweepTarget& t = targets[k];
        const RayOrigin o = style.allFourEdges ? RayOrigin{params.x0, params.y0} : simStart(t.x, t.y);
        const RayWalk walk = startRay(t.x, t.y, o.x, o.y);
        rays.add({walk, k + 1}, t.side, raySteps(t, params, style.allFourEdges), reachOf(walk, heights.mapWidth(), heights.mapHeight()));
    }
    castStamped(rays, style, heights, params, shadow, LayerBox{0, 0, w, h});
    for (std::size_t k = 0; k < targets.size(); ++k) reportAfter(k);
}

// A region's rays, always stamped: the box a layer covers is the part of
// the region a piece's rays can reach.
template <class Grid>
void castRegion(const RegionPlan& plan, const SweepStyle& style, const Grid& heights, const ShadowParams& params,
                Picture& shadow, const LayerBox& held)
{
    std::vector<std::size_t> order(plan.rays.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return plan.rays[a].side < plan.rays[b].side; });
    StampedRays rays;
    for (std::size_t k : order) {
        const RegionRay& r = plan.rays[k];
        const LayerBox reach = meet(reachOf(r.ray.walk, heights.mapWidth(), heights.mapHeight()), held);
        if (reach.width > 0 && reach.height > 0) rays.add(r.ray, r.side, r.ray.walk.left + 1.0, reach);
    }
    if (!rays.rays.empty()) castStamped(rays, style, heights, params, shadow, held);
}

} // namespace

std::vector<SweepTarget> sweepTargets(int w, int h, bool allFourEdges)
{
    std::vector<SweepTarget> t;
    t.reserve(4 * static_cast<std::size_t>(std::max(w, h)));
    for (int i = 0; i < std::max(w, h); ++i) {
        if (allFourEdges) {
            if (i < w) t.push_back({i, 0, i, 0});
            if (i < h) t.push_back({0, i, i, 1});
        }
        if (i < w) t.push_back({i, h - 1, i, 2});
        if (i < h) t.push_back({w - 1, i, i, 3});
    }
    return t;
}

const ShadowSteps& shadowSteps(ShadowMode mode)
{
    // status before heights, bar reset after them, bar offset, busy pointer
    static constexpr ShadowSteps kSteps[] = {
        {true, false, 0, false},  // Linear
        {true, false, 0, false},  // LinearSim
        {true, true, 1, false},   // Sin
        {false, false, 0, false}, // Cos
        {false, false, 0, false}, // Embossed
        {true, false, 0, true},   // Sun, whose run says "Calculating..." first
    };
    return kSteps[static_cast<int>(mode)];
}

Refusal runShadow(Workspace& ws, ShadowMode mode, const ShadowParams& given, Reporter& report)
{
    if (Refusal refused = shadowParamsRefused(given, mode, kMapSunReach)) return refused;
    if (mode == ShadowMode::Sun) return runSun(ws, given.sun, given.darkness, report);
    ShadowParams params = given;
    params.darkness = std::clamp(params.darkness, 0, 255);
    const SweepStyle style = styleOf(mode);
    const ShadowSteps& steps = shadowSteps(mode);

    if (steps.statusBeforeHeights) report.status(status::kCalculating);
    const HeightGrid heights = readHeights(ws);
    if (!steps.statusBeforeHeights) report.status(status::kCalculating);
    if (steps.resetBarAfterHeights) report.progress(0.0);

    Picture& shadow = ws.picture(Slot::Shadow);
    heights.visit([&](const auto& grid) {
        castRays(sweepTargets(shadow.width(), shadow.height(), style.allFourEdges), style, steps, grid, params, shadow, report);
    });
    return std::nullopt;
}

Refusal runShadowRegion(Workspace& ws, const WorldRegion& region, const HeightSource& source, ShadowMode mode,
                        const ShadowParams& given, Reporter& report)
{
    if (Refusal refused = shadowParamsRefused(given, mode, kWorldSunReach)) return refused;
    if (mode == ShadowMode::Sun) return runSunRegion(ws, region, source, given.sun, given.darkness, report);
    ShadowParams params = given;
    params.darkness = std::clamp(params.darkness, 0, 255);
    const SweepStyle style = styleOf(mode);
    report.status(status::kCalculating);

    const bool deep = source.deep();
    const RegionPlan plan = planRegion(region, params, style.allFourEdges, deep ? Depth<std::uint16_t>::kTop : Depth<std::uint8_t>::kTop,
                                       deep ? Depth<std::uint16_t>::kUnit : Depth<std::uint8_t>::kUnit);
    auto window = source.read(plan.heights);
    if (const Error* e = std::get_if<Error>(&window)) return *e;
    const LayerBox held{region.x0, region.y0, region.width, region.height};
    std::visit([&](const auto& grid) { castRegion(plan, style, grid, params, ws.picture(Slot::Shadow), held); },
               std::get<HeightWindow>(window));
    report.progress(1.0);
    return std::nullopt;
}

} // namespace gloamery
