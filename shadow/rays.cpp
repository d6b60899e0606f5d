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

template <class Grid>
void f4(double x, double y, const Grid& heights, const ShadowParams& p, PixelWriter shadow)
{
    LinearRule<typename Grid::value_type, PixelWriter> rule(shadow, tableDarkness(p.darkness));
    const RayOrigin o = simStart(x, y);
    traceRay(x, y, o.x, o.y, heights, p.decay, rule);
}

// Stamped rays carry their origins, so "Linear sim" casts them as f3 does.
template <class Grid>
void f3Stamped(const StampedRay* rays, std::size_t count, LayerTarget layer, const Grid& heights, const ShadowParams& p)
{
    traceStampedRays(rays, count, layer, heights, p.decay,
                     [&](auto w) { return LinearRule<typename Grid::value_type, decltype(w)>(w, tableDarkness(p.darkness)); });
}

// The two depths of heights, over a whole grid or a window of one.
template void f3(double, double, const ByteGrid&, const ShadowParams&, PixelWriter);
template void f3(double, double, const DeepGrid&, const ShadowParams&, PixelWriter);
template void f4(double, double, const ByteGrid&, const ShadowParams&, PixelWriter);
template void f4(double, double, const DeepGrid&, const ShadowParams&, PixelWriter);
template void f3Stamped(const StampedRay*, std::size_t, LayerTarget, const ByteGrid&, const ShadowParams&);
template void f3Stamped(const StampedRay*, std::size_t, LayerTarget, const DeepGrid&, const ShadowParams&);
template void f3Stamped(const StampedRay*, std::size_t, LayerTarget, const ByteWindow&, const ShadowParams&);
template void f3Stamped(const StampedRay*, std::size_t, LayerTarget, const DeepWindow&, const ShadowParams&);

ByteGrid readHeights(const Picture& heightMap)
{
    return redGrid(heightMap);
}

} // namespace gloamery
