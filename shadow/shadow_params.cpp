#include "shadow_params.h"

#include "../workspace/numeric.h"
#include "sun.h"

#include <cmath>

namespace gloamery {

bool sunWithinReach(double v, int reach)
{
    const double lo = -reach, hi = reach - 1;
    return std::isfinite(v) && nearest(v) >= lo && nearest(v) <= hi && std::floor(v) >= lo && std::floor(v) <= hi;
}

const char* shadowParamsFault(const ShadowParams& p, ShadowMode mode, int reach)
{
    if (mode == ShadowMode::Sun) return sunControlsFault(p.sun);
    if (usesSunPosition(mode) && !sunWithinReach(p.x0, reach)) return "x0";
    if (usesSunPosition(mode) && !sunWithinReach(p.y0, reach)) return "y0";
    if (!std::isfinite(p.decay)) return "decay";
    return nullptr;
}

Refusal shadowParamsRefused(const ShadowParams& p, ShadowMode mode, int reach)
{
    if (const char* field = shadowParamsFault(p, mode, reach)) return faultRefusal(field);
    return std::nullopt;
}

} // namespace gloamery
