// Regions of a world: any split of a world into regions, each lit on its
// own from the heights it reads, gives the shadow, texture and colour maps
// of one whole run, byte for byte; and the exact sums that take a ray up
// half-way.

#include "compose/texture.h"
#include "shadow/region_plan.h"
#include "inputs/operations.h"
#include "inputs/shadow_inputs.h"
#include "workspace/world.h"
#include "test_pictures.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>
#include <string>
#include <vector>

using namespace gloamery;

namespace {

struct World {
    int w;
    int h;
    bool deep;
    std::vector<int> heights; // w x h, row-major
    Picture grass;
    Picture stone;

    int top() const { return deep ? 65535 : 255; }
    int at(int x, int y) const { return x < w && y < h ? heights[static_cast<std::size_t>(y) * w + x] : top(); }
};

// Rolling terrain with cliffs and noise, so that rays are lifted, shade
// long stretches and fade out; textures of odd sizes, so that a region
// sees them repeated from the world's origin.
World randomWorld(int w, int h, bool deep, unsigned seed)
{
    std::mt19937 rng(seed);
    World world{w, h, deep, {}, Picture(kWhite, 7, 5), Picture(kWhite, 11, 13)};
    const double fx = 0.05 + rng() % 100 / 400.0, fy = 0.05 + rng() % 100 / 400.0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double v = 0.5 + 0.3 * std::sin(x * fx) * std::cos(y * fy) + ((x / 9 + y / 7) % 3 == 0 ? 0.15 : 0)
                           + (rng() % 100) / 1000.0;
            world.heights.push_back(static_cast<int>(std::clamp(v, 0.0, 1.0) * world.top()));
        }
    for (Picture* p : {&world.grass, &world.stone})
        for (int y = 0; y < p->height(); ++y)
            for (int x = 0; x < p->width(); ++x) p->setPixel(x, y, static_cast<Colour>(rng() & 0xffffff));
    return world;
}

// Cuts 0 < c1 < c2 < ... < side, with 1-pixel strips now and then.
std::vector<int> randomCuts(int side, std::mt19937& rng)
{
    std::vector<int> cuts{0};
    while (cuts.back() < side) {
        const int step = rng() % 4 == 0 ? 1 : 1 + static_cast<int>(rng() % static_cast<unsigned>(side));
        cuts.push_back(std::min(side, cuts.back() + step));
    }
    return cuts;
}

struct Recipe {
    bool bySlope;
    std::vector<ShadowMode> modes;
    Controls controls;
};

std::string describe(const World& world, const Recipe& run)
{
    return std::to_string(world.w) + "x" + std::to_string(world.h) + (world.deep ? " deep" : " 8-bit") + " sun "
         + run.controls.x0 + "," + run.controls.y0 + " decay " + run.controls.alt + (run.controls.blur ? " blur" : "")
         + (run.bySlope ? " make-texture2" : " make-texture") + " mode " + std::to_string(static_cast<int>(run.modes[0]));
}

Workspace wholeRun(const World& world, const Recipe& run)
{
    Workspace ws(world.w, world.h);
    if (world.deep) {
        std::vector<std::uint16_t> samples(world.heights.begin(), world.heights.end());
        ws.setDeepHeights(HeightSamples(world.w, world.h, samples.data()));
    } else {
        ws.editHeightPicture([&](Picture& p) {
            for (int y = 0; y < world.h; ++y)
                for (int x = 0; x < world.w; ++x) p.setPixel(x, y, grey(world.at(x, y)));
        });
    }
    ws.picture(Slot::Grass) = tiled(world.grass, world.w, world.h);
    ws.picture(Slot::Stone) = tiled(world.stone, world.w, world.h);
    SilentReporter quiet;
    if (run.bySlope) makeTexture2(ws, run.controls.contrast, quiet);
    else makeTexture(ws, run.controls.contrast, quiet);
    for (ShadowMode mode : run.modes) EXPECT_FALSE(runShadowButton(ws, mode, run.controls, parseCNumber, quiet));
    return ws;
}

