// Horizons along the rays of an azimuth, against a scan of every earlier
// pixel of every ray; and the relief layers on ground whose answer is
// known (flat, one peak, one pit), at any thread count.

#include "shadow/horizons.h"
#include "shadow/relief.h"
#include "shadow/relief_lanes.h"
#include "workspace/parallel.h"
#include "workspace/world.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <random>
#include <tuple>
#include <vector>

using namespace gloamery;

namespace {

struct Map {
    int w;
    int h;
    bool deep;
    std::vector<int> v; // 8-bit levels or deep samples, row-major
    int deepAt(int x, int y) const
    {
        const int s = v[static_cast<std::size_t>(y) * w + x];
        return deep ? s : 257 * s;
    }
};

// Few distinct heights, so that equal rises (ties) are common.
Map randomMap(int w, int h, bool deep, int levels, std::mt19937& rng)
{
    Map m{w, h, deep, {}};
    const int top = deep ? 65535 : 255;
    for (int i = 0; i < w * h; ++i) m.v.push_back(static_cast<int>(rng() % levels) * (top / (levels - 1)));
    return m;
}

HeightGrid gridOf(const Map& m)
{
    if (m.deep) {
        DeepGrid g(m.w, m.h, 65535);
        for (int y = 0; y < m.h; ++y)
            for (int x = 0; x < m.w; ++x) g(x, y) = static_cast<std::uint16_t>(m.v[static_cast<std::size_t>(y) * m.w + x]);
        return HeightGrid(std::make_shared<const DeepGrid>(std::move(g)));
    }
    ByteGrid g(m.w, m.h, 255);
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x) g(x, y) = static_cast<std::uint8_t>(m.v[static_cast<std::size_t>(y) * m.w + x]);
    return HeightGrid(std::move(g));
}

// Every pixel's horizon by a scan of every earlier pixel of its ray, the
// rays laid out from the azimuth afresh.
std::vector<Horizon> horizonsByScan(const Map& m, double azimuth, double gx, double gy, std::optional<double> radius,
                                    bool negated)
{
    const double a = azimuth * 3.141592653589793 / 180;
    const double ux = -std::sin(a), uy = std::cos(a);
    const bool majorX = std::fabs(ux) > std::fabs(uy);
    const int majorSize = majorX ? m.w : m.h, minorSize = majorX ? m.h : m.w;
    const bool forward = majorX ? ux > 0 : uy > 0;
    const double s = majorX ? uy / std::fabs(ux) : ux / std::fabs(uy);
    const double d = majorX ? std::sqrt(gx * gx + (s * gy) * (s * gy)) : std::sqrt(gy * gy + (s * gx) * (s * gx));
    auto pixelAt = [&](int k, int i, int& x, int& y) {
        const int major = forward ? i : majorSize - 1 - i;
        const long long minor = k + static_cast<long long>(std::floor(i * s + 0.5));
        if (minor < 0 || minor >= minorSize) return false;
        x = majorX ? major : static_cast<int>(minor);
        y = majorX ? static_cast<int>(minor) : major;
        return true;
    };
    std::vector<Horizon> out(static_cast<std::size_t>(m.w) * m.h, Horizon{0, 0, -1});
    for (int k = -majorSize - 2; k < minorSize + majorSize + 2; ++k)
        for (int i = 0; i < majorSize; ++i) {
            int x, y;
            if (!pixelAt(k, i, x, y)) continue;
            const int hi = negated ? -m.deepAt(x, y) : m.deepAt(x, y);
            Horizon best{hi, hi, 0};
            for (int j = 0; j < i; ++j) {
                int xj, yj;
                if (!pixelAt(k, j, xj, yj) || (radius && !((i - j) * d <= *radius))) continue;
                const int hj = negated ? -m.deepAt(xj, yj) : m.deepAt(xj, yj);
                // (hj - hi) / (i - j) against the best so far; ties to the later j.
                if (best.back == 0 || static_cast<long long>(hj - hi) * best.back >= static_cast<long long>(best.top - hi) * (i - j))
                    best = {hi, hj, i - j};
            }
            Horizon& o = out[static_cast<std::size_t>(y) * m.w + x];
            EXPECT_EQ(o.back, -1) << "a pixel on two rays";
            o = best;
        }
    return out;
}

