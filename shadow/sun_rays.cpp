#include "sun_rays.h"

#include "../workspace/numeric.h"
#include "sun_walk.h"

#include <algorithm>
#include <cmath>

namespace gloamery {

SunRays::SunRays(double azimuth, double gx, double gy, int mapWidth, int mapHeight)
{
    const double a = azimuth * kPi / 180.0;
    const double ux = -std::sin(a), uy = std::cos(a);
    majorY = !(std::fabs(ux) > std::fabs(uy)); // a tie takes y
    if (majorY) {
        step = uy > 0 ? 1 : -1;
        s = ux / std::fabs(uy);
        ground = std::sqrt(gy * gy + (s * gx) * (s * gx));
        majorSize = mapHeight;
        minorSize = mapWidth;
    } else {
        step = ux > 0 ? 1 : -1;
        s = uy / std::fabs(ux);
        ground = std::sqrt(gx * gx + (s * gy) * (s * gy));
        majorSize = mapWidth;
        minorSize = mapHeight;
    }
}

std::int64_t sunDrop(const SunRays& rays, double altitude, double vertical)
{
    constexpr double kOverhead = 4294967296.0; // 2^32: more than any height can make up in one step
    const double e = std::min(std::max(altitude, 0.0), 90.0);
    if (e == 0.0) return 0;
    const double p = 257.0 * (std::tan(e * kPi / 180.0) * rays.ground / vertical) * 65536.0;
    if (e == 90.0 || p >= kOverhead) return static_cast<std::int64_t>(kOverhead);
    return static_cast<std::int64_t>(nearest(p));
}

WalkSpan walkSpan(const SunRays& rays, const SunGroup& group, const Rect& box)
{
    // The lowest sample's shadows reach farthest.
    std::int64_t reach = 0;
    for (std::int64_t drop : group.drops) reach = std::max(reach, sunReachSteps(drop));
    return walkSpanReaching(rays, reach, box);
}

WalkSpan walkSpanReaching(const SunRays& rays, std::int64_t reach, const Rect& box)
{
    const int m0 = rays.majorY ? box.y0 : box.x0, m1 = rays.majorY ? box.y1() : box.x1();
    const int n0 = rays.majorY ? box.x0 : box.y0, n1 = rays.majorY ? box.x1() : box.y1();
    const int ia = std::min(rays.stepAt(m0), rays.stepAt(m1 - 1)), ib = std::max(rays.stepAt(m0), rays.stepAt(m1 - 1));
    const int i0 = reach >= ia ? 0 : static_cast<int>(ia - reach);
    const std::int64_t ca = rays.offset(ia), cb = rays.offset(ib);
    return {i0, ia, ib, n0 - std::max(ca, cb), n1 - 1 - std::min(ca, cb)};
}

Rect walkFootprint(const SunRays& rays, const SunGroup& group, const Rect& box)
{
    return spanFootprint(rays, walkSpan(rays, group, box));
}

Rect spanFootprint(const SunRays& rays, const WalkSpan& span)
{
    const std::int64_t c0 = rays.offset(span.i0), c1 = rays.offset(span.ib);
    const std::int64_t lo = std::max<std::int64_t>(0, span.kLo + std::min(c0, c1));
    const std::int64_t hi = std::min<std::int64_t>(rays.minorSize - 1, span.kHi + std::max(c0, c1));
    if (hi < lo) return {0, 0, 0, 0};
    const int a = std::min(rays.major(span.i0), rays.major(span.ib)), b = std::max(rays.major(span.i0), rays.major(span.ib));
    const int minor0 = static_cast<int>(lo), minors = static_cast<int>(hi - lo + 1);
    return rays.majorY ? Rect{minor0, a, minors, b - a + 1} : Rect{a, minor0, b - a + 1, minors};
}

} // namespace gloamery
