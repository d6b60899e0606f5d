// "Sun": parallel rays at any azimuth, soft shadows, the Lambert term and
// sky light, against a slow reading of the rules written out pixel by
// pixel; and the properties a user relies on (directions, flat ground,
// depths, threads, regions of a world).

#include "inputs/shadow_inputs.h"
#include "shadow/sun.h"
#include "workspace/parallel.h"
#include "workspace/world.h"
#include "test_pictures.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <optional>
#include <random>
#include <string>
#include <vector>

using namespace gloamery;

namespace {

constexpr double kPiValue = 3.141592653589793;

struct Terrain {
    int w;
    int h;
    bool deep;
    std::vector<int> samples; // row-major; deep samples or 8-bit levels

    int deepAt(int x, int y) const
    {
        const int v = samples[static_cast<std::size_t>(y) * w + x];
        return deep ? v : 257 * v;
    }
};

Terrain randomTerrain(int w, int h, bool deep, std::mt19937& rng)
{
    Terrain t{w, h, deep, {}};
    const int top = deep ? 65535 : 255;
    const double fx = 0.1 + rng() % 50 / 100.0, fy = 0.1 + rng() % 50 / 100.0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double v = 0.5 + 0.35 * std::sin(x * fx) * std::cos(y * fy) + (rng() % 100) / 700.0;
            t.samples.push_back(static_cast<int>(std::clamp(v, 0.0, 1.0) * top));
        }
    return t;
}

Workspace workspaceOf(const Terrain& t)
{
    Workspace ws(t.w, t.h);
    if (t.deep) {
        std::vector<std::uint16_t> s(t.samples.begin(), t.samples.end());
        ws.setDeepHeights(HeightSamples(t.w, t.h, s.data()));
    } else {
        ws.editHeightPicture([&](Picture& p) {
            for (int y = 0; y < t.h; ++y)
                for (int x = 0; x < t.w; ++x) p.setPixel(x, y, grey(t.samples[static_cast<std::size_t>(y) * t.w + x]));
        });
    }
    return ws;
}

// ---- The rules, read slowly ------------------------------------------

// Whether each pixel is lit by one point sample (azimuth a, altitude e).
std::vector<bool> litByReference(const Terrain& t, double a, double e, const SunControls& c)
{
    const double ar = a * kPiValue / 180;
    const double ux = -std::sin(ar), uy = std::cos(ar);
    const bool majorX = std::fabs(ux) > std::fabs(uy);
    const int majorSize = majorX ? t.w : t.h, minorSize = majorX ? t.h : t.w;
    const bool forward = majorX ? ux > 0 : uy > 0;
    const double s = majorX ? uy / std::fabs(ux) : ux / std::fabs(uy);
    const double d = majorX ? std::sqrt(c.groundX * c.groundX + (s * c.groundY) * (s * c.groundY))
                            : std::sqrt(c.groundY * c.groundY + (s * c.groundX) * (s * c.groundX));
    const double ec = std::min(std::max(e, 0.0), 90.0);
    const double p = 257 * (std::tan(ec * kPiValue / 180) * d / c.vertical) * 65536;
    long long drop;
    if (ec == 0) drop = 0;
    else if (ec == 90 || p >= 4294967296.0) drop = 4294967296LL;
    else drop = static_cast<long long>(std::nearbyint(p));

    std::vector<bool> lit(static_cast<std::size_t>(t.w) * t.h, false);
    std::vector<int> seen(lit.size(), 0);
    // Every k whose ray can meet the map: the offsets stay within +-majorSize.
    for (int k = -majorSize - 2; k < minorSize + majorSize + 2; ++k) {
        std::optional<long long> level;
        for (int i = 0; i < majorSize; ++i) {
            const int major = forward ? i : majorSize - 1 - i;
            const long long minor = k + static_cast<long long>(std::floor(i * s + 0.5));
            if (minor >= 0 && minor < minorSize) {
                const int x = majorX ? major : static_cast<int>(minor), y = majorX ? static_cast<int>(minor) : major;
                const long long here = 65536LL * t.deepAt(x, y);
                const std::size_t at = static_cast<std::size_t>(y) * t.w + x;
                ++seen[at];
                if (!level || here > *level) {
                    lit[at] = true;
                    level = here;
                }
            }
            if (level) *level -= drop;
        }
    }
    for (int n : seen) EXPECT_EQ(n, 1) << "every pixel lies on exactly one ray";
    return lit;
}

