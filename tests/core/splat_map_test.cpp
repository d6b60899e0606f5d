// The splat map: the texture buttons' own stone weights, limited to 0..1,
// as green (stone) and red (grass), on random scenes at both depths and in
// regions of a world.

#include "compose/texture.h"
#include "workspace/numeric.h"
#include "workspace/world.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>
#include <vector>

using namespace gloamery;

namespace {

struct Scene {
    int w, h;
    bool deep;
    std::vector<int> samples; // deep samples, or 8-bit levels
};

Scene randomScene(std::mt19937& rng, bool deep)
{
    Scene s{static_cast<int>(3 + rng() % 60), static_cast<int>(3 + rng() % 40), deep, {}};
    const int top = deep ? 65535 : 255;
    // Smooth ground with a few cliffs, so both the height and slope rules
    // and the weights above 1 are met.
    for (int y = 0; y < s.h; ++y)
        for (int x = 0; x < s.w; ++x) {
            const int v = static_cast<int>(rng() % static_cast<unsigned>(top / 8)) + (x * 7 + y * 3) * top / 400;
            s.samples.push_back(rng() % 9 == 0 ? static_cast<int>(rng() % static_cast<unsigned>(top + 1)) : std::min(v, top));
        }
    return s;
}

Workspace workspaceOf(const Scene& s)
{
    Workspace ws(s.w, s.h);
    if (s.deep) {
        const std::vector<std::uint16_t> v(s.samples.begin(), s.samples.end());
        ws.setDeepHeights(HeightSamples(s.w, s.h, v.data()));
    } else {
        ws.editHeightPicture([&](Picture& p) {
            for (int y = 0; y < s.h; ++y)
                for (int x = 0; x < s.w; ++x) p.setPixel(x, y, grey(s.samples[static_cast<std::size_t>(y) * s.w + x]));
        });
    }
    ws.picture(Slot::Grass) = Picture(kBlack, s.w, s.h);
    ws.picture(Slot::Stone) = Picture(kWhite, s.w, s.h);
    return ws;
}

std::vector<std::uint16_t> splat(const SplatRows& rows, int w, int h)
{
    std::vector<std::uint16_t> out(4 * static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y) rows(y, out.data() + 4 * static_cast<std::size_t>(w) * y);
    return out;
}

// The weights written out slowly from the buttons' rules, in 8-bit levels.
double referenceWeight(const Scene& s, bool bySlope, int v, int x, int y)
{
    const double unit = s.deep ? 257.0 : 1.0;
    const auto H = [&](int px, int py) {
        return px >= s.w || py >= s.h ? 255 * unit : s.samples[static_cast<std::size_t>(py) * s.w + px];
    };
    const double t = H(x, y) / (255 * unit);
    if (!bySlope) return t > 0.5 ? (v / 100.0 + 1) * t : t;
    if (x < 2) return t > 0.5 ? v / 100.0 + t : (v / 100.0 + 1) * t / 2;
    double d = std::abs(H(x + 1, y) - H(x - 1, y));
    if (y >= 2) d = std::max(d, std::abs(H(x, y + 1) - H(x, y - 1)));
    return d / (32 * unit);
}

TEST(SplatMap, StoneIsTheTextureButtonsWeightAndGrassTheRest)
{
    std::mt19937 rng(45);
    for (int trial = 0; trial < 24; ++trial) {
        const bool deep = trial % 2, bySlope = trial % 4 >= 2;
        const int contrast = static_cast<int>(rng() % 101);
        const Scene s = randomScene(rng, deep);
        Workspace ws = workspaceOf(s);
        SilentReporter quiet;
        (bySlope ? makeTexture2 : makeTexture)(ws, contrast, quiet);
        ASSERT_TRUE(ws.splatRows());
        const auto map = splat(*ws.splatRows(), s.w, s.h);
        const std::string what = std::string(bySlope ? "Make Texture2" : "Make Texture") + " contrast "
                               + std::to_string(contrast) + (deep ? " deep" : "");
        for (int y = 0; y < s.h; ++y)
            for (int x = 0; x < s.w; ++x) {
                const std::size_t i = 4 * (static_cast<std::size_t>(y) * s.w + x);
                const double t = std::clamp(referenceWeight(s, bySlope, contrast, x, y), 0.0, 1.0);
                ASSERT_EQ(map[i + 1], nearest(255 * t)) << what << " at " << x << "," << y;
                ASSERT_EQ(map[i] + map[i + 1], 255) << what;
                ASSERT_EQ(map[i + 2] + map[i + 3], 0) << what;
                // Black grass, white stone: the texture is the weight itself,
                // brightened by "Make Texture2"'s gain.
                const int shown = red(ws.picture(Slot::Texture).pixel(x, y));
                const double gain = bySlope ? 1.35 : 1.0;
                EXPECT_EQ(shown, std::min(255.0, nearest(referenceWeight(s, bySlope, contrast, x, y) * 255 * gain)))
                    << what << " at " << x << "," << y;
            }
    }
}

TEST(SplatMap, RegionsOfAWorldJoinIntoTheWholeMap)
{
    std::mt19937 rng(7);
    for (int trial = 0; trial < 8; ++trial) {
        const bool deep = trial % 2, bySlope = trial % 4 >= 2;
        const Scene s = randomScene(rng, deep);
        const Workspace whole = workspaceOf(s);
        const auto want = splat(splatRows(whole, 60, bySlope), s.w, s.h);
        const SampledHeights source(s.w, s.h, deep, [&](int x, int y) {
            return x < s.w && y < s.h ? s.samples[static_cast<std::size_t>(y) * s.w + x] : (deep ? 65535 : 255);
        });
        const int cutX = 1 + static_cast<int>(rng() % static_cast<unsigned>(s.w));
        const int cutY = 1 + static_cast<int>(rng() % static_cast<unsigned>(s.h));
        for (const auto& [x, y, w, h] : {std::array<int, 4>{0, 0, cutX, cutY}, {cutX - 1, cutY - 1, s.w - cutX + 1, s.h - cutY + 1}}) {
            const WorldRegion held = heldBox(s.w, s.h, {x, y, w, h});
            auto window = source.read(textureHeights(held));
            const auto heights = std::make_shared<const HeightWindow>(std::get<HeightWindow>(std::move(window)));
            Workspace ws(held.area.width, held.area.height);
            SilentReporter quiet;
            makeTextureRegion(ws, 60, bySlope, held, heights, quiet);
            const auto part = splat(*ws.splatRows(), held.area.width, held.area.height);
            for (int yy = 0; yy < held.area.height; ++yy)
                for (int xx = 0; xx < 4 * held.area.width; ++xx)
                    ASSERT_EQ(part[4 * static_cast<std::size_t>(yy) * held.area.width + xx],
                              want[4 * (static_cast<std::size_t>(yy + held.area.y0) * s.w + held.area.x0) + xx])
                        << "trial " << trial << " region " << x << "," << y << " at " << xx / 4 << "," << yy;
        }
    }
}

TEST(SplatMap, KeptFromTheLastTextureRunWithTheHeightsItRead)
{
    std::mt19937 rng(3);
    const Scene s = randomScene(rng, false);
    Workspace ws = workspaceOf(s);
    EXPECT_FALSE(ws.splatRows()) << "before a texture button";
    SilentReporter quiet;
    makeTexture(ws, 20, quiet);
    makeTexture2(ws, 70, quiet);
    const auto want = splat(splatRows(ws, 70, true), s.w, s.h);
    // New heights after the run: the splat map is still the run's.
    ws.setHeightPicture(Picture(grey(9), s.w, s.h));
    EXPECT_EQ(splat(*ws.splatRows(), s.w, s.h), want);
    const Workspace copy = ws;
    EXPECT_EQ(splat(*copy.splatRows(), s.w, s.h), want);
    ws.resize(s.w + 1, s.h);
    EXPECT_FALSE(ws.splatRows()) << "after a resize, which starts the texture map afresh";
}

} // namespace
