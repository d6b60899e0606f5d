// Maps of any size: the sweep's targets, the rays' clamps and skips, the
// merge's and Make Texture2's edges at W x H, resizing, and results that
// do not depend on the number of threads.

#include "compose/merge.h"
#include "compose/texture.h"
#include "inputs/shadow_inputs.h"
#include "workspace/parallel.h"
#include "workspace/view_maps.h"
#include "test_pictures.h"

#include <gtest/gtest.h>

#include <omp.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

using namespace gloamery;
using namespace gloamery::testing;

namespace {

void fillRandomHeights(Picture& p, unsigned seed, int top)
{
    std::mt19937 rng(seed);
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) p.setPixel(x, y, grey(static_cast<int>(rng() % (top + 1))));
}

// "Linear" and "Linear sim" at W x H as the rules read, written plainly and
// slowly: every grid read through the picture, every real rounded on the
// spot, the level kept in 64 bits and saturated.
void referenceSweep(const Picture& heightMap, Picture& shadow, double x0, double y0, double decay, int darkness,
                    bool sim)
{
    const int w = heightMap.width(), h = heightMap.height();
    auto height = [&](int x, int y) { return x < w && y < h ? red(heightMap.pixel(x, y)) : 255; };
    auto ray = [&](double x, double y, double ox, double oy) {
        if (x - ox == 0 && y - oy == 0) return;
        const int sx = ox > x ? -1 : 1, sy = oy > y ? -1 : 1;
        const bool majorY = std::fabs(y - oy) >= std::fabs(x - ox);
        const double s = majorY ? std::fabs((x - ox) / (y - oy)) * sx : std::fabs((y - oy) / (x - ox)) * sy;
        const double limit = majorY ? w : h;
        double q = majorY ? ox : oy;
        const int step = majorY ? sy : sx;
        const int end = static_cast<int>(std::nearbyint(majorY ? y : x));
        long long level = 0;
        for (int m = static_cast<int>(std::nearbyint(majorY ? oy : ox)); step > 0 ? m <= end : m >= end; m += step) {
            const int p = static_cast<int>(std::floor(q));
            const int px = majorY ? p : m, py = majorY ? m : p;
            if (px >= 0 && py >= 0 && px <= w && py <= h) {
                const int hh = height(px, py);
                if (hh > level) level = hh;
                else if (level != 0)
                    shadow.setPixel(px, py, grey(clampChannel(static_cast<int>(
                                                std::nearbyint((255.0 - level) / 255.0 * darkness + (255 - darkness))))));
            }
            level = static_cast<long long>(std::nearbyint(static_cast<double>(level) - decay));
            level = std::clamp<long long>(level, INT32_MIN, INT32_MAX);
            q = q + s;
            if (q > limit) q = limit;
            else if (q < 0) q = 0;
        }
    };
    for (const SweepTarget& t : sweepTargets(w, h, !sim)) {
        if (sim) ray(t.x, t.y, t.x > t.y ? t.x - t.y : 0, t.x > t.y ? 0 : t.y - t.x);
        else ray(t.x, t.y, x0, y0);
    }
}

} // namespace

TEST(MapSize, SweepTargetsRunAlongEveryBorderInOrder)
{
    using T = std::vector<std::vector<int>>;
    const struct {
        int w, h;
        bool all;
        T targets; // x, y, i
    } cases[] = {
        {1, 1, true, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}}},
        {2, 3, true, {{0, 0, 0}, {0, 0, 0}, {0, 2, 0}, {1, 0, 0}, {1, 0, 1}, {0, 1, 1}, {1, 2, 1}, {1, 1, 1}, {0, 2, 2}, {1, 2, 2}}},
        {3, 2, false, {{0, 1, 0}, {2, 0, 0}, {1, 1, 1}, {2, 1, 1}, {2, 1, 2}}},
    };
    for (const auto& c : cases) {
        T got;
        for (const SweepTarget& t : sweepTargets(c.w, c.h, c.all)) got.push_back({t.x, t.y, t.i});
        EXPECT_EQ(got, c.targets) << c.w << " x " << c.h << (c.all ? " all edges" : " linear sim");
    }
    const auto big = sweepTargets(300, 200, true);
    EXPECT_EQ(big.size(), 2u * 300 + 2u * 200);
    EXPECT_EQ(big.back().x, 299) << "the last target is on the bottom row";
    EXPECT_EQ(big.back().y, 199);
}

