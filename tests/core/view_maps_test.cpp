// The grids the 3D view reads, as CalculateMaps builds them.

#include "workspace/view_maps.h"

#include "test_pictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

using namespace gloamery;
using namespace gloamery::testing;

namespace {

ViewGrids build(const Workspace& ws)
{
    SilentReporter quiet;
    return CalculateMaps(ws, quiet);
}

} // namespace

TEST(ViewMaps, AllZeroBeforeTheFirstBuild)
{
    const ViewGrids ws;
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
    Workspace map;
    map.editHeightPicture([](Picture& height) {
        height.setPixel(0, 0, grey(128));
        height.setPixel(1, 0, grey(0));
        height.setPixel(2, 0, grey(255));
        height.setPixel(3, 0, compose(64, 9, 9)); // only red counts
    });
    map.picture(Slot::Colour).setPixel(5, 6, compose(51, 102, 255));
    map.picture(Slot::Detail).setPixel(7, 8, compose(121, 121, 121));
    map.picture(Slot::Detail).setPixel(9, 10, compose(1, 2, 3));
    const ViewGrids ws = build(map);

    struct HeightRow {
        int x, y;
        float value;
    };
    const HeightRow heights[] = {{0, 0, 0.0f}, {1, 0, -2.0f}, {2, 0, 1.984375f}, {3, 0, -1.0f}};
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

}

// The samples at index W and H lie outside the pictures: they repeat the
// last column and row (height, colour and detail alike), never the -1 of a
// read outside. Larger maps are sampled every step-th pixel, the last
// index still on the edge.
TEST(ViewMaps, LastRowAndColumnRepeatThePicturesEdge)
{
    const struct {
        int w, h, step;
    } maps[] = {{256, 256, 1}, {1, 1, 1}, {37, 5, 1}, {kMaxViewGridCells, 200, 1}, {2 * kMaxViewGridCells + 1, 600, 3}, {4 * kMaxViewGridCells + 1, 700, 5}};
    for (const auto& m : maps) {
        Workspace map(m.w, m.h);
        // Each pixel's height, colour and detail tell its coordinates apart.
        const auto colourAt = [](int x, int y) { return compose(x % 251, y % 241, (x + y) % 239); };
        const auto paint = [&](Picture& p) {
            for (int y = 0; y < m.h; ++y)
                for (int x = 0; x < m.w; ++x) p.setPixel(x, y, colourAt(x, y));
        };
        map.editHeightPicture(paint);
        paint(map.picture(Slot::Colour));
        paint(map.picture(Slot::Detail));
        const ViewGrids ws = build(map);
        ASSERT_EQ(ws.step, m.step) << m.w << " x " << m.h;
        const int cols = (m.w + m.step - 1) / m.step, rows = (m.h + m.step - 1) / m.step;
        EXPECT_EQ(ws.height.mapWidth(), cols);
        EXPECT_EQ(ws.height.mapHeight(), rows);
        EXPECT_THROW(ws.HeightMap(static_cast<std::int16_t>(cols + 1), 0), std::out_of_range);
        const auto check = [&](int i, int j) {
            const int px = std::min(i * m.step, m.w - 1), py = std::min(j * m.step, m.h - 1);
            const Channels c = split(colourAt(px, py));
            const auto x = static_cast<std::int16_t>(i), y = static_cast<std::int16_t>(j);
            ASSERT_EQ(ws.HeightMap(x, y), static_cast<float>((c.r - 128) / 64.0)) << m.w << " x " << m.h << " at " << i << "," << j;
            ASSERT_EQ(ws.ColorMapG(x, y), static_cast<float>(c.g / 255.0)) << m.w << " x " << m.h << " at " << i << "," << j;
            ASSERT_EQ(ws.ColorMap2B(x, y), c.b) << m.w << " x " << m.h << " at " << i << "," << j;
        };
        for (int i = 0; i <= cols; ++i)
            for (int j : {0, rows / 2, rows - 1, rows}) check(i, j);
        for (int j = 0; j <= rows; ++j)
            for (int i : {0, cols - 1, cols}) check(i, j);
    }
}

TEST(ViewMaps, RebuildOverwritesAndRepeats)
{
    Workspace map;
    map.editHeightPicture([](Picture& p) { p.setPixel(4, 4, grey(0)); });
    const ViewGrids first = build(map);
    const ViewGrids again = build(map);
    for (int x = 0; x <= 256; ++x)
        for (int y = 0; y <= 256; ++y)
            ASSERT_EQ(again.HeightMap(x, y), first.HeightMap(x, y)) << "at " << x << "," << y;

    map.editHeightPicture([](Picture& p) { p.setPixel(4, 4, grey(192)); });
    EXPECT_EQ(first.HeightMap(4, 4), -2.0f) << "the grids do not follow the pictures";
    EXPECT_EQ(build(map).HeightMap(4, 4), 1.0f);
}

TEST(ViewMaps, AccessorsRefuseIndicesOutside0To256)
{
    const ViewGrids ws;
    EXPECT_NO_THROW(ws.ColorMapR(256, 256));
    EXPECT_NO_THROW(ws.ColorMap2B(0, 0));
    EXPECT_THROW(ws.ColorMapR(257, 0), std::out_of_range);
    EXPECT_THROW(ws.HeightMap(-1, 0), std::out_of_range);
    EXPECT_THROW(ws.ColorMap2G(0, -1), std::out_of_range);
    EXPECT_THROW(ws.ColorMapB(0, 32767), std::out_of_range);
}