std::vector<Horizon> horizonsByWalk(const Map& m, double azimuth, double gx, double gy, std::optional<double> radius,
                                    bool negated, const Rect& box, Lanes lanes = widestLanes())
{
    const SunRays rays(azimuth, gx, gy, m.w, m.h);
    const HorizonSearch search{radius ? radiusSteps(*radius, rays.ground) : kNoLimit, negated, lanes};
    std::vector<Horizon> out(static_cast<std::size_t>(box.width) * box.height, Horizon{0, 0, -1});
    gridOf(m).visit([&](const auto& grid) {
        walkHorizons(rays, grid, search, box, eachPixel([&](int col, int row, const Horizon& f) {
            out[static_cast<std::size_t>(row) * box.width + col] = f;
        }));
    });
    return out;
}

void expectSame(const std::vector<Horizon>& got, const std::vector<Horizon>& want, const std::string& what)
{
    ASSERT_EQ(got.size(), want.size());
    int wrong = 0;
    for (std::size_t i = 0; i < got.size() && wrong < 5; ++i)
        if (got[i].own != want[i].own || got[i].top != want[i].top || got[i].back != want[i].back) {
            ++wrong;
            ADD_FAILURE() << what << " pixel " << i << ": walk " << got[i].top << "@" << got[i].back << ", scan "
                          << want[i].top << "@" << want[i].back;
        }
}

TEST(Horizons, MatchAScanOfEveryEarlierPixel)
{
    const double azimuths[] = {0, 90, 180, 270, 45, 135, 225, 315, 10, 63.4, 100, 199.9, 261, 333.3, 1000, -30};
    const std::optional<double> radii[] = {std::nullopt, 0.5, 1, 2.5, 7, 1e12};
    std::mt19937 rng(43);
    for (bool deep : {false, true})
        for (int levels : {2, 4, 200}) {
            const Map m = randomMap(13 + static_cast<int>(rng() % 9), 9 + static_cast<int>(rng() % 9), deep, levels, rng);
            for (Lanes lanes : lanesHere())
            for (double a : azimuths)
                for (const auto& r : radii)
                    for (bool negated : {false, true}) {
                        const double gx = levels == 4 ? 1.5 : 1, gy = levels == 4 ? 0.75 : 1;
                        const std::string what = "azimuth " + std::to_string(a) + " radius " +
                                                 (r ? std::to_string(*r) : "none") + (negated ? " negated" : "") +
                                                 (deep ? " deep" : "") + " levels " + std::to_string(levels);
                        expectSame(horizonsByWalk(m, a, gx, gy, r, negated, Rect{0, 0, m.w, m.h}, lanes),
                                   horizonsByScan(m, a, gx, gy, r, negated),
                                   what + " lanes " + std::to_string(static_cast<int>(lanes)));
                    }
        }
}

// Maps wider than a bundle: bundles of every ray, and bundles cut by the
// map's edges, at each vector width the hulls' step is built for.
TEST(Horizons, OfWideMapsMatchAScanAtEveryWidth)
{
    std::mt19937 rng(11);
    for (const auto& [w, h, levels] : {std::tuple{150, 97, 50}, std::tuple{71, 133, 3}}) {
        const Map m = randomMap(w, h, true, levels, rng);
        for (double a : {0.0, 90.0, 33.0, 200.0, 300.0})
            for (const auto& r : {std::optional<double>{}, std::optional<double>{6.0}}) {
                const auto scan = horizonsByScan(m, a, 1, 1, r, a == 200.0);
                for (Lanes lanes : lanesHere())
                    expectSame(horizonsByWalk(m, a, 1, 1, r, a == 200.0, Rect{0, 0, m.w, m.h}, lanes), scan,
                               std::to_string(w) + " x " + std::to_string(h) + " azimuth " + std::to_string(a)
                                   + (r ? " radius 6" : "") + " lanes " + std::to_string(static_cast<int>(lanes)));
            }
    }
}

