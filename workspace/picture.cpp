#include "picture.h"

#include "parallel.h"

#include <algorithm>

namespace gloamery {

Picture::Picture(Colour background, int width, int height)
    : width_(width), height_(height), background_(background)
{
    fillFresh(pixels_, static_cast<std::size_t>(width) * static_cast<std::size_t>(height), background);
}

Picture Picture::unfilled(Colour background, int width, int height)
{
    Picture p(background, 0, 0);
    p.width_ = width;
    p.height_ = height;
    p.pixels_.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    return p;
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

namespace {

// The red bytes of a row of colour values.
void redRow(const Colour* __restrict in, std::uint8_t* __restrict out, int count)
{
    for (int x = 0; x < count; ++x) out[x] = static_cast<std::uint8_t>(red(in[x]));
}

} // namespace

ByteGrid redGrid(const Picture& p, RowLayout layout)
{
    ByteGrid g(p.width(), p.height(), 0, layout);
    const int w = p.width();
    forEachRow(g.rows(), static_cast<std::size_t>(g.columns()) * static_cast<std::size_t>(g.rows()), [&](int y) {
        // Plain row loops, so the compiler can take a row's bytes many at a time.
        std::uint8_t* out = g.row(y);
        const int covered = y < p.height() ? w : 0;
        if (covered > 0) redRow(p.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w), out, covered);
        std::fill(out + covered, out + g.columns(), static_cast<std::uint8_t>(red(-1)));
    });
    return g;
}

Picture tiled(const Picture& p, int w, int h)
{
    Picture out(p.background(), w, h);
    if (p.width() <= 0 || p.height() <= 0) return out;
    forEachRow(h, static_cast<std::size_t>(w) * static_cast<std::size_t>(h), [&](int y) {
        const Colour* src = p.data() + static_cast<std::size_t>(y % p.height()) * static_cast<std::size_t>(p.width());
        Colour* dst = out.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
        for (int x = 0; x < w; x += p.width()) std::copy_n(src, std::min(p.width(), w - x), dst + x);
    });
    return out;
}

} // namespace gloamery
