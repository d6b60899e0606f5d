#include "stamped_layers.h"

#include "../workspace/map_grid.h"
#include "../workspace/parallel.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace gloamery {

namespace {

// Where each of `parts` contiguous runs of the rays begins, so that each
// run takes about as many of the `total` steps as the others.
std::vector<std::size_t> splitRays(const std::vector<double>& steps, double total, int parts)
{
    std::vector<std::size_t> begin{0};
    double done = 0;
    for (std::size_t k = 0; k < steps.size() && static_cast<int>(begin.size()) < parts; ++k) {
        done += steps[k];
        if (done >= total * static_cast<double>(begin.size()) / parts) begin.push_back(k + 1);
    }
    while (static_cast<int>(begin.size()) < parts) begin.push_back(steps.size());
    begin.push_back(steps.size());
    return begin;
}

} // namespace

Rect reachOf(const RayWalk& r, int w, int h)
{
    const double limit = r.majorY ? w : h;
    const int majorTop = r.majorY ? h : w;
    const double span = std::max(0, r.left - 1) * std::fabs(r.s);
    const double lo = r.s >= 0 ? r.q : std::min(r.q, limit) - span;
    const double hi = r.s >= 0 ? std::max(r.q, 0.0) + span : r.q;
    const int m1 = r.m + std::max(0, r.left - 1) * r.step;
    auto clampTo = [](double v, int top) { return static_cast<int>(std::clamp(v, 0.0, static_cast<double>(top))); };
    const int minor0 = clampTo(std::floor(lo) - 2, static_cast<int>(limit));
    const int minor1 = clampTo(std::ceil(hi) + 2, static_cast<int>(limit));
    const int major0 = clampTo(std::min(r.m, m1), majorTop), major1 = clampTo(std::max(r.m, m1), majorTop);
    if (r.majorY) return {minor0, major0, minor1 - minor0 + 1, major1 - major0 + 1};
    return {major0, minor0, major1 - major0 + 1, minor1 - minor0 + 1};
}

std::vector<Piece> cutPieces(const StampedRays& all, int gridStride, int& runs)
{
    std::vector<Piece> pieces;
    for (;; --runs) {
        pieces.clear();
        const std::vector<std::size_t> begin = splitRays(all.steps, all.total, runs);
        double area = 0;
        for (int r = 0; r < runs; ++r)
            for (std::size_t k = begin[static_cast<std::size_t>(r)]; k < begin[static_cast<std::size_t>(r) + 1];) {
                const int side = all.sides[k];
                Piece piece{k, k, all.boxes[k], {}};
                for (; k < begin[static_cast<std::size_t>(r) + 1] && all.sides[k] == side; ++k) {
                    piece.box = unite(piece.box, all.boxes[k]);
                    piece.steps += all.steps[k];
                }
                piece.last = k;
                // Wide boxes take the grid's rows: a quarter or less of
                // each row goes unused.
                piece.gridRows = gridStride > 0 && 4 * piece.box.width >= 3 * gridStride;
                piece.stride = static_cast<std::size_t>(piece.gridRows ? gridStride : paddedRow<std::uint32_t>(piece.box.width));
                area += static_cast<double>(layerValues(piece.box, piece.stride));
                pieces.push_back(std::move(piece));
            }
        if (runs == 1 || area <= kLayerBudget) return pieces;
    }
}

void reserveLayers(std::vector<Piece>& pieces)
{
    for (Piece& p : pieces) p.layer.reserve(layerValues(p.box, p.stride));
}

std::vector<std::size_t> longestFirst(const std::vector<Piece>& pieces)
{
    std::vector<std::size_t> order(pieces.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return pieces[a].steps > pieces[b].steps; });
    return order;
}

template <class Pixel>
void foldLayers(const std::vector<Piece>& pieces, ShadeTarget<Pixel> into, const Rect& frame)
{
    // Stretch by stretch, piece by piece, in plain loops the compiler takes
    // many pixels at a time.
    const int w = into.width, h = into.height;
    forEachRow(h, static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * pieces.size(), [&](int row) {
        constexpr int kStretch = 1024;
        std::uint32_t best[kStretch];
        const int y = row + frame.y0;
        for (int first = frame.x0; first < frame.x0 + w; first += kStretch) {
            const int n = std::min(kStretch, frame.x0 + w - first);
            std::fill_n(best, n, 0u);
            for (const Piece& p : pieces) {
                const Rect& b = p.box;
                if (y < b.y0 || y >= b.y0 + b.height) continue;
                const int from = std::max(first, b.x0), count = std::min(first + n, b.x0 + b.width) - from;
                const std::uint32_t* l = p.layer.data() + static_cast<std::size_t>(y - b.y0) * p.stride + (from - b.x0);
                std::uint32_t* merged = best + (from - first);
                for (int i = 0; i < count; ++i) merged[i] = merged[i] > l[i] ? merged[i] : l[i];
            }
            Pixel* out = into.pixels + static_cast<std::size_t>(row) * into.stride + static_cast<std::size_t>(first - frame.x0);
            for (int i = 0; i < n; ++i) out[i] = best[i] != 0 ? shadeAs<Pixel>(best[i] & 255) : out[i];
        }
    });
}

template void foldLayers(const std::vector<Piece>&, ShadeTarget<Colour>, const Rect&);
template void foldLayers(const std::vector<Piece>&, ShadeTarget<std::uint8_t>, const Rect&);

} // namespace gloamery