// The shadow map's greys, from the light of every pixel as the rules say.
std::vector<int> greysByReference(const Terrain& t, const SunControls& c, int darkness)
{
    const std::size_t n = static_cast<std::size_t>(t.w) * t.h;
    std::vector<double> v(n, 0.0);
    if (c.size > 0) {
        for (int j = 0; j < 16; ++j) {
            const auto lit = litByReference(t, c.azimuth, c.altitude + c.size * ((j + 0.5) / 16 - 0.5), c);
            for (std::size_t i = 0; i < n; ++i) v[i] += lit[i];
        }
        for (double& x : v) x = x / 16;
    } else {
        const auto lit = litByReference(t, c.azimuth, c.altitude, c);
        for (std::size_t i = 0; i < n; ++i) v[i] = lit[i];
    }
    std::vector<double> sky(n, 0.0);
    if (c.sky > 0) {
        std::vector<std::vector<int>> litM(static_cast<std::size_t>(c.skyAltitudes), std::vector<int>(n, 0));
        for (int k = 0; k < c.skyAzimuths; ++k)
            for (int m = 0; m < c.skyAltitudes; ++m) {
                const auto lit = litByReference(t, c.azimuth + 360.0 * k / c.skyAzimuths, 90.0 * (m + 0.5) / c.skyAltitudes, c);
                for (std::size_t i = 0; i < n; ++i) litM[static_cast<std::size_t>(m)][i] += lit[i];
            }
        double total = 0;
        std::vector<double> w;
        for (int m = 0; m < c.skyAltitudes; ++m) {
            const double em = 90.0 * (m + 0.5) / c.skyAltitudes;
            w.push_back(std::sin(em * kPiValue / 180) * std::cos(em * kPiValue / 180));
            total += w.back();
        }
        for (std::size_t i = 0; i < n; ++i) {
            double sum = 0;
            for (int m = 0; m < c.skyAltitudes; ++m)
                sum += w[static_cast<std::size_t>(m)] * (litM[static_cast<std::size_t>(m)][i] / static_cast<double>(c.skyAzimuths));
            sky[i] = sum / total;
        }
    }
    auto z = [&](int x, int y) { return c.vertical * (t.deepAt(std::clamp(x, 0, t.w - 1), std::clamp(y, 0, t.h - 1)) / 257.0); };
    const double ar = c.azimuth * kPiValue / 180, er = c.altitude * kPiValue / 180;
    std::vector<int> greys;
    for (int y = 0; y < t.h; ++y)
        for (int x = 0; x < t.w; ++x) {
            const double p = ((z(x + 1, y - 1) + 2 * z(x + 1, y) + z(x + 1, y + 1)) - (z(x - 1, y - 1) + 2 * z(x - 1, y) + z(x - 1, y + 1))) / (8 * c.groundX);
            const double q = ((z(x - 1, y + 1) + 2 * z(x, y + 1) + z(x + 1, y + 1)) - (z(x - 1, y - 1) + 2 * z(x, y - 1) + z(x + 1, y - 1))) / (8 * c.groundY);
            const double lambda = c.lambert ? std::max(0.0, (-p * std::sin(ar) * std::cos(er) + q * std::cos(ar) * std::cos(er) + std::sin(er))
                                                                / std::sqrt(1 + p * p + q * q))
                                            : 1.0;
            const std::size_t i = static_cast<std::size_t>(y) * t.w + x;
            const double light = (1 - c.sky) * lambda * v[i] + c.sky * sky[i];
            greys.push_back(static_cast<int>(std::nearbyint((255 - darkness) + darkness * light)));
        }
    return greys;
}

std::vector<int> greysOf(const Picture& shadow)
{
    std::vector<int> g;
    for (int y = 0; y < shadow.height(); ++y)
        for (int x = 0; x < shadow.width(); ++x) g.push_back(shadow.at(x, y) & 255);
    return g;
}

