#include "height_slot.h"

#include "parallel.h"

#include <algorithm>
#include <atomic>

namespace gloamery {

namespace {

constexpr Colour kNotRed = ~Colour{255};

bool isGrey(Colour c) { return c == grey(red(c)); }

std::size_t cells(int w, int h) { return static_cast<std::size_t>(w) * static_cast<std::size_t>(h); }

// A grid of the runs' layout, its outside row and column at the top sample.
template <class Sample>
std::shared_ptr<MapGrid<Sample>> freshGrid(int w, int h)
{
    return std::make_shared<MapGrid<Sample>>(w, h, static_cast<Sample>(Depth<Sample>::kTop), RowLayout::Padded);
}

// Grid (x, y) = src (x mod its width, y mod its height).
template <class Sample>
std::shared_ptr<const MapGrid<Sample>> tiledGrid(const MapGrid<Sample>& src, int w, int h)
{
    auto g = freshGrid<Sample>(w, h);
    const int sw = src.mapWidth(), sh = src.mapHeight();
    forEachRow(h, cells(w, h), [&](int y) {
        const Sample* in = src.row(y % sh);
        Sample* out = g->row(y);
        for (int x = 0; x < w; x += sw) std::copy_n(in, std::min(sw, w - x), out + x);
    });
    return g;
}

} // namespace

HeightSlot::HeightSlot(HeightGrid grid, std::shared_ptr<const std::vector<Colour>> rest, Colour background)
    : grid_(std::move(grid)), rest_(std::move(rest)), background_(background), width_(grid_.mapWidth()),
      height_(grid_.mapHeight())
{
}

HeightSlot::HeightSlot(Colour background, int w, int h) : HeightSlot(placed(Picture(background, 0, 0), w, h, false)) {}

std::shared_ptr<const std::vector<Colour>> HeightSlot::restOf(const Picture& p)
{
    const std::size_t n = cells(p.width(), p.height());
    if (std::all_of(p.data(), p.data() + n, isGrey)) return nullptr;
    auto rest = std::make_shared<std::vector<Colour>>(n);
    for (std::size_t i = 0; i < n; ++i) (*rest)[i] = p.data()[i] & kNotRed;
    return rest;
}

HeightSlot HeightSlot::ofPicture(const Picture& p)
{
    auto g = freshGrid<std::uint8_t>(p.width(), p.height());
    const std::size_t w = static_cast<std::size_t>(p.width());
    forEachRow(p.height(), cells(p.width(), p.height()), [&](int y) {
        const Colour* in = p.data() + static_cast<std::size_t>(y) * w;
        std::uint8_t* out = g->row(y);
        for (std::size_t x = 0; x < w; ++x) out[x] = static_cast<std::uint8_t>(red(in[x]));
    });
    return HeightSlot(HeightGrid(std::shared_ptr<const ByteGrid>(std::move(g))), restOf(p), p.background());
}

HeightSlot HeightSlot::placed(const Picture& p, int w, int h, bool tile)
{
    if (p.width() == w && p.height() == h) return ofPicture(p);
    if (tile && p.width() > 0 && p.height() > 0) return ofPicture(p).tiled(w, h);
    if (!isGrey(p.background()) || restOf(p)) {
        Picture whole(p.background(), w, h);
        whole.place(p.width(), p.height(), p.data());
        return ofPicture(whole);
    }
    // Grey on grey: straight into the samples, with no picture of the map's size.
    auto g = freshGrid<std::uint8_t>(w, h);
    const auto fill = static_cast<std::uint8_t>(red(p.background()));
    const int cw = std::min(w, p.width()), ch = std::min(h, p.height());
    forEachRow(h, cells(w, h), [&](int y) {
        std::uint8_t* out = g->row(y);
        const int covered = y < ch ? cw : 0;
        const Colour* in = p.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(p.width());
        for (int x = 0; x < covered; ++x) out[x] = static_cast<std::uint8_t>(red(in[x]));
        std::fill(out + covered, out + w, fill);
    });
    return HeightSlot(HeightGrid(std::shared_ptr<const ByteGrid>(std::move(g))), nullptr, p.background());
}

HeightSlot HeightSlot::ofSamples(const HeightSamples& s, Colour background, int w, int h, bool tile)
{
    auto g = freshGrid<std::uint16_t>(w, h);
    const auto fill = static_cast<std::uint16_t>(257 * red(background));
    const std::size_t sw = static_cast<std::size_t>(s.width());
    forEachRow(h, cells(w, h), [&](int y) {
        std::uint16_t* out = g->row(y);
        if (tile && !s.empty()) {
            const std::uint16_t* in = s.data() + static_cast<std::size_t>(y % s.height()) * sw;
            for (int x = 0; x < w; x += s.width()) std::copy_n(in, std::min(s.width(), w - x), out + x);
            return;
        }
        const int covered = y < s.height() ? std::min(w, s.width()) : 0;
        if (covered > 0) std::copy_n(s.data() + static_cast<std::size_t>(y) * sw, covered, out);
        std::fill(out + covered, out + w, fill);
    });
    return HeightSlot(HeightGrid(std::shared_ptr<const DeepGrid>(std::move(g))), nullptr, background);
}

std::uint8_t HeightSlot::shown(int x, int y) const
{
    if (const DeepGrid* d = grid_.deepGrid()) return shownByte((*d)(x, y));
    return (*grid_.byteGrid())(x, y);
}

void HeightSlot::pictureRow(int y, Colour* pixels) const
{
    const std::size_t w = static_cast<std::size_t>(width_);
    grid_.visit([&](const auto& grid) {
        using Sample = typename std::decay_t<decltype(grid)>::value_type;
        const std::uint8_t* shownOf = shownBytes();
        const Sample* in = grid.row(y);
        const Colour* rest = rest_ ? rest_->data() + static_cast<std::size_t>(y) * w : nullptr;
        for (std::size_t x = 0; x < w; ++x) {
            const int b = sizeof(Sample) == 1 ? in[x] : shownOf[in[x]];
            pixels[x] = rest ? (rest[x] | b) : grey(b);
        }
    });
}

Picture HeightSlot::picture() const
{
    Picture out(background_, width_, height_);
    const std::size_t w = static_cast<std::size_t>(width_);
    forEachRow(height_, cells(width_, height_),
               [&](int y) { pictureRow(y, out.data() + static_cast<std::size_t>(y) * w); });
    return out;
}


HeightSamples HeightSlot::deepSamples() const
{
    const DeepGrid* d = grid_.deepGrid();
    if (!d) return {};
    HeightSamples s(width_, height_, std::uint16_t{0});
    const std::size_t w = static_cast<std::size_t>(width_);
    forEachRow(height_, cells(width_, height_),
               [&](int y) { std::copy_n(d->row(y), w, s.data() + static_cast<std::size_t>(y) * w); });
    return s;
}

HeightSlot HeightSlot::tiled(int w, int h) const
{
    std::shared_ptr<const std::vector<Colour>> rest;
    if (rest_) {
        auto r = std::make_shared<std::vector<Colour>>(cells(w, h));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                (*r)[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)] =
                    (*rest_)[static_cast<std::size_t>(y % height_) * static_cast<std::size_t>(width_)
                             + static_cast<std::size_t>(x % width_)];
        rest = std::move(r);
    }
    if (const DeepGrid* d = grid_.deepGrid()) return HeightSlot(HeightGrid(tiledGrid(*d, w, h)), rest, background_);
    return HeightSlot(HeightGrid(tiledGrid(*grid_.byteGrid(), w, h)), rest, background_);
}

