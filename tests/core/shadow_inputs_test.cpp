// Reading X0, Y0 and the decay: what a shadow run accepts and what it
// refuses before it touches anything.

#include "recording_reporter.h"
#include "shadow/shadow_params.h"
#include "inputs/shadow_inputs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

using namespace gloamery;
using namespace gloamery::testing;

TEST(ParseCNumber, AcceptsPlainNumbersWithBlanksAround)
{
    struct Row {
        const char* text;
        double value;
    };
    const Row rows[] = {{"0", 0},          {" 10.5 ", 10.5}, {"\t-3\n", -3},     {"+4", 4},
                        {"1e2", 100},      {".5", 0.5},      {"-0.25", -0.25},   {"  32767  ", 32767},
                        // too small to hold: zero, not junk
                        {"1e-400", 0},     {"-1e-400", 0},   {"123e-330", 0},    {"0.001e-322", 0},
                        {"1e-99999999999999999999", 0}};
    for (const Row& r : rows) {
        const std::optional<double> v = parseCNumber(r.text);
        ASSERT_TRUE(v.has_value()) << '"' << r.text << '"';
        EXPECT_EQ(*v, r.value) << '"' << r.text << '"';
    }
}

TEST(ParseCNumber, RefusesJunk)
{
    for (const char* text : {"", "   ", "abc", "nan", "NaN", "inf", "-infinity", "1e400", "-1e400", "0.1e310", "1e99999999999999999999", "10.5x", "1,5",
                             "1 5", "++1", "+-1", "- 1", "0x10", "5-"})
        EXPECT_FALSE(parseCNumber(text).has_value()) << '"' << text << '"';
}

TEST(ShadowInputs, SunMustFitThe16BitCounters)
{
    struct Row {
        const char* x0;
        bool accepted;
    };
    // nearest and floor of the coordinate must both lie in -32768..32767.
    const Row rows[] = {{"32767", true},     {"32767.4", true},  {"32767.5", false}, {"-32768", true},
                        {"-32768.5", false}, {"40000", false},   {"-40000", false}};
    for (const Row& r : rows) {
        Controls c;
        c.x0 = r.x0;
        c.y0 = r.x0;
        const auto p = readShadowParams(c, parseCNumber, ShadowMode::Linear);
        EXPECT_EQ(std::holds_alternative<ShadowParams>(p), r.accepted) << r.x0;
    }

    // "Linear sim" does not use the sun, so its texts do not matter there.
    Controls c;
    c.x0 = "abc";
    c.y0 = "40000";
    EXPECT_TRUE(std::holds_alternative<ShadowParams>(readShadowParams(c, parseCNumber, ShadowMode::LinearSim)));
}

TEST(ShadowInputs, RefusedRunNamesTheFieldAndChangesNothing)
{
    struct Row {
        const char* x0;
        const char* y0;
        const char* alt;
        const char* field; // named in the message, with the text quoted
        const char* text;
    };
    const Row rows[] = {
        {"", "0", "5", "X0", ""},        {"abc", "0", "5", "X0", "abc"},       {"0", "nan", "5", "Y0", "nan"},
        {"0", "1e400", "5", "Y0", "1e400"}, {"0", "0", "", "Decay", ""},       {"0", "0", "abc", "Decay", "abc"},
        {"0", "0", "nan", "Decay", "nan"}, {"0", "0", "1e400", "Decay", "1e400"}, {"40000", "0", "5", "X0", "40000"},
        {"0", "-40000", "5", "Y0", "-40000"},
    };
    for (const Row& r : rows) {
        Workspace ws;
        ws.editHeightPicture([](Picture& p) { p.setPixel(10, 10, 200); }); // something a run would shade behind
        const Workspace before = ws;
        Controls c;
        c.x0 = r.x0;
        c.y0 = r.y0;
        c.alt = r.alt;
        RecordingReporter report;

        const Refusal refusal = runShadowButton(ws, ShadowMode::Linear, c, parseCNumber, report);

        const std::string where = std::string(r.field) + " \"" + r.text + '"';
        ASSERT_TRUE(refusal.has_value()) << where;
        EXPECT_NE(refusal->message.find(r.field), std::string::npos) << refusal->message;
        EXPECT_NE(refusal->message.find(std::string("\"") + r.text + '"'), std::string::npos) << refusal->message;
        EXPECT_TRUE(report.log.empty()) << where;
        for (int s = 0; s < kSlotCount; ++s)
            EXPECT_EQ(slotPicture(ws, static_cast<Slot>(s)), slotPicture(before, static_cast<Slot>(s))) << where << " slot " << s;
    }
}

// The core takes numbers from any caller: values no front end lets through
// are refused there too, before anything is drawn or reported.
TEST(ShadowInputs, CoreRefusesValuesOutOfReach)
{
    struct Row {
        ShadowMode mode;
        double x0;
        double decay;
        double altitude;
        int reach;         // the world's, for a region's run
        const char* field; // named in the message; nullptr: accepted
    };
    const double nan = std::nan("");
    const Row rows[] = {
        {ShadowMode::Linear, 32767.4, 5, 45, kMapSunReach, nullptr},  {ShadowMode::Linear, 32767.5, 5, 45, kMapSunReach, "x0"},
        {ShadowMode::Sin, nan, 5, 45, kMapSunReach, "x0"},            {ShadowMode::Cos, 0, nan, 45, kMapSunReach, "decay"},
        {ShadowMode::LinearSim, 1e9, 5, 45, kMapSunReach, nullptr},   {ShadowMode::Embossed, 40000, 5, 45, kWorldSunReach, nullptr},
        {ShadowMode::Embossed, 131072, 5, 45, kWorldSunReach, "x0"},  {ShadowMode::Sun, 1e9, 5, 91, kMapSunReach, "sun.altitude"},
    };
    for (const Row& r : rows) {
        ShadowParams p;
        p.x0 = r.x0;
        p.decay = r.decay;
        p.sun.altitude = r.altitude;
        const Refusal refused = shadowParamsRefused(p, r.mode, r.reach);
        ASSERT_EQ(refused.has_value(), r.field != nullptr) << r.x0 << " " << r.decay;
        if (r.field) {
            EXPECT_NE(refused->message.find(r.field), std::string::npos) << refused->message;
        }
        if (!r.field || r.reach != kMapSunReach) continue;
        Workspace ws;
        const Workspace before = ws;
        RecordingReporter report;
        EXPECT_TRUE(runShadow(ws, r.mode, p, report).has_value());
        EXPECT_TRUE(report.log.empty());
        EXPECT_EQ(ws.picture(Slot::Shadow), before.picture(Slot::Shadow));
    }
}

// The core's run draws the shadow map alone; the button merges it after.
TEST(ShadowInputs, TheMergeIsTheFrontEndsStep)
{
    for (ShadowMode mode : {ShadowMode::Linear, ShadowMode::Sun}) {
        Workspace core, button;
        for (Workspace* ws : {&core, &button}) ws->editHeightPicture([](Picture& p) { p.setPixel(10, 10, 200); });
        const Picture colour = core.picture(Slot::Colour);
        SilentReporter quiet;
        const Controls c;
        ASSERT_FALSE(runShadow(core, mode, std::get<ShadowParams>(readShadowParams(c, parseCNumber, mode)), quiet));
        ASSERT_FALSE(runShadowButton(button, mode, c, parseCNumber, quiet));
        EXPECT_EQ(core.picture(Slot::Colour), colour);
        EXPECT_EQ(core.picture(Slot::Shadow), button.picture(Slot::Shadow));
        EXPECT_NE(button.picture(Slot::Colour), colour);
    }
}
