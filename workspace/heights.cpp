#include "heights.h"

#include "numeric.h"

#include <algorithm>
#include <array>

namespace gloamery {

// A table, as whole maps are checked against their pictures sample by sample.
const std::uint8_t* shownBytes()
{
    static const auto table = [] {
        std::array<std::uint8_t, 65536> t{};
        for (std::size_t v = 0; v < t.size(); ++v) t[v] = static_cast<std::uint8_t>(nearest(static_cast<double>(v) / 257.0));
        return t;
    }();
    return table.data();
}

HeightSamples::HeightSamples(int width, int height, std::uint16_t fill)
    : width_(width), height_(height)
{
    fillFresh(samples_, static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill);
}

HeightSamples::HeightSamples(int width, int height, const std::uint16_t* samples)
    : width_(width), height_(height),
      samples_(samples, samples + static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
{
}

HeightSamples HeightSamples::unwritten(int width, int height)
{
    HeightSamples s;
    s.width_ = width;
    s.height_ = height;
    s.samples_.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    return s;
}

void HeightSamples::place(const HeightSamples& from)
{
    const int w = std::min(width_, from.width_);
    for (int y = 0; y < std::min(height_, from.height_); ++y)
        std::copy_n(from.samples_.begin() + static_cast<std::ptrdiff_t>(from.index(0, y)), w,
                    samples_.begin() + static_cast<std::ptrdiff_t>(index(0, y)));
}

HeightSamples tiled(const HeightSamples& s, int w, int h)
{
    HeightSamples out(w, h, std::uint16_t{0});
    if (s.empty()) return out;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) out.data()[static_cast<std::size_t>(y) * w + x] = s.at(x % s.width(), y % s.height());
    return out;
}

} // namespace gloamery
