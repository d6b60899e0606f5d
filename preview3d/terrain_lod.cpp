#include "terrain_lod.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Points a..b every `step`, b always last: the points both chunks of a
// shared edge draw it with.
std::vector<int> edgePoints(int a, int b, int step)
{
    std::vector<int> p;
    for (int v = a; v < b; v += step) p.push_back(v);
    p.push_back(b);
    return p;
}

// A chunk's own points along a side a..b at `step`: every step from a while
// a whole step remains before b, then b (the last cell of a short chunk is
// wider).
std::vector<int> stepPoints(int a, int b, int step)
{
    std::vector<int> p;
    for (int v = a; v <= b - step; v += step) p.push_back(v);
    if (p.empty() || p.back() != b) p.push_back(b);
    return p;
}

// Interpolation over the cell (u, v in 0..1) split along either diagonal:
// the larger of the two errors, whichever split the chunk's stitching uses.
float cellError(float h, float h00, float h10, float h01, float h11, float u, float v)
{
    const float across = u + v <= 1.0f ? h00 + u * (h10 - h00) + v * (h01 - h00)
                                       : h11 + (1.0f - u) * (h01 - h11) + (1.0f - v) * (h10 - h11);
    const float along = u >= v ? h00 + u * (h10 - h00) + v * (h11 - h10) : h00 + v * (h01 - h00) + u * (h11 - h01);
    return std::max(std::fabs(h - across), std::fabs(h - along));
}

} // namespace

TerrainLod::TerrainLod(const float* heights, int columns, int rows)
    : columns_(columns), rows_(rows), chunkColumns_((columns + kChunkCells - 1) / kChunkCells),
      chunkRows_((rows + kChunkCells - 1) / kChunkCells)
{
    const auto h = [&](int x, int z) { return heights[point(x, z)]; };
    for (int q = 0; q < chunkRows_; ++q)
        for (int p = 0; p < chunkColumns_; ++p) {
            Chunk c{p * kChunkCells, std::min((p + 1) * kChunkCells, columns_), q * kChunkCells,
                    std::min((q + 1) * kChunkCells, rows_), 1, h(p * kChunkCells, q * kChunkCells),
                    h(p * kChunkCells, q * kChunkCells), {}};
            for (int z = c.z0; z <= c.z1; ++z)
                for (int x = c.x0; x <= c.x1; ++x) {
                    c.yMin = std::min(c.yMin, h(x, z));
                    c.yMax = std::max(c.yMax, h(x, z));
                }
            const int side = std::min(c.x1 - c.x0, c.z1 - c.z0);
            float worst = 0.0f;
            for (std::size_t k = 0; k < kSteps.size(); ++k) {
                const int s = kSteps[k];
                if (2 * s <= side) c.maxStep = s;
                const std::vector<int> xs = stepPoints(c.x0, c.x1, s), zs = stepPoints(c.z0, c.z1, s);
                for (std::size_t j = 0; j + 1 < zs.size(); ++j)
                    for (std::size_t i = 0; i + 1 < xs.size(); ++i) {
                        const int ax = xs[i], bx = xs[i + 1], az = zs[j], bz = zs[j + 1];
                        for (int z = az; z <= bz; ++z)
                            for (int x = ax; x <= bx; ++x)
                                worst = std::max(worst, cellError(h(x, z), h(ax, az), h(bx, az), h(ax, bz), h(bx, bz),
                                                                  float(x - ax) / float(bx - ax),
                                                                  float(z - az) / float(bz - az)));
                    }
                c.error[k] = worst; // never less than a finer step's
            }
            chunks_.push_back(c);
        }
}

void TerrainLod::place(std::vector<float> xAt, std::vector<float> zAt)
{
    xAt_ = std::move(xAt);
    zAt_ = std::move(zAt);
}

