// A region of a world lit exactly as a whole-world run lights it.
//
// In a whole run every border pixel of the world gets a ray, cast in sweep
// order, and a pixel keeps the shade of the last ray that writes it. Which
// rays cross a pixel, and in what order, depends on the geometry alone; the
// shade a ray writes depends on the heights behind it. So a region's run
// casts, in the same order and with the same stamps, every ray of the
// world's sweep that can reach the region, and keeps only what falls in it.
//
// Where a ray is: its minor coordinate is the sum of the earlier steps,
// q = q + s held within 0..limit, rounded at every step. A region's ray
// must stand where the whole run's does, to the bit, so the sum is carried
// forward exactly (advanceMinor), a run of steps at a time.
//
// What a ray carries into the region: its level L, and what the shading
// rule keeps (a shadow distance, a pending shade). With a decay that lowers
// a level by at least e >= 1 at every step, the level before a step can
// be no higher than top - j e, j steps after any point where it was at
// most top (every level is), unless the ray was lifted (or, "Embossed",
// dropped onto the terrain) in between: to a height it then decays from.
// So from any state at all, within floor(top / e) + 1 steps on the grid the
// terrain (at least 0) stands above every level the ray could hold there,
// and every such ray is lifted at that step: the level becomes the height,
// and each rule starts afresh (the shadow distance back to its start, the
// pending shade from the new level). From there on the walk is the same
// whatever came before. A ray therefore takes up its walk
// floor(top / e) + 2 steps before it can first reach the region, from any
// level (0), and its shades in the region are the whole run's. Where that
// would start before the ray reaches the world's grid (steps off the grid
// read nothing and lift nothing), and for decays that lower a level by
// less than one or raise it, the ray is walked from its origin, as in the
// whole run.
//
// What it reads: the heights from where it takes up its walk to where it
// leaves the region. The blur reads one pixel around the region, so the
// box held is the region and that ring, within the world.

#include "region_plan.h"

#include "../workspace/numeric.h"
#include "ray.h"
#include "sweep.h"

#include <algorithm>
#include <climits>
#include <limits>
#include <cmath>

namespace gloamery {

namespace {

// How far the sum of a ray's steps can drift from the straight line it
// follows: each sum rounds by at most half a unit in the last place of a
// coordinate below 2^17, and a ray takes fewer than 2^18 steps, so less
// than 2^-18 in all. Bounds on pixels take this much to spare.
constexpr double kDrift = 1.0 / 1024;

// Heights are read in bands of this many rows, each as wide as the widest
// reach of the rays within it; a ray's reach is taken in stretches of as
// many steps.
constexpr int kBandRows = 16;
constexpr int kStretch = 64;

// A step count from a double that may be huge (a nearly flat ray).
std::int64_t stepsFrom(double v)
{
    constexpr double kFar = 1e15;
    return static_cast<std::int64_t>(std::clamp(v, -kFar, kFar));
}

// A ray's line: where its minor coordinate stands after n steps, give or
// take the drift. The first step's pixel is found from the origin itself
// (floored: it may lie off the map), every later one from a coordinate
// held within 0..limit.
struct RayLine {
    const RayWalk& walk;
    double limit;
    double q1; // after the first step

