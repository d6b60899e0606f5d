#include "world.h"

#include <algorithm>

namespace gloamery {

WorldRegion heldBox(int worldWidth, int worldHeight, const Rect& region)
{
    return {worldWidth, worldHeight, meet(grown(region, 1), Rect{0, 0, worldWidth, worldHeight})};
}

Picture windowOf(const Picture& p, const WorldRegion& region, bool repeat)
{
    const Rect& held = region.area;
    Picture out(p.background(), held.width, held.height);
    const int pw = p.width(), ph = p.height();
    if (pw <= 0 || ph <= 0) return out;
    for (int y = 0; y < held.height; ++y) {
        const int wy = held.y0 + y;
        if (!repeat && wy >= ph) break;
        const Colour* src = p.data() + static_cast<std::size_t>(repeat ? wy % ph : wy) * static_cast<std::size_t>(pw);
        Colour* dst = out.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(held.width);
        // Runs of the source row, wrapping round to its start when repeated.
        for (int x = 0; x < held.width;) {
            const int wx = held.x0 + x, from = repeat ? wx % pw : wx;
            if (from >= pw) break;
            const int n = std::min(held.width - x, pw - from);
            std::copy(src + from, src + from + n, dst + x);
            x += n;
        }
    }
    return out;
}

Picture cropped(const Picture& p, int x, int y, int w, int h)
{
    Picture out(p.background(), w, h);
    for (int r = 0; r < h; ++r) {
        const Colour* src = p.data() + static_cast<std::size_t>(y + r) * static_cast<std::size_t>(p.width()) + static_cast<std::size_t>(x);
        std::copy(src, src + w, out.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(w));
    }
    return out;
}

namespace {

template <class T>
WindowGrid<T> sampled(int w, int h, const std::vector<Rect>& bands, const SampledHeights::Sample& sample)
{
    auto window = filledWindow<T>(w, h, bands, [&](int y, int x0, int n, T* out) -> Refusal {
        for (int i = 0; i < n; ++i) out[i] = static_cast<T>(sample(x0 + i, y));
        return std::nullopt;
    });
    return std::move(std::get<WindowGrid<T>>(window)); // sampling refuses nothing
}

} // namespace

std::variant<HeightWindow, Error> SampledHeights::read(const std::vector<Rect>& bands) const
{
    if (deep_) return HeightWindow(sampled<std::uint16_t>(width_, height_, bands, sample_));
    return HeightWindow(sampled<std::uint8_t>(width_, height_, bands, sample_));
}

} // namespace gloamery
