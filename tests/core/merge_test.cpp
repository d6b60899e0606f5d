// The shadow plane of a merge: plain copy and the eight-neighbour blur.

#include "compose/merge.h"
#include "test_pictures.h"

#include <gtest/gtest.h>

#include <random>

using namespace gloamery;
using namespace gloamery::testing;

namespace {

ByteGrid plane(const Picture& shadow, bool blur)
{
    SilentReporter quiet;
    return shadowPlane(shadow, blur, quiet);
}

void expectExtraRowAndColumnZero(const ByteGrid& t, bool blur)
{
    for (int i = 0; i <= 256; ++i) {
        EXPECT_EQ(t(256, i), 0) << "at 256," << i << (blur ? " blur" : "");
        EXPECT_EQ(t(i, 256), 0) << "at " << i << ",256" << (blur ? " blur" : "");
    }
}

} // namespace

TEST(ShadowPlane, PlainCopyTakesTheRedByteOfEveryPixel)
{
    Picture shadow(kWhite);
    std::mt19937 rng(7);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) shadow.setPixel(x, y, static_cast<Colour>(rng() & 0xFFFFFF));
    const ByteGrid t = plane(shadow, false);
    for (int x = 0; x < 256; ++x)
        for (int y = 0; y < 256; ++y) ASSERT_EQ(t(x, y), red(shadow.pixel(x, y))) << "at " << x << "," << y;
    expectExtraRowAndColumnZero(t, false);
}

TEST(ShadowPlane, BlurOfAUniformMap)
{
    // Black: the far edges are lighter because the neighbours at 256 read 255.
    struct Row {
        int level;
        int interior, farEdge, farCorner;
    };
    const Row rows[] = {{0, 0, 96, 159}, {77, 77, 144, 188}, {255, 255, 255, 255}};
    for (const Row& r : rows) {
        Picture shadow(grey(r.level));
        const ByteGrid t = plane(shadow, true);
        for (int i = 0; i <= 255; ++i) {
            EXPECT_EQ(t(i, 0), r.level) << "at " << i << ",0 level " << r.level;
            EXPECT_EQ(t(0, i), r.level) << "at 0," << i << " level " << r.level;
        }
        for (int i = 1; i <= 254; ++i) {
            EXPECT_EQ(t(255, i), r.farEdge) << "at 255," << i << " level " << r.level;
            EXPECT_EQ(t(i, 255), r.farEdge) << "at " << i << ",255 level " << r.level;
            for (int j = 1; j <= 254; ++j) ASSERT_EQ(t(i, j), r.interior) << "at " << i << "," << j;
        }
        EXPECT_EQ(t(255, 255), r.farCorner) << "level " << r.level;
        expectExtraRowAndColumnZero(t, true);
    }
}

TEST(ShadowPlane, BlurRoundsTheMeanHalfToEven)
{
    // The neighbours of (50, 60), in the order they are read.
    const int around[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}};
    struct Row {
        int levels[8];
        int expected;
    };
    const Row rows[] = {
        {{255, 255, 255, 255, 0, 0, 0, 0}, 128},   // 1020 / 8 = 127.5
        {{255, 255, 255, 247, 0, 0, 0, 0}, 126},   // 1012 / 8 = 126.5
        {{255, 255, 255, 255, 255, 0, 0, 1}, 160}, // 1276 / 8 = 159.5
        {{1, 2, 3, 4, 5, 6, 7, 8}, 4},             // 36 / 8 = 4.5
    };
    for (const Row& r : rows) {
        Picture shadow(kBlack);
        shadow.setPixel(50, 60, kWhite); // the centre is not used
        for (int k = 0; k < 8; ++k) shadow.setPixel(50 + around[k][0], 60 + around[k][1], grey(r.levels[k]));
        EXPECT_EQ(plane(shadow, true)(50, 60), r.expected) << "sum of neighbours, first level " << r.levels[0];
    }
}

TEST(ShadowPlane, BlurSpreadsOneLightPixelToItsNeighboursOnly)
{
    Picture shadow(kBlack);
    shadow.setPixel(100, 100, kWhite);
    const ByteGrid t = plane(shadow, true);
    for (int x = 97; x <= 103; ++x)
        for (int y = 97; y <= 103; ++y) {
            const bool neighbour = std::abs(x - 100) <= 1 && std::abs(y - 100) <= 1 && !(x == 100 && y == 100);
            EXPECT_EQ(t(x, y), neighbour ? 32 : 0) << "at " << x << "," << y;
        }
}

TEST(ShadowPlane, BlurCopiesRowZeroColumnZeroAndTheCornerUnsmoothed)
{
    Picture shadow(kBlack);
    shadow.setPixel(0, 0, grey(123));
    shadow.setPixel(5, 0, grey(200));
    shadow.setPixel(0, 9, grey(45));
    shadow.setPixel(1, 1, kWhite); // would show in row 0 and column 0 if they were smoothed
    const ByteGrid t = plane(shadow, true);
    EXPECT_EQ(t(0, 0), 123);
    EXPECT_EQ(t(5, 0), 200);
    EXPECT_EQ(t(0, 9), 45);
    EXPECT_EQ(t(1, 0), 0);
    EXPECT_EQ(t(0, 1), 0);
    EXPECT_EQ(t(1, 1), 15) << "123 / 8 = 15.375 from the corner";
}
