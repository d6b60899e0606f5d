#include "sun_light.h"

// This file is built so that the compiler may take several pixels at a time
// (see CMakeLists.txt): the same operations on each pixel, in the same
// order, so the same results.

namespace gloamery {

void elevations(double* z, int n, double vertical)
{
    for (int i = 0; i < n; ++i) z[i] = vertical * (z[i] / 257.0);
}

std::vector<double> elevationTable(bool shallow, double vertical)
{
    std::vector<double> z(shallow ? 256 : 65536);
    for (std::size_t v = 0; v < z.size(); ++v) z[v] = static_cast<double>(shallow ? v * 257 : v);
    elevations(z.data(), static_cast<int>(z.size()), vertical);
    return z;
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
    // Lit from ring 0 up: the azimuths neither dark at every ring (plane 0)
    // nor first lit higher up.
    std::vector<int> lit(static_cast<std::size_t>(width), azimuths_);
    for (std::size_t m = 0; m < weights_.size(); ++m) {
        const std::uint16_t* counts = sky.plane(static_cast<int>(m)) + first;
        for (int i = 0; i < width; ++i) lit[static_cast<std::size_t>(i)] -= counts[i];
    }
    for (int i = 0; i < width; ++i) out[i] = 0.0;
    for (std::size_t m = 0; m < weights_.size(); ++m) {
        if (m > 0) {
            const std::uint16_t* counts = sky.plane(static_cast<int>(m)) + first;
            for (int i = 0; i < width; ++i) lit[static_cast<std::size_t>(i)] += counts[i];
        }
        const double weight = weights_[m];
        for (int i = 0; i < width; ++i) out[i] = out[i] + weight * (lit[static_cast<std::size_t>(i)] / n);
    }
    for (int i = 0; i < width; ++i) out[i] = out[i] / total_;
}

namespace {

// The grey of I = (1 - f) lambda v + f sky.
inline int greyOf(double d, double f, double v, double lambda, double sky)
{
    return sunGrey(d, (1 - f) * lambda * v + f * sky);
}

} // namespace

template <class Pixel>
void SunShade::row(const std::uint16_t* lit, const double* lambda, const double* sky, int width, Pixel* out) const
{
    const double f = skyShare, d = darkness, samples = disc ? 16.0 : 1.0;
    for (int i = 0; i < width; ++i)
        out[i] = shadeAs<Pixel>(static_cast<std::uint32_t>(greyOf(d, f, lit[i] / samples, lambda[i], sky[i])));
}

// With v = 0 and no sky, the light (1 - f) lambda 0 + f 0 is +0 for every
// lambda row() can meet (finite, never below +0): every unlit pixel of a
// point sun gets this grey.
template <class Pixel>
Pixel SunShade::unlit() const
{
    return shadeAs<Pixel>(static_cast<std::uint32_t>(greyOf(darkness, skyShare, 0.0, 0.0, 0.0)));
}

template void SunShade::row(const std::uint16_t*, const double*, const double*, int, Colour*) const;
template void SunShade::row(const std::uint16_t*, const double*, const double*, int, std::uint8_t*) const;
template Colour SunShade::unlit() const;
template std::uint8_t SunShade::unlit() const;

} // namespace gloamery
