// Colour by height: the colour each sample takes from a table, by each
// rule, and the texture map the tint writes.

#include "compose/tint.h"
#include "test_pictures.h"

#include <gtest/gtest.h>

using namespace gloamery;
using namespace gloamery::testing;

namespace {

constexpr TableColour rgb(int r, int g, int b)
{
    return {static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(b), 255};
}

ColourTable ramp()
{
    ColourTable t;
    t.entries = {{300, false, rgb(255, 255, 255)}, {0, false, rgb(0, 0, 0)}, {200, false, rgb(200, 100, 0)}};
    return t;
}

} // namespace

TEST(Tint, EachRuleColoursTheSamplesElevations)
{
    // 8-bit levels times a vertical unit of 2: samples 0, 50, 100, 120, 150,
    // 200 stand for 0, 100, 200, 240, 300, 400.
    ColourTable bounded = ramp();
    bounded.below = rgb(1, 2, 3);
    bounded.above = rgb(7, 8, 9);
    ColourTable percent;
    percent.entries = {{0, true, rgb(0, 0, 0)}, {50, true, rgb(100, 200, 10)}, {100, true, rgb(255, 255, 255)}};
    struct Row {
        const char* what;
        ColourTable table;
        ColourEntries mode;
        double low, high; // the map's range, for percentages
        int samples[6];
        Colour want[6];
    };
    const Row rows[] = {
        {"interpolated, sorted, ends extended", ramp(), ColourEntries::Interpolate, 0, 400, {0, 50, 100, 120, 150, 200},
         {kBlack, compose(100, 50, 0), compose(200, 100, 0), compose(222, 162, 102), kWhite, kWhite}},
        {"B and F beyond the ends", bounded, ColourEntries::Interpolate, 0, 400, {0, 50, 150, 200, 1, 149},
         {kBlack, compose(100, 50, 0), kWhite, compose(7, 8, 9), compose(2, 1, 0), compose(254, 252, 250)}},
        {"nearest: halfway takes the higher", ramp(), ColourEntries::Nearest, 0, 400, {0, 49, 50, 124, 125, 200},
         {kBlack, kBlack, compose(200, 100, 0), compose(200, 100, 0), kWhite, kWhite}},
        {"exact: only entries' own samples", ramp(), ColourEntries::Exact, 0, 400, {0, 50, 100, 101, 150, 200},
         {kBlack, kBlack, compose(200, 100, 0), kBlack, kWhite, kBlack}},
        {"percentages of the map's range", percent, ColourEntries::Interpolate, 100, 300, {50, 75, 100, 125, 150, 0},
         {kBlack, compose(50, 100, 5), compose(100, 200, 10), compose(177, 227, 132), kWhite, kBlack}},
    };
    TintElevations e;
    e.vertical = 2;
    for (const Row& r : rows) {
        const TintLookup lookup = tintLookup(r.table, r.mode, e, false, r.low, r.high);
        ASSERT_EQ(lookup.colours.size(), 256u);
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(lookup.colours[static_cast<std::size_t>(r.samples[i])], r.want[i])
                << r.what << ", sample " << r.samples[i];
    }
}

TEST(Tint, RasterSamplesStandForTheirElevationsAndNoDataTakesItsColour)
{
    // Samples 0..65535 run from 100 to 1100 m: 50 % is 600 m.
    TintElevations e;
    e.low = 100;
    e.high = 1100;
    ColourTable t;
    t.entries = {{0, true, rgb(0, 0, 0)}, {50, true, rgb(100, 100, 100)}, {1100, false, rgb(200, 200, 200)}};
    t.noData = rgb(255, 0, 255);
    const TintLookup lookup = tintLookup(t, ColourEntries::Interpolate, e, true, 100, 1100);
    ASSERT_EQ(lookup.colours.size(), 65536u);
    EXPECT_EQ(lookup.colours[0], kBlack);
    EXPECT_EQ(lookup.colours[65535], grey(200));
    // 350 m lies in sample 16384 (350.0038 m): a whole metre, exactly 50 grey.
    EXPECT_EQ(lookup.colours[16384], grey(50));
    EXPECT_EQ(lookup.noData, compose(255, 0, 255));

    Workspace ws(3, 2);
    HeightSamples samples(3, 2, std::uint16_t{0});
    const std::uint16_t values[] = {0, 16384, 65535, 32768, 0, 65535};
    std::copy(std::begin(values), std::end(values), samples.data());
    ws.setDeepHeights(samples);
    const unsigned char holes[] = {0, 0, 0, 0, 1, 0};
    SilentReporter quiet;
    tint(ws, lookup, holes, quiet);
    const Picture& texture = ws.picture(Slot::Texture);
    const Colour want[] = {kBlack, grey(50), grey(200), grey(100), compose(255, 0, 255), grey(200)};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(texture.pixel(i % 3, i / 3), want[i]) << i;
    const auto [low, high] = mapElevationRange(ws, TintElevations{});
    EXPECT_DOUBLE_EQ(low, 0.0);
    EXPECT_DOUBLE_EQ(high, 255.0);
}