Picture runSunOn(const Terrain& t, const Controls& c)
{
    Workspace ws = workspaceOf(t);
    SilentReporter quiet;
    EXPECT_FALSE(runSun(ws, c.sun, c.darkness, quiet).has_value());
    return ws.picture(Slot::Shadow);
}

std::string describe(const Terrain& t, const SunControls& c)
{
    return std::to_string(t.w) + "x" + std::to_string(t.h) + (t.deep ? " deep" : " 8-bit") + " azimuth "
         + std::to_string(c.azimuth) + " altitude " + std::to_string(c.altitude) + " size " + std::to_string(c.size)
         + " sky " + std::to_string(c.sky) + " ground " + std::to_string(c.groundX) + "," + std::to_string(c.groundY)
         + " vertical " + std::to_string(c.vertical);
}

} // namespace

TEST(Sun, MatchesTheRulesReadPixelByPixel)
{
    std::mt19937 rng(7);
    const double azimuths[] = {0, 90, 180, 270, 45, 135, 225, 315, 30, 300, 1000, -75, 10.5, 359.9, 63.4349};
    const int sizes[][2] = {{1, 1}, {1, 7}, {9, 1}, {17, 11}, {24, 31}, {40, 40}};
    int cases = 0;
    for (double azimuth : azimuths)
        for (const auto& size : sizes) {
            const bool deep = cases % 2 == 1;
            const Terrain t = randomTerrain(size[0], size[1], deep, rng);
            Controls c;
            c.darkness = static_cast<int>(rng() % 256);
            c.sun.azimuth = azimuth;
            c.sun.altitude = (cases % 5) * 15.0 + (rng() % 10);
            c.sun.size = cases % 3 == 0 ? 2.5 : 0.0;
            c.sun.lambert = cases % 4 != 1;
            c.sun.sky = cases % 3 == 1 ? 0.4 : 0.0;
            c.sun.skyAzimuths = 5;
            c.sun.skyAltitudes = 3;
            c.sun.groundX = cases % 2 ? 30.0 : 1.0;
            c.sun.groundY = cases % 2 ? 20.0 : 1.0;
            c.sun.vertical = cases % 2 ? 0.5 : 1.0;
            ++cases;
            ASSERT_EQ(greysOf(runSunOn(t, c)), greysByReference(t, c.sun, c.darkness)) << describe(t, c.sun);
        }
}

// The sky's rings, each azimuth counting its lowest lit ring: every ring count, from
// drops of 0 (heights so tall that no ring clears them) to drops past any
// height (so flat that every ring does).
TEST(Sun, SkyOfManyRingsMatchesTheRules)
{
    std::mt19937 rng(17);
    struct Case {
        int azimuths, rings;
        double vertical;
    } cases[] = {{1, 16, 1}, {4, 7, 0.3}, {9, 16, 20}, {3, 1, 1}, {5, 12, 1e-9}, {6, 16, 1e6}, {16, 2, 4}};
    int n = 0;
    for (const Case& k : cases)
        for (bool deep : {false, true}) {
            const Terrain t = randomTerrain(19 + n % 5, 14 + n % 3, deep, rng);
            Controls c;
            c.darkness = 255;
            c.sun.azimuth = 37.0 * n++;
            c.sun.lambert = false;
            c.sun.sky = 0.8;
            c.sun.skyAzimuths = k.azimuths;
            c.sun.skyAltitudes = k.rings;
            c.sun.vertical = k.vertical;
            ASSERT_EQ(greysOf(runSunOn(t, c)), greysByReference(t, c.sun, c.darkness)) << describe(t, c.sun) << " rings " << k.rings;
        }
}

