// "Linear sim": parallel diagonal rays from the top and left edges.

#include "shadow/shadings.h"
#include "inputs/shadow_inputs.h"

#include <gtest/gtest.h>

#include <random>

using namespace gloamery;

namespace {

constexpr Colour kUntouched = 0x123456; // no shade is this colour

Picture runLinearSim(const Picture& heightMap, Controls ctl, Colour before = kUntouched)
{
    Workspace ws;
    ws.setHeightPicture(heightMap);
    ws.picture(Slot::Shadow) = Picture(before);
    SilentReporter r;
    const Refusal refused = runShadowButton(ws, ShadowMode::LinearSim, ctl, parseCNumber, r);
    EXPECT_FALSE(refused.has_value()) << (refused ? refused->message : "");
    return ws.picture(Slot::Shadow);
}

Picture randomHeights(unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> h(0, 255);
    Picture p(kBlack);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) p.setPixel(x, y, grey(h(rng)));
    return p;
}

TEST(LinearSim, SingleOccluderShadesItsDiagonalOnly)
{
    Picture hp(kBlack);
    hp.setPixel(10, 10, grey(200));
    Controls ctl;
    ctl.darkness = 255;
    const Picture shadow = runLinearSim(hp, ctl);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const bool behind = x == y && x >= 11 && x <= 49;
            EXPECT_EQ(shadow.pixel(x, y), behind ? grey(55 + 5 * (x - 10)) : kUntouched) << "at " << x << "," << y;
        }
}

TEST(LinearSim, ShortestRaysStartAtTheComputedEdgePoint)
{
    // For i = 1 the rays run (0, 254) -> (1, 255) and (254, 0) -> (255, 1).
    Picture hp(kBlack);
    hp.setPixel(0, 254, grey(200));
    hp.setPixel(254, 0, grey(100));
    Controls ctl;
    ctl.darkness = 255;
    const Picture shadow = runLinearSim(hp, ctl);
    EXPECT_EQ(shadow.pixel(1, 255), grey(60)) << "behind (0, 254)";
    EXPECT_EQ(shadow.pixel(255, 1), grey(160)) << "behind (254, 0)";
}

TEST(LinearSim, EveryPixelButTheTopAndLeftEdgesLiesOnARay)
{
    // Heights 1 along the top row and left column, decay 0: every diagonal
    // starts lit there and carries level 1 to its end.
    Picture hp(kBlack);
    for (int i = 0; i < 256; ++i) {
        hp.setPixel(i, 0, grey(1));
        hp.setPixel(0, i, grey(1));
    }
    Controls ctl;
    ctl.alt = "0";
    ctl.darkness = 255;
    const Picture shadow = runLinearSim(hp, ctl);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const Colour want = x == 0 || y == 0 ? kUntouched : grey(254);
            ASSERT_EQ(shadow.pixel(x, y), want) << "at " << x << "," << y;
        }
}

TEST(LinearSim, CornersKeepTheirColourWhateverTheHeights)
{
    for (const unsigned seed : {1u, 2u, 3u}) {
        const Picture shadow = runLinearSim(randomHeights(seed), Controls{});
        EXPECT_EQ(shadow.pixel(255, 0), kUntouched) << "seed " << seed;
        EXPECT_EQ(shadow.pixel(0, 255), kUntouched) << "seed " << seed;
    }
}

TEST(LinearSim, SunPositionIsNotRead)
{
    // Any X0 and Y0, even ones the other buttons refuse, give the same map.
    const Picture hp = randomHeights(7);
    const Picture reference = runLinearSim(hp, Controls{});
    struct Case {
        const char* x0;
        const char* y0;
    };
    for (const auto& c : {Case{"100", "37.5"}, Case{"-5000", "1e9"}, Case{"junk", ""}}) {
        Controls ctl;
        ctl.x0 = c.x0;
        ctl.y0 = c.y0;
        EXPECT_TRUE(runLinearSim(hp, ctl) == reference) << "X0 \"" << c.x0 << "\" Y0 \"" << c.y0 << "\"";
    }
}

TEST(LinearSim, JunkDecayIsStillRefused)
{
    Workspace ws;
    const Picture before = ws.picture(Slot::Shadow);
    Controls ctl;
    ctl.alt = "five";
    SilentReporter r;
    EXPECT_TRUE(runShadowButton(ws, ShadowMode::LinearSim, ctl, parseCNumber, r).has_value());
    EXPECT_TRUE(ws.picture(Slot::Shadow) == before);
}

} // namespace
