#pragma once
// The traversal every shadow ray shares: from an origin (the sun, or a
// computed start point) to a border pixel, one pixel per step along the
// major axis, carrying the ray level. What a step does to the grid point c
// it finds, of height h, is the shading rule's business:
//
//   rule.lit(c, h, L)       terrain above the ray, before L is lifted
//   rule.shaded(c, h, L)    terrain at or below the ray
//   rule.after(c, inGrid, h, L)  every step, skipped or not, before decay;
//                                it may move L (the embossed fade-out); c
//                                and h mean nothing on a skipped step
//
// The rule is a template parameter so the compiler inlines it into the loop.
// So is the grid, whose sample type is the depth of the heights: levels and
// decays are in the grid's units (see workspace/heights.h).

#include "../workspace/heights.h"
#include "../workspace/map_grid.h"
#include "../workspace/numeric.h"
#include "../workspace/picture.h"
#include "../workspace/window_grid.h"
#include "pixel_writer.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <optional>
#include <type_traits>
#include <utility>
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
        if (!whole_) return fractional(v, decay_);
        const std::int64_t r = static_cast<std::int64_t>(v) - n_;
        constexpr std::int64_t lo = std::numeric_limits<std::int32_t>::min();
        constexpr std::int64_t hi = std::numeric_limits<std::int32_t>::max();
        return static_cast<std::int32_t>(r < lo ? lo : (r > hi ? hi : r));
    }

    // Whether the decay is whole and `steps` of it from any level a ray
    // can hold (0..top, or a lift to the terrain) stay in the 32-bit range.
    bool plainWithin(int steps, std::int64_t top) const
    {
        return whole_ && static_cast<double>(steps) * std::fabs(decay_) + top < 2147483647.0 - 65536.0;
    }
    std::int32_t whole() const { return static_cast<std::int32_t>(n_); }

private:
    // Out of line and given values only, so that the whole step inlines
    // and a rule holding a DecayStep stays in registers rather than having
    // its address passed to a call at every step.
    [[gnu::noinline]] static std::int32_t fractional(std::int32_t v, double decay)
    {
        return saturate32(nearest(static_cast<double>(v) - decay));
    }

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

// Where a ray stands on its walk, so that the walk can stop after any step
// and go on later.
struct RayWalk {
    bool majorY;       // the major axis is y (else x)
    double q;          // the minor coordinate of the next step
    double s;          // its change at every step
    int m;             // the major coordinate of the next step
    int step;          // +1 or -1 along the major axis
    int left;          // the steps still to take
    bool first = true; // the next step is the first, which may start left of 0
    std::int32_t level = 0;
};

// Where a ray starts: the sun, or for "Linear sim" the point (x - y, 0) or
// (0, y - x) on the top or left edge that makes every ray to (x, y) a
// 45-degree diagonal.
struct RayOrigin {
    double x;
    double y;
};
inline RayOrigin simStart(double x, double y) { return x > y ? RayOrigin{x - y, 0.0} : RayOrigin{0.0, y - x}; }

// The 8-bit height grid of a picture: the red byte of every pixel, the
// extra row and column holding 255 (a read outside the picture). A
// workspace's heights, of either depth, come from readHeights(Workspace).
inline ByteGrid readHeights(const Picture& heightMap) { return redGrid(heightMap); }

// A ray of a stamped sweep: its walk, from its origin (the sun, or a
// "Linear sim" start point) or from wherever a region's run takes it up,
// and the stamp its shades carry.
struct StampedRay {
    RayWalk walk;
    std::uint32_t stamp;
};

// A ray from the origin (ox, oy) to the border pixel (x, y), before its
// first step; it takes no step when the target is the origin itself.
inline RayWalk startRay(double x, double y, double ox, double oy)
{
    if (x - ox == 0 && y - oy == 0) return {true, 0, 0, 0, 1, 0};
    const int sx = ox > x ? -1 : 1;
    const int sy = oy > y ? -1 : 1;
    // Both ends are included; a start already past the end takes no step.
    auto steps = [](int m, int end, int step) { return step > 0 ? end - m + 1 : m - end + 1; };
    if (std::fabs(y - oy) >= std::fabs(x - ox)) {
        const int m = static_cast<int>(nearest(oy));
        return {true, ox, std::fabs((x - ox) / (y - oy)) * sx, m, sy, steps(m, static_cast<int>(nearest(y)), sy)};
    }
    const int m = static_cast<int>(nearest(ox));
    return {false, oy, std::fabs((y - oy) / (x - ox)) * sy, m, sx, steps(m, static_cast<int>(nearest(x)), sx)};
}

// Where a walk finds the height of grid point (x, y): row by row in a whole
// grid, or through the row table of a window of one.
struct StrideLocator {
    std::size_t stride;
    std::size_t operator()(int x, int y) const
    {
        return static_cast<std::size_t>(y) * stride + static_cast<unsigned>(x);
    }
};
struct RowLocator {
    const std::size_t* starts;
    const std::pair<int, int>* spans; // checked in debug builds: a region's plan covers every read
    std::size_t operator()(int x, int y) const
    {
        assert(x >= spans[y].first && x < spans[y].second);
        return starts[y] + static_cast<unsigned>(x);
    }
};
template <class T>
StrideLocator locatorOf(const MapGrid<T>& g)
{
    return {static_cast<std::size_t>(g.stride())};
}
template <class T>
RowLocator locatorOf(const WindowGrid<T>& g)
{
    return {g.rowStarts(), g.rowSpans()};
}