TEST(Horizons, OfABoxAreThoseOfTheWholeMap)
{
    std::mt19937 rng(7);
    const Map m = randomMap(31, 27, true, 6, rng);
    const Rect box{9, 5, 11, 13};
    for (double a : {0.0, 33.0, 90.0, 150.0, 225.0, 300.0})
        for (const auto& r : {std::optional<double>{}, std::optional<double>{4.0}}) {
            const auto whole = horizonsByScan(m, a, 1, 1, r, false);
            std::vector<Horizon> part;
            for (int y = box.y0; y < box.y1(); ++y)
                for (int x = box.x0; x < box.x1(); ++x) part.push_back(whole[static_cast<std::size_t>(y) * m.w + x]);
            expectSame(horizonsByWalk(m, a, 1, 1, r, false, box), part, "box at azimuth " + std::to_string(a));
        }
}

TEST(Horizons, RadiusInSteps)
{
    struct Case {
        double radius, ground;
        std::int64_t steps;
    } cases[] = {{0.5, 1, 0}, {1, 1, 1}, {2.9999, 1, 2}, {3, 1.5, 2}, {0.3, 0.1, 2}, {0.7, 0.1, 6}, {0.8, 0.1, 8},
                 {1e12, 1, kNoLimit}, {std::numeric_limits<double>::infinity(), 1, kNoLimit}};
    for (const Case& c : cases) {
        const std::int64_t n = radiusSteps(c.radius, c.ground);
        EXPECT_EQ(n, c.steps) << c.radius << " / " << c.ground;
        if (n != kNoLimit) {
            EXPECT_LE(static_cast<double>(n) * c.ground, c.radius);
            EXPECT_GT(static_cast<double>(n + 1) * c.ground, c.radius);
        }
    }
}

// ---- Layers ---------------------------------------------------------

std::vector<double> layerOf(LayerKind kind, const Map& m, int directions, std::optional<double> radius = {})
{
    SunControls sun;
    ReliefControls relief{directions, radius};
    SilentReporter quiet;
    const LayerValues v = *reliefValues(kind, sun, relief, gridOf(m), m.w, m.h, Rect{0, 0, m.w, m.h}, quiet);
    return {v.begin(), v.end()};
}

Map flatWith(int w, int h, int level, int x, int y, int at)
{
    Map m{w, h, false, std::vector<int>(static_cast<std::size_t>(w) * h, level)};
    m.v[static_cast<std::size_t>(y) * w + x] = at;
    return m;
}

TEST(ReliefLayers, FlatGroundIsOpenEverywhere)
{
    const Map flat = flatWith(17, 11, 100, 0, 0, 100);
    for (int n : {1, 3, 16, 256}) {
        for (double v : layerOf(LayerKind::SkyView, flat, n)) ASSERT_EQ(v, 1.0);
        for (double v : layerOf(LayerKind::Openness, flat, n)) ASSERT_EQ(v, 90.0);
        for (double v : layerOf(LayerKind::OpennessNegative, flat, n, 3.0)) ASSERT_EQ(v, 90.0);
    }
}

