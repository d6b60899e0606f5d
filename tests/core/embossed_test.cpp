// "Embossed": lit rises, fading shadows, every reached pixel written.

#include "shadow/shadings.h"
#include "inputs/shadow_inputs.h"

#include <gtest/gtest.h>

#include <vector>

using namespace gloamery;

namespace {

constexpr Colour kUntouched = 0x123456; // no rule ever writes this

// Greys of a stretch of pixels: {first x, values...}.
struct Stretch {
    int from;
    std::vector<int> greys;
};

// Expected row: runs of one grey, [from, to] inclusive.
struct GreyRun {
    int from, to, grey;
};

Picture embossRow10(const ByteGrid& heights, int darkness, double x0 = 0, double decay = 5)
{
    Picture shadow(kUntouched);
    castRay<EmbossShading>(255, 10, heights, ShadowParams{x0, 10, decay, darkness, {}}, shadow);
    return shadow;
}

ByteGrid heightsOf(const Picture& h) { return readHeights(h); }

TEST(EmbossedRay, SingleOccluderAtSeveralDarknesses)
{
    Picture hp(kBlack);
    hp.setPixel(10, 10, grey(200));
    const ByteGrid heights = heightsOf(hp);

    struct Case {
        int darkness;
        std::vector<GreyRun> runs;
        Stretch shadow; // the fading shade right behind the occluder
    };
    const Case cases[] = {
        {128,
         {{0, 0, 0}, {1, 9, 148}, {10, 10, 255}, {25, 255, 148}},
         {11, {64, 68, 73, 78, 83, 88, 93, 98, 103, 108, 113, 118, 123, 128}}},
        // E = 0: the shade stays black and never fades; the level falls to 0.
        {255, {{0, 0, 0}, {1, 9, 148}, {10, 10, 255}, {11, 50, 0}, {51, 255, 148}}, {11, {}}},
        // E = 255: the first shade is already 128 and the level drops at once.
        {0, {{0, 0, 0}, {1, 9, 148}, {10, 10, 255}, {11, 11, 128}, {12, 255, 148}}, {11, {}}},
        // E = 253: nearest(126.5) is 126, where E = 255 gave nearest(127.5) = 128.
        {2, {{0, 0, 0}, {1, 9, 148}, {10, 10, 255}}, {11, {126}}},
    };
    for (const auto& c : cases) {
        const Picture shadow = embossRow10(heights, c.darkness);
        for (const GreyRun& r : c.runs)
            for (int x = r.from; x <= r.to; ++x)
                EXPECT_EQ(shadow.pixel(x, 10), grey(r.grey)) << "darkness " << c.darkness << " at " << x << ",10";
        for (std::size_t i = 0; i < c.shadow.greys.size(); ++i) {
            const int x = c.shadow.from + static_cast<int>(i);
            EXPECT_EQ(shadow.pixel(x, 10), grey(c.shadow.greys[i])) << "darkness " << c.darkness << " at " << x << ",10";
        }
        for (int x = 0; x < 256; ++x)
            EXPECT_EQ(shadow.pixel(x, 9), kUntouched) << "darkness " << c.darkness << " off the ray at " << x << ",9";
    }
}

TEST(EmbossedRay, LongDescentStaysMidGreyAndDropsOntoTheTerrain)
{
    // Heights 250, 240, ..., 0 along the ray, then flat 0: every step down
    // is steeper than the decay. Once the shadow has faded the level is set
    // to this step's terrain each step, so the shade holds at 128 until the
    // ground levels out (dropping to 0 instead would light the slope).
    Picture hp(kBlack);
    for (int x = 0; x <= 25; ++x) hp.setPixel(x, 10, grey(250 - 10 * x));
    const Picture shadow = embossRow10(heightsOf(hp), 128);

    const std::vector<int> fading = {64, 68, 73, 78, 83, 88, 93, 98, 103, 108, 113, 118, 123, 128};
    EXPECT_EQ(shadow.pixel(0, 10), grey(255)) << "at 0,10";
    for (int x = 1; x <= 14; ++x) EXPECT_EQ(shadow.pixel(x, 10), grey(fading[x - 1])) << "at " << x << ",10";
    for (int x = 15; x <= 25; ++x) EXPECT_EQ(shadow.pixel(x, 10), grey(128)) << "at " << x << ",10";
    for (int x = 26; x < 256; ++x) EXPECT_EQ(shadow.pixel(x, 10), grey(148)) << "at " << x << ",10";
}

TEST(EmbossedRay, RisesLightBySteepnessUpToWhite)
{
    // Flat 100 from x = 0, then one rise of r at x = 20: lit 128 + 4 (r + 5).
    struct Case {
        int rise;
        int lit;
    };
    for (const auto& c : {Case{0, 148}, Case{1, 152}, Case{26, 252}, Case{27, 255}, Case{155, 255}}) {
        Picture hp(grey(100));
        for (int x = 20; x < 256; ++x) hp.setPixel(x, 10, grey(100 + c.rise));
        const Picture shadow = embossRow10(heightsOf(hp), 128);
        EXPECT_EQ(shadow.pixel(19, 10), grey(148)) << "rise " << c.rise << " at 19,10";
        EXPECT_EQ(shadow.pixel(20, 10), grey(c.lit)) << "rise " << c.rise << " at 20,10";
        EXPECT_EQ(shadow.pixel(21, 10), grey(148)) << "rise " << c.rise << " at 21,10";
    }
}

TEST(EmbossedRay, LevelFarBelowTheTerrainLightsWhiteWithoutOverflow)
{
    // From far outside the map the level has fallen by the decay at every
    // skipped step; 4 x (h - L) + 128 no longer fits 16 bits (nor, with a
    // huge decay, 32), and the pixel must still come out white.
    Picture hp(kBlack);
    const ByteGrid heights = heightsOf(hp);
    struct Case {
        double x0;
        double decay;
    };
    for (const auto& c : {Case{-2000, 5}, Case{-30000, 5}, Case{-30000, 1e12}, Case{-100, 1e300}}) {
        const Picture shadow = embossRow10(heights, 128, c.x0, c.decay);
        EXPECT_EQ(shadow.pixel(0, 10), grey(255)) << "sun " << c.x0 << " decay " << c.decay;
    }
}

TEST(EmbossedSweep, FlatMapAt77FromTheMiddle)
{
    // Sun at (100, 100): its own pixel is lit with 4 x 77 + 128, saturated;
    // every other reached pixel is flat ground, 148; the 302 pixels on no
    // ray keep what they had.
    Workspace ws;
    ws.setHeightPicture(Picture(grey(77)));
    ws.picture(Slot::Shadow) = Picture(kUntouched);
    Controls ctl;
    ctl.x0 = "100";
    ctl.y0 = "100";
    SilentReporter r;
    ASSERT_FALSE(runShadowButton(ws, ShadowMode::Embossed, ctl, parseCNumber, r).has_value());

    const Picture& shadow = ws.picture(Slot::Shadow);
    int untouched = 0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const Colour c = shadow.pixel(x, y);
            if (c == kUntouched) {
                ++untouched;
                continue;
            }
            EXPECT_EQ(c, grey(x == 100 && y == 100 ? 255 : 148)) << "at " << x << "," << y;
        }
    EXPECT_EQ(untouched, 302);
}

TEST(EmbossedSweep, ZeroMapBlackensOnlyTheSunsPixel)
{
    // Each ray's first pixel is at or below a level of 0 and gets the
    // initial black pending shade; after it, zero ground is lit with 148.
    Workspace ws;
    ws.setHeightPicture(Picture(kBlack));
    Controls ctl;
    ctl.x0 = "40";
    ctl.y0 = "30";
    SilentReporter r;
    ASSERT_FALSE(runShadowButton(ws, ShadowMode::Embossed, ctl, parseCNumber, r).has_value());
    const Picture& shadow = ws.picture(Slot::Shadow);
    EXPECT_EQ(shadow.pixel(40, 30), kBlack);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            if (!(x == 40 && y == 30) && shadow.pixel(x, y) != kWhite) {
                ASSERT_EQ(shadow.pixel(x, y), grey(148)) << "at " << x << "," << y;
            }
}

} // namespace
