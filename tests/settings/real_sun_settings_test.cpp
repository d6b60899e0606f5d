// Settings files keep the real sun's time, place and period, read as the
// batch tool reads them, and refuse bad ones by key and value.

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
    // A file without them stays as it was written before.
    EXPECT_EQ(settingsText(Settings{}).find("when"), std::string::npos);
}

TEST(RealSunSettings, BadValuesNamed)
{
    const std::string head = R"({"format": "gloamery-settings", "version": 1, )";
    struct Case {
        const char* body;
        const char* named;
    };
    const Case cases[] = {
        {R"("when": "2026-06-21T09:00"})", "\"when\": The time '2026-06-21T09:00' has no zone"},
        {R"("when": 7})", "\"when\" must be a date and time"},
        {R"("place": [95, 0]})", "not 95"},
        {R"("period": {"from": "2026-06-21T00:00Z", "to": "2026-06-22T00:00Z", "step": 0}})", "\"period.step\""},
        {R"("period": {"from": "2026-06-21T00:00Z", "step": 10}})", "needs \"from\" and \"to\""},
        {R"("period": {"from": "2026-06-22T00:00Z", "to": "2026-06-21T00:00Z"}})", "end after it begins"},
    };
    for (const Case& c : cases) {
        const auto r = parseSettings(head + c.body, Settings{});
        ASSERT_TRUE(std::holds_alternative<Error>(r)) << c.body;
        EXPECT_NE(std::get<Error>(r).message.find(c.named), std::string::npos) << std::get<Error>(r).message;
    }
}
