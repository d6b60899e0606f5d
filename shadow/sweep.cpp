#include "sweep.h"

#include "../workspace/parallel.h"
#include "ray.h"
#include "region_plan.h"
#include "shadings.h"
#include "stamped_layers.h"
#include "sun.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <variant>
#include <vector>

namespace gloamery {

namespace {

// Steps a ray from the sun takes to a target, about: its length along the
// major axis. Used only to share the rays fairly among threads.
double raySteps(const SweepTarget& t, const ShadowParams& p, bool fromSun)
{
    if (!fromSun) return std::max(t.x, t.y) - std::min(t.x, t.y) + 1.0; // "Linear sim" diagonals
    return std::max(std::fabs(t.x - p.x0), std::fabs(t.y - p.y0)) + 1.0;
}

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
// piece has a layer of its own, over the part of each row its rays can
// reach, and the threads take the pieces longest first. The rays to a
// side stay on that side of the sun, so the layers together cover about
// the map once, however many threads there are (their boxes, twice).
//
// into's pixel (0, 0) is the map's (frame.x0, frame.y0).
template <class S, class Grid, class Pixel>
void castStamped(const StampedRays& all, const Grid& heights, const ShadowParams& params, ShadeTarget<Pixel> into,
                 const Rect& frame)
{
    int runs = threadsFor(static_cast<std::size_t>(all.total));
    std::vector<Piece> pieces = cutPieces(all, runs);
    const std::vector<std::size_t> order = longestFirst(pieces);
    const int count = static_cast<int>(pieces.size());
    const StampedRay* const rays = all.rays.data(); // a plain pointer: older compilers cannot capture a member here
    const int w = heights.mapWidth(), h = heights.mapHeight();
#pragma omp parallel for num_threads(runs) schedule(dynamic, 1) if (runs > 1)
    for (int i = 0; i < count; ++i) {
        Piece& p = pieces[order[static_cast<std::size_t>(i)]];
        p.rows = layerRows(rays + p.first, p.last - p.first, p.box, w, h);
    }
    reserveLayers(pieces);
#pragma omp parallel for num_threads(runs) schedule(dynamic, 1) if (runs > 1)
    for (int i = 0; i < count; ++i) {
        enterParallelWork();
        Piece& p = pieces[order[static_cast<std::size_t>(i)]];
        castStampedRays<S>(rays + p.first, p.last - p.first, layerOf(p), heights, params);
    }
    foldLayers(pieces, into, frame);
}

// The rays side by side, each side in sweep order, with their stamps.
template <class S>
StampedRays stampedRays(const std::vector<SweepTarget>& targets, const ShadowParams& params, int w, int h)
{
    std::vector<std::uint32_t> order(targets.size());
    for (std::uint32_t k = 0; k < order.size(); ++k) order[k] = k;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return targets[a].side < targets[b].side; });
    StampedRays rays;
    for (std::uint32_t k : order) {
        const SweepTarget& t = targets[k];
        const RayOrigin o = originOf<S>(t.x, t.y, params);
        const RayWalk walk = startRay(t.x, t.y, o.x, o.y);
        rays.add({walk, k + 1}, t.side, raySteps(t, params, S::fromSun), reachOf(walk, w, h));
    }
    return rays;
}

// On one thread the rays are simply cast in sweep order straight into the
// shadow map, the bar stepping after each i as it goes; a large sweep is
// stamped, and its bar's steps reported, in order, at the end.
//
// Both ways take the rule as a type. One thread's pieces are the smallest
// case of the stamped way, but at 256 x 256 on one thread they cost 65 %
// more instructions than the plain way (6.86 million against 4.15 for
// "Linear") and 70 % more time: the layers and the fold
// cost far more than the bundles save on a map that fits in the cache.
template <class S, class Grid, class Pixel>
void castRays(const std::vector<SweepTarget>& targets, const ShadowSteps& steps, const Grid& heights,
              const ShadowParams& params, ShadeTarget<Pixel> shadow, Reporter& report)
{
    const int w = shadow.width, h = shadow.height;
    const double divisor = std::max(1, std::max(w, h) - steps.progressOffset);
    auto reportAfter = [&](std::size_t k) {
        if (k + 1 == targets.size() || targets[k + 1].i != targets[k].i) report.progress(targets[k].i / divisor);
    };

    double total = 0;
    for (const SweepTarget& t : targets) total += raySteps(t, params, S::fromSun);
    if (total < static_cast<double>(parallelGrain())) {
        enterParallelWork(); // the calling thread's share is all of it
        for (std::size_t k = 0; k < targets.size(); ++k) {
            castRay<S, Grid, ShadeWriter<Pixel>>(targets[k].x, targets[k].y, heights, params, ShadeWriter<Pixel>(shadow));
            reportAfter(k);
        }
        return;
    }

    const StampedRays rays = stampedRays<S>(targets, params, w, h);
    castStamped<S>(rays, heights, params, shadow, Rect{0, 0, w, h});
    for (std::size_t k = 0; k < targets.size(); ++k) reportAfter(k);
}

