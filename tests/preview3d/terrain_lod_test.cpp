// The levels of detail of the buffered mesh, without any window or GL: the
// triangles of any choice of chunk steps, and the steps chosen for a view.

#include "preview3d/terrain_lod.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <utility>
#include <vector>

namespace {

using Point = std::pair<long long, long long>;

// Chunks of any steps, side by side, cover the grid once with no crack:
// every triangle turns the full mesh's way, the areas add up to the grid's,
// and every inner edge is met from both sides. All steps 1 give the full
// mesh's own cells.
TEST(TerrainLod, LevelsOfDetailLeaveNoCrack)
{
    const std::pair<int, int> grids[] = {{256, 256}, {150, 150}, {37, 5}, {33, 97}, {1, 1}, {256, 65}};
    for (int pattern = 0; pattern < 4; ++pattern) // all 1, all 16, chequered 1/16, seeded random
        for (const auto& grid : grids) {
            const int columns = grid.first, rows = grid.second;
            SCOPED_TRACE(testing::Message() << columns << "x" << rows << " pattern " << pattern);
            const std::size_t points = std::size_t(columns + 1) * std::size_t(rows + 1);
            const std::vector<float> heights(points, 0.0f);
            TerrainLod lod(heights.data(), columns, rows);
            lod.place(std::vector<float>(columns + 1, 0.0f), std::vector<float>(rows + 1, 0.0f));
            std::mt19937 rng(7);
            std::vector<int> steps;
            for (std::size_t n = 0; n < lod.chunks().size(); ++n)
                steps.push_back(pattern == 0 ? 1 : pattern == 1 ? 16 : pattern == 2 ? (n % 3 ? 16 : 1) : 1 << (rng() % 5));
            const std::vector<std::uint32_t> tri = lod.triangles(steps);
            ASSERT_EQ(tri.size() % 3, 0u);
            const auto at = [&](std::uint32_t p) { return Point(p % (columns + 1), p / (columns + 1)); };
            const auto onBorder = [&](Point a, Point b) {
                return (a.first == b.first && (a.first == 0 || a.first == columns))
                    || (a.second == b.second && (a.second == 0 || a.second == rows));
            };
            long long twiceArea = 0;
            std::map<std::pair<std::uint32_t, std::uint32_t>, int> edges;
            for (std::size_t k = 0; k < tri.size(); k += 3) {
                const Point a = at(tri[k]), b = at(tri[k + 1]), c = at(tri[k + 2]);
                const long long turn = (b.first - a.first) * (c.second - a.second) - (b.second - a.second) * (c.first - a.first);
                ASSERT_GT(turn, 0) << "triangle " << k / 3;
                twiceArea += turn;
                for (int e = 0; e < 3; ++e) {
                    const std::pair<std::uint32_t, std::uint32_t> edge(tri[k + e], tri[k + (e + 1) % 3]);
                    ASSERT_EQ(++edges[edge], 1) << "edge drawn twice";
                }
            }
            EXPECT_EQ(twiceArea, 2LL * columns * rows);
            for (const auto& [edge, count] : edges) {
                if (!edges.count({edge.second, edge.first})) {
                    EXPECT_TRUE(onBorder(at(edge.first), at(edge.second))) << "open edge " << edge.first << "-" << edge.second;
                }
            }
            if (pattern == 0) {
                EXPECT_EQ(tri.size(), std::size_t(6) * columns * rows);
            }
        }
}

// Flat ground is drawn at its coarsest anywhere; rugged ground at its
// finest right under a near eye, at its coarsest only far away.
TEST(TerrainLod, LevelsOfDetailFollowErrorAndDistance)
{
    const int n = 256;
    std::vector<float> flat((n + 1) * (n + 1), 0.5f), rugged(flat);
    for (std::size_t k = 0; k < rugged.size(); ++k) rugged[k] = float(k % 7) * 0.05f;
    std::vector<float> along(n + 1);
    for (int i = 0; i <= n; ++i) along[i] = float((i - n / 2) / 32.0);
    const double pixelsAtUnit = 673 * 1.2071; // the design height at 45 degrees
    const auto placed = [&](const std::vector<float>& heights) {
        TerrainLod lod(heights.data(), n, n);
        lod.place(along, along);
        return lod;
    };
    const auto allCoarsest = [](const std::vector<int>& steps) {
        return std::all_of(steps.begin(), steps.end(), [](int s) { return s == 16; });
    };
    for (double distance : {3.0, 300.0}) {
        // Seen from straight above, `distance` units up.
        const double m[16] = {1, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, -distance, 1};
        EXPECT_TRUE(allCoarsest(placed(flat).steps(m, pixelsAtUnit))) << distance;
        const std::vector<int> fine = placed(rugged).steps(m, pixelsAtUnit);
        if (distance < 10) {
            EXPECT_EQ(fine[4 * 8 + 4], 1); // the chunk whose corner lies under the eye
        } else {
            EXPECT_TRUE(allCoarsest(fine));
        }
    }
}

} // namespace
