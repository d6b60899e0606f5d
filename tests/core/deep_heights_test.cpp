// Deep (16-bit) heights: one traversal for both depths, checked against
// the 8-bit results through samples that are multiples of 257, and shown
// to read the extra precision where the samples are not.

#include "compose/texture.h"
#include "shadow/shade_tables.h"
#include "inputs/shadow_inputs.h"
#include "workspace/view_maps.h"
#include "test_pictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

using namespace gloamery;
using namespace gloamery::testing;

namespace {

enum class Button { Linear, LinearSim, Sin, Cos, Embossed, Texture, Texture2 };

// Runs one button and the view maps; what every run leaves behind.
struct Results {
    Picture shadow, colour, texture;
    FloatGrid heightGrid;
    bool operator==(const Results&) const = default;
};

Results run(Workspace ws, Button r, const Controls& c)
{
    SilentReporter quiet;
    if (r == Button::Texture) makeTexture(ws, c.contrast, quiet);
    else if (r == Button::Texture2) makeTexture2(ws, c.contrast, quiet);
    else EXPECT_FALSE(runShadowButton(ws, static_cast<ShadowMode>(static_cast<int>(r)), c, parseCNumber, quiet));
    return {ws.picture(Slot::Shadow), ws.picture(Slot::Colour), ws.picture(Slot::Texture), CalculateMaps(ws, quiet).height};
}

// A pair of maps of the same heights: 8-bit bytes and deep samples 257 times them.
std::pair<Workspace, Workspace> randomPair(int w, int h, unsigned seed, int top)
{
    std::mt19937 rng(seed);
    Workspace bytes(w, h), deep(w, h);
    std::vector<std::uint16_t> samples;
    Picture picture = bytes.heightPicture();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int v = static_cast<int>(rng() % (top + 1));
            picture.setPixel(x, y, grey(v));
            samples.push_back(static_cast<std::uint16_t>(257 * v));
        }
    bytes.setHeightPicture(picture);
    deep.setDeepHeights(HeightSamples(w, h, samples.data()));
    return {bytes, deep};
}

Controls controls(const std::string& x0, const std::string& y0, const std::string& decay, int darkness)
{
    Controls c;
    c.x0 = x0;
    c.y0 = y0;
    c.alt = decay;
    c.darkness = darkness;
    c.contrast = 40;
    return c;
}

} // namespace

TEST(DeepHeights, MultiplesOf257GiveTheBytesOfTheEightBitMapInEveryMode)
{
    const struct {
        int w, h;
        unsigned seed;
        int top;
        const char *x0, *y0, *decay;
        int darkness;
    } cases[] = {
        {37, 23, 1, 255, "10", "5", "5", 128},     // sun inside, the usual decay
        {40, 40, 2, 60, "-30", "70", "1", 255},    // sun outside, gentle terrain
        {23, 31, 3, 255, "50", "-9", "-2", 200},   // negative decay, skipped steps
        {16, 16, 4, 255, "8", "8", "0", 0},        // no decay
        {64, 9, 5, 255, "0", "0", "17", 90},
    };
    for (const auto& t : cases) {
        auto [bytes, deep] = randomPair(t.w, t.h, t.seed, t.top);
        const Controls c = controls(t.x0, t.y0, t.decay, t.darkness);
        for (Button r : {Button::Linear, Button::LinearSim, Button::Sin, Button::Cos, Button::Embossed, Button::Texture, Button::Texture2})
            EXPECT_TRUE(run(bytes, r, c) == run(deep, r, c))
                << t.w << " x " << t.h << " seed " << t.seed << ", run " << static_cast<int>(r);
    }
}

TEST(DeepHeights, AFractionalDecayTakesTheDeepPath)
{
    // 257 x 2.3 = 591.1 deep units a step round differently from 2.3 8-bit
    // units a step: the deep map must not be read through its bytes.
    auto [bytes, deep] = randomPair(48, 48, 7, 255);
    const Controls c = controls("-20", "10", "2.3", 200);
    for (Button r : {Button::Linear, Button::Sin, Button::Embossed})
        EXPECT_GT(countDifferent(run(bytes, r, c).shadow, run(deep, r, c).shadow), 0) << static_cast<int>(r);
}

