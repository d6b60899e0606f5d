// The Lambert term's and the point sun's grey loops, built once for each
// vector width (see Lanes in sun_light.h). One body serves every width:
// the compiler takes several pixels at a time, each with the operations
// written and in their order (no contraction into fused multiply-adds,
// which the whole build forbids), so the widths differ in speed alone.
// Built as sun_light.cpp is (see CMakeLists.txt).

#include "sun_light.h"

#include <cmath>

namespace gloamery {

namespace {

// Whether v is a power of two, whose reciprocal is exact: x / v and
// x * (1 / v) then round the same quotient, so they are the same double.
bool powerOfTwo(double v)
{
    int e = 0;
    return std::isfinite(v) && v > 0.0 && std::frexp(v, &e) == 0.5;
}

// The facing of slope (p, q), 0 where it turns from the sun.
[[gnu::always_inline]] inline double facingOf(double p, double q, double sinA, double cosA, double sinE, double cosE)
{
    const double facing = (-p * sinA * cosE + q * cosA * cosE + sinE) / std::sqrt(1 + p * p + q * q);
    return facing > 0.0 ? facing : 0.0;
}

// The terms of a row. Ground units of a power of two (1, the default,
// among them) divide by multiplying: the same p and q for two divisions
// fewer a pixel.
[[gnu::always_inline]] inline void lambertBody(const LambertTerm& t, bool reciprocal, const double* __restrict a,
                                               const double* __restrict m, const double* __restrict b, int width,
                                               double* __restrict lambda)
{
    const double sinA = t.sinA, cosA = t.cosA, sinE = t.sinE, cosE = t.cosE, gx = t.gx, gy = t.gy;
    if (reciprocal) {
        const double rx = 1 / (8 * gx), ry = 1 / (8 * gy);
        for (int i = 0; i < width; ++i) {
            const double p = ((a[i + 2] + 2 * m[i + 2] + b[i + 2]) - (a[i] + 2 * m[i] + b[i])) * rx;
            const double q = ((b[i] + 2 * b[i + 1] + b[i + 2]) - (a[i] + 2 * a[i + 1] + a[i + 2])) * ry;
            lambda[i] = facingOf(p, q, sinA, cosA, sinE, cosE);
        }
        return;
    }
    for (int i = 0; i < width; ++i) {
        // Column x is entry i + 1: x - 1 is i, x + 1 is i + 2.
        const double p = ((a[i + 2] + 2 * m[i + 2] + b[i + 2]) - (a[i] + 2 * m[i] + b[i])) / (8 * gx);
        const double q = ((b[i] + 2 * b[i + 1] + b[i + 2]) - (a[i] + 2 * a[i + 1] + a[i + 2])) / (8 * gy);
        lambda[i] = facingOf(p, q, sinA, cosA, sinE, cosE);
    }
}

// SunShade::row() with a lit count of 1 of 1 and a sky of 0. The sky's
// share F is 0 here, so the light (1 - F) lambda 1 + F 0 is lambda itself:
// 1 - F is 1, lambda 1 is lambda, F 0 is a zero, and lambda (never below
// +0) plus a zero is lambda.
template <class Pixel>
[[gnu::always_inline]] inline void greysBody(double d, const double* __restrict lambda, int width,
                                             Pixel* __restrict out)
{
    for (int i = 0; i < width; ++i) out[i] = shadeAs<Pixel>(static_cast<std::uint32_t>(sunGrey(d, lambda[i])));
}

using LambertRow = void (*)(const LambertTerm&, bool, const double*, const double*, const double*, int, double*);
template <class Pixel>
using GreysRow = void (*)(double, const double*, int, Pixel*);

void lambertTwo(const LambertTerm& t, bool r, const double* a, const double* m, const double* b, int n, double* out)
{
    lambertBody(t, r, a, m, b, n, out);
}
template <class Pixel>
void greysTwo(double d, const double* lambda, int n, Pixel* out)
{
    greysBody(d, lambda, n, out);
}

GLOAMERY_FOUR_LANES void lambertFour(const LambertTerm& t, bool r, const double* a, const double* m, const double* b,
                                     int n, double* out)
{
    lambertBody(t, r, a, m, b, n, out);
}
GLOAMERY_EIGHT_LANES void lambertEight(const LambertTerm& t, bool r, const double* a, const double* m, const double* b,
                                       int n, double* out)
{
    lambertBody(t, r, a, m, b, n, out);
}
template <class Pixel>
GLOAMERY_FOUR_LANES void greysFour(double d, const double* lambda, int n, Pixel* out)
{
    greysBody(d, lambda, n, out);
}
template <class Pixel>
GLOAMERY_EIGHT_LANES void greysEight(double d, const double* lambda, int n, Pixel* out)
{
    greysBody(d, lambda, n, out);
}

} // namespace

std::vector<Lanes> lanesHere()
{
    std::vector<Lanes> lanes{Lanes::Two};
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) lanes.push_back(Lanes::Four);
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512dq")
        && __builtin_cpu_supports("avx512vl"))
        lanes.push_back(Lanes::Eight);
#endif
    return lanes;
}

Lanes widestLanes()
{
    static const Lanes widest = lanesHere().back();
    return widest;
}

void LambertTerm::row(Lanes lanes, const std::vector<double>* const (&z)[3], int width, double* lambda) const
{
    const bool reciprocal = powerOfTwo(8 * gx) && powerOfTwo(8 * gy);
    const LambertRow row = builtFor<LambertRow>(lanes, lambertTwo, lambertFour, lambertEight);
    row(*this, reciprocal, z[0]->data(), z[1]->data(), z[2]->data(), width, lambda);
}

template <class Pixel>
void SunShade::litRow(Lanes lanes, const double* lambda, int width, Pixel* out) const
{
    const GreysRow<Pixel> row = builtFor<GreysRow<Pixel>>(lanes, greysTwo<Pixel>, greysFour<Pixel>, greysEight<Pixel>);
    row(darkness, lambda, width, out);
}

template void SunShade::litRow(Lanes, const double*, int, Colour*) const;
template void SunShade::litRow(Lanes, const double*, int, std::uint8_t*) const;

} // namespace gloamery
