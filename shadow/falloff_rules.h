#pragma once
// The rules of "Sin func" and "Cos func": the linear ray's traversal with
// a curved shade that is worked out at the end of every step and written
// one step late.

#include "curves.h"
#include "pixel_writer.h"
#include "ray.h"
#include "shade_tables.h"
#include "shadow_params.h"
#include "../workspace/colour.h"

#include <cstdint>
#include <type_traits>

namespace gloamery::rules {

// g = nearest(c x D + E) for a curve value c. A negative g (a sine below 0
// at a high darkness) is composed as 0, one above 255 as 255.
struct CurveShade {
    double d; // D and E = 255 - D, whole numbers 0..255
    double e;
    explicit CurveShade(int darkness) : d(darkness), e(255 - darkness) {}
    int operator()(double c) const { return nearestChannel(c * d + e); }
};

// The level in 8-bit steps: L / 257 for deep heights, whose curve is
// worked out on the spot (and tabled per darkness by ShadeTable).
template <class Sample>
double sinOfSample(std::int32_t level)
{
    if constexpr (std::is_same_v<Sample, std::uint8_t>) return sinOfLevel(level);
    else return sinCurve(level / Depth<Sample>::kUnit);
}

// The shade of a level after the lift test: 0..top on the map (tabled),
// negative on the steps of a ray that comes in from outside it.
template <class Sample>
int sinShade(int darkness, std::int32_t level)
{
    return CurveShade(darkness)(sinOfSample<Sample>(level));
}

// The pending shade, kept as the curve's argument and shaded only when a
// step writes it. Until the end of a ray's first step it is black; that is
// never written, as the first step has L = 0.
struct Pending {
    std::int32_t arg = 0;
    bool set = false;
};

template <class Sample, class Writer>
struct SinRule {
    Writer shadow;
    ShadeTable<Sample, sinShade<Sample>> shade;
    Pending pending;

    SinRule(Writer s, const ShadowParams& p) : shadow(s), shade(p.darkness) {}

    void lit(const Cell&, int, std::int32_t) {}
    void shaded(const Cell& c, int, std::int32_t level)
    {
        if (level != 0) shadow.setShade(c, pending.set ? shade(pending.arg) : 0);
    }
    // The shade of the level as it stands after the lift test, before the
    // decay; only worked out when a later step writes it.
    void after(const Cell&, bool, int, std::int32_t& level) { pending = {level, true}; }
};

// The shadow distance counts the decay in 8-bit steps at either depth.
template <class Sample, class Writer>
struct CosRule {
    Writer shadow;
    CurveShade shade;
    DecayStep grow; // k = nearest(decay + k)
    std::int32_t k = 0; // shadow distance
    Pending pending;

    CosRule(Writer s, const ShadowParams& p) : shadow(s), shade(p.darkness), grow(-p.decay) {}

    void lit(const Cell&, int, std::int32_t) { k = 50; }
    void shaded(const Cell& c, int, std::int32_t level)
    {
        k = grow(k);
        if (level != 0) shadow.setShade(c, pending.set ? shade(cosOfDistance(pending.arg)) : 0);
    }
    void after(const Cell&, bool, int, std::int32_t&) { pending = {k, true}; }
};

} // namespace gloamery::rules