int TerrainLod::neighbour(int chunk, int side) const
{
    const int p = chunk % chunkColumns_, q = chunk / chunkColumns_;
    switch (side) {
    case 0: return q > 0 ? chunk - chunkColumns_ : -1;
    case 1: return p + 1 < chunkColumns_ ? chunk + 1 : -1;
    case 2: return q + 1 < chunkRows_ ? chunk + chunkColumns_ : -1;
    default: return p > 0 ? chunk - 1 : -1;
    }
}

std::vector<int> TerrainLod::steps(const double m[16], double pixelsAtUnit) const
{
    // Heights are the model's y: their length in eye space is column 1's.
    const auto length = [m](int column) {
        return std::sqrt(m[4 * column] * m[4 * column] + m[4 * column + 1] * m[4 * column + 1]
                         + m[4 * column + 2] * m[4 * column + 2]);
    };
    const double xScale = length(0), yScale = length(1), zScale = length(2);
    std::vector<int> best(chunks_.size(), 1);
    for (std::size_t n = 0; n < chunks_.size(); ++n) {
        const Chunk& c = chunks_[n];
        // The eye's distance to the chunk's box, taken round its corners'
        // box in eye space (never farther than the true distance).
        double lo[3] = {INFINITY, INFINITY, INFINITY}, hi[3] = {-INFINITY, -INFINITY, -INFINITY};
        for (int corner = 0; corner < 8; ++corner) {
            const double x = xAt_[corner & 1 ? c.x1 : c.x0], y = corner & 2 ? c.yMax : c.yMin,
                         z = zAt_[corner & 4 ? c.z1 : c.z0];
            for (int a = 0; a < 3; ++a) {
                const double e = m[a] * x + m[4 + a] * y + m[8 + a] * z + m[12 + a];
                lo[a] = std::min(lo[a], e);
                hi[a] = std::max(hi[a], e);
            }
        }
        double d2 = 0.0;
        for (int a = 0; a < 3; ++a) {
            const double out = std::max({lo[a], -hi[a], 0.0});
            d2 += out * out;
        }
        const double pixelsPerUnit = pixelsAtUnit / std::max(std::sqrt(d2), 1e-6);
        // A grid cell's longer side on screen, at most.
        const double cellPixels =
            pixelsPerUnit * std::max(xScale * std::fabs(xAt_[c.x1] - xAt_[c.x0]) / (c.x1 - c.x0),
                                     zScale * std::fabs(zAt_[c.z1] - zAt_[c.z0]) / (c.z1 - c.z0));
        for (std::size_t k = 1; k < kSteps.size() && kSteps[k] <= c.maxStep; ++k)
            if (c.error[k] * yScale * pixelsPerUnit <= kMaxErrorPixels || kSteps[k] * cellPixels <= kMaxCellPixels)
                best[n] = kSteps[k];
    }
    // A shared edge is drawn at the coarser step of its two chunks, so that
    // step must be fine enough for both.
    std::vector<int> chosen(best);
    for (std::size_t n = 0; n < chunks_.size(); ++n)
        for (int side = 0; side < 4; ++side)
            if (const int o = neighbour(static_cast<int>(n), side); o >= 0) chosen[n] = std::min(chosen[n], best[o]);
    return chosen;
}

void TerrainLod::addTriangle(std::vector<std::uint32_t>& out, int ax, int az, int bx, int bz, int cx, int cz) const
{
    // The full mesh's cells turn counter-clockwise from x towards z.
    const long long turn = static_cast<long long>(bx - ax) * (cz - az) - static_cast<long long>(bz - az) * (cx - ax);
    if (turn == 0) return;
    if (turn < 0) {
        std::swap(bx, cx);
        std::swap(bz, cz);
    }
    out.insert(out.end(), {point(ax, az), point(bx, bz), point(cx, cz)});
}

void TerrainLod::addCell(std::vector<std::uint32_t>& out, int x, int z, int sx, int sz) const
{
    // Split as the full mesh's strips split it: from (x + 1, z) to (x, z + 1).
    addTriangle(out, x, z, x + sx, z, x, z + sz);
    addTriangle(out, x, z + sz, x + sx, z, x + sx, z + sz);
}

