// Fitting the height map to an engine's size: ramps stay ramps, corners
// stay on the corners, the same size changes nothing, bad sizes refused.

#include "workspace/fit_heights.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace gloamery;

namespace {

Workspace deepMap(int w, int h, double (*f)(int, int))
{
    Workspace ws(w, h);
    std::vector<std::uint16_t> s;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) s.push_back(static_cast<std::uint16_t>(f(x, y)));
    ws.setDeepHeights(HeightSamples(w, h, s.data()));
    return ws;
}

double ramp(int x, int y) { return 1000 + 97 * x + 211 * y; }

TEST(FitHeights, ARampStaysARampWithItsCornersOnTheCorners)
{
    struct Case {
        int fromW, fromH, w, h;
    };
    for (const Case& c : {Case{40, 30, 65, 33}, Case{64, 64, 17, 17}, Case{100, 7, 129, 129}, Case{3, 2, 2, 9}}) {
        Workspace ws = deepMap(c.fromW, c.fromH, ramp);
        ASSERT_FALSE(fitToSize(ws, c.w, c.h));
        ASSERT_EQ(ws.width(), c.w);
        ASSERT_EQ(ws.height(), c.h);
        ASSERT_TRUE(ws.deepHeights());
        const HeightSamples s = ws.heightSamples();
        const std::string what = std::to_string(c.fromW) + "x" + std::to_string(c.fromH) + " to " + std::to_string(c.w)
                               + "x" + std::to_string(c.h);
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x) {
                const double want = 1000 + 97.0 * x * (c.fromW - 1) / (c.w - 1) + 211.0 * y * (c.fromH - 1) / (c.h - 1);
                ASSERT_LE(std::fabs(s.at(x, y) - want), 0.5 + 1e-9) << what << " at " << x << "," << y;
            }
        EXPECT_EQ(s.at(0, 0), ramp(0, 0)) << what;
        EXPECT_EQ(s.at(c.w - 1, 0), ramp(c.fromW - 1, 0)) << what;
        EXPECT_EQ(s.at(0, c.h - 1), ramp(0, c.fromH - 1)) << what;
        EXPECT_EQ(s.at(c.w - 1, c.h - 1), ramp(c.fromW - 1, c.fromH - 1)) << what;
    }
}

TEST(FitHeights, TheSameSizeKeepsEverySampleAndEightBitsBecomeDeep)
{
    Workspace ws(23, 11);
    ws.editHeightPicture([](Picture& p) {
        for (int y = 0; y < 11; ++y)
            for (int x = 0; x < 23; ++x) p.setPixel(x, y, grey((x * x * 7 + y * 31) % 256));
    });
    const Picture before = ws.heightPicture();
    ASSERT_FALSE(fitToSize(ws, 23, 11));
    const HeightSamples s = ws.heightSamples();
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 23; ++x) ASSERT_EQ(s.at(x, y), 257 * red(before.pixel(x, y))) << x << "," << y;
}

TEST(FitHeights, CliffsStayWithinTheSamplesRangeAndOneSideIsTheFirstSample)
{
    Workspace ws = deepMap(8, 8, [](int x, int) { return x < 4 ? 0.0 : 65535.0; });
    ASSERT_FALSE(fitToSize(ws, 29, 1)); // overshoot either side of the cliff is limited
    const HeightSamples s = ws.heightSamples();
    EXPECT_EQ(s.at(0, 0), 0);
    EXPECT_EQ(s.at(28, 0), 65535);
    for (int x = 1; x < 29; ++x) EXPECT_LE(s.at(x - 1, 0), s.at(x, 0)) << x; // no wrapped overshoot
    Workspace one = deepMap(5, 5, ramp);
    ASSERT_FALSE(fitToSize(one, 1, 1));
    EXPECT_EQ(one.heightSamples().at(0, 0), ramp(0, 0));
}

TEST(FitHeights, SizesOutsideTheMapsRangeAreRefusedNamingThem)
{
    for (const auto& [w, h] : {std::pair{0, 513}, std::pair{513, 16385}, std::pair{-3, 4}}) {
        Workspace ws(9, 9);
        const Refusal r = fitToSize(ws, w, h);
        ASSERT_TRUE(r);
        EXPECT_NE(r->message.find(std::to_string(w) + " x " + std::to_string(h)), std::string::npos) << r->message;
        EXPECT_EQ(ws.width(), 9);
    }
}

} // namespace