    RayLine(const RayWalk& w, double lim)
        : walk(w), limit(lim), q1(std::clamp(w.q + w.s, 0.0, lim))
    {
    }
    double at(std::int64_t n) const { return std::clamp(q1 + static_cast<double>(n - 1) * walk.s, 0.0, limit); }
    // The lowest and highest minor pixel step n can be on.
    std::pair<int, int> pixels(std::int64_t n) const
    {
        if (n == 0) return {floorToInt(walk.q), floorToInt(walk.q)};
        const double q = at(n);
        return {static_cast<int>(std::floor(std::max(0.0, q - kDrift))), static_cast<int>(std::floor(q + kDrift))};
    }
};

// The steps n >= 1 whose minor pixel may lie in lo..hi - 1, within
// first..last (all of them, or none: first > last).
std::pair<std::int64_t, std::int64_t> stepsWithin(const RayLine& line, int lo, int hi, std::int64_t first, std::int64_t last)
{
    const double s = line.walk.s, q1 = line.q1;
    const bool anyLow = lo - kDrift <= 0, anyHigh = hi + kDrift > line.limit;
    if (s == 0) {
        if (q1 + kDrift >= lo && q1 - kDrift < hi) return {first, last};
        return {1, 0};
    }
    // Solved on the straight line, a step to spare either side.
    auto reaching = [&](double v) { return 1.0 + (v - q1) / s; };
    if (s > 0) {
        if (!anyLow) first = std::max(first, stepsFrom(std::floor(reaching(lo - kDrift))) - 1);
        if (!anyHigh) last = std::min(last, stepsFrom(std::ceil(reaching(hi + kDrift))) + 1);
    } else {
        if (!anyLow) last = std::min(last, stepsFrom(std::ceil(reaching(lo - kDrift))) + 1);
        if (!anyHigh) first = std::max(first, stepsFrom(std::floor(reaching(hi + kDrift))) - 1);
    }
    return {first, last};
}

struct StepRange {
    std::int64_t first;
    std::int64_t last;
};

// The steps whose pixel may lie in the box, a step or so to spare; none
// when the ray cannot reach it.
std::optional<StepRange> stepsInBox(const RayWalk& walk, const RayLine& line, const Rect& box)
{
    const int majorLo = walk.majorY ? box.y0 : box.x0, majorHi = majorLo + (walk.majorY ? box.height : box.width);
    const int minorLo = walk.majorY ? box.x0 : box.y0, minorHi = minorLo + (walk.majorY ? box.width : box.height);
    std::int64_t first = walk.step > 0 ? majorLo - walk.m : walk.m - majorHi + 1;
    std::int64_t last = walk.step > 0 ? majorHi - 1 - walk.m : walk.m - majorLo;
    first = std::max<std::int64_t>(first, 0);
    last = std::min<std::int64_t>(last, walk.left - 1);
    if (first > last) return std::nullopt;
    const auto [p0, unused] = line.pixels(0);
    const bool stepZero = first == 0 && p0 >= minorLo && p0 < minorHi;
    auto [lo, hi] = stepsWithin(line, minorLo, minorHi, std::max<std::int64_t>(first, 1), last);
    if (stepZero) return StepRange{0, lo <= hi ? hi : 0};
    if (lo > hi) return std::nullopt;
    return StepRange{lo, hi};
}

// The first step whose point is on the world's grid: the major coordinate
// must have come onto it, and the first step's minor coordinate may lie
// off it (every later one is held on it). A ray that has come onto the
// grid stays on it up to its target.
std::int64_t firstStepOnGrid(const RayWalk& walk, const RayLine& line, int majorTop)
{
    std::int64_t n = walk.step > 0 ? std::max(0, -walk.m) : std::max(0, walk.m - majorTop);
    const int p0 = line.pixels(0).first;
    if (n == 0 && (p0 < 0 || p0 > line.limit)) n = 1;
    return n;
}

// Widens the bands over the points steps first..last can be on, a
// stretch at a time.
void addReach(const RayWalk& walk, const RayLine& line, std::int64_t first, std::int64_t last, int w, int h,
              std::vector<int>& lo, std::vector<int>& hi)
{
    for (std::int64_t a = first; a <= last; a += kStretch) {
        const std::int64_t b = std::min(last, a + kStretch - 1);
        const auto [a0, a1] = line.pixels(a);
        const auto [b0, b1] = line.pixels(b);
        const int minor0 = std::min(a0, b0), minor1 = std::max(a1, b1);
        const auto ma = walk.m + a * walk.step, mb = walk.m + b * walk.step;
        const int major0 = static_cast<int>(std::min(ma, mb)), major1 = static_cast<int>(std::max(ma, mb));
        int x0 = walk.majorY ? minor0 : major0, x1 = walk.majorY ? minor1 : major1;
        int y0 = walk.majorY ? major0 : minor0, y1 = walk.majorY ? major1 : minor1;
        x0 = std::clamp(x0, 0, w), x1 = std::clamp(x1, 0, w);
        y0 = std::clamp(y0, 0, h), y1 = std::clamp(y1, 0, h);
        for (int band = y0 / kBandRows; band <= y1 / kBandRows; ++band) {
            lo[static_cast<std::size_t>(band)] = std::min(lo[static_cast<std::size_t>(band)], x0);
            hi[static_cast<std::size_t>(band)] = std::max(hi[static_cast<std::size_t>(band)], x1);
        }
    }
}

} // namespace

std::optional<std::int64_t> lookbackSteps(double decay, double unit, int top)
{
    // A decay step takes a whole level L to nearest(L - d): L - nearest(d),
    // except that when d lies halfway between two whole numbers the tie
    // goes to the even one, the lower decrease for every other L.
    const double d = unit * decay;
    const double below = std::floor(d);
    const double least = d - below == 0.5 ? below : nearest(d);
    if (!(least >= 1)) return std::nullopt;
    return static_cast<std::int64_t>(std::floor(top / least)) + 2;
}

double advanceMinor(double q, double s, double limit, std::int64_t n)
{
    auto step = [&](double v) {
        v = v + s;
        if (v > limit) v = limit;
        else if (v < 0) v = 0;
        return v;
    };
    constexpr std::int64_t kBinadeLow = std::int64_t{1} << 52, kBinadeHigh = std::int64_t{1} << 53;
    while (n > 0) {
        // Held at an end it goes, or standing still, it stays.
        if (s == 0 || (s > 0 && q == limit) || (s < 0 && q == 0)) return step(q);
        // Within q's binade [2^(e-1), 2^e) the doubles are the multiples
        // Q u of u = 2^(e-53), and q + s rounds to the multiple nearest
        // Q + s / u: Q plus the whole number nearest s / u, the same at
        // every step, until the sum leaves the binade or nears an end. When
        // s / u lies halfway, the tie goes to the even multiple: from an
        // even Q, again the same at every step.
        if (std::isnormal(q)) {
            int e = 0;
            std::frexp(q, &e);
            const double r = std::ldexp(s, 53 - e);
            if (std::fabs(r) < static_cast<double>(kBinadeLow)) {
                const auto big = static_cast<std::int64_t>(std::ldexp(q, 53 - e));
                const double below = std::floor(r);
                const bool tie = r - below == 0.5;
                if (!tie || big % 2 == 0) {
                    const auto b = static_cast<std::int64_t>(below);
                    const std::int64_t d = tie ? b + (b & 1) : static_cast<std::int64_t>(std::nearbyint(r));
                    if (d == 0) return q;
                    std::int64_t room = 0;
                    if (d > 0) {
                        std::int64_t cap = kBinadeHigh - 1;
                        if (limit < std::ldexp(1.0, e)) cap = std::min(cap, static_cast<std::int64_t>(std::ldexp(limit, 53 - e)));
                        room = (cap - big) / d - 1;
                    } else {
                        room = (big - kBinadeLow) / -d - 1;
                    }
                    const std::int64_t k = std::min(n, room);
                    if (k > 0) {
                        q = std::ldexp(static_cast<double>(big + k * d), e - 53);
                        n -= k;
                        if (n == 0) return q;
                    }
                }
            }
        }
        q = step(q);
        --n;
    }
    return q;
}

void advanceWalk(RayWalk& walk, std::int64_t n, double limit)
{
    n = std::min<std::int64_t>(n, walk.left);
    if (n <= 0) return;
    walk.left -= static_cast<int>(n);
    walk.m += static_cast<int>(n) * walk.step;
    // The first step may start off the map; after it q is held on it.
    walk.q = advanceMinor(std::clamp(walk.q + walk.s, 0.0, limit), walk.s, limit, n - 1);
    walk.first = false;
}

std::int32_t levelAfterDecays(double d, std::int64_t n)
{
    if (n <= 0) return 0;
    const DecayStep lower(d);
    constexpr double lo = std::numeric_limits<std::int32_t>::min(), hi = std::numeric_limits<std::int32_t>::max();
    // A whole decay, or one that rounds the same way at every step, takes
    // the same whole number off each time. Halfway between two whole
    // numbers, the first step lands on an even level (ties go to the even
    // one) and every later one takes the even one of the two.
    const double below = std::floor(d);
    const bool tie = d - below == 0.5;
    const double first = lower(0);
    const double each = !tie ? nearest(d) : below + (static_cast<std::int64_t>(below) & 1);
    return static_cast<std::int32_t>(std::clamp(first - static_cast<double>(n - 1) * each, lo, hi));
}

RegionPlan planRegion(const WorldRegion& region, const ShadowParams& params, bool fromSun, int top, double unit)
{
    const int w = region.worldWidth, h = region.worldHeight;
    const std::optional<std::int64_t> lookback = lookbackSteps(params.decay, unit, top);
    const std::size_t bands = static_cast<std::size_t>(h / kBandRows + 1);
    std::vector<int> lo(bands, INT_MAX), hi(bands, INT_MIN);

    RegionPlan plan;
    const std::vector<SweepTarget> targets = sweepTargets(w, h, fromSun);
    for (std::size_t k = 0; k < targets.size(); ++k) {
        const SweepTarget& t = targets[k];
        const RayOrigin o = fromSun ? RayOrigin{params.x0, params.y0} : simStart(t.x, t.y);
        const RayWalk walk = startRay(t.x, t.y, o.x, o.y);
        const double limit = walk.majorY ? w : h;
        const RayLine line(walk, limit);
        const std::optional<StepRange> inBox = stepsInBox(walk, line, region.area);
        if (!inBox) continue;
        const std::int64_t onGrid = firstStepOnGrid(walk, line, walk.majorY ? h : w);
        std::int64_t from = lookback && inBox->first - *lookback >= onGrid ? inBox->first - *lookback : 0;
        addReach(walk, line, std::max(from, onGrid), inBox->last, w, h, lo, hi);
        // Steps off the grid only lower the level: a ray from far off is
        // taken up at its last one, with the level it has there.
        std::int32_t level = 0;
        if (from == 0 && onGrid > 1) {
            from = onGrid - 1;
            level = levelAfterDecays(unit * params.decay, from);
        }

        RayWalk taken = walk;
        advanceWalk(taken, from, limit);
        taken.level = level;
        taken.left = static_cast<int>(inBox->last - from + 1);
        plan.rays.push_back({{taken, static_cast<std::uint32_t>(k + 1)}, t.side});
    }
    for (std::size_t b = 0; b < bands; ++b) {
        if (lo[b] > hi[b]) continue;
        const int y0 = static_cast<int>(b) * kBandRows;
        plan.heights.push_back(Rect{lo[b], y0, hi[b] - lo[b] + 1, std::min(kBandRows, h + 1 - y0)});
    }
    return plan;
}

} // namespace gloamery