TEST(Sun, ShadowsFallAwayFromTheSun)
{
    // A wall near one edge and a low sun beyond that edge: the land on the
    // far side of the wall is in shadow, the land on the sun's side is lit.
    struct Case {
        double azimuth;
        int wallX, wallY; // the wall's column or row (-1: none)
        int shadedX, shadedY, litX, litY;
    };
    const Case cases[] = {
        {90, 26, -1, 20, 15, 28, 15},  // wall in the east shades westwards
        {270, 3, -1, 9, 15, 1, 15},    // in the west, eastwards
        {0, -1, 3, 15, 9, 15, 1},      // in the north (top), southwards
        {180, -1, 26, 15, 20, 15, 28}, // in the south, northwards
    };
    for (const Case& k : cases) {
        Terrain t{30, 30, false, std::vector<int>(900, 10)};
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 30; ++x)
                if (x == k.wallX || y == k.wallY) t.samples[static_cast<std::size_t>(y) * 30 + x] = 250;
        Controls c;
        c.sun.azimuth = k.azimuth;
        c.sun.altitude = 20;
        c.sun.lambert = false;
        const Picture shadow = runSunOn(t, c);
        EXPECT_EQ(shadow.at(k.shadedX, k.shadedY) & 255, 127) << "azimuth " << k.azimuth;
        EXPECT_EQ(shadow.at(k.litX, k.litY) & 255, 255) << "azimuth " << k.azimuth;
    }
}

TEST(Sun, FlatGroundTakesTheSineOfTheAltitude)
{
    for (double altitude : {5.0, 30.0, 45.0, 72.5, 90.0})
        for (int darkness : {0, 100, 255}) {
            Terrain t{13, 9, false, std::vector<int>(13 * 9, 77)};
            Controls c;
            c.darkness = darkness;
            c.sun.altitude = altitude;
            const int expected = static_cast<int>(std::nearbyint((255 - darkness) + darkness * std::sin(altitude * kPiValue / 180)));
            const Picture shadow = runSunOn(t, c);
            EXPECT_EQ(gloamery::testing::countOther(shadow, grey(expected)), 0) << "altitude " << altitude << " darkness " << darkness;
        }
}

TEST(Sun, DeepHeightsOf257TimesTheLevelsGiveTheSameBytes)
{
    std::mt19937 rng(11);
    for (int trial = 0; trial < 6; ++trial) {
        Terrain bytes = randomTerrain(33 + trial, 21, false, rng);
        Terrain deep = bytes;
        deep.deep = true;
        for (int& v : deep.samples) v *= 257;
        Controls c;
        c.sun.azimuth = 37.0 * trial;
        c.sun.size = trial % 2 ? 3 : 0;
        c.sun.sky = trial % 3 ? 0.3 : 0;
        c.sun.vertical = 0.2 + trial;
        EXPECT_TRUE(runSunOn(bytes, c) == runSunOn(deep, c)) << "trial " << trial;
    }
}

// A soft sun with sky light, and a point sun alone (whose walk writes the
// shadow map itself), along either axis.
TEST(Sun, SameBytesOnAnyNumberOfThreads)
{
    std::mt19937 rng(3);
    const Terrain t = randomTerrain(300, 170, true, rng);
    struct Case {
        double azimuth, altitude, size, sky;
    } cases[] = {{200, 12, 4, 0.5}, {200, 12, 0, 0}, {290, 7, 0, 0}};
    for (const Case& k : cases) {
        Controls c;
        c.sun.azimuth = k.azimuth;
        c.sun.altitude = k.altitude;
        c.sun.size = k.size;
        c.sun.sky = k.sky;
        const std::size_t grain = parallelGrain();
        setParallelGrain(1);
        std::vector<Picture> shadows;
        for (int threads : {1, 2, 3, 7}) {
            setThreadCount(threads);
            shadows.push_back(runSunOn(t, c));
        }
        setThreadCount(2);
        setParallelGrain(grain);
        for (std::size_t i = 1; i < shadows.size(); ++i)
            EXPECT_TRUE(shadows[i] == shadows[0]) << describe(t, c.sun) << " run " << i;
    }
}

