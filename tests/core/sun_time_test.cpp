#include "inputs/sun_time.h"

#include <gtest/gtest.h>

namespace gloamery {
namespace {

using namespace std::chrono;

sys_seconds utc(year_month_day d, int h, int m, int s = 0) { return sys_days{d} + hours{h} + minutes{m} + seconds{s}; }

// Zones given as Z, as offsets and by name, in summer and winter, and a
// wall-clock time that happens twice as the clocks go back.
TEST(SunTime, TimesWithTheirZones)
{
    struct Case {
        const char* text;
        sys_seconds want;
    };
    const Case cases[] = {
        {"2026-06-21T07:00Z", utc(2026y / June / 21, 7, 0)},
        {"2026-06-21T07:00:30z", utc(2026y / June / 21, 7, 0, 30)},
        {"2026-06-21T09:00+02:00", utc(2026y / June / 21, 7, 0)},
        {"2026-06-21T09:00+0200", utc(2026y / June / 21, 7, 0)},
        {"2026-06-21T09:00+02", utc(2026y / June / 21, 7, 0)},
        {"2026-06-21T02:30:15-05:30", utc(2026y / June / 21, 8, 0, 15)},
        {"2026-06-21T09:00[Europe/Zurich]", utc(2026y / June / 21, 7, 0)},
        {"2026-12-21T09:00[Europe/Zurich]", utc(2026y / December / 21, 8, 0)},
        {"2026-01-01T00:30[America/New_York]", utc(2026y / January / 1, 5, 30)},
        {"2026-10-25T02:30[Europe/Zurich]", utc(2026y / October / 25, 0, 30)},
        {"1900-03-01T12:00Z", utc(1900y / March / 1, 12, 0)},
    };
    for (const Case& c : cases) {
        const auto t = parseSunTime(c.text);
        ASSERT_TRUE(std::holds_alternative<sys_seconds>(t)) << c.text << ": " << std::get<Error>(t).message;
        EXPECT_EQ(std::get<sys_seconds>(t), c.want) << c.text;
    }
}

// Bad times refused, the message naming the value or what is missing.
TEST(SunTime, BadTimesNamed)
{
    struct Case {
        const char* text;
        const char* named;
    };
    const Case cases[] = {
        {"2026-06-21T09:00", "has no zone"},
        {"2026-06-21T09:00:00", "'2026-06-21T09:00:00' has no zone"},
        {"2026-03-29T02:30[Europe/Zurich]", "does not exist"},
        {"2026-06-21T09:00[Mars/Olympus]", "'Mars/Olympus'"},
        {"2026-02-30T09:00Z", "'2026-02-30T09:00Z' is not a date"},
        {"2026-06-21T24:00Z", "is not a date"},
        {"2026-06-21 09:00Z", "is not a date"},
        {"21/06/2026 09:00Z", "is not a date"},
        {"2026-06-21T09:00+2:00", "offset in '2026-06-21T09:00+2:00'"},
        {"2026-06-21T09:00+02:00x", "offset"},
        {"2026-06-21T09:00Q", "is not a date"},
        {"", "is not a date"},
    };
    for (const Case& c : cases) {
        const auto t = parseSunTime(c.text);
        ASSERT_TRUE(std::holds_alternative<Error>(t)) << c.text;
        EXPECT_NE(std::get<Error>(t).message.find(c.named), std::string::npos) << std::get<Error>(t).message;
    }
}

// A period's times run in UTC, so a change of the clocks inside it neither
// repeats nor skips a time: a spring night has an hour fewer, an autumn
// night one more.
TEST(SunTime, PeriodsOverClockChanges)
{
    struct Case {
        const char* text;
        std::int64_t times;
        sys_seconds third;
    };
    const Case cases[] = {
        {"2026-03-29T00:00[Europe/Zurich],2026-03-29T06:00[Europe/Zurich],60", 5, utc(2026y / March / 29, 1, 0)},
        {"2026-10-25T00:00[Europe/Zurich],2026-10-25T06:00[Europe/Zurich],60", 7, utc(2026y / October / 25, 0, 0)},
        {"2026-06-21T00:00Z,2026-06-22T00:00Z,10", 144, utc(2026y / June / 21, 0, 20)},
        {"2026-06-21T00:00Z,2026-06-21T00:25Z,10", 3, utc(2026y / June / 21, 0, 20)},
    };
    for (const Case& c : cases) {
        const auto p = parseSunPeriod(c.text);
        ASSERT_TRUE(std::holds_alternative<SunPeriod>(p)) << c.text << ": " << std::get<Error>(p).message;
        EXPECT_EQ(periodTimes(std::get<SunPeriod>(p)), c.times) << c.text;
        EXPECT_EQ(periodTime(std::get<SunPeriod>(p), 2), c.third) << c.text;
    }
}

TEST(SunTime, BadPeriodsAndPlacesNamed)
{
    struct Case {
        const char* text;
        bool place;
        const char* named;
    };
    const Case cases[] = {
        {"2026-06-21T00:00Z,2026-06-22T00:00Z,0", false, "not '0'"},
        {"2026-06-21T00:00Z,2026-06-22T00:00Z,1441", false, "not '1441'"},
        {"2026-06-21T00:00Z,2026-06-22T00:00Z,2.5", false, "not '2.5'"},
        {"2026-06-21T00:00Z,2026-06-22T00:00,10", false, "'2026-06-22T00:00' has no zone"},
        {"2026-06-22T00:00Z,2026-06-21T00:00Z,10", false, "end after it begins"},
        {"1900-01-01T00:00Z,2100-01-01T00:00Z,60", false, "1753176 times"},
        {"2026-06-21T00:00Z,2026-06-22T00:00Z", false, "FROM,TO,STEP"},
        {"91,7.9", true, "latitude must be from -90 to 90 degrees, not 91"},
        {"46.5,-180.5", true, "not -180.5"},
        {"46.5", true, "'46.5' must be LAT,LON"},
        {"north,east", true, "'north,east'"},
    };
    for (const Case& c : cases) {
        const std::string message =
            c.place ? std::get<Error>(parseSunPlace(c.text)).message : std::get<Error>(parseSunPeriod(c.text)).message;
        EXPECT_NE(message.find(c.named), std::string::npos) << c.text << ": " << message;
    }
}

TEST(SunTime, TextsOfInstantsAndPlaces)
{
    const sys_seconds t = utc(2026y / June / 21, 7, 5, 9);
    EXPECT_EQ(utcText(t), "2026-06-21T07:05:09Z");
    EXPECT_EQ(frameStem(t), "20260621T0705Z");
    EXPECT_EQ(placeText({46.5, 7.9}), "46.500 N, 7.900 E");
    EXPECT_EQ(placeText({-33.8688, -151.2093}), "33.869 S, 151.209 W");
    const auto p = parseSunPlace(" 46.5 , 7.9 ");
    ASSERT_TRUE(std::holds_alternative<SunPlace>(p));
    EXPECT_EQ(std::get<SunPlace>(p), (SunPlace{46.5, 7.9}));
}

} // namespace
} // namespace gloamery