// Up to n more steps of a ray, with the major axis fixed at compile time.
// Flattened: the rule's steps belong in the loop, and the compiler left
// "Linear"'s out of line once the bundle walk grew (5 % more instructions).
template <bool MajorY, class Grid, class Rule, class Lower>
[[gnu::flatten]] void walkSteps(RayWalk& walk, int n, const Grid& heights, const Lower& lower, Rule& ruleKept)
{
    // The minor coordinate stays within 0..W (or 0..H): the outside column
    // or row is as far as a ray can slide.
    const double limit = MajorY ? heights.mapWidth() : heights.mapHeight();
    // The grid's shape, the walk and the rule in locals: a rule's write
    // could, for all the compiler knows, change them, which would make it
    // read them afresh at every step.
    const unsigned columns = static_cast<unsigned>(heights.columns());
    const unsigned rows = static_cast<unsigned>(heights.rows());
    const auto* const samples = heights.data();
    const auto locate = locatorOf(heights);
    const double s = walk.s;
    const int step = walk.step;
    double q = walk.q;
    int m = walk.m;
    std::int32_t level = walk.level;
    Rule rule = ruleKept;
    // A step, checked or not: steps known to be on the grid, with q known
    // to stay within 0..limit, skip both tests.
    auto visit = [&](int p, auto checked) {
        const int px = MajorY ? p : m;
        const int py = MajorY ? m : p;
        // Steps off the grid on either side are skipped alike: nothing is
        // read or written, but the level still decays.
        const bool inGrid = !checked || (static_cast<unsigned>(px) < columns && static_cast<unsigned>(py) < rows);
        // A window has no row outside the grid to look up.
        constexpr bool wholeGrid = std::is_same_v<std::remove_const_t<decltype(locate)>, StrideLocator>;
        const Cell c{px, py, wholeGrid || inGrid ? locate(px, py) : 0};
        int h = 0;
        if (inGrid) {
            h = samples[c.at];
            if (h > level) {
                rule.lit(c, h, level);
                level = h;
            } else {
                rule.shaded(c, h, level);
            }
        }
        rule.after(c, inGrid, h, level);
        level = lower(level);
        q = q + s;
        if (checked) {
            if (q > limit) q = limit;
            else if (q < 0) q = 0;
        }
        m += step;
    };
    n = std::min(n, walk.left);
    walk.left -= n;
    // Only the first step can start left of 0 (a sun off the map); after
    // it q is kept within 0..limit, where truncation is the floor.
    if (n > 0 && walk.first) {
        visit(floorToInt(q), std::true_type{});
        --n;
        walk.first = false;
    }
    // The rest need no tests when every major coordinate they take is on
    // the grid and q, which only moves one way, stays clear of 0 and limit
    // after them. The sums carry a rounding error far below the margin.
    constexpr double kMargin = 1.0 / 1024;
    const int last = m + (n - 1) * step;
    const unsigned majorEnd = MajorY ? rows : columns;
    const double far = q + n * s;
    if (n > 0 && static_cast<unsigned>(m) < majorEnd && static_cast<unsigned>(last) < majorEnd && far > kMargin &&
        far < limit - kMargin) {
        for (; n > 0; --n) visit(static_cast<int>(q), std::false_type{});
    } else {
        for (; n > 0; --n) visit(static_cast<int>(q), std::true_type{});
    }
    walk.q = q;
    walk.m = m;
    walk.level = level;
    ruleKept = rule;
}

// Up to n more steps with the cheapest decay step that gives the same
// levels over the whole ray.
template <class Grid, class Rule>
void walkRay(RayWalk& walk, int n, const Grid& heights, const DecayStep& lower, bool plain, Rule& rule)
{
    if (plain) {
        const PlainDecayStep p{lower.whole()};
        if (walk.majorY) walkSteps<true>(walk, n, heights, p, rule);
        else walkSteps<false>(walk, n, heights, p, rule);
    } else {
        if (walk.majorY) walkSteps<true>(walk, n, heights, lower, rule);
        else walkSteps<false>(walk, n, heights, lower, rule);
    }
}

template <class Grid, class Rule>
void traceRay(double x, double y, double ox, double oy, const Grid& heights, double decay, Rule& rule)
{
    RayWalk walk = startRay(x, y, ox, oy);
    // In the grid's units: 257 x decay for deep heights, worked out first.
    const DecayStep lower(DepthOf<Grid>::kUnit * decay);
    walkRay(walk, walk.left, heights, lower, lower.plainWithin(walk.left, DepthOf<Grid>::kTop), rule);
}

