#pragma once
// The horizon of every pixel towards an azimuth, found exactly along the
// rays of the azimuth (see sun_rays.h). Of the earlier pixels j of a
// pixel i's ray, its horizon point is the one whose rise (h_j - h_i) /
// (i - j) is the greatest, of equal rises the nearest; the rises are
// compared as fractions of whole numbers, so that no rounding decides.
//
// A walk along a ray keeps the upper convex hull of the (step, height)
// points it has passed: the horizon point of a pixel is where the line
// from it touches that hull. The points between the touching point and
// the pixel lie under that line, so they can never be touched again and
// leave the hull for good: every point enters and leaves the hull once,
// and a ray costs time in proportion to its pixels, however far it looks.
//
// Within a radius the farthest points drop out of reach as the walk moves
// on, which a hull cannot undo. Where the whole ray's horizon point lies
// within reach it is also the one within reach (the best of all points is
// the best of any set that holds it); else the points within reach are
// read one by one.

#include "../workspace/map_grid.h"
#include "../workspace/rect.h"
#include "lanes.h"
#include "sun_rays.h"
#include "sun_walk.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace gloamery {

// A pixel's horizon point: `back` steps towards the azimuth (0: none, the
// pixel is open to the sky that way), `top` its deep sample and `own` the
// pixel's. On negated heights both are negated.
struct Horizon {
    std::int32_t own;
    std::int32_t top;
    std::int32_t back;
};

// The horizons of neighbouring pixels of a box, one a ray of a bundle, at
// one step of the walk: pixel k (0 .. count - 1) is the box's (col, row + k)
// when `down`, else (col + k, row).
struct HorizonRun {
    int col;
    int row;
    bool down;
    int count;
    const std::int32_t* own;
    const std::int32_t* top;
    const std::int32_t* back;

    Horizon at(int k) const { return {own[k], top[k], back[k]}; }
};

// A sink of runs made from one of single pixels: f(col, row, horizon).
template <class F>
struct EachPixel {
    F f;
    void operator()(const HorizonRun& r) const
    {
        for (int k = 0; k < r.count; ++k) f(r.col + (r.down ? 0 : k), r.row + (r.down ? k : 0), r.at(k));
    }
};
template <class F>
EachPixel<F> eachPixel(F f)
{
    return {f};
}

struct HorizonSearch {
    std::int64_t reach = kNoLimit; // the most steps back a horizon point may lie
    bool negated = false;          // on negated heights: the deepest point below
    Lanes lanes = widestLanes();   // the hulls' step taken so many rays at a time
};

// The most steps n with n x d <= radius (d the ground length of a step),
// decided in double; kNoLimit for an infinite radius or one past a
// map of the largest size.
std::int64_t radiusSteps(double radius, double ground);

namespace horizon_walk {

constexpr int kBundle = 64; // neighbouring rays walked together, as the sun's walk does

struct HullPoint {
    std::int32_t i;
    std::int32_t h;
};

// Room for the rays of one bundle, kept by a thread from bundle to bundle.
// The hulls are interleaved, point n of ray j at n x kBundle + j: the tops
// of the bundle's hulls, which a step reads and writes all of, then lie in
// a few neighbouring cache lines (and pages) rather than one a ray.
struct Room {
    std::vector<HullPoint> hull;
    std::vector<std::int32_t> sizes;
    std::vector<std::int32_t> history; // heights by step, for a limited reach: a row per ray, `length` apart
    std::vector<std::int32_t> start;   // the first step of each ray on the map
    std::size_t length = 0;