// Lights every region of the split on its own and compares it with the
// whole run's pixels there.
void expectRegionsMatch(const World& world, const Recipe& run, const Workspace& whole, const std::vector<int>& xs,
                        const std::vector<int>& ys)
{
    const SampledHeights source(world.w, world.h, world.deep, [&](int x, int y) { return world.at(x, y); });
    SilentReporter quiet;
    for (std::size_t j = 0; j + 1 < ys.size(); ++j)
        for (std::size_t i = 0; i + 1 < xs.size(); ++i) {
            const int x = xs[i], y = ys[j], w = xs[i + 1] - x, h = ys[j + 1] - y;
            const WorldRegion held = heldBox(world.w, world.h, {x, y, w, h});
            Workspace ws(held.area.width, held.area.height);
            ws.picture(Slot::Grass) = windowOf(world.grass, held, true);
            ws.picture(Slot::Stone) = windowOf(world.stone, held, true);
            const auto window = source.read(textureHeights(held));
            makeTextureRegion(ws, run.controls.contrast, run.bySlope, held, std::get<HeightWindow>(window), quiet);
            for (ShadowMode mode : run.modes) {
                const auto params = readShadowParams(run.controls, parseCNumber, mode, kWorldSunReach);
                ASSERT_TRUE(std::holds_alternative<ShadowParams>(params));
                ASSERT_FALSE(runShadowRegionAndMerge(ws, held, source, mode, std::get<ShadowParams>(params), run.controls, quiet));
            }
            for (Slot s : {Slot::Shadow, Slot::Texture, Slot::Colour}) {
                const Picture mine = cropped(ws.picture(s), x - held.area.x0, y - held.area.y0, w, h);
                const Picture theirs = cropped(whole.picture(s), x, y, w, h);
                if (mine == theirs) continue;
                int px = 0, py = 0;
                while (mine.at(px, py) == theirs.at(px, py))
                    if (++px == w) px = 0, ++py;
                ADD_FAILURE() << describe(world, run) << ": " << slotName(s) << " of region " << x << "," << y << " " << w
                              << "x" << h << " differs first at " << x + px << "," << y + py;
                return;
            }
        }
}

TEST(Region, AnySplitOfAWorldGivesTheWholeRunsBytes)
{
    std::mt19937 rng(20261209);
    const std::vector<std::string> decays = {"5", "0", "-2", "0.5", "2.5", "0.3", "17", "1e12", "1"};
    // Each sweep of the operation table alone, then two runs one over the other.
    std::vector<std::vector<ShadowMode>> modes;
    for (const OperationRow* row : sweepRows()) modes.push_back({*row->shadow});
    modes.push_back({ShadowMode::Linear, ShadowMode::Embossed});
    modes.push_back({ShadowMode::Cos, ShadowMode::Sin});
    const int sizes[][2] = {{37, 23}, {64, 80}, {1, 9}, {130, 3}, {90, 91}, {5, 1}, {200, 150}, {700, 520}};
    int cases = 0;
    for (const auto& size : sizes)
        for (bool deep : {false, true})
            for (int trial = 0; trial < 6; ++trial, ++cases) {
                const World world = randomWorld(size[0], size[1], deep, rng());
                Recipe run{rng() % 2 == 0, modes[static_cast<std::size_t>(cases) % modes.size()], {}};
                // Suns on the world, beside it, and far off it.
                const int spread = trial < 3 ? 1 : 4;
                auto coordinate = [&](int side) {
                    const int v = static_cast<int>(rng() % static_cast<unsigned>(spread * side + 1)) - (spread - 1) * side / 2;
                    return std::to_string(v) + (rng() % 3 == 0 ? ".5" : "");
                };
                run.controls.x0 = coordinate(world.w);
                run.controls.y0 = coordinate(world.h);
                run.controls.alt = decays[static_cast<std::size_t>(cases) % decays.size()];
                run.controls.darkness = static_cast<int>(rng() % 256);
                run.controls.contrast = static_cast<int>(rng() % 101);
                run.controls.blur = rng() % 3 != 0;
                run.controls.blend = static_cast<BlendMode>(rng() % 4);
                const Workspace whole = wholeRun(world, run);
                expectRegionsMatch(world, run, whole, randomCuts(world.w, rng), randomCuts(world.h, rng));
                if (::testing::Test::HasFailure()) return;
            }
}

// A ramp falling away from the sun a little faster than the decay lowers
// the level keeps a ray in shadow for as long as the decay can carry a
// lift; a region far down it must still take its rays up early enough.
TEST(Region, LongestShadowsReachIntoTheRegion)
{
    for (const char* decay : {"2.5", "5", "1", "3.5"})
        for (bool deep : {false, true}) {
            World world = randomWorld(300, 3, deep, 1);
            const double unit = deep ? 257 : 1, fall = std::ceil(std::atof(decay) + 0.5) * unit;
            for (int x = 0; x < world.w; ++x)
                for (int y = 0; y < world.h; ++y)
                    world.heights[static_cast<std::size_t>(y) * world.w + x] = std::max(0, world.top() - static_cast<int>(fall * x));
            Recipe run{false, {ShadowMode::Linear}, {}};
            run.controls.x0 = "-1";
            run.controls.y0 = "1";
            run.controls.alt = decay;
            run.controls.darkness = 255;
            const Workspace whole = wholeRun(world, run);
            for (int cut : {40, 90, 130, 200, 260})
                expectRegionsMatch(world, run, whole, {0, cut, world.w}, {0, world.h});
        }
}

