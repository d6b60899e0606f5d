// The sun followed over a period: sun-hours and direct light against runs
// of "Sun" at each time, flat ground, a wall's shadow through a day, and
// the same values on any number of threads.

#include "shadow/sun.h"
#include "shadow/sun_sums.h"
#include "workspace/parallel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace gloamery {
namespace {

using namespace std::chrono;

constexpr double kPiValue = 3.141592653589793;
const MapPlace kAlps{{46.5, 7.9}, 0.0};

Workspace terrain(int w, int h, const std::vector<int>& levels)
{
    Workspace ws(w, h);
    ws.editHeightPicture([&](Picture& p) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) p.setPixel(x, y, grey(levels[static_cast<std::size_t>(y) * w + x]));
    });
    return ws;
}

std::vector<int> hills(int w, int h, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<int> v;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            v.push_back(static_cast<int>(120 + 90 * std::sin(x * 0.31) * std::cos(y * 0.23) + rng() % 30));
    return v;
}

int shadowGrey(const Workspace& ws, int x, int y) { return red(slotPicture(ws, Slot::Shadow).pixel(x, y)); }

SunPeriod day(int stepMinutes) { return {sys_days{2026y / June / 21}, sys_days{2026y / June / 22}, stepMinutes}; }

// Per pixel, the lit samples at each time as "Sun" finds them (darkness
// 255, no Lambert term: the grey is 255 v), and the Lambert term read
// slowly from the rule.
struct Reference {
    std::vector<double> hours, light;
    double upHours = 0, flatLight = 0;
};

double lambertOf(const std::vector<int>& lv, int w, int h, int x, int y, double a, double e)
{
    auto z = [&](int i, int j) { return 1.0 * ((257.0 * lv[static_cast<std::size_t>(std::clamp(j, 0, h - 1)) * w + std::clamp(i, 0, w - 1)]) / 257); };
    const double p = ((z(x + 1, y - 1) + 2 * z(x + 1, y) + z(x + 1, y + 1)) - (z(x - 1, y - 1) + 2 * z(x - 1, y) + z(x - 1, y + 1))) / (8 * 1.0);
    const double q = ((z(x - 1, y + 1) + 2 * z(x, y + 1) + z(x + 1, y + 1)) - (z(x - 1, y - 1) + 2 * z(x, y - 1) + z(x + 1, y - 1))) / (8 * 1.0);
    const double ar = a * kPiValue / 180, er = e * kPiValue / 180;
    return std::max(0.0, (-p * std::sin(ar) * std::cos(er) + q * std::cos(ar) * std::cos(er) + std::sin(er)) / std::sqrt(1 + p * p + q * q));
}

Reference reference(const std::vector<int>& lv, int w, int h, const SunControls& c, const SunPeriod& period)
{
    Reference r{std::vector<double>(lv.size(), 0.0), std::vector<double>(lv.size(), 0.0)};
    std::vector<int> litSum(lv.size(), 0);
    const double samples = c.size > 0 ? 16 : 1, step = period.stepMinutes;
    for (std::int64_t k = 0; k < periodTimes(period); ++k) {
        const MapSun s = mapSun(kAlps, periodTime(period, k));
        if (s.altitude <= 0) continue;
        Workspace ws = terrain(w, h, lv);
        SunControls one = c;
        one.azimuth = s.azimuth;
        one.altitude = s.altitude;
        one.lambert = false;
        SilentReporter quiet;
        EXPECT_FALSE(runSun(ws, one, 255, quiet));
        const double beam = clearSkyBeam(s.altitude);
        r.upHours = r.upHours + 1;
        r.flatLight = r.flatLight + (((std::sin(s.altitude * kPiValue / 180) * 1.0) * beam) * step) / 60;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const std::size_t i = static_cast<std::size_t>(y) * w + x;
                const int lit = static_cast<int>(std::lround(shadowGrey(ws, x, y) * samples / 255.0));
                litSum[i] += lit;
                const double lambda = lambertOf(lv, w, h, x, y, s.azimuth, s.altitude);
                r.light[i] = r.light[i] + (((lambda * (lit / samples)) * beam) * step) / 60;
            }
    }
    for (std::size_t i = 0; i < lv.size(); ++i) r.hours[i] = ((litSum[i] / samples) * step) / 60;
    r.upHours = (r.upHours * step) / 60;
    return r;
}