    void prepare(std::size_t steps, bool limited)
    {
        // Each ray's history an odd number of cache lines long: rows as long
        // as the map is wide would otherwise start a power of two apart and
        // push each other out of the same few sets of the cache.
        length = static_cast<std::size_t>(paddedRow<std::int32_t>(static_cast<int>(steps)));
        const std::size_t room = steps * kBundle;
        if (hull.size() < room) hull.resize(room);
        if (limited && history.size() < length * kBundle) history.resize(length * kBundle);
        sizes.assign(kBundle, 0);
        start.assign(kBundle, -1);
    }
};

// Whether the rise of a over the point (i, h) is greater than b's, as
// fractions (a.h - h) / (i - a.i), cross-multiplied.
inline bool steeper(const HullPoint& a, const HullPoint& b, std::int32_t i, std::int32_t h)
{
    return static_cast<std::int64_t>(a.h - h) * (i - b.i) > static_cast<std::int64_t>(b.h - h) * (i - a.i);
}
inline bool asSteep(const HullPoint& a, const HullPoint& b, std::int32_t i, std::int32_t h)
{
    return static_cast<std::int64_t>(a.h - h) * (i - b.i) == static_cast<std::int64_t>(b.h - h) * (i - a.i);
}

// A ray's hull within the interleaved room of its bundle (see Room).
struct RayHull {
    HullPoint* first; // point 0 of the ray
    HullPoint& operator[](std::int32_t n) const { return first[static_cast<std::ptrdiff_t>(n) * kBundle]; }
};

// The horizon of point (i, h) from a ray's hull, which then takes the point.
inline Horizon touchHull(RayHull hull, std::int32_t& size, std::int32_t i, std::int32_t h)
{
    std::int32_t n = size;
    while (n >= 2 && steeper(hull[n - 2], hull[n - 1], i, h)) --n;
    const Horizon found = n >= 1 ? Horizon{h, hull[n - 1].h, i - hull[n - 1].i} : Horizon{h, h, 0};
    // A point on the line from the one below it to (i, h) is no corner of
    // the hull any more; the nearer point wins its ties. Of a hull's
    // corners no three lie on a line, so there is at most one.
    if (n >= 2 && asSteep(hull[n - 2], hull[n - 1], i, h)) --n;
    hull[n] = {i, h};
    size = n + 1;
    return found;
}

// touchHull for each ray jLo..jHi of a bundle at a step, with the heights
// heightAt[j] (before[j] at the step before); the horizons into own, top
// and back [j]. Built for several vector widths (hull_lanes.cpp), all
// giving the same.
using TouchHulls = void (*)(HullPoint* hull, std::int32_t* sizes, std::int32_t step, const std::int32_t* heightAt,
                            const std::int32_t* before, int jLo, int jHi, std::int32_t* own, std::int32_t* top,
                            std::int32_t* back);
TouchHulls touchHulls(gloamery::Lanes lanes);

// The horizon of (i, h) among the steps from..i-1 of a ray, one by one,
// the nearest first so that it keeps its ties.
inline Horizon scanBack(const std::int32_t* heightAt, std::int32_t from, std::int32_t i, std::int32_t h)
{
    Horizon best{h, h, 0};
    for (std::int32_t j = i - 1; j >= from; --j) {
        const std::int32_t v = heightAt[j];
        if (best.back == 0 || static_cast<std::int64_t>(v - h) * best.back > static_cast<std::int64_t>(best.top - h) * (i - j))
            best = {h, v, i - j};
    }
    return best;
}

template <class Grid>
std::int32_t deepSample(const Grid& heights, int x, int y)
{
    const std::int32_t v = heights(x, y);
    return sizeof(typename Grid::value_type) == 1 ? v * 257 : v;
}

// One bundle of rays k0 .. k0 + kBundle - 1 through steps span.i0..ib;
// sink(run) for the pixels of `box` they pass at each step.
template <class Grid, class Sink>
void walkBundle(const SunRays& rays, const WalkSpan& span, const HorizonSearch& search, std::int64_t k0,
                const Grid& heights, const Rect& box, Room& room, Sink& sink)
{
    const bool limited = search.reach != kNoLimit;
    room.prepare(static_cast<std::size_t>(span.ib - span.i0 + 1), limited);
    const int boxMinor0 = rays.majorY ? box.x0 : box.y0, boxMinor1 = rays.majorY ? box.x1() : box.y1();
    const std::int32_t sign = search.negated ? -1 : 1;
    std::int32_t own[kBundle], top[kBundle], back[kBundle];
    const TouchHulls touch = touchHulls(search.lanes);
    std::int32_t rows[2][kBundle];
    std::int32_t *heightAt = rows[0], *before = rows[1];
    for (int i = span.i0; i <= span.ib; ++i) {
        const std::int64_t first = k0 + rays.offset(i); // minor coordinate of ray k0
        const int jLo = static_cast<int>(std::max<std::int64_t>(0, -first));
        const int jHi = static_cast<int>(std::min({std::int64_t{kBundle - 1}, span.kHi - k0, rays.minorSize - 1 - first}));
        const int major = rays.major(i);
        const int step = i - span.i0;
        // The step's heights first, in a loop of their own: the hulls' loop
        // then reads them from one small row.
        std::swap(heightAt, before);
        const int minor0 = static_cast<int>(first);
        if (rays.majorY)
            for (int j = jLo; j <= jHi; ++j) heightAt[j] = sign * deepSample(heights, minor0 + j, major);
        else
            for (int j = jLo; j <= jHi; ++j) heightAt[j] = sign * deepSample(heights, major, minor0 + j);
        touch(room.hull.data(), room.sizes.data(), step, heightAt, before, jLo, jHi, own, top, back);
        if (limited)
            for (int j = jLo; j <= jHi; ++j) {
                const std::int32_t h = heightAt[j];
                std::int32_t* seen = room.history.data() + static_cast<std::size_t>(j) * room.length;
                seen[step] = h;
                std::int32_t& from = room.start[static_cast<std::size_t>(j)];
                if (from < 0) from = step;
                if (back[j] > search.reach) {
                    const std::int64_t nearest = std::max<std::int64_t>(from, step - search.reach);
                    const Horizon found = scanBack(seen, static_cast<std::int32_t>(nearest), step, h);
                    own[j] = found.own;
                    top[j] = found.top;
                    back[j] = found.back;
                }
            }
        if (i < span.ia) continue;
        const int from = static_cast<int>(std::max<std::int64_t>(jLo, boxMinor0 - first));
        const int to = static_cast<int>(std::min<std::int64_t>(jHi, boxMinor1 - 1 - first));
        if (from > to) continue;
        const int minor = static_cast<int>(first + from);
        const HorizonRun run{rays.majorY ? minor - box.x0 : major - box.x0, rays.majorY ? major - box.y0 : minor - box.y0,
                             !rays.majorY, to - from + 1, own + from, top + from, back + from};
        sink(run);
    }
}

} // namespace horizon_walk