TEST(DeepHeights, ASmoothRampEmbossesEvenlyWhereItsBytesMakeStripes)
{
    // Heights rising 40 deep units a column, lit from far to the left: every
    // step is a rise of the same size, while the bytes rise every sixth or
    // seventh column only.
    const int w = 64, h = 16;
    std::vector<std::uint16_t> ramp;
    Workspace bytes(w, h), deep(w, h);
    Picture picture = bytes.heightPicture();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            ramp.push_back(static_cast<std::uint16_t>(1000 + 40 * x));
            picture.setPixel(x, y, grey(shownByte(ramp.back())));
        }
    bytes.setHeightPicture(picture);
    deep.setDeepHeights(HeightSamples(w, h, ramp.data()));
    const Controls c = controls("-5000", "8", "0.1", 128);
    auto shades = [&](const Workspace& ws) {
        const Picture shadow = run(ws, Button::Embossed, c).shadow;
        std::set<Colour> seen;
        for (int y = 0; y < h; ++y)
            for (int x = 2; x < w; ++x) seen.insert(shadow.pixel(x, y));
        seen.erase(kWhite); // pixels between the nearly parallel rays
        return seen;
    };
    EXPECT_EQ(shades(deep), std::set<Colour>{grey(129)});
    EXPECT_GT(shades(bytes).size(), 1u);
}

TEST(DeepHeights, TheHeightSlotShowsItsSamplesAndKeepsThemWhileItsPictureDoes)
{
    Workspace ws(4, 3);
    const std::uint16_t two[] = {300, 65535, 128, 129}; // 2 x 2
    ws.setDeepHeights(HeightSamples(2, 2, two));
    const std::uint16_t under = static_cast<std::uint16_t>(257 * red(ws.heights().background()));
    const DeepGrid expected = [&] {
        DeepGrid g(4, 3, 65535);
        const std::uint16_t rows[3][4] = {{300, 65535, under, under}, {128, 129, under, under}, {under, under, under, under}};
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x) g(x, y) = rows[y][x];
        return g;
    }();
    EXPECT_EQ(*readHeights(ws).deepGrid(), expected);
    // Shown as nearest(v / 257): 300 -> 1, 128 -> 0, 129 -> 1.
    EXPECT_EQ(ws.heightPicture().pixel(0, 0), grey(1));
    EXPECT_EQ(ws.heightPicture().pixel(0, 1), grey(0));
    EXPECT_EQ(ws.heightPicture().pixel(1, 1), grey(1));

    Workspace grown = ws;
    grown.resize(6, 5); // tiled like the picture
    EXPECT_EQ((*readHeights(grown).deepGrid())(5, 4), expected(1, 1));

    Workspace tiledOne(3, 3);
    tiledOne.setDeepHeights(HeightSamples(2, 2, two), true);
    EXPECT_EQ((*readHeights(tiledOne).deepGrid())(2, 2), 300);

    // An edit of the picture that changes a height wins over the samples;
    // one that leaves the picture showing them does not.
    Workspace touched = ws;
    touched.editHeightPicture([](Picture& p) { p.setPixel(0, 0, grey(1)); });
    EXPECT_TRUE(readHeights(touched).deep());
    EXPECT_TRUE(readHeights(touched).sameBuffer(readHeights(ws))) << "the samples are shared, not copied";
    Workspace pasted = ws;
    pasted.editHeightPicture([](Picture& p) { p.setPixel(0, 0, grey(9)); });
    EXPECT_FALSE(readHeights(pasted).deep());
    EXPECT_EQ((*readHeights(pasted).byteGrid())(0, 0), 9);
    EXPECT_EQ((*readHeights(pasted).byteGrid())(1, 1), 1) << "the rest as shown";
    Workspace pastedThenGrown = pasted; // resizing tiles both alike, but the paste still wins
    pastedThenGrown.resize(6, 5);
    EXPECT_FALSE(readHeights(pastedThenGrown).deep());
    ws.clearDeepHeights();
    EXPECT_FALSE(readHeights(ws).deep());
}

// Deep shade tables keep runs of 256 levels: every level, on the map and
// off it, must read what the formula gives, for a shade that changes once
// in a run, one that changes twice, and one that changes too often for runs.
template <int Every>
int stairs(int darkness, std::int32_t level)
{
    return std::clamp(255 - darkness * level / Every / 256, 0, 255);
}

TEST(DeepHeights, ShadeTablesGiveTheFormulaAtEveryLevel)
{
    for (int darkness : {0, 1, 50, 128, 255}) {
        const ShadeTable<std::uint16_t, stairs<257>> once(darkness);
        const ShadeTable<std::uint16_t, stairs<150>> twice(darkness);
        const ShadeTable<std::uint16_t, stairs<1>> often(darkness);
        for (std::int32_t level = -600; level <= 66000; ++level) {
            ASSERT_EQ(once(level), stairs<257>(darkness, level)) << "darkness " << darkness << ", level " << level;
            ASSERT_EQ(twice(level), stairs<150>(darkness, level)) << "darkness " << darkness << ", level " << level;
            ASSERT_EQ(often(level), stairs<1>(darkness, level)) << "darkness " << darkness << ", level " << level;
        }
    }
}
