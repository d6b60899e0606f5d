#include "compose/merge.h"
#include "shadow/rays.h"
#include "shadow/sweep.h"

#include <gtest/gtest.h>

using namespace gloamery;

TEST(Smoke, SingleOccluderShades39Pixels)
{
    Workspace ws;
    Picture& h = ws.picture(Slot::Height);
    h.clear();
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) h.setPixel(x, y, 0);
    h.setPixel(10, 10, grey(200));
    const ByteGrid heights = readHeights(h);
    ShadowParams p{0, 10, 5, 255};
    Picture shadow(kWhite);
    f3(255, 10, heights, p, shadow);
    for (int k = 1; k <= 39; ++k) EXPECT_EQ(red(shadow.pixel(10 + k, 10)), 55 + 5 * k) << "at " << 10 + k;
    EXPECT_EQ(shadow.pixel(50, 10), kWhite);
}

TEST(Smoke, BlurFarEdges)
{
    Picture shadow(kBlack);
    SilentReporter r;
    const ByteGrid t = shadowPlane(shadow, true, r);
    EXPECT_EQ(t(255, 100), 96);
    EXPECT_EQ(t(100, 255), 96);
    EXPECT_EQ(t(255, 255), 159);
}