TEST(ReliefLayers, APeakAndAPit)
{
    struct Case {
        int at;
        bool peak;
    } cases[] = {{200, true}, {0, false}};
    for (const Case& c : cases) {
        const Map m = flatWith(15, 15, 100, 7, 7, c.at);
        const std::size_t centre = 7 * 15 + 7, beside = 7 * 15 + 8;
        const auto svf = layerOf(LayerKind::SkyView, m, 16);
        const auto pos = layerOf(LayerKind::Openness, m, 16);
        const auto neg = layerOf(LayerKind::OpennessNegative, m, 16);
        if (c.peak) {
            EXPECT_EQ(svf[centre], 1.0);
            EXPECT_GT(pos[centre], 90.0);
            EXPECT_LT(neg[centre], 90.0);
            EXPECT_LT(svf[beside], 1.0) << "the peak hides some sky";
        } else {
            EXPECT_LT(svf[centre], 1.0);
            EXPECT_LT(pos[centre], 90.0);
            EXPECT_GT(neg[centre], 90.0);
            EXPECT_EQ(svf[beside], 1.0) << "a pit hides nothing beside it";
        }
        // In a pit every direction's horizon point is the neighbour one
        // step back, 100 levels above.
        if (c.peak) continue;
        double sumSin = 0, sumOpen = 0;
        for (int n = 0; n < 16; ++n) {
            const double a = 360.0 * n / 16 * 3.141592653589793 / 180;
            const double ux = std::fabs(std::sin(a)), uy = std::fabs(std::cos(a));
            const double slope = ux > uy ? uy / ux : ux / uy, d = std::sqrt(1 + slope * slope);
            const double sigma = 100.0 / d;
            sumSin += std::sin(std::atan(sigma));
            sumOpen += 90 - std::atan(sigma) * 180 / 3.141592653589793;
        }
        EXPECT_NEAR(svf[centre], 1 - sumSin / 16, 1e-12);
        EXPECT_NEAR(pos[centre], sumOpen / 16, 1e-10);
    }
}

// The sky-view term of a run at every vector width: sin(atan(sigma)) of
// the positive slopes, 0 for the rest (level ground, a fall, no obstacle),
// the same doubles at each width; runs of every length up to a bundle's
// so that every loop's tail runs.
TEST(ReliefLayers, SkyViewTermsAreTheSameAtEveryWidth)
{
    std::mt19937 rng(41);
    const double scales[][2] = {{4.0 / 257, 30}, {1.0 / 257, 1}, {1e9 / 257, 1e-9}, {1e-9, 1e12}};
    for (const auto& [scale, ground] : scales)
        for (int count = 1; count <= 64; count += 7) {
            std::vector<std::int32_t> own(count), top(count), back(count);
            for (int k = 0; k < count; ++k) {
                own[k] = static_cast<std::int32_t>(rng() % 65536);
                const int kind = static_cast<int>(rng() % 4); // rise, level, fall, no obstacle
                const std::int32_t rise = 1 + static_cast<std::int32_t>(rng() % 60000);
                top[k] = kind == 0 ? own[k] + rise : kind == 2 ? own[k] - 1 : own[k];
                back[k] = kind == 3 ? 0 : 1 + static_cast<std::int32_t>(rng() % 20000);
            }
            std::vector<double> two(count);
            skyViewTerms(Lanes::Two, scale, ground, own.data(), top.data(), back.data(), count, two.data());
            for (int k = 0; k < count; ++k) {
                const double rise = scale * (top[k] - own[k]), run = back[k] * ground;
                if (rise > 0)
                    ASSERT_NEAR(two[k], std::sin(std::atan(rise / run)), 1e-15) << "pixel " << k << " of " << count;
                else
                    ASSERT_EQ(two[k], 0.0) << "pixel " << k << " of " << count;
            }
            for (Lanes lanes : lanesHere()) {
                std::vector<double> wide(count);
                skyViewTerms(lanes, scale, ground, own.data(), top.data(), back.data(), count, wide.data());
                ASSERT_EQ(wide, two) << "lanes " << static_cast<int>(lanes) << ", " << count << " pixels";
            }
        }
}

TEST(ReliefLayers, SameOnAnyThreadCount)
{
    std::mt19937 rng(3);
    const Map m = randomMap(70, 50, true, 50, rng);
    const std::size_t grain = parallelGrain();
    setParallelGrain(1);
    std::vector<std::vector<double>> runs;
    for (int threads : {1, 2, 3}) {
        setThreadCount(threads);
        for (LayerKind k : {LayerKind::SkyView, LayerKind::OpennessNegative, LayerKind::MultiHillshade})
            runs.push_back(layerOf(k, m, 8, k == LayerKind::OpennessNegative ? std::optional<double>(5) : std::nullopt));
    }
    setThreadCount(2);
    setParallelGrain(grain);
    for (std::size_t i = 3; i < runs.size(); ++i) EXPECT_EQ(runs[i], runs[i % 3]);
}

