// The normal map: planes of known slope in both conventions and both
// depths, the repeated edge, ground units, and the same rows however
// they are asked for.

#include "shadow/normal_map.h"
#include "compose/texture.h"
#include "workspace/parallel.h"
#include "workspace/world.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

using namespace gloamery;

namespace {

// A plane of deep samples base + ax x + ay y (ax, ay in deep samples a pixel).
Workspace plane(int w, int h, int base, int ax, int ay, bool deep)
{
    Workspace ws(w, h);
    std::vector<std::uint16_t> s;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) s.push_back(static_cast<std::uint16_t>(base + ax * x + ay * y));
    if (deep) {
        ws.setDeepHeights(HeightSamples(w, h, s.data()));
        return ws;
    }
    ws.editHeightPicture([&](Picture& p) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) p.setPixel(x, y, grey(s[static_cast<std::size_t>(y) * w + x] / 257));
    });
    return ws;
}

// The stored normal of slopes p (across) and q (down the map), worked out
// from the formula as written.
std::vector<int> expected(double p, double q, const NormalOptions& o)
{
    const double len = std::sqrt(1 + p * p + q * q);
    const double y = o.convention == NormalConvention::OpenGL ? q : -q;
    const double half = o.bits == 16 ? 32767.5 : 127.5;
    std::vector<int> out;
    for (const double c : {-p / len, y / len, 1 / len}) out.push_back(static_cast<int>(std::nearbyint((c + 1) * half)));
    return out;
}

std::vector<int> at(const std::vector<std::uint16_t>& map, int w, int x, int y)
{
    const std::size_t i = 3 * (static_cast<std::size_t>(y) * w + x);
    return {map[i], map[i + 1], map[i + 2]};
}

TEST(NormalMap, PlanesGiveTheirSlopeInEachConventionAndDepth)
{
    struct Case {
        int ax, ay; // 8-bit levels a pixel
        double gx, gy, v;
    };
    const Case cases[] = {{0, 0, 1, 1, 1}, {1, 0, 1, 1, 1}, {0, 2, 1, 1, 1}, {3, -1, 1, 1, 1},
                          {2, 2, 4, 0.5, 1}, {1, -3, 30, 30, 12.5}, {-4, 1, 1, 1, 0.25}};
    for (const Case& c : cases)
        for (const bool deep : {false, true})
            for (const auto conv : {NormalConvention::OpenGL, NormalConvention::DirectX})
                for (const int bits : {8, 16}) {
                    const int w = 9, h = 7;
                    const Workspace ws = plane(w, h, 257 * 120, 257 * c.ax, 257 * c.ay, deep);
                    const NormalOptions o{conv, bits, c.gx, c.gy, c.v};
                    const auto map = normalMap(ws, o);
                    const std::string what = "slope " + std::to_string(c.ax) + "," + std::to_string(c.ay) + " ground "
                                           + std::to_string(c.gx) + " bits " + std::to_string(bits) + " deep "
                                           + std::to_string(deep) + " conv " + std::to_string(static_cast<int>(conv));
                    const double p = c.ax * c.v / c.gx, q = c.ay * c.v / c.gy;
                    // Inside, the whole slope; on the edge, which repeats, half of it.
                    EXPECT_EQ(at(map, w, 4, 3), expected(p, q, o)) << what;
                    EXPECT_EQ(at(map, w, 0, 3), expected(p / 2, q, o)) << what << " left edge";
                    EXPECT_EQ(at(map, w, 4, h - 1), expected(p, q / 2, o)) << what << " bottom edge";
                    EXPECT_EQ(at(map, w, w - 1, 0), expected(p / 2, q / 2, o)) << what << " corner";
                }
}

