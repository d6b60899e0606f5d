#pragma once
// The shading rules of the sweeping buttons, one type each: the rule a ray
// carries (ray.h tells what a rule does at each step) and where its rays
// start. A new rule is a header of its own, a type and a line here, and a
// line in shadow_modes.h.

#include "emboss_rule.h"
#include "falloff_rules.h"
#include "linear_rule.h"
#include "pixel_writer.h"
#include "ray.h"
#include "shadow_params.h"

#include <cstddef>
#include <type_traits>

namespace gloamery {

template <template <class Sample, class Writer> class R, bool FromSun = true>
struct Shading {
    template <class Sample, class Writer>
    using Rule = R<Sample, Writer>;
    // From the sun to all four edges, else the "Linear sim" diagonals to
    // the bottom row and the right column.
    static constexpr bool fromSun = FromSun;
};

using LinearShading = Shading<rules::LinearRule>;
using LinearSimShading = Shading<rules::LinearRule, false>;
using SinShading = Shading<rules::SinRule>;
using CosShading = Shading<rules::CosRule>;
using EmbossShading = Shading<rules::EmbossRule>;

// Calls f.template operator()<S>() with the shading S of a sweeping mode;
// "Sun" sweeps nothing.
template <class F>
void withShading(ShadowMode mode, F&& f)
{
    switch (mode) {
    case ShadowMode::Linear: f.template operator()<LinearShading>(); break;
    case ShadowMode::LinearSim: f.template operator()<LinearSimShading>(); break;
    case ShadowMode::Sin: f.template operator()<SinShading>(); break;
    case ShadowMode::Cos: f.template operator()<CosShading>(); break;
    case ShadowMode::Embossed: f.template operator()<EmbossShading>(); break;
    case ShadowMode::Sun: break;
    }
}

template <class S>
RayOrigin originOf(double x, double y, const ShadowParams& p)
{
    return S::fromSun ? RayOrigin{p.x0, p.y0} : simStart(x, y);
}

// One ray to the border pixel (x, y), shaded straight into a picture. A
// call of its own with the walk inside it, as the sweep's loop would
// otherwise call the walk once per axis and copy the rule in and out.
template <class S, class Grid, class Writer = PixelWriter>
[[gnu::noinline, gnu::flatten]] void castRay(double x, double y, const Grid& heights, const ShadowParams& p,
                                             std::type_identity_t<Writer> shadow)
{
    typename S::template Rule<typename Grid::value_type, Writer> rule(shadow, p);
    const RayOrigin o = originOf<S>(x, y, p);
    traceRay(x, y, o.x, o.y, heights, p.decay, rule);
}

// Rays that carry their origins, cast into a layer of stamped shades
// (see traceBundles in ray.h); a call of its own too, the walk inside it.
template <class S, class Grid>
[[gnu::noinline, gnu::flatten]] void castStampedRays(const StampedRay* rays, std::size_t count, LayerTarget layer, const Grid& heights,
                     const ShadowParams& p)
{
    traceBundles(rays, count, layer, heights, p.decay,
                     [&](auto w) { return typename S::template Rule<typename Grid::value_type, decltype(w)>(w, p); });
}

} // namespace gloamery