// Clamping the minor coordinate to W or to H, the "Linear sim" start
// points on non-square maps, and steps beyond the far edge skipped (a
// negative decay and a sun past the edge reach them), and levels that
// huge decays drive to the ends of the 32-bit range.
TEST(MapSize, LinearRaysFollowTheRulesOnMapsOfEverySize)
{
    const struct {
        int w, h;
        const char* sunX;
        const char* sunY;
    } maps[] = {{1, 1, "0", "0"},     {2, 3, "1", "2"},       {3, 2, "-4", "1.5"}, {5, 3, "9", "-2"},
                {5, 3, "2.5", "1"},   {300, 200, "120", "80"}, {300, 200, "-50", "230"}, {40, 7, "60", "3"},
                {7, 40, "3", "55"},   {300, 200, "310", "-20"}};
    unsigned seed = 1;
    for (const auto& m : maps)
        for (const char* decay : {"5", "0", "-1.5", "2.5", "2000000000", "-3e9"})
            for (bool sim : {false, true}) {
                Workspace ws(m.w, m.h);
                ws.editHeightPicture([&](Picture& p) { fillRandomHeights(p, seed++, 255); });
                Picture expected = ws.picture(Slot::Shadow);
                Controls c;
                c.x0 = m.sunX;
                c.y0 = m.sunY;
                c.alt = decay;
                c.darkness = 200;
                referenceSweep(ws.heightPicture(), expected, std::stod(m.sunX), std::stod(m.sunY),
                               std::stod(decay), c.darkness, sim);
                SilentReporter quiet;
                ASSERT_FALSE(runShadowButton(ws, sim ? ShadowMode::LinearSim : ShadowMode::Linear, c, parseCNumber, quiet));
                const Picture& got = ws.picture(Slot::Shadow);
                for (int y = 0; y < m.h; ++y)
                    for (int x = 0; x < m.w; ++x)
                        ASSERT_EQ(got.pixel(x, y), expected.pixel(x, y))
                            << "at " << x << "," << y << " of " << m.w << " x " << m.h << ", sun " << m.sunX << ","
                            << m.sunY << ", decay " << decay << (sim ? ", linear sim" : ", linear");
            }
}

// On an all-black shadow map the blur's edges read the outside as 255:
// three outside neighbours give 96, five (the far corner) 159; row 0 and
// column 0 are copied; row H and column W stay 0.
TEST(MapSize, BlurredMergeReadsTheOutsideAtTheFarEdges)
{
    for (auto [w, h] : {std::pair{5, 3}, std::pair{300, 200}, std::pair{2, 7}}) {
        Picture black(kBlack, w, h);
        SilentReporter quiet;
        const ByteGrid t = shadowPlane(black, true, quiet);
        ASSERT_EQ(t.mapWidth(), w);
        ASSERT_EQ(t.mapHeight(), h);
        for (int y = 0; y <= h; ++y)
            for (int x = 0; x <= w; ++x) {
                int expected = 0;
                if (x >= 1 && y >= 1 && x < w && y < h) {
                    const bool lastX = x == w - 1, lastY = y == h - 1;
                    expected = lastX && lastY ? 159 : (lastX || lastY ? 96 : 0);
                }
                ASSERT_EQ(t(x, y), expected) << "at " << x << "," << y << " of " << w << " x " << h;
            }
    }
}

