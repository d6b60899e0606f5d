// The four blend modes, run through Merge on whole maps.

#include "compose/blend.h"
#include "compose/merge.h"
#include "test_pictures.h"
#include "workspace/numeric.h"

#include <gtest/gtest.h>

#include <random>

using namespace gloamery;
using namespace gloamery::testing;

namespace {

const char* caption(BlendMode m)
{
    switch (m) {
    case BlendMode::Half: return "50/50";
    case BlendMode::Multiply: return "Multiply";
    case BlendMode::MultiplyHalf: return "Multiply/2";
    case BlendMode::Multiply3: return "Multiply/3";
    case BlendMode::Overlay: return "Overlay";
    case BlendMode::SoftLight: return "Soft light";
    case BlendMode::Screen: return "Screen";
    }
    return "?";
}

// Merges the shadow map (unsmoothed) and the texture map into the colour
// map, which starts with a value no blend can produce.
const Picture& merged(Workspace& ws, BlendMode mode)
{
    fill(ws.picture(Slot::Colour), -5);
    SilentReporter quiet;
    Merge(ws, false, mode, quiet);
    return ws.picture(Slot::Colour);
}

// A random light level under every pixel of a random texture.
Workspace randomLightAndTexture(unsigned seed)
{
    std::mt19937 rng(seed);
    Workspace ws;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            ws.picture(Slot::Shadow).setPixel(x, y, grey(static_cast<int>(rng() & 255)));
            ws.picture(Slot::Texture).setPixel(x, y, static_cast<Colour>(rng() & 0xFFFFFF));
        }
    return ws;
}

} // namespace

TEST(BlendModes, WorkedPixelsOverWholeMaps)
{
    // Uniform light level and texture, so every pixel of the map must match.
    struct Row {
        BlendMode mode;
        int s;
        Channels texture, expected;
    };
    const Row rows[] = {
        {BlendMode::Half, 100, {51, 200, 7}, {76, 150, 54}},
        {BlendMode::Half, 0, {1, 3, 255}, {0, 2, 128}},
        {BlendMode::Half, 255, {0, 2, 255}, {128, 128, 255}},
        {BlendMode::Multiply, 255, {100, 240, 232}, {110, 255, 255}},
        {BlendMode::Multiply, 255, {231, 0, 1}, {254, 0, 1}},
        {BlendMode::Multiply, 0, {255, 25, 15}, {26, 2, 2}},
        {BlendMode::Multiply, 0, {5, 100, 0}, {0, 10, 0}},
        {BlendMode::MultiplyHalf, 0, {255, 253, 3}, {128, 126, 2}},
        {BlendMode::MultiplyHalf, 255, {255, 1, 100}, {255, 1, 100}},
        {BlendMode::Multiply3, 128, {200, 0, 255}, {120, 0, 154}},
        {BlendMode::Multiply3, 129, {200, 0, 255}, {202, 0, 255}},
        {BlendMode::Multiply3, 255, {200, 100, 128}, {255, 199, 255}},
        {BlendMode::Multiply3, 0, {255, 25, 0}, {26, 2, 0}},
    };
    for (const Row& r : rows) {
        Workspace ws;
        fill(ws.picture(Slot::Shadow), grey(r.s));
        fill(ws.picture(Slot::Texture), compose(r.texture.r, r.texture.g, r.texture.b));
        const Colour want = compose(r.expected.r, r.expected.g, r.expected.b);
        const Picture& colour = merged(ws, r.mode);
        EXPECT_EQ(countOther(colour, want), 0) << caption(r.mode) << " s " << r.s << " texture (" << r.texture.r
                                               << "," << r.texture.g << "," << r.texture.b << ") first pixel "
                                               << std::hex << colour.pixel(0, 0);
    }
}