// The steps and rays of an azimuth that the horizons of `box` need.
inline WalkSpan horizonSpan(const SunRays& rays, const HorizonSearch& search, const Rect& box)
{
    return walkSpanReaching(rays, search.reach, box);
}

// The horizons towards the rays' azimuth of every pixel of `box`, given
// to sink(run) in runs of neighbours (see HorizonRun; col and row are the
// box's own), each pixel once. Each pixel lies on one ray and each ray in
// one bundle, so the bundles run side by side on any number of threads,
// each pixel's horizon given by one.
template <class Grid, class Sink>
void walkHorizons(const SunRays& rays, const Grid& heights, const HorizonSearch& search, const Rect& box, const Sink& sink)
{
    const WalkSpan span = horizonSpan(rays, search, box);
    if (span.kHi < span.kLo || box.empty()) return;
    const std::int64_t bundles = (span.kHi - span.kLo) / horizon_walk::kBundle + 1;
    const std::size_t work = static_cast<std::size_t>(box.width) * static_cast<std::size_t>(box.height);
    const int threads = threadsFor(work);
#pragma omp parallel num_threads(threads) if (threads > 1)
    {
        enterParallelWork();
        horizon_walk::Room room;
        Sink local = sink;
#pragma omp for schedule(static)
        for (std::int64_t b = 0; b < bundles; ++b)
            horizon_walk::walkBundle(rays, span, search, span.kLo + b * horizon_walk::kBundle, heights, box, room,
                                     local);
    }
}

} // namespace gloamery
