// The height slot: samples kept once, at their depth, and the picture made
// from them as the panel shows it and the savers write it.

#include "workspace/workspace.h"

#include "test_pictures.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <utility>
#include <vector>

using namespace gloamery;
using namespace gloamery::testing;

namespace {

// A 5 x 3 picture whose pixels tell their place apart; grey or in colour.
Picture patterned(bool colour)
{
    Picture p(kInputBackground, 5, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            const int v = 40 * y + 7 * x;
            p.setPixel(x, y, colour ? compose(v, 255 - v, (x * 91) & 255) : grey(v));
        }
    return p;
}

} // namespace

// Whatever the picture put in the slot, the runs read its red bytes and the
// picture shown (and saved) is the one put there, colour and all, at any
// size it is placed, tiled or resized to.
TEST(HeightSlot, ShowsThePictureItWasGivenAndRunsReadItsRedBytes)
{
    struct Case {
        const char* name;
        bool colour;
        int w, h;
        bool tile;
    };
    const Case cases[] = {{"grey, same size", false, 5, 3, false}, {"colour, same size", true, 5, 3, false},
                          {"grey, placed on a larger map", false, 8, 4, false},
                          {"colour, placed on a smaller map", true, 3, 2, false},
                          {"colour, tiled", true, 12, 7, true}, {"grey, tiled", false, 11, 5, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Picture given = patterned(c.colour);
        Workspace ws(c.w, c.h);
        ws.setHeightPicture(given, c.tile);

        Picture expected(kInputBackground, c.w, c.h);
        if (c.tile) expected = tiled(given, c.w, c.h);
        else expected.place(given.width(), given.height(), given.data());
        EXPECT_EQ(countDifferent(ws.heightPicture(), expected), 0);
        EXPECT_FALSE(ws.deepHeights());

        const ByteGrid& read = *readHeights(ws).byteGrid();
        for (int y = 0; y <= c.h; ++y)
            for (int x = 0; x <= c.w; ++x)
                ASSERT_EQ(read(x, y), red(expected.pixel(x, y))) << x << "," << y; // 255 outside

        ws.resize(c.w + 3, c.h + 2); // repeated, colour and all
        EXPECT_EQ(countDifferent(ws.heightPicture(), tiled(expected, c.w + 3, c.h + 2)), 0);
    }
}

// Deep samples show as nearest(v / 257) in grey; the runs share them.
TEST(HeightSlot, DeepSamplesShowAsGreyAndAreSharedNotCopied)
{
    const std::vector<std::uint16_t> v = {0, 128, 129, 385, 65535, 40000};
    Workspace ws(3, 2);
    ws.setDeepHeights(HeightSamples(3, 2, v.data()));
    ASSERT_TRUE(ws.deepHeights());
    const Picture shown = ws.heightPicture();
    for (int i = 0; i < 6; ++i) EXPECT_EQ(shown.at(i % 3, i / 3), grey(shownByte(v[i]))) << v[i];
    EXPECT_EQ(ws.heightSamples(), HeightSamples(3, 2, v.data()));

    const HeightGrid a = readHeights(ws), b = readHeights(ws);
    EXPECT_EQ(a.deepGrid(), b.deepGrid()) << "each run reads the slot's own samples";
    const Workspace copy = ws;
    EXPECT_EQ(readHeights(copy).deepGrid(), a.deepGrid()) << "a copy of the workspace shares them";
    EXPECT_EQ((*a.deepGrid())(3, 0), 65535) << "outside: the top sample";

    ws.clearDeepHeights(); // 8-bit, what was shown
    EXPECT_FALSE(ws.deepHeights());
    EXPECT_EQ(ws.heightPicture(), shown);
    EXPECT_TRUE(readHeights(copy).deep()) << "the copy keeps its samples";
}

TEST(HeightSlot, TheHeightSlotHasNoStoredPicture)
{
    Workspace ws;
    EXPECT_THROW(ws.picture(Slot::Height), std::logic_error);
    EXPECT_THROW(std::as_const(ws).picture(Slot::Height), std::logic_error);
    EXPECT_EQ(slotPicture(ws, Slot::Height), Picture(kInputBackground));
    EXPECT_EQ(ws.heights().bytes(), std::size_t{320 * 257}) << "a byte a sample, rows padded to 5 cache lines";
}