Workspace workspaceOf(const Map& m)
{
    Workspace ws(m.w, m.h);
    std::vector<std::uint16_t> deep;
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x) deep.push_back(static_cast<std::uint16_t>(m.deepAt(x, y)));
    ws.setDeepHeights(HeightSamples(m.w, m.h, deep.data()));
    return ws;
}

TEST(ReliefLayers, RegionsOfAWorldGiveTheWholeRunsValues)
{
    std::mt19937 rng(11);
    const LayerKind kinds[] = {LayerKind::SkyView, LayerKind::Openness, LayerKind::OpennessNegative, LayerKind::MultiHillshade};
    int cases = 0;
    for (const auto& size : {std::array<int, 2>{40, 33}, {1, 20}, {25, 2}})
        for (LayerKind kind : kinds) {
            const Map m = randomMap(size[0], size[1], true, 30, rng);
            SunControls sun;
            sun.groundX = 1 + (rng() % 3) / 2.0;
            sun.vertical = 0.02 + (rng() % 100) / 50.0;
            const ReliefControls relief{1 + static_cast<int>(rng() % 12), ++cases % 2 ? std::optional<double>(6.5) : std::nullopt};
            Workspace whole = workspaceOf(m);
            SilentReporter quiet;
            ASSERT_FALSE(runRelief(whole, kind, sun, relief, 200, quiet));
            const SampledHeights source(m.w, m.h, true, [&](int x, int y) { return x < m.w && y < m.h ? m.deepAt(x, y) : 65535; });
            const int cutX = 1 + static_cast<int>(rng() % static_cast<unsigned>(m.w));
            const int cutY = 1 + static_cast<int>(rng() % static_cast<unsigned>(m.h));
            for (const Rect& r : {Rect{0, 0, cutX, cutY}, Rect{cutX - 1, cutY - 1, m.w - cutX + 1, m.h - cutY + 1}}) {
                const WorldRegion held = heldBox(m.w, m.h, r);
                Workspace ws(held.area.width, held.area.height);
                ASSERT_FALSE(runReliefRegion(ws, held, source, kind, sun, relief, 200, quiet));
                for (int y = 0; y < held.area.height; ++y)
                    for (int x = 0; x < held.area.width; ++x)
                        ASSERT_EQ(ws.layer()->at(x, y), whole.layer()->at(held.area.x0 + x, held.area.y0 + y))
                            << layerKindName(kind) << " at " << held.area.x0 + x << "," << held.area.y0 + y;
                EXPECT_TRUE(cropped(ws.picture(Slot::Shadow), 0, 0, held.area.width, held.area.height) ==
                            cropped(whole.picture(Slot::Shadow), held.area.x0, held.area.y0, held.area.width, held.area.height));
            }
        }
}

TEST(ReliefLayers, NameTheFieldOutsideItsRange)
{
    struct Case {
        ReliefControls c;
        const char* field; // null: taken
    } cases[] = {{{0, {}}, "relief.directions"},
                 {{257, {}}, "relief.directions"},
                 {{16, 0.0}, "relief.radius"},
                 {{16, 1e13}, "relief.radius"},
                 {{16, -1.0}, "relief.radius"},
                 {{16, std::numeric_limits<double>::quiet_NaN()}, "relief.radius"},
                 {{1, 1e-9}, nullptr},
                 {{256, 1e12}, nullptr}};
    for (const Case& c : cases) {
        const char* field = reliefControlsFault(c.c);
        EXPECT_EQ(field ? std::string(field) : "", c.field ? std::string(c.field) : "");
    }
}

} // namespace
