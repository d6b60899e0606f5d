// Rect's helpers: the box two boxes share, the box holding both, and the
// box a region's run holds, clipped to the world.

#include "workspace/rect.h"
#include "workspace/world.h"

#include <gtest/gtest.h>

using namespace gloamery;

TEST(Rect, MeetAndUniteFollowTheEdges)
{
    struct Case {
        const char* what;
        Rect a, b, shared, holding;
    };
    const Case cases[] = {
        {"overlap", {0, 0, 4, 3}, {2, 1, 5, 5}, {2, 1, 2, 2}, {0, 0, 7, 6}},
        {"inside", {1, 2, 10, 10}, {3, 4, 2, 1}, {3, 4, 2, 1}, {1, 2, 10, 10}},
        {"edge to edge", {0, 0, 3, 3}, {3, 0, 2, 3}, {3, 0, 0, 3}, {0, 0, 5, 3}},
        {"apart", {0, 0, 2, 2}, {5, 6, 1, 1}, {5, 6, -3, -4}, {0, 0, 6, 7}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(meet(c.a, c.b), c.shared) << c.what;
        EXPECT_EQ(meet(c.b, c.a), c.shared) << c.what;
        EXPECT_EQ(unite(c.a, c.b), c.holding) << c.what;
    }
    EXPECT_TRUE(meet(Rect{0, 0, 3, 3}, Rect{3, 0, 2, 3}).empty()) << "boxes that only touch share nothing";
}

TEST(Rect, HeldBoxIsTheRegionAndAPixelAroundItWithinTheWorld)
{
    struct Case {
        Rect region, held;
    };
    const Case cases[] = {
        {{10, 20, 5, 6}, {9, 19, 7, 8}},
        {{0, 0, 5, 6}, {0, 0, 6, 7}},         // top-left corner
        {{95, 46, 5, 4}, {94, 45, 6, 5}},     // bottom-right corner of 100 x 50
        {{0, 0, 100, 50}, {0, 0, 100, 50}},   // the whole world
    };
    for (const Case& c : cases) {
        const WorldRegion r = heldBox(100, 50, c.region);
        EXPECT_EQ(r.worldWidth, 100);
        EXPECT_EQ(r.worldHeight, 50);
        EXPECT_EQ(r.area, c.held) << c.region.x0 << "," << c.region.y0;
    }
}