TEST(NormalMap, FlatGroundPointsStraightUpInEitherDepth)
{
    for (const auto& [bits, want] : {std::pair{8, std::vector<int>{128, 128, 255}},
                                     std::pair{16, std::vector<int>{32768, 32768, 65535}}}) {
        const Workspace ws = plane(5, 3, 257 * 77, 0, 0, false);
        const auto map = normalMap(ws, NormalOptions{NormalConvention::DirectX, bits});
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) EXPECT_EQ(at(map, 5, x, y), want) << bits << " bits at " << x << "," << y;
    }
}

TEST(NormalMap, ConventionsDifferOnlyInY)
{
    Workspace ws(32, 24);
    ws.editHeightPicture([](Picture& p) {
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 32; ++x) p.setPixel(x, y, grey((x * 37 + y * y * 11) % 256));
    });
    const auto gl = normalMap(ws, {NormalConvention::OpenGL, 8});
    const auto dx = normalMap(ws, {NormalConvention::DirectX, 8});
    for (std::size_t i = 0; i < gl.size(); i += 3) {
        EXPECT_EQ(gl[i], dx[i]);
        EXPECT_EQ(gl[i + 2], dx[i + 2]);
        // nearest((-c + 1) 127.5) = 255 - nearest((c + 1) 127.5) but for ties, which round to even.
        EXPECT_LE(std::abs(gl[i + 1] + dx[i + 1] - 255), 1) << i;
    }
    // A row asked for alone is the whole map's row, on any number of threads.
    std::vector<std::uint16_t> row(3 * 32);
    const int threads = threadCount();
    setThreadCount(1);
    const auto one = normalMap(ws, {NormalConvention::OpenGL, 16});
    const std::size_t grain = parallelGrain();
    setThreadCount(3);
    setParallelGrain(1);
    EXPECT_EQ(normalMap(ws, {NormalConvention::OpenGL, 16}), one);
    setThreadCount(threads);
    setParallelGrain(grain);
    workspaceNormalRow(ws, {NormalConvention::OpenGL, 8}, 23, row.data());
    EXPECT_TRUE(std::equal(row.begin(), row.end(), gl.begin() + 3 * 32 * 23));
}

TEST(NormalMap, RegionsOfAWorldJoinIntoTheWholeMap)
{
    const int w = 37, h = 23;
    const auto sample = [](int x, int y) { return (x * 1733 + y * y * 291 + x * y * 57) % 65536; };
    for (const bool deep : {false, true}) {
        Workspace whole = plane(w, h, 0, 0, 0, true);
        std::vector<std::uint16_t> s;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) s.push_back(static_cast<std::uint16_t>(deep ? sample(x, y) : sample(x, y) % 256));
        if (deep) whole.setDeepHeights(HeightSamples(w, h, s.data()));
        else whole.editHeightPicture([&](Picture& p) {
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) p.setPixel(x, y, grey(s[static_cast<std::size_t>(y) * w + x]));
        });
        const NormalOptions o{NormalConvention::DirectX, 16, 2.5, 3, 0.75};
        const auto want = normalMap(whole, o);
        const SampledHeights source(w, h, deep, [&](int x, int y) {
            return x < w && y < h ? s[static_cast<std::size_t>(y) * w + x] : (deep ? 65535 : 255);
        });
        for (const Rect& r : {Rect{0, 0, 13, 9}, Rect{12, 8, 25, 15}, Rect{0, 22, 37, 1}}) {
            const WorldRegion held = heldBox(w, h, r);
            const auto window = source.read(textureHeights(held));
            std::vector<std::uint16_t> row(3 * static_cast<std::size_t>(held.area.width));
            for (int y = 0; y < held.area.height; ++y) {
                regionNormalRow(std::get<HeightWindow>(window), held, o, y, row.data());
                const auto from = want.begin() + 3 * ((held.area.y0 + y) * w + held.area.x0);
                ASSERT_TRUE(std::equal(row.begin(), row.end(), from)) << "deep " << deep << " region " << r.x0 << ","
                                                                      << r.y0 << " row " << y;
            }
        }
    }
}

} // namespace
