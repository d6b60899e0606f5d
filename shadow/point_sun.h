#pragma once
// A point sun with no sky light: each pixel has one sample, lit or not,
// and its grey is one of two: the lit grey of its slope, or the one grey
// of every unlit pixel, whatever its slope (lambda times a v of 0 is 0).
// So the lit greys are written first, row by row, and the walk then
// writes the unlit grey wherever the sun does not reach: no plane of
// counts to fault in (32 MiB at 4096 x 4096), add to down the columns and
// read back.

#include "../workspace/parallel.h"
#include "pixel_writer.h"
#include "sun_light.h"
#include "sun_rays.h"
#include "sun_walk.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

namespace gloamery {

namespace point_sun {

// One bundle of rays k0 .. k0 + kBundle - 1 through steps i0..ib, as
// walkBundle walks it for a group of one drop: a pixel is lit where its
// level in ray time rises above the highest before it.
template <bool MajorY, class Grid, class Pixel, class Mark>
void shadeBundle(const SunRays& rays, std::int64_t drop, const WalkSpan& span, std::int64_t k0, const Grid& heights,
                 ShadeTarget<Pixel> out, const Rect& box, const Mark& mark)
{
    constexpr int kBundle = sun_walk::kBundle;
    std::array<std::int64_t, kBundle> top; // highest level so far, in ray time
    top.fill(sun_walk::kNone);
    const int boxMinor0 = MajorY ? box.x0 : box.y0;
    const int boxMinor1 = MajorY ? box.x1() : box.y1();
    // The target's pixels of one step lie along a row (y major) or down a
    // column.
    const std::ptrdiff_t across = MajorY ? 1 : static_cast<std::ptrdiff_t>(out.stride);
    const auto stride = static_cast<std::ptrdiff_t>(out.stride);

    for (int i = span.i0; i <= span.ib; ++i) {
        const std::int64_t first = k0 + rays.offset(i); // minor coordinate of ray k0
        const int jLo = static_cast<int>(std::max<std::int64_t>(0, -first));
        const int jHi =
            static_cast<int>(std::min({std::int64_t{kBundle - 1}, span.kHi - k0, rays.minorSize - 1 - first}));
        if (jLo > jHi) continue;
        const int major = rays.major(i);
        const std::int64_t time = static_cast<std::int64_t>(i) * drop;
        // Whether ray j's pixel is lit, keeping its highest level.
        auto lit = [&](int j) {
            const int minor = static_cast<int>(first + j);
            const std::int64_t v = (MajorY ? rayLevel(heights, minor, major) : rayLevel(heights, major, minor)) + time;
            const bool up = v > top[static_cast<std::size_t>(j)];
            top[static_cast<std::size_t>(j)] = up ? v : top[static_cast<std::size_t>(j)];
            return up;
        };
        // Before the box's first step, or beside the box, a ray only looks.
        int from = jHi + 1, to = jHi;
        if (i >= span.ia) {
            from = static_cast<int>(std::max<std::int64_t>(jLo, boxMinor0 - first));
            to = static_cast<int>(std::min<std::int64_t>(jHi, boxMinor1 - 1 - first));
        }
        if (from > to) {
            for (int j = jLo; j <= jHi; ++j) lit(j);
            continue;
        }
        for (int j = jLo; j < from; ++j) lit(j);
        // Pixel `from` of this step in the target, whose (0, 0) is the box's.
        const std::ptrdiff_t minor0 = static_cast<std::ptrdiff_t>(first + from) - boxMinor0;
        Pixel* at = out.pixels + (MajorY ? (major - box.y0) * stride + minor0 : minor0 * stride + (major - box.x0));
        for (int j = from; j <= to; ++j, at += across)
            if (!lit(j)) mark(*at);
        for (int j = to + 1; j <= jHi; ++j) lit(j);
    }
}

} // namespace point_sun

// Calls mark(pixel) on every pixel of `out` (whose pixel (0, 0) is the
// map's (box.x0, box.y0)) that the one drop of `g` leaves unlit. Each pixel
// lies on one ray and each ray on one bundle, so the bundles write apart on
// any number of threads; each thread takes one run of neighbouring
// bundles, as in walkGroup.
template <class Grid, class Pixel, class Mark>
void markUnlit(const SunRays& rays, const SunGroup& g, const Grid& heights, ShadeTarget<Pixel> out, const Rect& box,
               const Mark& mark)
{
    const WalkSpan span = walkSpan(rays, g, box);
    if (span.kHi < span.kLo) return;
    const std::int64_t drop = g.drops.front();
    const std::int64_t bundles = (span.kHi - span.kLo) / sun_walk::kBundle + 1;
    const int threads = threadsFor(static_cast<std::size_t>(box.width) * static_cast<std::size_t>(box.height));
#pragma omp parallel for num_threads(threads) schedule(static) if (threads > 1)
    for (std::int64_t b = 0; b < bundles; ++b) {
        enterParallelWork();
        const std::int64_t k0 = span.kLo + b * sun_walk::kBundle;
        if (rays.majorY) point_sun::shadeBundle<true>(rays, drop, span, k0, heights, out, box, mark);
        else point_sun::shadeBundle<false>(rays, drop, span, k0, heights, out, box, mark);
    }
}

// Writes `unlit` into every pixel of `box` that the one drop of `g` leaves
// unlit.
template <class Grid, class Pixel>
void walkPointSun(const SunRays& rays, const SunGroup& g, const Grid& heights, ShadeTarget<Pixel> out, const Rect& box,
                  Pixel unlit)
{
    markUnlit(rays, g, heights, out, box, [unlit](Pixel& p) { p = unlit; });
}

// The lit grey of every pixel of `box` into `shadow` (whose pixel (0, 0)
// is the map's (box.x0, box.y0)), as writeSunLight gives a lit pixel, or
// the unlit one everywhere when the sun is not up.
template <class Grid, class Pixel>
void writePointSunLight(ShadeTarget<Pixel> shadow, const Rect& box, const Grid& heights, int w, int h,
                        const SunControls& c, int darkness, bool sunUp)
{
    const SunShade shade{static_cast<double>(darkness), c.sky, false};
    if (!sunUp) {
        const Pixel unlit = shade.unlit<Pixel>();
        const std::size_t pixels = static_cast<std::size_t>(box.width) * static_cast<std::size_t>(box.height);
        forEachRow(box.height, pixels, [&](int row) {
            std::fill_n(shadow.pixels + static_cast<std::size_t>(row) * shadow.stride, box.width, unlit);
        });
        return;
    }
    const LambertTerm lambert(c);
    const std::size_t width = static_cast<std::size_t>(box.width);
    const std::vector<double> ones(c.lambert ? 0 : width, 1.0);
    using Rows = const std::vector<double>* const (&)[3];
    elevationRows(heights, w, h, c, box, [&](int row, Rows z, std::vector<double> (&spare)[2]) {
        const double* lambda = ones.data();
        if (c.lambert) {
            spare[0].resize(width);
            lambert.row(z, box.width, spare[0].data());
            lambda = spare[0].data();
        }
        shade.litRow(lambda, box.width, shadow.pixels + static_cast<std::size_t>(row) * shadow.stride);
    });
}

// Lights `box` under a point sun without sky light, `sun` the group of
// its one drop: every pixel's grey, as writeSunLight gives it from the
// counts of walkGroup.
template <class Grid, class Pixel>
void lightPointSun(ShadeTarget<Pixel> shadow, const SunGroup& sun, const Grid& heights, int w, int h,
                   const SunControls& c, int darkness, const Rect& box, bool sunUp)
{
    writePointSunLight(shadow, box, heights, w, h, c, darkness, sunUp);
    if (!sunUp) return;
    const Pixel unlit = SunShade{static_cast<double>(darkness), c.sky, false}.unlit<Pixel>();
    walkPointSun(SunRays(c.azimuth, c.groundX, c.groundY, w, h), sun, heights, shadow, box, unlit);
}

} // namespace gloamery
