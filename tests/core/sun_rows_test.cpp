// The row loops a point sun lights its map with: the elevations looked up
// from a table, the Lambert term and the lit greys at every vector width
// the processor has, each against the formula they stand in for.

#include "shadow/sun_light.h"
#include "shadow/sun_walk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

using namespace gloamery;

namespace {

std::string lanesName(Lanes l) { return l == Lanes::Two ? "2 lanes" : l == Lanes::Four ? "4 lanes" : "8 lanes"; }

} // namespace

// Every sample value of both depths.
TEST(SunRows, ElevationTableHoldsTheFormulaForEverySample)
{
    for (double vertical : {1.0, 0.5, 3.0, 1e-9, 1e9, 0.1, 17.3})
        for (bool shallow : {true, false}) {
            const std::vector<double> table = elevationTable(shallow, vertical);
            ASSERT_EQ(table.size(), shallow ? 256u : 65536u);
            for (std::size_t v = 0; v < table.size(); ++v) {
                const double deep = static_cast<double>(shallow ? v * 257 : v);
                ASSERT_EQ(table[v], vertical * (deep / 257.0)) << "sample " << v << " vertical " << vertical;
            }
        }
}

// Against the gradient's divisions, at ground units whose reciprocals are
// exact (powers of two) and others, on terrain from flat to cliffs.
TEST(SunRows, LambertTermIsTheFormulaAtEveryWidth)
{
    std::mt19937 rng(23);
    const double grounds[][2] = {{1, 1}, {0.5, 2}, {30, 30}, {1, 3}, {1e-9, 1e-9}, {1e9, 0.25}, {0.1, 0.1}};
    const double scales[] = {0.0, 1.0, 255.0, 2.55e11};
    const int width = 203; // not a multiple of any width, so every loop's tail runs
    int cases = 0;
    for (const auto& g : grounds)
        for (double scale : scales) {
            SunControls c;
            c.azimuth = 37.0 * cases;
            c.altitude = 5.0 + 11.0 * (cases % 8);
            c.groundX = g[0];
            c.groundY = g[1];
            ++cases;
            std::vector<double> rows[3];
            for (auto& r : rows)
                for (int i = 0; i < width + 2; ++i) r.push_back(scale * (rng() % 65536) / 65535.0);
            const std::vector<double>* const z[3] = {&rows[0], &rows[1], &rows[2]};
            const LambertTerm t(c);
            std::vector<double> expected(width);
            for (int i = 0; i < width; ++i) {
                const auto [p, q] = gradientAt(z[0]->data(), z[1]->data(), z[2]->data(), i, c.groundX, c.groundY);
                const double f = (-p * t.sinA * t.cosE + q * t.cosA * t.cosE + t.sinE) / std::sqrt(1 + p * p + q * q);
                expected[static_cast<std::size_t>(i)] = f > 0.0 ? f : 0.0;
            }
            for (Lanes lanes : lanesHere()) {
                std::vector<double> lambda(width, -1.0);
                t.row(lanes, z, width, lambda.data());
                for (int i = 0; i < width; ++i)
                    ASSERT_EQ(lambda[static_cast<std::size_t>(i)], expected[static_cast<std::size_t>(i)])
                        << lanesName(lanes) << " ground " << g[0] << "," << g[1] << " scale " << scale
                        << " pixel " << i;
            }
        }
}