// How many neighbouring rays are walked together, and how many steps each
// takes in turn. Wide bundles with short stretches keep a line of heights
// at hand until every ray that passes it has come by, where that is
// several rays apart: for parallel rays ("Linear sim"), which cross each
// row side by side, and for deep rays along rows (x major) that climb or
// fall steeply, which reach a new row at nearly every step and find a line
// of only 32 samples there. Other rays find their neighbours on the same
// row at every step (y major), stay on a row for several steps (shallow),
// or have lines of 64 samples: narrow bundles with long stretches suit
// them best. Measured at 4096 x 4096: parallel rays took 2.2 ns a step in
// bundles of 16 and 1.2 ns in bundles of 128; steep deep rays along rows
// took 2.3 times as long a step as 8-bit ones in bundles of 16, and 1.3
// times in bundles of 128, where 8-bit rays gained nothing.
struct BundleShape {
    std::size_t rays;
    int stretch;
};
constexpr BundleShape kNarrowBundle{16, 64}, kMiddleBundle{64, 32}, kWideBundle{128, 16};

inline BundleShape bundleShape(const RayWalk& first, const std::optional<RayWalk>& next, int samplesPerLine)
{
    const bool parallel = next && next->majorY == first.majorY && next->s == first.s;
    if (parallel) return kWideBundle;
    const double climb = std::fabs(first.s);
    if (first.majorY || climb < 0.25 || samplesPerLine >= 64) return kNarrowBundle;
    return climb < 0.5 ? kMiddleBundle : kWideBundle;
}

// Casts rays, given in sweep order, into a layer of stamped shades (see
// LayerWriter); rule(writer) gives a fresh rule.
//
// Rays to neighbouring border pixels mostly start on the same row (or
// column), step the same way, and cross nearly the same pixels. Such rays
// are walked as a bundle, a stretch of steps each in turn: a ray then finds
// the heights it reads and the layer pixels it writes already in the
// nearest cache, brought there by its neighbour a moment before, where a
// whole ray's worth of rows would have pushed them out.
//
// Of two rays in the list, the later one writes any pixel they share
// later, so the last write to a pixel is the latest ray's: bundles are
// walked one after another, and the rays of a bundle step the same way
// along the same axis and take their steps in rounds, each round over the
// same stretch of rows (or columns) for every ray; a shared pixel lies on
// one row (or column), so both rays reach it in the same round, where the
// earlier ray walks first. Rays cast from one origin start on the same row
// and the rounds are simply stretches of steps; a region's rays may start
// on different rows, and a ray that starts further on waits for the round
// of its row.
template <class Grid, class MakeRule>
void traceBundles(const StampedRay* rays, std::size_t count, LayerTarget layer, const Grid& heights, double decay,
                  const MakeRule& rule)
{
    constexpr std::size_t kMostRays = kWideBundle.rays;
    constexpr int kSamplesPerLine = 64 / static_cast<int>(sizeof(*heights.data()));
    using Rule = decltype(rule(LayerWriter(layer, 0)));
    const DecayStep lower(DepthOf<Grid>::kUnit * decay);

    std::array<RayWalk, kMostRays> walks;
    std::array<std::optional<Rule>, kMostRays> rules;
    for (std::size_t k = 0; k < count;) {
        std::size_t n = 0;
        walks[0] = rays[k].walk;
        const auto next = k + 1 < count ? std::optional<RayWalk>(rays[k + 1].walk) : std::nullopt;
        const BundleShape shape = bundleShape(walks[0], next, kSamplesPerLine);
        do {
            rules[n].emplace(rule(LayerWriter(layer, rays[k].stamp)));
            ++n;
            ++k;
            if (n == shape.rays || k == count) break;
            walks[n] = rays[k].walk;
        } while (walks[n].majorY == walks[0].majorY && walks[n].step == walks[0].step);
        // The rounds run from the row (or column) the first ray to start
        // starts on, to the furthest any ray ends on.
        const int step = walks[0].step;
        int from = walks[0].m, steps = 0;
        for (std::size_t r = 0; r < n; ++r) from = step > 0 ? std::min(from, walks[r].m) : std::max(from, walks[r].m);
        for (std::size_t r = 0; r < n; ++r) steps = std::max(steps, (walks[r].m - from) * step + walks[r].left);
        // A decay that stays plain over the longest ray does over every one,
        // counted from the lowest level a ray starts with (a region's ray
        // taken up where it comes onto the grid may start far below 0).
        std::int64_t below = 0;
        for (std::size_t r = 0; r < n; ++r) below = std::max<std::int64_t>(below, -std::int64_t{walks[r].level});
        const bool plain = lower.plainWithin(steps, DepthOf<Grid>::kTop + below);
        for (int done = shape.stretch;; done += shape.stretch) {
            const int end = from + done * step; // this round's rows stop short of it
            bool more = false;
            for (std::size_t r = 0; r < n; ++r) {
                const int take = (end - walks[r].m) * step;
                if (take > 0 && walks[r].left > 0) walkRay(walks[r], take, heights, lower, plain, *rules[r]);
                more = more || walks[r].left > 0;
            }
            if (!more) break;
        }
    }
}

} // namespace gloamery
