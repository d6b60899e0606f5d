#include "sun_period.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace gloamery {

namespace {

std::string degrees(double v)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

} // namespace

std::int64_t periodTimes(const SunPeriod& p)
{
    if (p.stepMinutes <= 0 || p.to <= p.from) return 0;
    const std::int64_t span = (p.to - p.from).count(), step = std::int64_t{p.stepMinutes} * 60;
    return (span + step - 1) / step;
}

Refusal sunPlaceRefused(const SunPlace& p)
{
    if (!std::isfinite(p.latitude) || p.latitude < -90 || p.latitude > 90)
        return Error{"The place's latitude must be from -90 to 90 degrees, not " + degrees(p.latitude) + "."};
    if (!std::isfinite(p.longitude) || p.longitude < -180 || p.longitude > 180)
        return Error{"The place's longitude must be from -180 to 180 degrees, not " + degrees(p.longitude) + "."};
    return std::nullopt;
}

Refusal sunPeriodRefused(const SunPeriod& p)
{
    using namespace period_range;
    if (p.stepMinutes < 1 || p.stepMinutes > kStepMax)
        return Error{"The period's step must be from 1 to 1440 minutes, not " + std::to_string(p.stepMinutes) + "."};
    if (p.to <= p.from) return Error{"The period must end after it begins."};
    const std::int64_t n = periodTimes(p);
    if (n > kTimesMax)
        return Error{"The period holds " + std::to_string(n) +
                     " times; at most 100000 are followed (a longer step helps)."};
    return std::nullopt;
}

} // namespace gloamery
