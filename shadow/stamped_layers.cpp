#include "stamped_layers.h"

#include "../workspace/map_grid.h"
#include "../workspace/parallel.h"

#include <algorithm>
#include <cmath>
#include <limits>
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

// Rows are taken in bands of this many: a band's columns cover its rows'
// at a wedge's edges, where each row reaches a little further.
constexpr int kBandRows = 16;

// Walks that start alike (the same point, axis and direction) at slopes
// from sLo to sHi. The minor coordinate of step k is q + k s held to
// 0..limit, except on a first step, which takes q as it is; after it q is
// held there, so a ray from off the map slides along the edge and then goes
// on from there, parallel to its line. Step k of any of them therefore
// lies between that of the walks at sLo and at sHi.
struct Fan {
    bool majorY;
    int m;
    int step;
    int left; // of the longest
    bool first;
    double q;
    double sLo;
    double sHi;
};

// Widens lo and hi, the first and last column of each band of box's rows,
// to the columns steps from..from + count - 1 of the fan can take there,
// after its first step (the sums round far less than the columns to spare).
void addSteps(const Fan& f, double qLo, double qHi, int from, int count, int w, int h, const Rect& box,
              std::vector<int>& lo, std::vector<int>& hi)
{
    if (count <= 0) return;
    const double limit = f.majorY ? w : h;
    const int m = f.m + from * f.step, last = count - 1;
    const int top = box.y0, bottom = box.y0 + box.height - 1;
    auto at = [&](double q, double s, double k) { return std::clamp(q + k * s, 0.0, limit); };
    auto widen = [&](int row, double a, double z) {
        const std::size_t b = static_cast<std::size_t>((row - top) / kBandRows);
        lo[b] = std::min(lo[b], static_cast<int>(std::floor(a)) - 2);
        hi[b] = std::max(hi[b], static_cast<int>(std::floor(z)) + 2);
    };
    auto bandEnd = [&](int row) { return std::min(bottom, top + ((row - top) / kBandRows + 1) * kBandRows - 1); };
    if (f.majorY) {
        // Rows are the major coordinate, m + k step; in a band the columns
        // run from those of its first row to those of its last.
        const int m1 = m + last * f.step;
        for (int row = std::max(std::min(m, m1), top), end = std::min(std::max(m, m1), bottom); row <= end;) {
            const int to = std::min(bandEnd(row), end);
            const double ka = (row - m) * f.step, kz = (to - m) * f.step;
            widen(row, std::min(at(qLo, f.sLo, ka), at(qLo, f.sLo, kz)), std::max(at(qHi, f.sHi, ka), at(qHi, f.sHi, kz)));
            row = to + 1;
        }
        return;
    }
    // Rows are the minor coordinate: a band takes the steps where the fan's
    // q can lie within its rows (and two more), or beyond where it holds the
    // edge: the walk at sHi is not yet below them, nor the one at sLo above.
    const double from0 = std::min(at(qLo, f.sLo, 0), at(qLo, f.sLo, last));
    const double end0 = std::max(at(qHi, f.sHi, 0), at(qHi, f.sHi, last));
    for (int row = std::max(top, static_cast<int>(std::floor(from0)) - 2),
             end = std::min(bottom, static_cast<int>(std::floor(end0)) + 2);
         row <= end;) {
        const int to = bandEnd(row);
        double k0 = 0, k1 = last;
        // q + k s >= low: a bound on k for a slope of either sign.
        if (row - 2 > 0) {
            const double low = row - 2.0;
            if (f.sHi > 0) k0 = std::max(k0, std::floor((low - qHi) / f.sHi));
            else if (f.sHi < 0) k1 = std::min(k1, std::ceil((low - qHi) / f.sHi));
            else if (qHi < low) k1 = -1;
        }
        if (to + 3 < limit) {
            const double high = to + 3.0;
            if (f.sLo > 0) k1 = std::min(k1, std::ceil((high - qLo) / f.sLo));
            else if (f.sLo < 0) k0 = std::max(k0, std::floor((high - qLo) / f.sLo));
            else if (qLo > high) k1 = -1;
        }
        if (k0 <= k1) widen(row, m + std::min(k0 * f.step, k1 * f.step), m + std::max(k0 * f.step, k1 * f.step));
        row = to + 1;
    }
}