// Both sums, with a point sun and with the disc, equal the rules applied
// time by time; and the shadow map shows each pixel's share.
TEST(SunSums, EqualTheirTimesOneByOne)
{
    const int w = 23, h = 17;
    const std::vector<int> lv = hills(w, h, 3);
    for (const double size : {0.0, 1.5}) {
        SunControls c;
        c.size = size;
        const SunPeriod period = day(45);
        const Reference want = reference(lv, w, h, c, period);
        for (const SunSum what : {SunSum::Hours, SunSum::DirectLight}) {
            Workspace ws = terrain(w, h, lv);
            SunSumLayer layer;
            SilentReporter quiet;
            ASSERT_FALSE(runSunSum(ws, what, c, kAlps, period, 200, layer, quiet));
            const bool hours = what == SunSum::Hours;
            EXPECT_EQ(layer.most, hours ? want.upHours : want.flatLight);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const std::size_t i = static_cast<std::size_t>(y) * w + x;
                    const double got = layer.values[i], expected = hours ? want.hours[i] : want.light[i];
                    if (hours) EXPECT_EQ(got, expected) << x << "," << y;
                    else EXPECT_NEAR(got, expected, 1e-12 * expected) << x << "," << y;
                    const double g = std::clamp(std::nearbyint(55 + 200 * (got / layer.most)), 0.0, 255.0);
                    EXPECT_EQ(shadowGrey(ws, x, y), static_cast<int>(g)) << x << "," << y;
                }
        }
    }
}

// Flat ground sees the sun for as long as it is up: the daylight hours of
// the day, whatever the step; a night lights nothing.
TEST(SunSums, FlatGroundGetsTheDaylightHours)
{
    struct Case {
        SunPeriod period;
        double lo, hi; // daylight hours at 46.5 N
    };
    const Case cases[] = {
        {day(10), 15.6, 15.9},
        {day(1), 15.6, 15.9},
        {{sys_days{2026y / December / 21}, sys_days{2026y / December / 22}, 5}, 8.5, 8.8},
        {{sys_days{2026y / June / 21} + 20h, sys_days{2026y / June / 21} + 23h, 15}, 0.0, 0.0},
    };
    for (const Case& c : cases) {
        Workspace ws = terrain(16, 9, std::vector<int>(16 * 9, 90));
        SunSumLayer layer;
        SilentReporter quiet;
        ASSERT_FALSE(runSunSum(ws, SunSum::Hours, SunControls{}, kAlps, c.period, 128, layer, quiet));
        EXPECT_GE(layer.most, c.lo);
        EXPECT_LE(layer.most, c.hi);
        for (const double v : layer.values) EXPECT_EQ(v, layer.most);
        EXPECT_EQ(shadowGrey(ws, 3, 4), layer.most > 0 ? 255 : 127);
    }
}

// Under the midnight sun more times are up than a plane of 16-bit counts
// holds (the counts are added into the sums on the way): each pixel's lit
// times over the whole period are those of its two halves.
TEST(SunSums, CountsBeyondSixteenBitsAddUp)
{
    const int w = 12, h = 8;
    const std::vector<int> lv = hills(w, h, 5);
    const MapPlace arctic{{80.0, 15.0}, 0.0};
    const sys_seconds start = sys_days{2026y / June / 1};
    const SunPeriod whole{start, start + minutes(99999), 1}, first{start, start + minutes(50000), 1},
        second{start + minutes(50000), start + minutes(99999), 1};
    const auto litTimes = [&](const SunPeriod& period) {
        Workspace ws = terrain(w, h, lv);
        SunSumLayer layer;
        SilentReporter quiet;
        EXPECT_FALSE(runSunSum(ws, SunSum::Hours, SunControls{}, arctic, period, 128, layer, quiet));
        std::vector<long> n;
        for (const double v : layer.values) n.push_back(std::lround(v * 60));
        return n;
    };
    const std::vector<long> all = litTimes(whole), a = litTimes(first), b = litTimes(second);
    ASSERT_EQ(all.size(), a.size());
    EXPECT_GT(*std::max_element(all.begin(), all.end()), 65535);
    EXPECT_LT(*std::min_element(all.begin(), all.end()), 99999); // some pixels lie in shadow at times
    for (std::size_t i = 0; i < all.size(); ++i) EXPECT_EQ(all[i], a[i] + b[i]) << "pixel " << i;
}

