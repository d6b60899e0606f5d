#pragma once
// The traversal every shadow ray shares: from an origin (the sun, or a
// computed start point) to a border pixel, one pixel per step along the
// major axis, carrying the ray level. What a step does to the pixel it
// finds is the shading rule's business:
//
//   rule.lit(px, py, h, L)      terrain above the ray, before L is lifted
//   rule.shaded(px, py, h, L)   terrain at or below the ray
//   rule.after(px, py, inGrid, L)  every step, skipped or not, before decay;
//                                  it may move L (the embossed fade-out)
//
// The rule is a template parameter so the compiler inlines it into the loop.
// So is the grid, whose sample type is the depth of the heights: levels and
// decays are in the grid's units (see workspace/heights.h).

#include "../workspace/heights.h"
#include "../workspace/map_grid.h"
#include "../workspace/numeric.h"
#include "../workspace/picture.h"
#include "pixel_writer.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace gloamery {

// L = nearest(L - decay), saturated to 32 bits. With a whole decay (the
// usual "5") the difference is exact in double and already whole, so
// integer arithmetic gives the very same result without a round trip
// through the FPU on every step of the ray.
class DecayStep {
public:
    explicit DecayStep(double decay)
        : decay_(decay), whole_(decay == std::floor(decay) && std::fabs(decay) <= 4294967296.0),
          n_(whole_ ? static_cast<std::int64_t>(decay) : 0)
    {
    }
    std::int32_t operator()(std::int32_t v) const
    {
        if (!whole_) return saturate32(nearest(static_cast<double>(v) - decay_));
        const std::int64_t r = static_cast<std::int64_t>(v) - n_;
        constexpr std::int64_t lo = std::numeric_limits<std::int32_t>::min();
        constexpr std::int64_t hi = std::numeric_limits<std::int32_t>::max();
        return static_cast<std::int32_t>(r < lo ? lo : (r > hi ? hi : r));
    }

    // Whether the decay is whole and `steps` of it from any level a ray
    // can hold (0..top, or a lift to the terrain) stay in the 32-bit range.
    bool plainWithin(int steps, int top) const
    {
        return whole_ && static_cast<double>(steps) * std::fabs(decay_) + top < 2147483647.0 - 65536.0;
    }
    std::int32_t whole() const { return static_cast<std::int32_t>(n_); }

private:
    double decay_;
    bool whole_;
    std::int64_t n_;
};

// L = L - decay for a whole decay that cannot carry a ray's level out of
// the 32-bit range within its steps: the level stays within
// [-steps x |decay|, top + steps x |decay|], so no saturation is needed.
struct PlainDecayStep {
    std::int32_t n;
    std::int32_t operator()(std::int32_t v) const { return v - n; }
};

// One ray's steps, with the major axis fixed at compile time.
template <bool MajorY, class Grid, class Rule, class Lower>
void walkSteps(double q, double s, int m, int step, int count, const Grid& heights, const Lower& lower, Rule& rule)
{
    // The minor coordinate stays within 0..W (or 0..H): the outside column
    // or row is as far as a ray can slide.
    const double limit = MajorY ? heights.mapWidth() : heights.mapHeight();
    // The grid's shape in locals: a rule's write could, for all the compiler
    // knows, change the grid object, which would make it read them afresh
    // at every step.
    const unsigned columns = static_cast<unsigned>(heights.columns());
    const unsigned rows = static_cast<unsigned>(heights.rows());
    const auto* const samples = heights.data();
    std::int32_t level = 0;
    auto visit = [&](int p) {
        const int px = MajorY ? p : m;
        const int py = MajorY ? m : p;
        // Steps off the grid on either side are skipped alike: nothing is
        // read or written, but the level still decays.
        const bool inGrid = static_cast<unsigned>(px) < columns && static_cast<unsigned>(py) < rows;
        if (inGrid) {
            const int h = samples[static_cast<std::size_t>(py) * columns + static_cast<unsigned>(px)];
            if (h > level) {
                rule.lit(px, py, h, level);
                level = h;
            } else {
                rule.shaded(px, py, h, level);
            }
        }
        rule.after(px, py, inGrid, level);
        level = lower(level);
        q = q + s;
        if (q > limit) q = limit;
        else if (q < 0) q = 0;
    };
    if (count <= 0) return;
    // Only the first step can start left of 0 (a sun off the map); after
    // it q is kept within 0..limit, where truncation is the floor.
    visit(floorToInt(q));
    for (--count, m += step; count > 0; --count, m += step) visit(static_cast<int>(q));
}

// The walk with the cheapest decay step that gives the same levels.
template <bool MajorY, class Grid, class Rule>
void walkRay(double q, double s, int m, int step, int count, const Grid& heights, const DecayStep& lower,
             Rule& rule)
{
    if (lower.plainWithin(count, DepthOf<Grid>::kTop))
        walkSteps<MajorY>(q, s, m, step, count, heights, PlainDecayStep{lower.whole()}, rule);
    else
        walkSteps<MajorY>(q, s, m, step, count, heights, lower, rule);
}

template <class Grid, class Rule>
void traceRay(double x, double y, double ox, double oy, const Grid& heights, double decay, Rule& rule)
{
    if (x - ox == 0 && y - oy == 0) return; // the target is the origin itself

    const int sx = ox > x ? -1 : 1;
    const int sy = oy > y ? -1 : 1;
    // In the grid's units: 257 x decay for deep heights, worked out first.
    const DecayStep lower(DepthOf<Grid>::kUnit * decay);

    // Both ends are included; a start already past the end takes no step.
    auto steps = [](int m, int end, int step) { return step > 0 ? end - m + 1 : m - end + 1; };
    if (std::fabs(y - oy) >= std::fabs(x - ox)) {
        const double s = std::fabs((x - ox) / (y - oy)) * sx;
        const int m = static_cast<int>(nearest(oy));
        walkRay<true>(ox, s, m, sy, steps(m, static_cast<int>(nearest(y)), sy), heights, lower, rule);
    } else {
        const double s = std::fabs((y - oy) / (x - ox)) * sy;
        const int m = static_cast<int>(nearest(ox));
        walkRay<false>(oy, s, m, sx, steps(m, static_cast<int>(nearest(x)), sx), heights, lower, rule);
    }
}

} // namespace gloamery
