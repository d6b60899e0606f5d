#include "sun_light.h"

// This file is built so that the compiler may take several pixels at a time
// (see CMakeLists.txt): the same operations on each pixel, in the same
// order, so the same results.

namespace gloamery {

void elevations(const double* deep, int n, double vertical, double* z)
{
    for (int i = 0; i < n; ++i) z[i] = vertical * (deep[i] / 257.0);
}

void LambertTerm::row(const std::vector<double>* const (&z)[3], int width, double* lambda) const
{
    const double* a = z[0]->data(); // row above
    const double* m = z[1]->data();
    const double* b = z[2]->data(); // row below
    for (int i = 0; i < width; ++i) {
        // Column x is entry i + 1: x - 1 is i, x + 1 is i + 2.
        const auto [p, q] = gradientAt(a, m, b, i, gx, gy);
        const double facing = (-p * sinA * cosE + q * cosA * cosE + sinE) / std::sqrt(1 + p * p + q * q);
        lambda[i] = facing > 0.0 ? facing : 0.0;
    }
}

SkyLight::SkyLight(const SunControls& c) : azimuths_(c.skyAzimuths)
{
    for (int m = 0; m < c.skyAltitudes; ++m) {
        const double e = skyAltitude(m, c.skyAltitudes) * kPi / 180.0;
        weights_.push_back(std::sin(e) * std::cos(e));
        total_ = total_ + weights_.back();
    }
}

void SkyLight::row(const LitPlanes& sky, std::size_t first, int width, double* out) const
{
    const double n = azimuths_;
    std::vector<int> lit(static_cast<std::size_t>(width), 0);
    for (int i = 0; i < width; ++i) out[i] = 0.0;
    for (std::size_t m = 0; m < weights_.size(); ++m) {
        const std::uint16_t* counts = sky.plane(static_cast<int>(m)) + first;
        const double weight = weights_[m];
        for (int i = 0; i < width; ++i) {
            lit[static_cast<std::size_t>(i)] = sky.lowestRings ? lit[static_cast<std::size_t>(i)] + counts[i] : counts[i];
            out[i] = out[i] + weight * (lit[static_cast<std::size_t>(i)] / n);
        }
    }
    for (int i = 0; i < width; ++i) out[i] = out[i] / total_;
}

template <class Pixel>
void SunShade::row(const std::uint16_t* lit, const double* lambda, const double* sky, int width, Pixel* out) const
{
    // nearest() for values this small: adding and removing 1.5 x 2^52
    // rounds halves to even (the grey lies within 0..255).
    constexpr double kShifter = 6755399441055744.0;
    const double f = skyShare, d = darkness, samples = disc ? 16.0 : 1.0;
    for (int i = 0; i < width; ++i) {
        const double v = lit[i] / samples;
        const double light = (1 - f) * lambda[i] * v + f * sky[i];
        double g = ((255 - d) + d * light + kShifter) - kShifter;
        g = g < 0.0 ? 0.0 : g > 255.0 ? 255.0 : g;
        const int grey = static_cast<int>(g);
        out[i] = shadeAs<Pixel>(static_cast<std::uint32_t>(grey));
    }
}

template void SunShade::row(const std::uint16_t*, const double*, const double*, int, Colour*) const;
template void SunShade::row(const std::uint16_t*, const double*, const double*, int, std::uint8_t*) const;

} // namespace gloamery
