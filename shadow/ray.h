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

#include "../workspace/map_grid.h"
#include "../workspace/numeric.h"

#include <cmath>
#include <cstdint>

namespace gloamery {

template <class Rule>
void traceRay(double x, double y, double ox, double oy, const ByteGrid& heights, double decay, Rule& rule)
{
    if (x - ox == 0 && y - oy == 0) return; // the target is the origin itself

    const int sx = ox > x ? -1 : 1;
    const int sy = oy > y ? -1 : 1;
    std::int32_t level = 0;

    const bool majorY = std::fabs(y - oy) >= std::fabs(x - ox);
    double s, q;
    int m, end, step;
    if (majorY) {
        s = std::fabs((x - ox) / (y - oy)) * sx;
        q = ox;
        m = static_cast<int>(nearest(oy));
        end = static_cast<int>(nearest(y));
        step = sy;
    } else {
        s = std::fabs((y - oy) / (x - ox)) * sy;
        q = oy;
        m = static_cast<int>(nearest(ox));
        end = static_cast<int>(nearest(x));
        step = sx;
    }

    for (; step > 0 ? m <= end : m >= end; m += step) {
        const int p = floorToInt(q);
        const int px = majorY ? p : m;
        const int py = majorY ? m : p;
        // Steps off the grid on either side are skipped alike: nothing is
        // read or written, but the level still decays.
        const bool inGrid = ByteGrid::contains(px, py);
        if (inGrid) {
            const int h = heights(px, py);
            if (h > level) {
                rule.lit(px, py, h, level);
                level = h;
            } else {
                rule.shaded(px, py, h, level);
            }
        }
        rule.after(px, py, inGrid, level);
        level = saturate32(nearest(static_cast<double>(level) - decay));
        q = q + s;
        if (q > 256) q = 256;
        else if (q < 0) q = 0;
    }
}

} // namespace gloamery
