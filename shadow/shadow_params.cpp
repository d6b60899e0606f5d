#include "shadow_params.h"

#include "../workspace/numeric.h"
#include "sun.h"

#include <cmath>
#include <string>

namespace gloamery {

bool sunWithinReach(double v, int reach)
{
    const double lo = -reach, hi = reach - 1;
    return std::isfinite(v) && nearest(v) >= lo && nearest(v) <= hi && std::floor(v) >= lo && std::floor(v) <= hi;
}

Refusal shadowParamsRefused(const ShadowParams& p, ShadowMode mode, int reach)
{
    if (mode == ShadowMode::Sun) return sunControlsRefused(p.sun);
    const std::string range = " must lie between " + std::to_string(-reach) + " and " + std::to_string(reach - 1) + ".";
    if (usesSunPosition(mode) && !sunWithinReach(p.x0, reach)) return Error{"X0" + range};
    if (usesSunPosition(mode) && !sunWithinReach(p.y0, reach)) return Error{"Y0" + range};
    if (!std::isfinite(p.decay)) return Error{"Decay must be a finite number."};
    return std::nullopt;
}

} // namespace gloamery
