// Reading X0, Y0 and the decay: what a shadow run accepts and what it
// refuses before it touches anything.

#include "recording_reporter.h"
#include "shadow/shadow_params.h"
#include "shadow/sweep.h"

#include <gtest/gtest.h>

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
        const auto p = readShadowParams(c, parseCNumber, true);
        EXPECT_EQ(std::holds_alternative<ShadowParams>(p), r.accepted) << r.x0;
    }

    // "Linear sim" does not use the sun, so its texts do not matter there.
    Controls c;
    c.x0 = "abc";
    c.y0 = "40000";
    EXPECT_TRUE(std::holds_alternative<ShadowParams>(readShadowParams(c, parseCNumber, false)));
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

        const Refusal refusal = runShadow(ws, ShadowMode::Linear, c, parseCNumber, report);

        const std::string where = std::string(r.field) + " \"" + r.text + '"';
        ASSERT_TRUE(refusal.has_value()) << where;
        EXPECT_NE(refusal->message.find(r.field), std::string::npos) << refusal->message;
        EXPECT_NE(refusal->message.find(std::string("\"") + r.text + '"'), std::string::npos) << refusal->message;
        EXPECT_TRUE(report.log.empty()) << where;
        for (int s = 0; s < kSlotCount; ++s)
            EXPECT_EQ(slotPicture(ws, static_cast<Slot>(s)), slotPicture(before, static_cast<Slot>(s))) << where << " slot " << s;
    }
}
