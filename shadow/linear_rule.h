#pragma once
// The rule of "Linear" and "Linear sim": the shade follows the ray level
// linearly.

#include "pixel_writer.h"
#include "shade_tables.h"
#include "shadow_params.h"

#include <algorithm>
#include <cstdint>

namespace gloamery::rules {

// "Linear" and "Linear sim": a shadowed pixel gets nearest((255 - L / unit) / 255 x D + E),
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

    // The shade tables hold darknesses 0..255 only; a checked run never
    // passes more, but a ray is open to any caller.
    LinearRule(Writer s, const ShadowParams& p) : shadow(s), shade(std::clamp(p.darkness, 0, 255)) {}

    void lit(const Cell&, int, std::int32_t) {}
    void shaded(const Cell& c, int, std::int32_t level)
    {
        if (level != 0) shadow.setShade(c, shade(level));
    }
    void after(const Cell&, bool, int, std::int32_t&) {}
};

} // namespace gloamery::rules
