// The rows of the stamped layers: they hold every pixel a ray reaches, and
// together they cover a large map about once.

#include "shadow/ray.h"
#include "shadow/stamped_layers.h"
#include "shadow/sweep.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace gloamery;

namespace {

// Notes every grid point a walk steps on.
struct Recorder {
    std::vector<Cell>* cells;
    void lit(const Cell& c, int, std::int32_t) const { cells->push_back(c); }
    void shaded(const Cell& c, int, std::int32_t) const { cells->push_back(c); }
    void after(const Cell&, bool, int, std::int32_t&) const {}
};

// The points of the walk r in the W x H map that rows over `box` do not hold.
int missed(RayWalk r, const std::vector<LayerRow>& rows, const Rect& box, const ByteGrid& grid)
{
    std::vector<Cell> cells;
    Recorder rec{&cells};
    walkRay(r, r.left, grid, DecayStep(1), false, rec);
    int count = 0;
    for (const Cell& c : cells) {
        if (c.x >= grid.mapWidth() || c.y >= grid.mapHeight() || c.y < box.y0 || c.y >= box.y0 + box.height) continue;
        const LayerRow& row = rows[static_cast<std::size_t>(c.y - box.y0)];
        count += static_cast<unsigned>(c.x - row.lo) >= row.width;
    }
    return count;
}

} // namespace

// Rays from suns on and off the map, whole and taken up part of the way (as
// a region's are), a side's rays together and a run of them (as a piece
// takes them): every point of the picture they step on is in their rows.
TEST(StampedLayers, RowsHoldEveryPointARayReaches)
{
    std::mt19937 rng(11);
    const struct {
        int w, h;
    } maps[] = {{37, 23}, {200, 300}, {301, 97}, {1, 1}};
    for (const auto& m : maps) {
        const ByteGrid grid(m.w, m.h);
        std::uniform_real_distribution<double> sunX(-3.0 * m.w, 4.0 * m.w), sunY(-3.0 * m.h, 4.0 * m.h);
        for (int trial = 0; trial < 40; ++trial) {
            const double ox = trial % 3 == 0 ? std::floor(sunX(rng)) : sunX(rng), oy = sunY(rng);
            for (int taken : {0, 1, 7})
                for (int side = 0; side < 4; ++side) {
                    std::vector<StampedRay> rays;
                    for (const SweepTarget& t : sweepTargets(m.w, m.h, true)) {
                        if (t.side != side) continue;
                        RayWalk walk = startRay(t.x, t.y, ox, oy);
                        std::vector<Cell> ignored;
                        Recorder rec{&ignored};
                        walkRay(walk, taken, grid, DecayStep(1), false, rec);
                        rays.push_back({walk, 1});
                    }
                    const std::size_t n = rays.size();
                    for (auto [first, last] : {std::pair{std::size_t{0}, n}, std::pair{n / 3, n - n / 3}}) {
                        Rect box = reachOf(rays[first].walk, m.w, m.h);
                        for (std::size_t k = first; k < last; ++k) box = unite(box, reachOf(rays[k].walk, m.w, m.h));
                        const std::vector<LayerRow> rows = layerRows(rays.data() + first, last - first, box, m.w, m.h);
                        for (std::size_t k = first; k < last; ++k)
                            ASSERT_EQ(missed(rays[k].walk, rows, box, grid), 0)
                                << m.w << " x " << m.h << ", sun " << ox << ", " << oy << ", side " << side << ", ray "
                                << k << " of " << first << ".." << last << " after " << taken << " steps";
                    }
                }
        }
    }
}

// A box over a piece's rays held about twice the map; rows that follow
// their reach hold about the map once, however many pieces there are, with
// the sun on the map. From far off it, rays slide along the edge they meet
// and then cross the map beside their line, over the rays of another side.
TEST(StampedLayers, LayersOfALargeSweepCoverTheMapAboutOnce)
{
    const struct {
        int w, h;
        double x0, y0;
        ShadowMode mode;
        double most; // of the map's pixels
    } sweeps[] = {{4096, 4096, 640, 480, ShadowMode::Linear, 1.15},   {4096, 4096, 2048, 2048, ShadowMode::Linear, 1.15},
                  {4096, 1024, 3000, 200, ShadowMode::Linear, 1.15},  {4096, 4096, 0, 0, ShadowMode::LinearSim, 1.15},
                  {1024, 4096, 100, 4000, ShadowMode::Sin, 1.15},     {4096, 4096, 5000, -700, ShadowMode::Embossed, 1.6},
                  {4096, 4096, -3000, 9000, ShadowMode::Linear, 1.9}};
    for (const auto& s : sweeps)
        for (int threads : {1, 2, 8}) {
            ShadowParams p;
            p.x0 = s.x0;
            p.y0 = s.y0;
            const double map = static_cast<double>(s.w) * s.h;
            const double values = static_cast<double>(stampedLayerValues(s.w, s.h, s.mode, p, threads));
            EXPECT_LT(values, s.most * map) << s.w << " x " << s.h << ", sun " << s.x0 << ", " << s.y0 << ", "
                                          << threads << " threads";
            EXPECT_GT(values, 0.95 * map) << "every pixel is in some layer";
        }
}