// Make Texture2 takes the slope up to column W - 1, whose right neighbour
// is the outside column (255), and across rows from row 2 to H - 1, whose
// lower neighbour is the outside row; columns 0 and 1 are weighted by
// height.
TEST(MapSize, SlopeTextureTakesTheOutsideColumnAtTheLastColumn)
{
    Workspace ws(5, 3);
    ws.editHeightPicture([&](Picture& p) { fill(p, kBlack); });
    fill(ws.picture(Slot::Grass), compose(100, 100, 100));
    fill(ws.picture(Slot::Stone), compose(10, 10, 10));
    SilentReporter quiet;
    makeTexture2(ws, 0, quiet);
    const Picture& t = ws.picture(Slot::Texture);
    auto mix = [](double weight) { return grey(clampChannel(std::abs(static_cast<int>(std::nearbyint(((1 - weight) * 100 + weight * 10) * 1.35))))); };
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(t.pixel(0, y), mix(0)) << "row " << y;
        EXPECT_EQ(t.pixel(2, y), mix(y == 2 ? 255 / 32.0 : 0)) << "row " << y;
        EXPECT_EQ(t.pixel(4, y), mix(255 / 32.0)) << "row " << y;
    }
}

TEST(MapSize, ResizeRepeatsInputsAndRestartsComputedSlots)
{
    Workspace ws(2, 2);
    const Colour a = compose(1, 2, 3), b = compose(4, 5, 6), c = compose(7, 8, 9), d = compose(10, 11, 12);
    const auto paint = [&](Picture& p) { p.setPixel(0, 0, a), p.setPixel(1, 0, b), p.setPixel(0, 1, c), p.setPixel(1, 1, d); };
    ws.editHeightPicture(paint);
    for (Slot s : {Slot::Grass, Slot::Stone, Slot::Detail, Slot::Shadow, Slot::Colour, Slot::Texture}) paint(ws.picture(s));
    ws.resize(5, 3);
    EXPECT_EQ(ws.width(), 5);
    EXPECT_EQ(ws.height(), 3);
    for (Slot s : {Slot::Height, Slot::Grass, Slot::Stone, Slot::Detail}) {
        const Picture p = slotPicture(ws, s);
        ASSERT_EQ(p.width(), 5);
        ASSERT_EQ(p.height(), 3);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                EXPECT_EQ(p.pixel(x, y), ((y % 2) ? (x % 2 ? d : c) : (x % 2 ? b : a))) << "slot " << slotName(s) << " at " << x << "," << y;
    }
    for (Slot s : {Slot::Shadow, Slot::Colour, Slot::Texture}) {
        EXPECT_EQ(countOther(ws.picture(s), slotBackground(s)), 0) << slotName(s);
        EXPECT_EQ(ws.picture(s).width(), 5) << slotName(s);
    }
    EXPECT_EQ(ws.picture(Slot::Work).width(), 20) << "the work picture keeps its size";
    SilentReporter quiet;
    const ViewGrids grids = CalculateMaps(ws, quiet);
    EXPECT_EQ(grids.HeightMap(5, 3), grids.HeightMap(4, 2)) << "the last sample repeats the picture's corner";
    EXPECT_THROW(grids.HeightMap(6, 3), std::out_of_range);
    EXPECT_THROW(Workspace(0, 5), std::invalid_argument);
    EXPECT_THROW(ws.resize(kMaxHeldSize + 1, 1), std::invalid_argument);
}

// Rays overwrite each other's pixels; the sweep split among threads must
// still leave every pixel with the shade of the one-thread order.
TEST(MapSize, PaddedRowsHoldTheSameGrid)
{
    for (const auto& [w, h] : {std::pair{1, 1}, {63, 5}, {64, 3}, {300, 2}}) {
        ByteGrid packed(w, h, 9), padded(w, h, 9, RowLayout::Padded);
        EXPECT_EQ((padded.stride() * sizeof(std::uint8_t) / 64) % 2, 1u) << "an even number of lines at " << w;
        EXPECT_GE(padded.stride(), padded.columns());
        for (int y = 0; y < packed.rows(); ++y)
            for (int x = 0; x < packed.columns(); ++x) packed(x, y) = padded(x, y) = static_cast<std::uint8_t>(x * 7 + y);
        EXPECT_EQ(packed, padded) << w << " x " << h;
        padded(w, h) = 0;
        EXPECT_NE(packed, padded) << "the last point is compared too, at " << w << " x " << h;
    }
}