void TerrainLod::addChunk(std::vector<std::uint32_t>& out, const Chunk& c, int step,
                          const std::array<int, 4>& edgeSteps) const
{
    if (step == 1 && edgeSteps == std::array<int, 4>{1, 1, 1, 1}) {
        for (int z = c.z0; z < c.z1; ++z)
            for (int x = c.x0; x < c.x1; ++x) addCell(out, x, z, 1, 1);
        return;
    }
    // The inner points at the chunk's step, one step in from every side.
    const std::vector<int> xs = stepPoints(c.x0, c.x1, step), zs = stepPoints(c.z0, c.z1, step);
    const std::vector<int> innerX(xs.begin() + 1, xs.end() - 1), innerZ(zs.begin() + 1, zs.end() - 1);
    for (std::size_t j = 0; j + 1 < innerZ.size(); ++j)
        for (std::size_t i = 0; i + 1 < innerX.size(); ++i)
            addCell(out, innerX[i], innerZ[j], innerX[i + 1] - innerX[i], innerZ[j + 1] - innerZ[j]);

    // Each side's band zips its edge points (at the edge's step) to the
    // inner row or column nearest it.
    const auto zip = [&](const std::vector<int>& edge, int edgeAt, const std::vector<int>& inner, int innerAt,
                         bool alongX) {
        const auto tri = [&](int u0, int v0, int u1, int v1, int u2, int v2) {
            if (alongX)
                addTriangle(out, u0, v0, u1, v1, u2, v2);
            else
                addTriangle(out, v0, u0, v1, u1, v2, u2);
        };
        std::size_t i = 0, j = 0;
        while (i + 1 < edge.size() || j + 1 < inner.size()) {
            if (j + 1 == inner.size() || (i + 1 < edge.size() && edge[i + 1] <= inner[j + 1])) {
                tri(edge[i], edgeAt, edge[i + 1], edgeAt, inner[j], innerAt);
                ++i;
            } else {
                tri(edge[i], edgeAt, inner[j + 1], innerAt, inner[j], innerAt);
                ++j;
            }
        }
    };
    zip(edgePoints(c.x0, c.x1, edgeSteps[0]), c.z0, innerX, innerZ.front(), true);
    zip(edgePoints(c.z0, c.z1, edgeSteps[1]), c.x1, innerZ, innerX.back(), false);
    zip(edgePoints(c.x0, c.x1, edgeSteps[2]), c.z1, innerX, innerZ.back(), true);
    zip(edgePoints(c.z0, c.z1, edgeSteps[3]), c.x0, innerZ, innerX.front(), false);
}

std::vector<std::uint32_t> TerrainLod::triangles(std::vector<int> steps) const
{
    steps.resize(chunks_.size(), 1);
    // A chunk too narrow for a step stitches only to full-step neighbours.
    std::vector<int> chosen(steps);
    for (std::size_t n = 0; n < chunks_.size(); ++n) {
        chosen[n] = std::clamp(chosen[n], 1, chunks_[n].maxStep);
        for (int side = 0; side < 4; ++side)
            if (const int o = neighbour(static_cast<int>(n), side); o >= 0)
                chosen[n] = std::min(chosen[n], chunks_[o].maxStep);
    }
    std::vector<std::uint32_t> out;
    out.reserve(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_) * 6);
    for (std::size_t n = 0; n < chunks_.size(); ++n) {
        std::array<int, 4> edgeSteps{};
        for (int side = 0; side < 4; ++side) {
            const int o = neighbour(static_cast<int>(n), side);
            edgeSteps[side] = o >= 0 ? std::max(chosen[n], chosen[o]) : chosen[n];
        }
        addChunk(out, chunks_[n], chosen[n], edgeSteps);
    }
    return out;
}