TEST(Sun, RegionsOfAWorldGiveTheWholeRunsBytes)
{
    std::mt19937 rng(5);
    const int sizes[][2] = {{60, 45}, {1, 30}, {70, 2}, {90, 91}};
    int cases = 0;
    for (const auto& size : sizes)
        for (bool deep : {false, true})
            for (int trial = 0; trial < 3; ++trial, ++cases) {
                const Terrain t = randomTerrain(size[0], size[1], deep, rng);
                Controls c;
                c.sun.azimuth = static_cast<double>(rng() % 720) - 180;
                c.sun.altitude = cases % 4 == 0 ? 0 : 3.0 + rng() % 60;
                c.sun.size = cases % 3 == 0 ? 6 : 0;
                c.sun.sky = cases % 2 ? 0.25 : 0;
                c.sun.skyAzimuths = 7;
                c.sun.skyAltitudes = 2;
                c.sun.vertical = 0.05 + (rng() % 100) / 10.0;
                c.blur = cases % 2 == 0;
                Workspace whole = workspaceOf(t);
                SilentReporter quiet;
                ASSERT_FALSE(runShadowButton(whole, ShadowMode::Sun, c, parseCNumber, quiet));
                const SampledHeights source(t.w, t.h, t.deep, [&](int x, int y) {
                    return x < t.w && y < t.h ? t.samples[static_cast<std::size_t>(y) * t.w + x] : (t.deep ? 65535 : 255);
                });
                const int cutX = 1 + static_cast<int>(rng() % static_cast<unsigned>(t.w)), cutY = 1 + static_cast<int>(rng() % static_cast<unsigned>(t.h));
                for (const auto& [x, y, w, h] : {std::array<int, 4>{0, 0, cutX, cutY}, {cutX - 1, cutY - 1, t.w - cutX + 1, t.h - cutY + 1},
                                                 {0, cutY - 1, t.w, 1}}) {
                    const WorldRegion held = heldBox(t.w, t.h, {x, y, w, h});
                    Workspace ws(held.area.width, held.area.height);
                    ShadowParams p;
                    p.sun = c.sun;
                    p.darkness = c.darkness;
                    ASSERT_FALSE(runShadowRegionAndMerge(ws, held, source, ShadowMode::Sun, p, c, quiet));
                    for (Slot s : {Slot::Shadow, Slot::Colour})
                        EXPECT_TRUE(cropped(ws.picture(s), x - held.area.x0, y - held.area.y0, w, h) == cropped(whole.picture(s), x, y, w, h))
                            << describe(t, c.sun) << " region " << x << "," << y << " " << w << "x" << h << " " << slotName(s);
                }
            }
}

TEST(Sun, RefusesControlsOutOfRangeAndLeavesTheMapAlone)
{
    const std::vector<std::pair<const char*, void (*)(SunControls&)>> bad = {
        {"azimuth", [](SunControls& c) { c.azimuth = 2e6; }},
        {"altitude", [](SunControls& c) { c.altitude = 90.5; }},
        {"altitude", [](SunControls& c) { c.altitude = -1; }},
        {"size", [](SunControls& c) { c.size = 11; }},
        {"sun.sky", [](SunControls& c) { c.sky = 1.5; }},
        {"skyAzimuths", [](SunControls& c) { c.skyAzimuths = 0; }},
        {"skyAltitudes", [](SunControls& c) { c.skyAltitudes = 17; }},
        {"groundY", [](SunControls& c) { c.groundY = 0; }},
        {"vertical", [](SunControls& c) { c.vertical = NAN; }},
    };
    for (const auto& [name, spoil] : bad) {
        Workspace ws;
        const Picture before = ws.picture(Slot::Shadow);
        Controls c;
        spoil(c.sun);
        SilentReporter quiet;
        const Refusal refused = runSun(ws, c.sun, c.darkness, quiet);
        ASSERT_TRUE(refused.has_value()) << name;
        EXPECT_NE(refused->message.find(name), std::string::npos) << refused->message;
        EXPECT_TRUE(ws.picture(Slot::Shadow) == before) << name;
    }
}

TEST(Sun, AStoppedRunLeavesTheShadowMapAsItWas)
{
    struct Stopper : Reporter {
        int asked = 0;
        void status(std::string_view) override {}
        void progress(double) override {}
        void busy(bool) override {}
        bool cancelled() override { return ++asked > 2; }
    } stopper;
    Workspace ws;
    const Picture before = ws.picture(Slot::Shadow);
    Controls c;
    c.sun.sky = 0.5;
    EXPECT_TRUE(runSun(ws, c.sun, c.darkness, stopper).has_value());
    EXPECT_TRUE(ws.picture(Slot::Shadow) == before);
}
