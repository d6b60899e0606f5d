// The grids the 3D view reads, as CalculateMaps builds them.

#include "workspace/view_maps.h"

#include "test_pictures.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace gloamery;
using namespace gloamery::testing;

namespace {

void build(Workspace& ws)
{
    SilentReporter quiet;
    CalculateMaps(ws, quiet);
}

} // namespace

TEST(ViewMaps, AllZeroBeforeTheFirstBuild)
{
    const Workspace ws;
    for (int x = 0; x <= 256; ++x)
        for (int y = 0; y <= 256; ++y) {
            const auto i = static_cast<std::int16_t>(x), j = static_cast<std::int16_t>(y);
            ASSERT_TRUE(ws.HeightMap(i, j) == 0 && ws.ColorMapR(i, j) == 0 && ws.ColorMapG(i, j) == 0
                        && ws.ColorMapB(i, j) == 0 && ws.ColorMap2R(i, j) == 0 && ws.ColorMap2G(i, j) == 0
                        && ws.ColorMap2B(i, j) == 0)
                << "at " << x << "," << y;
        }
}

TEST(ViewMaps, SamplesFromThePictures)
{
    Workspace ws;
    Picture& height = ws.picture(Slot::Height);
    height.setPixel(0, 0, grey(128));
    height.setPixel(1, 0, grey(0));
    height.setPixel(2, 0, grey(255));
    height.setPixel(3, 0, compose(64, 9, 9)); // only red counts
    ws.picture(Slot::Colour).setPixel(5, 6, compose(51, 102, 255));
    ws.picture(Slot::Detail).setPixel(7, 8, compose(121, 121, 121));
    ws.picture(Slot::Detail).setPixel(9, 10, compose(1, 2, 3));
    build(ws);

    struct HeightRow {
        int x, y;
        float value;
    };
    const HeightRow heights[] = {{0, 0, 0.0f},      {1, 0, -2.0f},       {2, 0, 1.984375f}, {3, 0, -1.0f},
                                 {256, 5, 1.984375f}, {5, 256, 1.984375f}, {256, 256, 1.984375f}};
    for (const HeightRow& h : heights)
        EXPECT_EQ(ws.HeightMap(h.x, h.y), h.value) << "at " << h.x << "," << h.y;

    EXPECT_EQ(ws.ColorMapR(5, 6), 0.2f);
    EXPECT_EQ(ws.ColorMapG(5, 6), 0.4f);
    EXPECT_EQ(ws.ColorMapB(5, 6), 1.0f);
    EXPECT_EQ(ws.ColorMap2R(7, 8), 121);
    EXPECT_EQ(ws.ColorMap2G(7, 8), 121);
    EXPECT_EQ(ws.ColorMap2B(7, 8), 121);
    EXPECT_EQ(ws.ColorMap2R(9, 10), 1);
    EXPECT_EQ(ws.ColorMap2G(9, 10), 2);
    EXPECT_EQ(ws.ColorMap2B(9, 10), 3);

    // Outside the pictures every read is -1: red 255, green and blue 0.
    for (int i = 0; i <= 256; ++i)
        for (auto [x, y] : {std::pair{256, i}, std::pair{i, 256}}) {
            EXPECT_EQ(ws.ColorMapR(x, y), 1.0f) << "at " << x << "," << y;
            EXPECT_EQ(ws.ColorMapG(x, y), 0.0f) << "at " << x << "," << y;
            EXPECT_EQ(ws.ColorMapB(x, y), 0.0f) << "at " << x << "," << y;
            EXPECT_EQ(ws.ColorMap2R(x, y), 255) << "at " << x << "," << y;
            EXPECT_EQ(ws.ColorMap2G(x, y), 0) << "at " << x << "," << y;
            EXPECT_EQ(ws.ColorMap2B(x, y), 0) << "at " << x << "," << y;
        }
}

TEST(ViewMaps, RebuildOverwritesAndRepeats)
{
    Workspace ws;
    ws.picture(Slot::Height).setPixel(4, 4, grey(0));
    build(ws);
    const Workspace first = ws;
    build(ws);
    for (int x = 0; x <= 256; ++x)
        for (int y = 0; y <= 256; ++y)
            ASSERT_EQ(ws.HeightMap(x, y), first.HeightMap(x, y)) << "at " << x << "," << y;

    ws.picture(Slot::Height).setPixel(4, 4, grey(192));
    EXPECT_EQ(ws.HeightMap(4, 4), -2.0f) << "the grids do not follow the pictures";
    build(ws);
    EXPECT_EQ(ws.HeightMap(4, 4), 1.0f);
}

TEST(ViewMaps, AccessorsRefuseIndicesOutside0To256)
{
    const Workspace ws;
    EXPECT_NO_THROW(ws.ColorMapR(256, 256));
    EXPECT_NO_THROW(ws.ColorMap2B(0, 0));
    EXPECT_THROW(ws.ColorMapR(257, 0), std::out_of_range);
    EXPECT_THROW(ws.HeightMap(-1, 0), std::out_of_range);
    EXPECT_THROW(ws.ColorMap2G(0, -1), std::out_of_range);
    EXPECT_THROW(ws.ColorMapB(0, 32767), std::out_of_range);
}