// A region's rays, always stamped: the box a layer covers is the part of
// the region a piece's rays can reach.
template <class S, class Grid, class Pixel>
void castRegion(const RegionPlan& plan, const Grid& heights, const ShadowParams& params, ShadeTarget<Pixel> shadow,
                const Rect& held)
{
    std::vector<std::size_t> order(plan.rays.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return plan.rays[a].side < plan.rays[b].side; });
    StampedRays rays;
    for (std::size_t k : order) {
        const RegionRay& r = plan.rays[k];
        const Rect reach = meet(reachOf(r.ray.walk, heights.mapWidth(), heights.mapHeight()), held);
        if (reach.width > 0 && reach.height > 0) rays.add(r.ray, r.side, r.ray.walk.left + 1.0, reach);
    }
    if (!rays.rays.empty()) castStamped<S>(rays, heights, params, shadow, held);
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

std::size_t stampedLayerValues(int w, int h, ShadowMode mode, const ShadowParams& params, int threads)
{
    std::size_t values = 0;
    withShading(mode, [&]<class S>() {
        const StampedRays rays = stampedRays<S>(sweepTargets(w, h, S::fromSun), params, w, h);
        int runs = threads;
        for (const Piece& p : cutPieces(rays, runs))
            values += layerSize(layerRows(rays.rays.data() + p.first, p.last - p.first, p.box, w, h));
    });
    return values;
}

Refusal runShadow(Workspace& ws, ShadowMode mode, const ShadowParams& given, Reporter& report)
{
    if (Refusal refused = shadowParamsRefused(given, mode, kMapSunReach)) return refused;
    if (mode == ShadowMode::Sun) return runSun(ws, given.sun, given.darkness, report, given.sunUp);
    ShadowParams params = given;
    params.darkness = std::clamp(params.darkness, 0, 255);
    const ShadowSteps& steps = shadowSteps(mode);

    if (steps.statusBeforeHeights) report.status(status::kCalculating);
    const HeightGrid heights = readHeights(ws);
    if (!steps.statusBeforeHeights) report.status(status::kCalculating);
    if (steps.resetBarAfterHeights) report.progress(0.0);

    withShadeTarget(ws, [&](auto shadow) {
        withShading(mode, [&]<class S>() {
            heights.visit([&](const auto& grid) {
                castRays<S>(sweepTargets(shadow.width, shadow.height, S::fromSun), steps, grid, params, shadow, report);
            });
        });
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
    report.status(status::kCalculating);

    const bool deep = source.deep();
    Refusal refused;
    withShading(mode, [&]<class S>() {
        const RegionPlan plan = planRegion(region, params, S::fromSun, deep ? Depth<std::uint16_t>::kTop : Depth<std::uint8_t>::kTop,
                                           deep ? Depth<std::uint16_t>::kUnit : Depth<std::uint8_t>::kUnit);
        auto window = source.read(plan.heights);
        if (const Error* e = std::get_if<Error>(&window)) {
            refused = *e;
            return;
        }
        const Rect& held = region.area;
        withShadeTarget(ws, [&](auto shadow) {
            std::visit([&](const auto& grid) { castRegion<S>(plan, grid, params, shadow, held); }, std::get<HeightWindow>(window));
        });
    });
    if (refused) return refused;
    report.progress(1.0);
    return std::nullopt;
}

} // namespace gloamery
