#include "horizons.h"

#include <cmath>

namespace gloamery {

std::int64_t radiusSteps(double radius, double ground)
{
    // Beyond any ray of the largest map: no limit at all.
    constexpr double kFar = 1 << 20;
    if (!(radius / ground < kFar)) return kNoLimit;
    auto n = static_cast<std::int64_t>(std::floor(radius / ground));
    // The quotient may round either way: n x d <= radius decides.
    while (static_cast<double>(n + 1) * ground <= radius) ++n;
    while (n > 0 && static_cast<double>(n) * ground > radius) --n;
    return n;
}

} // namespace gloamery