TEST(BlendModes, ChannelsAreIndependent)
{
    // Changing one texture channel changes only that channel of the result.
    const Workspace base = randomLightAndTexture(42);
    for (BlendMode mode : {BlendMode::Half, BlendMode::Multiply, BlendMode::MultiplyHalf, BlendMode::Multiply3}) {
        Workspace ws = base;
        const Picture before = merged(ws, mode);
        for (int channel = 0; channel < 3; ++channel) {
            const int shift = 8 * channel;
            Workspace changed = base;
            Picture& t = changed.picture(Slot::Texture);
            for (int y = 0; y < 256; ++y)
                for (int x = 0; x < 256; ++x) t.setPixel(x, y, t.pixel(x, y) ^ (0x5A << shift));
            const Picture& after = merged(changed, mode);
            int leaked = 0;
            for (int y = 0; y < 256; ++y)
                for (int x = 0; x < 256; ++x)
                    leaked += ((before.pixel(x, y) ^ after.pixel(x, y)) & ~(0xFF << shift)) != 0;
            EXPECT_EQ(leaked, 0) << caption(mode) << " channel " << channel;
        }
    }
}

TEST(BlendModes, WriteEveryPixelAndReadOnlyTheirInputs)
{
    std::mt19937 rng(3);
    Workspace ws;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            ws.picture(Slot::Shadow).setPixel(x, y, grey(static_cast<int>(rng() & 255)));
            ws.picture(Slot::Texture).setPixel(x, y, static_cast<Colour>(rng() & 0xFFFFFF));
        }
    const Picture texture = ws.picture(Slot::Texture);
    const Picture shadow = ws.picture(Slot::Shadow);
    for (BlendMode mode : {BlendMode::Half, BlendMode::Multiply, BlendMode::MultiplyHalf, BlendMode::Multiply3}) {
        EXPECT_EQ(countOther(merged(ws, mode), -5), 256 * 256) << caption(mode);
        EXPECT_EQ(ws.picture(Slot::Texture), texture) << caption(mode);
        EXPECT_EQ(ws.picture(Slot::Shadow), shadow) << caption(mode);
    }
}

TEST(BlendModes, MergeSmoothsBeforeBlending)
{
    // A black shadow map with blur: the far column reads 96, the rest 0.
    Workspace ws;
    fill(ws.picture(Slot::Shadow), kBlack);
    fill(ws.picture(Slot::Texture), grey(100));
    SilentReporter quiet;
    Merge(ws, true, BlendMode::Half, quiet);
    EXPECT_EQ(ws.picture(Slot::Colour).pixel(255, 100), grey(98)); // (96 + 100) / 2
    EXPECT_EQ(ws.picture(Slot::Colour).pixel(100, 100), grey(50));
}

TEST(BlendModes, EachPixelTakesItsOwnLightLevel)
{
    // Uneven maps, so a light level paired with the wrong pixel shows.
    const auto factor = [](BlendMode m, int s) {
        switch (m) {
        case BlendMode::Multiply: return s / 255.0 + 0.1;
        case BlendMode::MultiplyHalf: return s / 512.0 + 0.5;
        case BlendMode::Multiply3: return s <= 128 ? s / 255.0 + 0.1 : s / 128.0;
        default: return 0.0;
        }
    };
    const Workspace base = randomLightAndTexture(5);
    for (BlendMode mode : {BlendMode::Half, BlendMode::Multiply, BlendMode::MultiplyHalf, BlendMode::Multiply3}) {
        Workspace ws = base;
        const Picture& colour = merged(ws, mode);
        for (int x = 0; x < 256; ++x)
            for (int y = 0; y < 256; ++y) {
                const int s = red(base.picture(Slot::Shadow).pixel(x, y));
                const Channels v = split(base.picture(Slot::Texture).pixel(x, y));
                const auto w = [&](int c) {
                    return static_cast<int>(mode == BlendMode::Half ? nearest((s + c) / 2.0) : nearest(c * factor(mode, s)));
                };
                ASSERT_EQ(colour.pixel(x, y), compose(w(v.r), w(v.g), w(v.b))) << caption(mode) << " at " << x << "," << y;
            }
    }
}