// A sun many times the world's size away: its rays are taken up where they
// come onto the grid, with the level the steps off it leave, and give the
// whole run's bytes for every rule, with whole, halfway, tiny, rising and
// saturating decays.
TEST(Region, FarSunsGiveTheWholeRunsBytes)
{
    const struct {
        const char* x0;
        const char* y0;
        const char* decay;
    } suns[] = {{"2000", "-2100", "5"},   {"-3000", "40", "2.5"}, {"30", "2500", "0.5"}, {"-2500", "-2500", "-2"},
                {"2600", "2600.5", "1e12"}, {"1", "-4000", "3.5"}, {"-4000", "1", "0.3"}, {"4000", "-3999", "1"}};
    const std::vector<ShadowMode> modes = {ShadowMode::Linear, ShadowMode::Sin, ShadowMode::Cos, ShadowMode::Embossed};
    std::mt19937 rng(20261210);
    for (const auto& sun : suns)
        for (bool deep : {false, true})
            for (ShadowMode mode : modes) {
            const World world = randomWorld(61, 47, deep, rng());
            Recipe run{false, {mode}, {}};
            run.controls.x0 = sun.x0;
            run.controls.y0 = sun.y0;
            run.controls.alt = sun.decay;
            run.controls.darkness = 200;
            const Workspace whole = wholeRun(world, run);
            expectRegionsMatch(world, run, whole, {0, 1, 20, 60, 61}, {0, 5, 46, 47});
            if (::testing::Test::HasFailure()) return;
        }
}

// The level after n decays off the grid, worked out at once, is the one
// n steps reach, saturated at the ends of 32 bits.
TEST(Region, LevelAfterDecaysIsTheStepsLevel)
{
    for (double d : {0.0, 1.0, 5.0, 257.0 * 2.5, 0.5, 1.5, 2.5, -0.5, -1.5, 0.3, 0.7, -2.0, 2570.0, 1e9, 3e9, 1e12, 17.25})
        for (std::int64_t n : {0, 1, 2, 3, 10, 1000, 131073}) {
            const DecayStep lower(d);
            std::int32_t level = 0;
            for (std::int64_t i = 0; i < n; ++i) level = lower(level);
            EXPECT_EQ(levelAfterDecays(d, n), level) << "decay " << d << ", " << n << " steps";
        }
}

// A region's run reads the heights of the region and what lies behind it
// towards the sun as far as the decay lets a lift carry: a far corner of a
// world lit with a steep decay reads little more than itself.
TEST(Region, ReadsOnlyWhatItsRaysNeed)
{
    const WorldRegion held = heldBox(4096, 4096, {3000, 3000, 500, 400});
    ShadowParams params;
    params.x0 = 100;
    params.y0 = 200;
    params.decay = 5; // a lift carries 52 steps
    std::size_t area = 0;
    for (const Rect& b : planRegion(held, params, true, 255, 1.0).heights) area += static_cast<std::size_t>(b.height) * b.width;
    EXPECT_GT(area, static_cast<std::size_t>(held.area.width) * held.area.height);
    EXPECT_LT(area, static_cast<std::size_t>(held.area.width + 100) * (held.area.height + 100));
}

// The sums of a ray's steps, carried forward a run at a time, land on the
// very double the steps one by one reach: in every binade, near the ends
// 0 and limit, for tiny and steep steps, and for steps that fall exactly
// halfway between two doubles of a binade.
TEST(Region, MinorCoordinateAdvancesToTheBit)
{
    std::mt19937_64 rng(7);
    auto oneByOne = [](double q, double s, double limit, std::int64_t n) {
        for (; n > 0; --n) {
            q = q + s;
            if (q > limit) q = limit;
            else if (q < 0) q = 0;
        }
        return q;
    };
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int k = 0; k < 4000; ++k) {
        const double limit = 1 + static_cast<double>(rng() % 65536);
        double q = unit(rng) * limit;
        if (k % 7 == 0) q = 0;
        if (k % 11 == 0) q = limit;
        double s = unit(rng) * 2 - 1;
        if (k % 5 == 0) s = std::ldexp(s, -static_cast<int>(rng() % 40));
        if (k % 13 == 0) {
            // A step that ties in q's binade: a half of u = 2^(e-53).
            int e = 0;
            std::frexp(std::max(q, 1.0), &e);
            s = std::ldexp(static_cast<double>(rng() % 4096) * 2 + 1, e - 54) * (k % 2 ? 1 : -1);
        }
        const std::int64_t n = static_cast<std::int64_t>(rng() % 200000);
        const double expected = oneByOne(q, s, limit, n), got = advanceMinor(q, s, limit, n);
        ASSERT_EQ(std::bit_cast<std::uint64_t>(expected), std::bit_cast<std::uint64_t>(got))
            << "q " << q << " s " << s << " limit " << limit << " n " << n;
    }
}

} // namespace
