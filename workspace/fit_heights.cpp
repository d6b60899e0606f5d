#include "fit_heights.h"

#include "numeric.h"
#include "parallel.h"

#include <string>
#include <vector>

namespace gloamery {

namespace {

// Where output sample i of n falls among `from` input samples: the whole
// part k and the fraction t, with the ends on the ends.
struct Place {
    int k;
    double t;
};

Place placeOf(int i, int n, int from)
{
    if (n == 1 || from == 1) return {0, 0.0};
    const double s = static_cast<double>(i) * (from - 1) / (n - 1);
    const int k = floorToInt(s);
    return {k, s - k};
}

// Catmull-Rom weights of the samples k - 1 .. k + 2 at fraction t.
struct Weights {
    double w[4];
};

Weights cubic(double t)
{
    const double t2 = t * t, t3 = t2 * t;
    return {{(-t3 + 2 * t2 - t) / 2, (3 * t3 - 5 * t2 + 2) / 2, (-3 * t3 + 4 * t2 + t) / 2, (t3 - t2) / 2}};
}

// Sample k of a line of n values, carried on along the slope of the last
// two beyond either end.
template <class Get>
double extended(const Get& at, int k, int n)
{
    if (k < 0) return n == 1 ? at(0) : at(0) + k * (at(1) - at(0));
    if (k >= n) return n == 1 ? at(n - 1) : at(n - 1) + (k - (n - 1)) * (at(n - 1) - at(n - 2));
    return at(k);
}

template <class Get>
double interpolate(const Get& at, int n, const Place& p, const Weights& c)
{
    double sum = 0.0;
    for (int j = 0; j < 4; ++j) sum = sum + c.w[j] * extended(at, p.k - 1 + j, n);
    return sum;
}

} // namespace

HeightSamples fittedHeights(const Workspace& ws, int w, int h)
{
    const int fromW = ws.width(), fromH = ws.height();
    HeightSamples out(w, h, std::uint16_t{0});
    std::vector<Place> columns;
    std::vector<Weights> columnWeights;
    for (int x = 0; x < w; ++x) {
        columns.push_back(placeOf(x, w, fromW));
        columnWeights.push_back(cubic(columns.back().t));
    }
    readHeights(ws).visit([&](const auto& grid) {
        const double unit = sizeof(typename std::decay_t<decltype(grid)>::value_type) == 1 ? 257.0 : 1.0;
        forEachRow(h, static_cast<std::size_t>(w) * 4 + static_cast<std::size_t>(fromW) * 4, [&](int y) {
            // Down the columns first, into one row of the input's width,
            // then across it.
            const Place row = placeOf(y, h, fromH);
            const Weights rowWeights = cubic(row.t);
            std::vector<double> line(static_cast<std::size_t>(fromW));
            for (int x = 0; x < fromW; ++x)
                line[static_cast<std::size_t>(x)] = interpolate([&](int k) { return unit * grid(x, k); }, fromH, row, rowWeights);
            const auto across = [&](int k) { return line[static_cast<std::size_t>(k)]; };
            std::uint16_t* target = out.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
            for (int x = 0; x < w; ++x) {
                const double v = nearest(interpolate(across, fromW, columns[static_cast<std::size_t>(x)],
                                                     columnWeights[static_cast<std::size_t>(x)]));
                target[x] = static_cast<std::uint16_t>(v < 0.0 ? 0.0 : v > 65535.0 ? 65535.0 : v);
            }
        });
    });
    return out;
}

Refusal fitToSize(Workspace& ws, int w, int h)
{
    if (!validMapSize(w, h))
        return Error{"the size " + std::to_string(w) + " x " + std::to_string(h) + " is outside 1.." + std::to_string(kMaxMapSize)
                     + " a side"};
    HeightSamples fitted = fittedHeights(ws, w, h);
    ws.resize(w, h);
    ws.setDeepHeights(fitted);
    return std::nullopt;
}

} // namespace gloamery