void addFan(const Fan& f, int w, int h, const Rect& box, std::vector<int>& lo, std::vector<int>& hi)
{
    if (f.left <= 0) return;
    if (!f.first) return addSteps(f, f.q, f.q, 0, f.left, w, h, box, lo, hi);
    const double limit = f.majorY ? w : h;
    const double q = std::clamp(f.q, 0.0, limit); // off the grid when it is held, and not written
    addSteps(f, q, q, 0, 1, w, h, box, lo, hi);
    Fan rest = f;
    rest.m += f.step;
    addSteps(rest, std::clamp(f.q + f.sLo, 0.0, limit), std::clamp(f.q + f.sHi, 0.0, limit), 0, f.left - 1, w, h, box,
             lo, hi);
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

std::vector<Piece> cutPieces(const StampedRays& all, int& runs)
{
    std::vector<Piece> pieces;
    for (;; --runs) {
        pieces.clear();
        const std::vector<std::size_t> begin = splitRays(all.steps, all.total, runs);
        double area = 0;
        for (int r = 0; r < runs; ++r)
            for (std::size_t k = begin[static_cast<std::size_t>(r)]; k < begin[static_cast<std::size_t>(r) + 1];) {
                const int side = all.sides[k];
                Piece piece{k, k, all.boxes[k], {}, {}, {}};
                for (; k < begin[static_cast<std::size_t>(r) + 1] && all.sides[k] == side; ++k) {
                    piece.box = unite(piece.box, all.boxes[k]);
                    piece.steps += all.steps[k];
                }
                piece.last = k;
                area += static_cast<double>(piece.box.width) * piece.box.height;
                pieces.push_back(std::move(piece));
            }
        if (runs == 1 || area <= kLayerBudget) return pieces;
    }
}

std::vector<LayerRow> layerRows(const StampedRay* rays, std::size_t count, const Rect& box, int w, int h)
{
    const std::size_t bands = static_cast<std::size_t>((box.height + kBandRows - 1) / kBandRows);
    std::vector<int> lo(bands, std::numeric_limits<int>::max()), hi(bands, std::numeric_limits<int>::min());
    // A piece's rays from the sun fan out from one point: a handful of fans
    // rather than thousands of rays.
    for (std::size_t k = 0; k < count;) {
        const RayWalk& r = rays[k].walk;
        Fan f{r.majorY, r.m, r.step, r.left, r.first, r.q, r.s, r.s};
        for (++k; k < count; ++k) {
            const RayWalk& n = rays[k].walk;
            if (n.majorY != r.majorY || n.m != r.m || n.step != r.step || n.first != r.first || n.q != r.q) break;
            f.sLo = std::min(f.sLo, n.s);
            f.sHi = std::max(f.sHi, n.s);
            f.left = std::max(f.left, n.left);
        }
        addFan(f, w, h, box, lo, hi);
    }
    std::vector<LayerRow> rows(static_cast<std::size_t>(std::max(0, box.height)));
    std::size_t at = 0;
    for (std::size_t y = 0; y < rows.size(); ++y) {
        const std::size_t b = y / kBandRows;
        const int first = std::max(lo[b], box.x0), last = std::min(hi[b], box.x0 + box.width - 1);
        const unsigned width = last >= first ? static_cast<unsigned>(last - first + 1) : 0;
        rows[y] = {first, width, at};
        at += width;
    }
    return rows;
}

std::size_t layerSize(const std::vector<LayerRow>& rows)
{
    return rows.empty() ? 0 : rows.back().start + rows.back().width;
}

void reserveLayers(std::vector<Piece>& pieces)
{
    for (Piece& p : pieces) {
        const std::size_t values = layerSize(p.rows);
        p.layer = ZeroedBlock(values * sizeof(std::uint32_t));
        p.written.assign((values + kLayerPageValues - 1) / kLayerPageValues, 0);
    }
}

LayerTarget layerOf(Piece& p)
{
    return {static_cast<std::uint32_t*>(p.layer.data()), p.box.y0, static_cast<unsigned>(p.rows.size()), p.rows.data(),
            p.written.data()};
}

std::vector<std::size_t> longestFirst(const std::vector<Piece>& pieces)
{
    std::vector<std::size_t> order(pieces.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return pieces[a].steps > pieces[b].steps; });
    return order;
}

namespace {

// Whether a ray wrote into any page of the layer's values at..at + count - 1.
bool writtenWithin(const Piece& p, std::size_t at, std::size_t count)
{
    for (std::size_t page = at >> kLayerPageShift; page <= (at + count - 1) >> kLayerPageShift; ++page)
        if (p.written[page]) return true;
    return false;
}

} // namespace

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
                if (y < p.box.y0 || y >= p.box.y0 + p.box.height) continue;
                const LayerRow& r = p.rows[static_cast<std::size_t>(y - p.box.y0)];
                const int from = std::max(first, r.lo);
                const int count = std::min(first + n, r.lo + static_cast<int>(r.width)) - from;
                if (count <= 0) continue; // a row the rays miss may sit anywhere, or nowhere
                const std::size_t at = r.start + static_cast<std::size_t>(from - r.lo);
                if (!writtenWithin(p, at, static_cast<std::size_t>(count))) continue; // zeros: nothing to fold
                const std::uint32_t* l = static_cast<const std::uint32_t*>(p.layer.data()) + at;
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
