#pragma once
// The light of each pixel under "Sun": how much of the sun it sees, how
// squarely its slope faces the sun, and how much of the sky it sees,
// turned into the grey of the shadow map.

#include "../workspace/colour.h"
#include "../workspace/controls.h"
#include "../workspace/numeric.h"
#include "../workspace/parallel.h"
#include "../workspace/picture.h"
#include "lanes.h"
#include "pixel_writer.h"
#include "sun_rays.h"
#include "sun_walk.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace gloamery {

// The altitude of the sky's m-th ring of M, degrees: 90 (m + 0.5) / M.
inline double skyAltitude(int m, int rings) { return 90.0 * (m + 0.5) / rings; }

// Elevations z = V h / 257 of the deep samples h, `n` of them, in place.
void elevations(double* z, int n, double vertical);

// value(sample) for the samples of row y of the map, columns x0 - 1 ..
// x0 + width, the edge repeated beyond the map: entry i is column x0 - 1 + i.
template <class Grid, class Value>
void sampleRow(const Grid& heights, int w, int h, int y, int x0, int width, std::vector<double>& z, Value value)
{
    const int yy = std::clamp(y, 0, h - 1);
    const int n = width + 2;
    z.resize(static_cast<std::size_t>(n));
    auto clamped = [&](int i) {
        z[static_cast<std::size_t>(i)] = value(heights(std::clamp(x0 - 1 + i, 0, w - 1), yy));
    };
    // Entries lo .. hi - 1 lie on the map (all but the ends, mostly) and
    // are read straight along the row.
    const int lo = std::clamp(1 - x0, 0, n), hi = std::clamp(w - x0 + 1, lo, n);
    for (int i = 0; i < lo; ++i) clamped(i);
    if (lo < hi) {
        const auto* __restrict from = heights.data() + heights.index(x0 - 1 + lo, yy);
        double* __restrict to = z.data() + lo;
        for (int i = 0; i < hi - lo; ++i) to[i] = value(from[i]);
    }
    for (int i = hi; i < n; ++i) clamped(i);
}

// The elevations of row y of the map, columns x0 - 1 .. x0 + width, the
// edge repeated beyond the map: entry i is column x0 - 1 + i.
template <class Grid>
void elevationRow(const Grid& heights, int w, int h, double vertical, int y, int x0, int width, std::vector<double>& z)
{
    sampleRow(heights, w, h, y, x0, width, z, [](auto v) {
        return static_cast<double>(sizeof(v) == 1 ? static_cast<int>(v) * 257 : static_cast<int>(v));
    });
    elevations(z.data(), width + 2, vertical);
}

// The slope at entry i + 1 of three elevation rows (above, the pixel's,
// below; see elevationRow): p across the map, q down it, each side of the
// eight around weighted 1, 2, 1, each sum left to right, in ground units.
struct Gradient {
    double p, q;
};
inline Gradient gradientAt(const double* a, const double* m, const double* b, int i, double gx, double gy)
{
    return {((a[i + 2] + 2 * m[i + 2] + b[i + 2]) - (a[i] + 2 * m[i] + b[i])) / (8 * gx),
            ((b[i] + 2 * b[i + 1] + b[i + 2]) - (a[i] + 2 * a[i + 1] + a[i + 2])) / (8 * gy)};
}


// The Lambert term of each pixel of a row: its slope from the eight
// around it (each side weighted 1, 2, 1), against the sun at azimuth A,
// altitude E. Plain loops over the row, which the compiler takes several
// pixels at a time with the same operations as one at a time.
struct LambertTerm {
    double sinA, cosA, sinE, cosE;
    double gx, gy;

    explicit LambertTerm(const SunControls& c)
        : sinA(std::sin(c.azimuth * kPi / 180.0)), cosA(std::cos(c.azimuth * kPi / 180.0)),
          sinE(std::sin(c.altitude * kPi / 180.0)), cosE(std::cos(c.altitude * kPi / 180.0)), gx(c.groundX), gy(c.groundY)
    {
    }

    // The terms of `width` pixels from their elevation rows (see
    // elevationRows).
    void row(const std::vector<double>* const (&z)[3], int width, double* lambda) const
    {
        row(widestLanes(), z, width, lambda);
    }
    void row(Lanes lanes, const std::vector<double>* const (&z)[3], int width, double* lambda) const;
};

// The sky's light of each pixel of a row from its lit counts: plane m > 0
// holds the azimuths whose lowest lit ring is m (a pixel lit at one
// altitude is lit at every higher one) and plane 0 those dark at every
// ring, so the azimuths lit at ring 0 are the rest, and those lit at ring m
// these and planes 1 .. m. Each ring is weighted by sin E cos E.
class SkyLight {
public:
    explicit SkyLight(const SunControls& c);
    void row(const LitPlanes& sky, std::size_t first, int width, double* out) const;

private:
    int azimuths_;
    std::vector<double> weights_;
    double total_ = 0.0;
};

