// The compositing blends (overlay, soft light, screen) and the blend's
// opacity, against values worked out from their formulas by hand.

#include "compose/blend.h"
#include "compose/merge.h"
#include "test_pictures.h"

#include <gtest/gtest.h>

#include <random>

using namespace gloamery;
using namespace gloamery::testing;

namespace {

int channelOf(BlendMode mode, int s, int v, double opacity = kFullOpacity)
{
    return (*blendTable(mode, opacity))[static_cast<std::size_t>(s) * 256 + static_cast<std::size_t>(v)];
}

Workspace randomMaps(unsigned seed)
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

constexpr BlendMode kEveryMode[] = {BlendMode::Half,    BlendMode::Multiply,  BlendMode::MultiplyHalf, BlendMode::Multiply3,
                                    BlendMode::Overlay, BlendMode::SoftLight, BlendMode::Screen};

} // namespace

TEST(CompositingBlends, ChannelsAtTheExtremesAndMidpoints)
{
    // s is the light (source), v the texture channel (backdrop); the
    // results are 255 B rounded to nearest, B from the formulas.
    struct Row {
        BlendMode mode;
        int s, v, want;
    };
    const Row rows[] = {
        {BlendMode::Screen, 0, 0, 0},         {BlendMode::Screen, 0, 200, 200},     {BlendMode::Screen, 255, 0, 255},
        {BlendMode::Screen, 128, 0, 128},     {BlendMode::Screen, 128, 128, 192},   {BlendMode::Screen, 128, 64, 160},
        {BlendMode::Overlay, 0, 0, 0},        {BlendMode::Overlay, 255, 255, 255},  {BlendMode::Overlay, 0, 128, 1},
        {BlendMode::Overlay, 0, 200, 145},    {BlendMode::Overlay, 128, 128, 128},  {BlendMode::Overlay, 255, 51, 102},
        {BlendMode::Overlay, 255, 64, 128},   {BlendMode::Overlay, 128, 200, 200},  {BlendMode::SoftLight, 0, 0, 0},
        {BlendMode::SoftLight, 0, 128, 64},   {BlendMode::SoftLight, 0, 51, 10},    {BlendMode::SoftLight, 0, 200, 157},
        {BlendMode::SoftLight, 255, 255, 255}, {BlendMode::SoftLight, 255, 51, 114}, // D(b) below a quarter
        {BlendMode::SoftLight, 255, 64, 128}, {BlendMode::SoftLight, 255, 128, 181}, // square root above it
        {BlendMode::SoftLight, 128, 128, 128}, {BlendMode::SoftLight, 128, 0, 0},
    };
    for (const Row& r : rows)
        EXPECT_EQ(channelOf(r.mode, r.s, r.v), r.want)
            << "mode " << static_cast<int>(r.mode) << " s " << r.s << " v " << r.v;
}

TEST(CompositingBlends, OpacityMixesTheBlendOverTheTexture)
{
    struct Row {
        BlendMode mode;
        double opacity;
        int s, v, want;
    };
    const Row rows[] = {
        {BlendMode::Multiply, 50, 0, 200, 110},  // 0.5 x 200 + 0.5 x 20
        {BlendMode::Screen, 25, 255, 0, 64},     // 0.25 x 255 = 63.75
        {BlendMode::Half, 50, 255, 0, 64},       // 0.5 x 127.5, unrounded first
        {BlendMode::Multiply3, 50, 255, 200, 228}, // the blend's 398 counts as 255
        {BlendMode::Overlay, 0, 255, 64, 64},
        {BlendMode::SoftLight, -5, 0, 200, 200}, // below 0 counts as 0
        {BlendMode::Screen, 250, 128, 128, 192}, // above 100 as 100
    };
    for (const Row& r : rows)
        EXPECT_EQ(channelOf(r.mode, r.s, r.v, r.opacity), r.want)
            << "mode " << static_cast<int>(r.mode) << " opacity " << r.opacity;
    // No opacity leaves the texture.
    for (BlendMode mode : kEveryMode) {
        int changed = 0;
        const auto none = blendTable(mode, 0);
        for (int s = 0; s < 256; ++s)
            for (int v = 0; v < 256; ++v) changed += (*none)[s * 256 + v] != v;
        EXPECT_EQ(changed, 0) << static_cast<int>(mode);
    }
}

TEST(CompositingBlends, FullOpacityMergesAsBeforeAndEveryModeWritesEveryPixel)
{
    const Workspace base = randomMaps(11);
    for (BlendMode mode : kEveryMode)
        for (bool blur : {false, true}) {
            Workspace before = base, after = base;
            SilentReporter quiet;
            Merge(before, blur, mode, quiet);
            fill(after.picture(Slot::Colour), -5);
            Merge(after, blur, mode, kFullOpacity, quiet);
            EXPECT_EQ(before.picture(Slot::Colour), after.picture(Slot::Colour)) << static_cast<int>(mode);
            EXPECT_EQ(countOther(after.picture(Slot::Colour), -5), 256 * 256);
            // A picture merged through the plane (not the slot's greys) gives the same.
            Workspace picture = base;
            picture.picture(Slot::Shadow).setPixel(0, 0, compose(10, 20, 30));
            Workspace greyAgain = base;
            greyAgain.picture(Slot::Shadow).setPixel(0, 0, grey(10));
            Merge(picture, blur, mode, 40, quiet);
            Merge(greyAgain, blur, mode, 40, quiet);
            EXPECT_EQ(picture.picture(Slot::Colour), greyAgain.picture(Slot::Colour)) << static_cast<int>(mode);
        }
}
