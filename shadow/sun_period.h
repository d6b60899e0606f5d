#pragma once
// Where on the Earth the sun is seen from, and the times it is followed
// over: a period from one instant up to (not including) another, in whole
// minutes.

#include "../workspace/controls.h"

#include <chrono>
#include <cstdint>

namespace gloamery {

struct SunPlace {
    double latitude = 0.0;  // degrees, north positive, -90 .. 90
    double longitude = 0.0; // degrees, east positive, -180 .. 180

    bool operator==(const SunPlace&) const = default;
};

// Where the map lies: the place its sun is seen from, and the angle from
// true north to the map's up direction there (degrees, clockwise).
struct MapPlace {
    SunPlace place;
    double gridNorth = 0.0;

    bool operator==(const MapPlace&) const = default;
};

struct SunPeriod {
    std::chrono::sys_seconds from{};
    std::chrono::sys_seconds to{};
    int stepMinutes = 60;

    bool operator==(const SunPeriod&) const = default;
};

namespace period_range {
constexpr int kStepMax = 1440;                  // minutes: 1 .. a day
constexpr std::int64_t kTimesMax = 100000;      // times in one period
} // namespace period_range

// The number of times FROM + k STEP before TO (0 when TO is not after FROM).
std::int64_t periodTimes(const SunPeriod& p);

// The k-th time of the period.
inline std::chrono::sys_seconds periodTime(const SunPeriod& p, std::int64_t k)
{
    return p.from + std::chrono::minutes{k * p.stepMinutes};
}

// Why the place cannot be used, naming it; or nothing.
Refusal sunPlaceRefused(const SunPlace& p);

// Why the period cannot be followed (a step out of range, no time in it,
// too many times), naming the values; or nothing.
Refusal sunPeriodRefused(const SunPeriod& p);

} // namespace gloamery
