#include "rays.h"

#include "ray.h"
#include "shade_tables.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace gloamery {

namespace {

// f3 and f4: a shadowed pixel gets nearest((255 - L / unit) / 255 x D + E),
// the unit being 1 for 8-bit heights and 257 for deep ones (D and E =
// 255 - D are single floats in the design, exact here).
template <class Sample>
int linearShade(int darkness, std::int32_t level)
{
    const double d = darkness, e = 255 - darkness;
    return nearestChannel((255.0 - level / Depth<Sample>::kUnit) / 255.0 * d + e);
}

template <class Sample, class Writer>
struct LinearRule {
    Writer shadow;
    ShadeTable<Sample, linearShade<Sample>> shade; // looked up once a ray, not once a step

    LinearRule(Writer s, int darkness) : shadow(s), shade(darkness) {}

    void lit(const Cell&, int, std::int32_t) {}
    void shaded(const Cell& c, int, std::int32_t level)
    {
        if (level != 0) shadow.setShade(c, shade(level));
    }
    void after(const Cell&, bool, int, std::int32_t&) {}
};

// The shade tables hold darknesses 0..255 only; a checked run never passes
// more, but f3 and f4 are open to any caller.
int tableDarkness(int darkness) { return std::clamp(darkness, 0, 255); }

} // namespace

template <class Grid>
void f3(double x, double y, const Grid& heights, const ShadowParams& p, PixelWriter shadow)
{
    LinearRule<typename Grid::value_type, PixelWriter> rule(shadow, tableDarkness(p.darkness));
    traceRay(x, y, p.x0, p.y0, heights, p.decay, rule);
}

namespace {

// The start point of a "Linear sim" ray: (x - y, 0) or (0, y - x).
RayWalk startSimRay(double x, double y)
{
    return x > y ? startRay(x, y, x - y, 0.0) : startRay(x, y, 0.0, y - x);
}

} // namespace

template <class Grid>
void f4(double x, double y, const Grid& heights, const ShadowParams& p, PixelWriter shadow)
{
    LinearRule<typename Grid::value_type, PixelWriter> rule(shadow, tableDarkness(p.darkness));
    RayWalk walk = startSimRay(x, y);
    const DecayStep lower(DepthOf<Grid>::kUnit * p.decay);
    walkRay(walk, walk.left, heights, lower, lower.plainWithin(walk.left, DepthOf<Grid>::kTop), rule);
}

template <class Grid>
void f3Stamped(const StampedRay* rays, std::size_t count, LayerTarget layer, const Grid& heights, const ShadowParams& p)
{
    traceStampedRays(rays, count, layer, heights, p.decay, [&](const StampedRay& r) { return startRay(r.x, r.y, p.x0, p.y0); },
                     [&](auto w) { return LinearRule<typename Grid::value_type, decltype(w)>(w, tableDarkness(p.darkness)); });
}

template <class Grid>
void f4Stamped(const StampedRay* rays, std::size_t count, LayerTarget layer, const Grid& heights, const ShadowParams& p)
{
    traceStampedRays(rays, count, layer, heights, p.decay, [&](const StampedRay& r) { return startSimRay(r.x, r.y); },
                     [&](auto w) { return LinearRule<typename Grid::value_type, decltype(w)>(w, tableDarkness(p.darkness)); });
}

// The two depths of heights.
template void f3(double, double, const ByteGrid&, const ShadowParams&, PixelWriter);
template void f3(double, double, const DeepGrid&, const ShadowParams&, PixelWriter);
template void f4(double, double, const ByteGrid&, const ShadowParams&, PixelWriter);
template void f4(double, double, const DeepGrid&, const ShadowParams&, PixelWriter);
template void f3Stamped(const StampedRay*, std::size_t, LayerTarget, const ByteGrid&, const ShadowParams&);
template void f3Stamped(const StampedRay*, std::size_t, LayerTarget, const DeepGrid&, const ShadowParams&);
template void f4Stamped(const StampedRay*, std::size_t, LayerTarget, const ByteGrid&, const ShadowParams&);
template void f4Stamped(const StampedRay*, std::size_t, LayerTarget, const DeepGrid&, const ShadowParams&);

ByteGrid readHeights(const Picture& heightMap)
{
    return redGrid(heightMap);
}

} // namespace gloamery