// nearest((255 - d) + d I) for the light I of a pixel, held to 0..255:
// for values this small, adding and removing 1.5 x 2^52 rounds halves to
// even. The grey is never NaN, and -0 is 0 as an int as +0 is.
[[gnu::always_inline]] inline int sunGrey(double d, double light)
{
    constexpr double kShifter = 6755399441055744.0;
    double g = ((255 - d) + d * light + kShifter) - kShifter;
    g = g > 0.0 ? g : 0.0;
    g = g < 255.0 ? g : 255.0;
    return static_cast<int>(g);
}

// The grey of each pixel of a row: nearest((255 - D) + D I), with
// I = (1 - F) lambda v + F sky and v the share of the sun's samples lit.
struct SunShade {
    double darkness;
    double skyShare;
    bool disc; // sixteen samples across the sun's disc, else one

    template <class Pixel>
    void row(const std::uint16_t* lit, const double* lambda, const double* sky, int width, Pixel* out) const;
    // For a point sun without sky light (one sample, F = 0): the greys
    // row() gives the pixels of a row when lit, and the one grey it gives
    // every unlit pixel.
    template <class Pixel>
    void litRow(const double* lambda, int width, Pixel* out) const
    {
        litRow(widestLanes(), lambda, width, out);
    }
    template <class Pixel>
    void litRow(Lanes lanes, const double* lambda, int width, Pixel* out) const;
    template <class Pixel>
    Pixel unlit() const;
};

// The elevations of every sample value of a depth (256 values of 257
// times an 8-bit level, or 65536 deep ones), as elevations() gives them:
// looked up, a row costs no division a pixel.
std::vector<double> elevationTable(bool shallow, double vertical);

// f(row, z, spare) for each row of `box` (0 its first), z the elevation
// rows above, at and below it (see elevationRow), or none without the
// Lambert term, and spare two vectors the band of rows keeps for f. The
// rows go to threads in bands, each band reading a row's elevations once.
template <class Grid, class F>
void elevationRows(const Grid& heights, int w, int h, const SunControls& c, const Rect& box, F f)
{
    constexpr int kBand = 32;
    constexpr bool kShallow = sizeof(typename Grid::value_type) == 1;
    const std::vector<double> table = c.lambert ? elevationTable(kShallow, c.vertical) : std::vector<double>{};
    const std::size_t pixels = static_cast<std::size_t>(box.width) * static_cast<std::size_t>(box.height);
    forEachRow((box.height + kBand - 1) / kBand, pixels, [&](int band) {
        std::vector<double> ring[3], spare[2];
        const int first = band * kBand, last = std::min(box.height, first + kBand);
        // As elevationRow, with the elevations looked up.
        auto elevationsOf = [&](int row, std::vector<double>& z) {
            const double* __restrict values = table.data();
            sampleRow(heights, w, h, box.y0 + row, box.x0, box.width, z, [values](auto v) { return values[v]; });
        };
        if (c.lambert) {
            elevationsOf(first - 1, ring[0]);
            elevationsOf(first, ring[1]);
        }
        for (int row = first; row < last; ++row) {
            const std::vector<double>* z[3] = {nullptr, nullptr, nullptr};
            if (c.lambert) {
                std::vector<double>& below = ring[(row - first + 2) % 3];
                elevationsOf(row + 1, below);
                z[0] = &ring[(row - first) % 3];
                z[1] = &ring[(row - first + 1) % 3];
                z[2] = &below;
            }
            f(row, z, spare);
        }
    });
}

// Writes the grey of every pixel of sun.box into `shadow` (whose pixel
// (0, 0) is the map's (box.x0, box.y0)): nearest((255 - D) + D I), with
// I = (1 - F) lambda v + F sky.
template <class Grid, class Pixel>
void writeSunLight(ShadeTarget<Pixel> shadow, const LitPlanes& sun, const LitPlanes& sky, const Grid& heights, int w, int h,
                   const SunControls& c, int darkness)
{
    const LambertTerm lambert(c);
    const SkyLight skyLight(c);
    const SunShade shade{static_cast<double>(darkness), c.sky, c.size > 0};
    const Rect& box = sun.box;
    const std::size_t width = static_cast<std::size_t>(box.width);
    const std::vector<double> ones(width, 1.0), zeros(width, 0.0);
    using Rows = const std::vector<double>* const (&)[3];
    elevationRows(heights, w, h, c, box, [&](int row, Rows z, std::vector<double> (&spare)[2]) {
        // Each row the term and the sky write whole.
        const double* lambda = ones.data();
        const double* skyRow = zeros.data();
        const std::size_t at = sun.at(0, row);
        if (c.lambert) {
            spare[0].resize(width);
            lambert.row(z, box.width, spare[0].data());
            lambda = spare[0].data();
        }
        if (c.sky > 0) {
            spare[1].resize(width);
            skyLight.row(sky, at, box.width, spare[1].data());
            skyRow = spare[1].data();
        }
        Pixel* out = shadow.pixels + static_cast<std::size_t>(row) * shadow.stride;
        shade.row(sun.plane(0) + at, lambda, skyRow, box.width, out);
    });
}

} // namespace gloamery
