#include "picture.h"

#include <algorithm>

namespace gloamery {

Picture::Picture(Colour background, int width, int height)
    : width_(width), height_(height), background_(background),
      pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), background)
{
}

void Picture::clear()
{
    std::fill(pixels_.begin(), pixels_.end(), background_);
}

void Picture::place(int w, int h, const Colour* pixels)
{
    clear();
    if (w <= 0 || h <= 0 || pixels == nullptr) return;
    const int cw = std::min(w, width_);
    const int ch = std::min(h, height_);
    for (int y = 0; y < ch; ++y) {
        const Colour* row = pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
        std::copy(row, row + cw, pixels_.begin() + static_cast<std::ptrdiff_t>(index(0, y)));
    }
}

ByteGrid redGrid(const Picture& p)
{
    ByteGrid g;
    std::uint8_t* out = g.data();
    const int w = std::min(p.width(), kGridSize);
    // Plain row loops, so the compiler can take a row's bytes many at a time.
    for (int y = 0; y < kGridSize; ++y, out += kGridSize) {
        int x = 0;
        if (y < p.height()) {
            const Colour* row = p.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(p.width());
            for (; x < w; ++x) out[x] = static_cast<std::uint8_t>(red(row[x]));
        }
        for (; x < kGridSize; ++x) out[x] = static_cast<std::uint8_t>(red(-1));
    }
    return g;
}

} // namespace gloamery
