#pragma once
// The light of each pixel under "Sun": how much of the sun it sees, how
// squarely its slope faces the sun, and how much of the sky it sees,
// turned into the grey of the shadow map.

#include "../workspace/colour.h"
#include "../workspace/controls.h"
#include "../workspace/numeric.h"
#include "../workspace/parallel.h"
#include "../workspace/picture.h"
#include "pixel_writer.h"
#include "sun_rays.h"
#include "sun_walk.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace gloamery {

// The altitude of the sky's m-th ring of M, degrees: 90 (m + 0.5) / M.
inline double skyAltitude(int m, int rings) { return 90.0 * (m + 0.5) / rings; }

// Elevations z = V h / 257 of the deep samples h, `n` of them.
void elevations(const double* deep, int n, double vertical, double* z);

// The elevations of row y of the map, columns x0 - 1 .. x0 + width, the
// edge repeated beyond the map: entry i is column x0 - 1 + i.
template <class Grid>
void elevationRow(const Grid& heights, int w, int h, double vertical, int y, int x0, int width, std::vector<double>& z)
{
    const int yy = std::clamp(y, 0, h - 1);
    std::vector<double> deep(static_cast<std::size_t>(width) + 2);
    for (int i = 0; i < width + 2; ++i) {
        const std::int64_t v = heights(std::clamp(x0 - 1 + i, 0, w - 1), yy);
        deep[static_cast<std::size_t>(i)] = static_cast<double>(sizeof(typename Grid::value_type) == 1 ? v * 257 : v);
    }
    z.resize(deep.size());
    elevations(deep.data(), width + 2, vertical, z.data());
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
    void row(const std::vector<double>* const (&z)[3], int width, double* lambda) const;
};

// The sky's light of each pixel of a row from its lit counts: plane m holds
// the azimuths lit at ring m, or those whose lowest lit ring is m (a pixel
// lit at one altitude is lit at every higher one), and then the azimuths
// lit at ring m are the sum of planes 0 .. m. Each ring is weighted by
// sin E cos E.
class SkyLight {
public:
    explicit SkyLight(const SunControls& c);
    void row(const LitPlanes& sky, std::size_t first, int width, double* out) const;

private:
    int azimuths_;
    std::vector<double> weights_;
    double total_ = 0.0;
};

// The grey of each pixel of a row: nearest((255 - D) + D I), with
// I = (1 - F) lambda v + F sky and v the share of the sun's samples lit.
struct SunShade {
    double darkness;
    double skyShare;
    bool disc; // sixteen samples across the sun's disc, else one

    template <class Pixel>
    void row(const std::uint16_t* lit, const double* lambda, const double* sky, int width, Pixel* out) const;
};

// Writes the grey of every pixel of sun.box into `shadow` (whose pixel
// (0, 0) is the map's (box.x0, box.y0)): nearest((255 - D) + D I), with
// I = (1 - F) lambda v + F sky.
template <class Grid, class Pixel>
void writeSunLight(ShadeTarget<Pixel> shadow, const LitPlanes& sun, const LitPlanes& sky, const Grid& heights, int w, int h,
                   const SunControls& c, int darkness)
{
    constexpr int kBand = 32; // rows a thread takes at once, reading each row's elevations once
    const LambertTerm lambert(c);
    const SkyLight skyLight(c);
    const SunShade shade{static_cast<double>(darkness), c.sky, c.size > 0};
    const Rect& box = sun.box;
    const std::size_t width = static_cast<std::size_t>(box.width);
    forEachRow((box.height + kBand - 1) / kBand, sun.pixels(), [&](int band) {
        std::vector<double> ring[3], lambda(width, 1.0), skyRow(width, 0.0);
        const int first = band * kBand, last = std::min(box.height, first + kBand);
        auto elevationsOf = [&](int row, std::vector<double>& z) {
            elevationRow(heights, w, h, c.vertical, box.y0 + row, box.x0, box.width, z);
        };
        if (c.lambert) {
            elevationsOf(first - 1, ring[0]);
            elevationsOf(first, ring[1]);
        }
        for (int row = first; row < last; ++row) {
            const std::size_t at = sun.at(0, row);
            if (c.lambert) {
                std::vector<double>& below = ring[(row - first + 2) % 3];
                elevationsOf(row + 1, below);
                const std::vector<double>* const z[3] = {&ring[(row - first) % 3], &ring[(row - first + 1) % 3], &below};
                lambert.row(z, box.width, lambda.data());
            }
            if (c.sky > 0) skyLight.row(sky, at, box.width, skyRow.data());
            shade.row(sun.plane(0) + at, lambda.data(), skyRow.data(), box.width, shadow.pixels + static_cast<std::size_t>(row) * shadow.stride);
        }
    });
}

} // namespace gloamery