// A north-south wall's shadow lies west of it in the morning and east of
// it in the afternoon, and moves from west to east hour by hour, never
// back (the wall low enough for every shadow to stay on the map).
TEST(SunSums, AWallsShadowMovesWestToEast)
{
    const int w = 161, h = 81, wallX = 80;
    std::vector<int> lv(static_cast<std::size_t>(w * h), 10);
    for (int y = 30; y < 51; ++y) lv[static_cast<std::size_t>(y * w + wallX)] = 40;
    SunControls c;
    c.vertical = 0.1;
    double first = -1, last = -1;
    for (int hour = 6; hour < 18; ++hour) {
        const SunPeriod p{sys_days{2026y / June / 21} + hours{hour}, sys_days{2026y / June / 21} + hours{hour + 1}, 20};
        Workspace ws = terrain(w, h, lv);
        SunSumLayer layer;
        SilentReporter quiet;
        ASSERT_FALSE(runSunSum(ws, SunSum::Hours, c, MapPlace{{46.5, 0.0}, 0.0}, p, 128, layer, quiet));
        double sum = 0, count = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (x != wallX && layer.values[static_cast<std::size_t>(y * w + x)] < layer.most) sum += x, count += 1;
        ASSERT_GT(count, 0) << hour;
        const double centre = sum / count;
        EXPECT_GE(centre, last) << hour;
        if (first < 0) first = centre;
        if (hour < 11) {
            EXPECT_LT(centre, wallX) << hour;
        } else if (hour >= 12) {
            EXPECT_GT(centre, wallX) << hour;
        }
        last = centre;
    }
    EXPECT_LT(first, wallX - 3);
    EXPECT_GT(last, wallX + 3);
}

// Both sums give the same values and bytes on one thread and on several,
// the parallel paths driven on a small map.
TEST(SunSums, SameOnAnyNumberOfThreads)
{
    const int w = 97, h = 71;
    const std::vector<int> lv = hills(w, h, 11);
    SunControls c;
    c.size = 0.8;
    for (const SunSum what : {SunSum::Hours, SunSum::DirectLight}) {
        LayerValues first;
        Picture firstShadow;
        for (const int threads : {1, 2, 3}) {
            setThreadCount(threads);
            setParallelGrain(threads == 1 ? 1u << 30 : 1);
            Workspace ws = terrain(w, h, lv);
            SunSumLayer layer;
            SilentReporter quiet;
            ASSERT_FALSE(runSunSum(ws, what, c, kAlps, day(30), 128, layer, quiet));
            if (threads == 1) {
                first = layer.values;
                firstShadow = slotPicture(ws, Slot::Shadow);
            } else {
                EXPECT_EQ(layer.values, first) << threads;
                EXPECT_EQ(slotPicture(ws, Slot::Shadow), firstShadow) << threads;
            }
        }
    }
    setThreadCount(0);
    setParallelGrain(0);
}

// Bad places and periods are refused by name and change nothing; a sun
// below the horizon lights nothing but the sky's share.
TEST(SunSums, RefusalsAndTheSunBelowTheHorizon)
{
    struct Case {
        MapPlace where;
        SunPeriod period;
        const char* named;
    };
    const Case cases[] = {
        {{{95, 0}, 0}, day(10), "not 95"},
        {{{0, 200}, 0}, day(10), "not 200"},
        {kAlps, day(0), "not 0"},
        {kAlps, {sys_days{2026y / June / 22}, sys_days{2026y / June / 21}, 10}, "end after it begins"},
    };
    for (const Case& c : cases) {
        Workspace ws = terrain(8, 8, std::vector<int>(64, 9));
        const Picture before = slotPicture(ws, Slot::Shadow);
        SunSumLayer layer;
        SilentReporter quiet;
        const Refusal r = runSunSum(ws, SunSum::DirectLight, SunControls{}, c.where, c.period, 128, layer, quiet);
        ASSERT_TRUE(r);
        EXPECT_NE(r->message.find(c.named), std::string::npos) << r->message;
        EXPECT_EQ(slotPicture(ws, Slot::Shadow), before);
    }
    for (const double sky : {0.0, 0.5}) {
        Workspace ws = terrain(8, 8, std::vector<int>(64, 9));
        SunControls c;
        c.altitude = 0;
        c.sky = sky;
        SilentReporter quiet;
        ASSERT_FALSE(runSun(ws, c, 100, quiet, false));
        EXPECT_EQ(shadowGrey(ws, 4, 4), sky == 0 ? 155 : 205);
    }
}

} // namespace
} // namespace gloamery