TEST(MapSize, EveryThreadCountGivesTheSameBytes)
{
    const std::size_t grain = parallelGrain();
    const int threads = threadCount();
    const struct {
        int w, h;
        const char* sunX;
        const char* sunY;
        bool sparse = false; // flat ground and a few peaks: most of a layer is never written
    } maps[] = {{37, 23, "10", "5"},    {37, 23, "36", "11"},    {300, 200, "-80", "350"}, {64, 64, "31.5", "0"},
                {1, 1, "0", "0"},      {150, 90, "400", "-60"}, {90, 150, "45.5", "900"},
                {700, 300, "350", "150", true}, {300, 700, "-200", "900", true}};
    // Suns off the map on every side: such rays slide along the edge they
    // meet, away from the line to their target.
    const ShadowMode modes[] = {ShadowMode::Linear, ShadowMode::LinearSim, ShadowMode::Sin, ShadowMode::Cos,
                                ShadowMode::Embossed};
    unsigned seed = 7;
    for (bool deep : {false, true}) // deep rays are bundled in their own way
    for (const auto& m : maps)
        for (ShadowMode mode : modes) {
            Workspace start(m.w, m.h);
            start.editHeightPicture([&](Picture& p) {
                fillRandomHeights(p, seed++, 120);
                if (m.sparse)
                    for (int y = 0; y < m.h; ++y)
                        for (int x = 0; x < m.w; ++x)
                            if ((x * 7 + y * 13) % 997 != 0) p.setPixel(x, y, compose(0, 0, 0));
            });
            if (deep) {
                std::mt19937 rng(seed++);
                std::vector<std::uint16_t> samples(static_cast<std::size_t>(m.w) * m.h);
                for (std::size_t i = 0; i < samples.size(); ++i)
                    samples[i] = m.sparse && i % 997 != 0 ? 0 : static_cast<std::uint16_t>(rng() % 30000);
                start.setDeepHeights(HeightSamples(m.w, m.h, samples.data()));
            }
            fillRandomHeights(start.picture(Slot::Grass), seed++, 255);
            fillRandomHeights(start.picture(Slot::Stone), seed++, 255);
            Controls c;
            c.x0 = m.sunX;
            c.y0 = m.sunY;
            c.alt = "1.5";
            std::vector<Workspace> results;
            // First the rays one after another in sweep order, then cast in
            // stamped layers on 1, 2 and 8 threads.
            for (int n : {0, 1, 2, 8}) {
                setThreadCount(n == 0 ? 1 : n);
                setParallelGrain(n == 0 ? static_cast<std::size_t>(-1) : 1);
                Workspace ws = start;
                SilentReporter quiet;
                makeTexture2(ws, 30, quiet);
                ASSERT_FALSE(runShadowButton(ws, mode, c, parseCNumber, quiet));
                ASSERT_FALSE(runShadowButton(ws, mode, c, parseCNumber, quiet)) << "a second run over the first";
                CalculateMaps(ws, quiet);
                results.push_back(std::move(ws));
            }
            for (std::size_t k = 1; k < results.size(); ++k)
                for (Slot s : {Slot::Shadow, Slot::Colour, Slot::Texture})
                    EXPECT_EQ(countDifferent(results[k].picture(s), results[0].picture(s)), 0)
                        << slotName(s) << " differs with " << (k == 1 ? 1 : k == 2 ? 2 : 8) << " threads on " << m.w << " x "
                        << m.h << (deep ? " (deep)" : "") << ", mode " << static_cast<int>(mode);
        }
    setThreadCount(threads);
    setParallelGrain(grain);
}

// More threads than 4 x the cores only add layers' memory: any count asked
// for, by call or by the environment, is held to that.
TEST(MapSize, ThreadCountIsHeldToFourTimesTheCores)
{
    const int threads = threadCount();
    const int most = 4 * std::max(1, omp_get_num_procs());
    for (int asked : {1, 2, most, most + 1, 1024, 1 << 20}) {
        setThreadCount(asked);
        EXPECT_EQ(threadCount(), std::min(asked, most)) << asked;
    }
    setThreadCount(0);
    EXPECT_EQ(threadCount(), 1);
    setThreadCount(threads);
}
