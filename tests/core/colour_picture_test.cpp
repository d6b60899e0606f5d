// Colour values, rounding, picture slots and the "Clear" button.

#include "test_pictures.h"
#include "workspace/numeric.h"
#include "workspace/workspace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <vector>

using namespace gloamery;
using namespace gloamery::testing;

TEST(ColourValue, SplitTruncatesThenTakesEachByte)
{
    struct Row {
        Colour value;
        int r, g, b;
    };
    const Row rows[] = {
        {-1, 255, 0, 0},         // a read outside a picture
        {0x00C8641E, 30, 100, 200},
        {-256, 0, 255, 0},       // truncating division, not a shift
        {-65536, 0, 0, 255},
        {0x7FFFFFFF, 255, 255, 255},
    };
    for (const Row& row : rows) {
        const Channels c = split(row.value);
        EXPECT_EQ(c.r, row.r) << "value " << row.value;
        EXPECT_EQ(c.g, row.g) << "value " << row.value;
        EXPECT_EQ(c.b, row.b) << "value " << row.value;
    }
}

TEST(ColourValue, ComposeLimitsEachChannelTo0To255)
{
    struct Row {
        int r, g, b;
        Colour value;
    };
    const Row rows[] = {
        {300, 20, 0, 5375},          // red counts as 255
        {1, 2, 3, 0x030201},
        {255, 255, 255, 0xFFFFFF},
        {-5, 10, -200, 10 * 256},    // below 0 counts as 0
        {256, 256, 1000, 0xFFFFFF},
    };
    for (const Row& row : rows)
        EXPECT_EQ(compose(row.r, row.g, row.b), row.value) << row.r << "," << row.g << "," << row.b;
}

TEST(Rounding, NearestGoesHalfToEvenAndFloorGoesDown)
{
    struct Row {
        double v, nearest, floor;
    };
    const Row rows[] = {
        {2.5, 2, 2},       {3.5, 4, 3},       {-0.5, 0, -1},        {-1.5, -2, -2},  {0.49999999999999994, 0, 0},
        {10.5, 10, 10},    {-2.7, -3, -3},    {7.0, 7, 7},          {-7.0, -7, -7},
        // Either side of 2^51, where the fast path hands over.
        {2251799813685247.5, 2251799813685248.0, 2251799813685247.0},
        {-2251799813685247.5, -2251799813685248.0, -2251799813685248.0},
        {2251799813685248.5, 2251799813685248.0, 2251799813685248.0},
        {1e300, 1e300, 1e300},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(nearest(row.v), row.nearest) << std::setprecision(17) << row.v;
        if (row.v > -1e9 && row.v < 1e9) {
            EXPECT_EQ(floorToInt(row.v), row.floor) << row.v;
        }
    }
    EXPECT_EQ(saturate32(1e300), 2147483647);
    EXPECT_EQ(saturate32(-1e300), -2147483647 - 1);
    EXPECT_EQ(saturate32(-2147483648.0), -2147483647 - 1);
    EXPECT_EQ(saturate32(std::nan("")), 0);
}

TEST(Picture, ReadsOutsideGiveMinusOneAndWritesOutsideDoNothing)
{
    Picture p(kWhite);
    p.setPixel(255, 255, 0x123456);
    EXPECT_EQ(p.pixel(255, 255), 0x123456);
    const Picture before = p;
    const int outside[][2] = {{256, 10}, {-1, 0}, {0, 256}, {10, -1}, {256, 256}, {-32768, 32767}};
    for (const auto& o : outside) {
        EXPECT_EQ(p.pixel(o[0], o[1]), -1) << "at " << o[0] << "," << o[1];
        p.setPixel(o[0], o[1], 0);
    }
    EXPECT_EQ(p, before);
}

TEST(Picture, PlaceCropsOrShowsTheBackground)
{
    struct Row {
        int w, h;
    };
    for (const Row& row : {Row{300, 280}, Row{100, 50}, Row{256, 256}, Row{0, 0}, Row{-5, 10}}) {
        std::vector<Colour> image(static_cast<std::size_t>(std::max(row.w, 0)) * std::max(row.h, 0));
        for (int y = 0; y < row.h; ++y)
            for (int x = 0; x < row.w; ++x) image[static_cast<std::size_t>(y) * row.w + x] = x + 1000 * y;
        Picture p(kInputBackground);
        p.setPixel(200, 200, 7); // replaced too
        p.place(row.w, row.h, image.data());
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                const Colour want = x < row.w && y < row.h ? x + 1000 * y : kInputBackground;
                ASSERT_EQ(p.pixel(x, y), want) << row.w << "x" << row.h << " at " << x << "," << y;
            }
    }
}

TEST(Workspace, SlotsStartWithTheirBackgrounds)
{
    struct Row {
        Slot slot;
        Colour background;
        int size;
    };
    const Row rows[] = {
        {Slot::Height, kInputBackground, 256}, {Slot::Work, kBlack, 20},   {Slot::Shadow, kWhite, 256},
        {Slot::Colour, kBlack, 256},           {Slot::Grass, kInputBackground, 256},
        {Slot::Stone, kInputBackground, 256},  {Slot::Texture, kWhite, 256}, {Slot::Detail, kInputBackground, 256},
    };
    const Workspace ws;
    EXPECT_EQ(kInputBackground, compose(240, 240, 240));
    for (const Row& row : rows) {
        const Picture p = slotPicture(ws, row.slot);
        EXPECT_EQ(p.width(), row.size) << "slot " << static_cast<int>(row.slot);
        EXPECT_EQ(p.height(), row.size) << "slot " << static_cast<int>(row.slot);
        EXPECT_EQ(countOther(p, row.background), 0) << "slot " << static_cast<int>(row.slot);
        EXPECT_EQ(slotBackground(row.slot), row.background) << "slot " << static_cast<int>(row.slot);
    }
}

TEST(Workspace, ClearEmptiesShadowAndWorkPicturesOnly)
{
    Workspace ws;
    for (int s = 1; s < kSlotCount; ++s) ws.picture(static_cast<Slot>(s)).setPixel(3, 4, 0x0A0B0C);
    ws.editHeightPicture([](Picture& p) { p.setPixel(3, 4, 0x0A0B0C); });
    const Workspace before = ws;
    for (int twice = 0; twice < 2; ++twice) {
        clearShadow(ws);
        for (int s = 0; s < kSlotCount; ++s) {
            const Slot slot = static_cast<Slot>(s);
            if (slot == Slot::Shadow || slot == Slot::Work)
                EXPECT_EQ(countOther(ws.picture(slot), slotBackground(slot)), 0) << "slot " << s;
            else
                EXPECT_EQ(slotPicture(ws, slot), slotPicture(before, slot)) << "slot " << s;
        }
    }
}