// The lit greys against row() with a count of 1 of 1 and no sky, the
// unlit grey against row() with a count of 0, for every darkness, with
// terms at and beside the halfway points between greys.
TEST(SunRows, PointSunGreysAreTheGeneralRowsAtEveryWidth)
{
    std::mt19937 rng(29);
    for (double skyShare : {0.0, -0.0})
        for (int darkness = 0; darkness < 256; ++darkness) {
            const double d = darkness;
            std::vector<double> lambda = {0.0, 1.0, std::nextafter(1.0, 2.0), 1.0 + 1e-12, 5e-324, 0.5};
            for (int g = 0; g <= darkness && darkness > 0; g += 1 + darkness / 40) {
                const double half = (g + 0.5) / d; // (255 - d) + d lambda lands halfway between greys
                lambda.insert(lambda.end(), {half, std::nextafter(half, 0.0), std::nextafter(half, 2.0)});
            }
            while (lambda.size() % 7 != 3) lambda.push_back((rng() % 1000001) / 1e6);
            const int width = static_cast<int>(lambda.size());
            const std::vector<std::uint16_t> one(lambda.size(), 1), none(lambda.size(), 0);
            const std::vector<double> sky(lambda.size(), 0.0);
            const SunShade shade{d, skyShare, false};
            std::vector<std::uint8_t> lit(lambda.size()), unlit(lambda.size());
            shade.row(one.data(), lambda.data(), sky.data(), width, lit.data());
            shade.row(none.data(), lambda.data(), sky.data(), width, unlit.data());
            std::vector<Colour> litColours(lambda.size());
            shade.row(one.data(), lambda.data(), sky.data(), width, litColours.data());
            for (Lanes lanes : lanesHere()) {
                std::vector<std::uint8_t> greys(lambda.size(), 7);
                std::vector<Colour> colours(lambda.size(), 7);
                shade.litRow(lanes, lambda.data(), width, greys.data());
                shade.litRow(lanes, lambda.data(), width, colours.data());
                ASSERT_EQ(greys, lit) << lanesName(lanes) << " darkness " << darkness << " sky " << skyShare;
                ASSERT_EQ(colours, litColours) << lanesName(lanes) << " darkness " << darkness;
            }
            for (std::uint8_t g : unlit) ASSERT_EQ(g, shade.unlit<std::uint8_t>()) << "darkness " << darkness;
            ASSERT_EQ(shade.unlit<Colour>(), grey(shade.unlit<std::uint8_t>()));
        }
}

// The walk's level loop at every width against one ray at a time: levels
// and ray times across the whole range a deep sample and a drop can make,
// ties among them (a tie is no rise), runs of every length up to a bundle.
TEST(SunRows, WalkLevelsRiseAsOneRayAtATimeAtEveryWidth)
{
    std::mt19937_64 rng(5);
    for (int from = 0; from < 64; from += 9)
        for (int to = from; to < 64; to += 5) {
            std::int64_t level[64], top[64];
            std::uint16_t lit[64];
            for (int j = 0; j < 64; ++j) {
                level[j] = static_cast<std::int64_t>(rng() % 65536) * 65536;
                top[j] = j % 3 == 0 ? sun_walk::kNone : static_cast<std::int64_t>(rng() % (std::int64_t{1} << 40));
                lit[j] = static_cast<std::uint16_t>(rng() % 60000);
            }
            const std::int64_t time = static_cast<std::int64_t>(rng() % (std::int64_t{1} << 39));
            level[to] = top[to] - time; // a tie
            std::int64_t topOne[64];
            std::uint16_t litOne[64];
            std::copy(top, top + 64, topOne);
            std::copy(lit, lit + 64, litOne);
            for (int j = from; j <= to; ++j)
                if (level[j] + time > topOne[j]) {
                    topOne[j] = level[j] + time;
                    ++litOne[j];
                }
            for (Lanes lanes : lanesHere()) {
                std::int64_t t[64];
                std::uint16_t n[64];
                std::copy(top, top + 64, t);
                std::copy(lit, lit + 64, n);
                raiseLevels(lanes)(level, time, t, n, from, to);
                ASSERT_TRUE(std::equal(t, t + 64, topOne)) << lanesName(lanes) << ", rays " << from << ".." << to;
                ASSERT_TRUE(std::equal(n, n + 64, litOne)) << lanesName(lanes) << ", rays " << from << ".." << to;
            }
        }
}
