// Settings files keep the real sun's time (in UTC), place and period, only
// where set, read as the batch tool reads them (the control schema's rows),
// and refuse bad ones by key and value.

#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <string>

using namespace gloamery;
using namespace std::chrono;

TEST(RealSunSettings, TimePlaceAndPeriodComeBack)
{
    Settings s;
    s.controls.when = sys_days{2026y / June / 21} + 7h;
    s.controls.place = SunPlace{46.5, -7.25};
    s.controls.period = SunPeriod{sys_days{2026y / March / 28} + 23h, sys_days{2026y / March / 29} + 4h, 15};
    const std::string text = settingsText(s);
    EXPECT_NE(text.find("\"when\": \"2026-06-21T07:00:00Z\""), std::string::npos) << text;
    const auto back = parseSettings(text, Settings{});
    ASSERT_TRUE(std::holds_alternative<Settings>(back)) << std::get<Error>(back).message;
    EXPECT_EQ(std::get<Settings>(back), s);
    // A file without them stays as it was written before, and leaves them as they were.
    EXPECT_EQ(settingsText(Settings{}).find("when"), std::string::npos);
    EXPECT_EQ(settingsText(Settings{}).find("period"), std::string::npos);
    const auto kept = parseSettings(settingsText(Settings{}), s);
    EXPECT_EQ(std::get<Settings>(kept).controls.when, s.controls.when);
    // A zone name or an offset is read into the same instant; null unsets.
    const std::string head = R"({"format": "gloamery-settings", "version": 1, )";
    const auto zoned = parseSettings(head + R"("when": "2026-06-21T09:00[Europe/Zurich]", "place": null})", s);
    ASSERT_TRUE(std::holds_alternative<Settings>(zoned)) << std::get<Error>(zoned).message;
    EXPECT_EQ(std::get<Settings>(zoned).controls.when, s.controls.when);
    EXPECT_FALSE(std::get<Settings>(zoned).controls.place);
}

TEST(RealSunSettings, BadValuesNamed)
{
    const std::string head = R"({"format": "gloamery-settings", "version": 1, )";
    struct Case {
        const char* body;
        const char* named;
    };
    const Case cases[] = {
        {R"("when": "2026-06-21T09:00"})", "\"when\" must be a date and time with its zone"},
        {R"("when": "2026-06-21T09:00"})", "The time '2026-06-21T09:00' has no zone"},
        {R"("when": "2026-06-21T09:00[Mars/Olympus]"})", "The time zone 'Mars/Olympus'"},
        {R"("when": 7})", "\"when\" must be a date and time"},
        {R"("place": [95, 0]})", "\"place\" must be LAT,LON"},
        {R"("place": [95, 0]})", "latitude must be from -90 to 90 degrees, not 95"},
        {R"("place": [0, 190]})", "longitude must be from -180 to 180 degrees, not 190"},
        {R"("place": 46.5})", "\"place\" must be LAT,LON: a latitude"},
        {R"("period": ["2026-06-21T00:00Z", "2026-06-22T00:00Z", 0]})", "not '0'"},
        {R"("period": ["2026-06-21T00:00Z", 10]})", "\"period\" must be FROM,TO,STEP"},
        {R"("period": ["2026-06-22T00:00Z", "2026-06-21T00:00Z", 10]})", "end after it begins"},
    };
    for (const Case& c : cases) {
        const auto r = parseSettings(head + c.body, Settings{});
        ASSERT_TRUE(std::holds_alternative<Error>(r)) << c.body;
        EXPECT_NE(std::get<Error>(r).message.find(c.named), std::string::npos) << std::get<Error>(r).message;
    }
}
