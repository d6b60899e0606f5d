#include "shadow/solar_position.h"

#include <gtest/gtest.h>

#include <cmath>

namespace gloamery {
namespace {

using std::chrono::sys_days;
using namespace std::chrono;

// Places and instants where the equations divide by nothing or a day
// begins before 1970: every answer a real direction.
TEST(SolarPosition, EveryPlaceAndInstantGivesADirection)
{
    struct Case {
        double lat, lon;
        sys_seconds when;
    };
    const Case cases[] = {
        {90.0, 0.0, sys_days{2026y / June / 21} + 12h},
        {-90.0, 45.0, sys_days{2026y / December / 21} + 3h},
        {23.44, 0.0, sys_days{2026y / June / 21} + 12h},
        {0.0, 180.0, sys_days{1900y / January / 1} + 0s},
        {-45.0, -179.9, sys_days{1969y / December / 31} + 23h + 59min + 59s},
        {60.0, 10.0, sys_days{2100y / December / 31} + 18h},
    };
    for (const Case& c : cases) {
        const SolarPosition p = solarPosition(c.lat, c.lon, c.when);
        EXPECT_TRUE(std::isfinite(p.azimuth) && p.azimuth >= 0 && p.azimuth < 360) << c.lat << " " << p.azimuth;
        EXPECT_TRUE(p.trueAltitude >= -90 && p.trueAltitude <= 90) << c.lat << " " << p.trueAltitude;
        EXPECT_GE(p.altitude, p.trueAltitude);
    }
}

// The instant a second before midnight of a day before 1970 lies in that
// day, not the next: the sun a second apart moves by a few thousandths of
// a degree in height (a few hundredths in azimuth near the nadir), never
// by a day's worth.
TEST(SolarPosition, DaysBefore1970CountFromTheirOwnMidnight)
{
    for (const sys_days day :
         {sys_days{1969y / March / 3}, sys_days{1901y / July / 14}, sys_days{1970y / January / 1}}) {
        const SolarPosition a = solarPosition(40, 0, day - 1s), b = solarPosition(40, 0, day);
        EXPECT_NEAR(a.trueAltitude, b.trueAltitude, 0.01);
        EXPECT_NEAR(std::fmod(a.azimuth - b.azimuth + 540.0, 360.0) - 180.0, 0.0, 0.05);
    }
}

// The air lifts a sun on the horizon by about half a degree, one high in
// the sky by almost nothing, and not at all near the zenith.
TEST(SolarPosition, RefractionByAltitude)
{
    struct Case {
        double altitude, lo, hi;
    };
    const Case cases[] = {{-0.5, 0.55, 0.6},  {0.0, 0.48, 0.482},     {4.9, 0.16, 0.17},
                          {5.1, 0.15, 0.165}, {45.0, 0.0160, 0.0163}, {86.0, 0.0, 0.0}};
    for (const Case& c : cases) {
        EXPECT_GE(refraction(c.altitude), c.lo) << c.altitude;
        EXPECT_LE(refraction(c.altitude), c.hi) << c.altitude;
    }
}

} // namespace
} // namespace gloamery