HeightSlot HeightSlot::shallow() const
{
    const DeepGrid* d = grid_.deepGrid();
    if (!d) return *this;
    auto g = freshGrid<std::uint8_t>(width_, height_);
    const std::uint8_t* shownOf = shownBytes();
    forEachRow(height_, cells(width_, height_), [&](int y) {
        const std::uint16_t* in = d->row(y);
        std::uint8_t* out = g->row(y);
        for (int x = 0; x < width_; ++x) out[x] = shownOf[in[x]];
    });
    return HeightSlot(HeightGrid(std::shared_ptr<const ByteGrid>(std::move(g))), rest_, background_);
}

HeightSlot HeightSlot::replacedBy(const Picture& p) const
{
    const DeepGrid* d = grid_.deepGrid();
    if (!d || p.width() != width_ || p.height() != height_) return ofPicture(p);
    const std::uint8_t* shownOf = shownBytes();
    std::atomic<bool> same{true};
    const std::size_t w = static_cast<std::size_t>(width_);
    forEachRow(height_, cells(width_, height_), [&](int y) {
        const std::uint16_t* in = d->row(y);
        const Colour* pixels = p.data() + static_cast<std::size_t>(y) * w;
        bool rowSame = true;
        for (std::size_t x = 0; x < w; ++x) rowSame &= red(pixels[x]) == shownOf[in[x]];
        if (!rowSame) same.store(false, std::memory_order_relaxed);
    });
    if (!same.load()) return ofPicture(p);
    return HeightSlot(grid_, restOf(p), p.background());
}

bool HeightSlot::operator==(const HeightSlot& o) const
{
    if (width_ != o.width_ || height_ != o.height_ || background_ != o.background_ || !(grid_ == o.grid_)) return false;
    if (rest_ == o.rest_) return true;
    if (rest_ && o.rest_ && *rest_ == *o.rest_) return true;
    return picture() == o.picture(); // a rest may hold nothing but grey
}

std::size_t HeightSlot::bytes() const
{
    const std::size_t grid = grid_.visit([](const auto& g) {
        return static_cast<std::size_t>(g.stride()) * static_cast<std::size_t>(g.rows()) * sizeof(*g.data());
    });
    return grid + (rest_ ? rest_->size() * sizeof(Colour) : 0);
}

} // namespace gloamery
