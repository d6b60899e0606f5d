#pragma once
// Where a ray writes its shades. Every shade a ray writes is a grey, so it
// is written as its level g (red = green = blue = g), either straight into
// a picture, or into a layer of stamped shades that a parallel sweep lays
// over the picture afterwards (see sweep.cpp).

#include "../workspace/map_grid.h"
#include "../workspace/picture.h"
#include "../workspace/rect.h"
#include "../workspace/workspace.h"

#include <concepts>
#include <cstddef>
#include <cstdint>

namespace gloamery {

// The grid point a ray's step is on: (x, y), and its place in the height
// grid, row by row of W + 1 points.
struct Cell {
    int x;
    int y;
    std::size_t at;
};

// The shadow map's pixels where a run writes them: rows of colour values
// (a picture), or of greys a byte each (a map of greys, see SlotImage),
// `stride` apart.
template <class Pixel>
struct ShadeTarget {
    Pixel* pixels;
    std::size_t stride;
    int width;
    int height;
};

inline ShadeTarget<Colour> shadeTarget(Picture& p)
{
    return {p.data(), static_cast<std::size_t>(p.width()), p.width(), p.height()};
}
inline ShadeTarget<std::uint8_t> shadeTarget(ByteGrid& g)
{
    return {g.data(), static_cast<std::size_t>(g.stride()), g.mapWidth(), g.mapHeight()};
}

// f(where a run writes the shadow map): its greys, a byte a pixel, while
// every pixel it shows is a grey, else its whole picture.
template <class F>
void withShadeTarget(Workspace& ws, F&& f)
{
    if (ByteGrid* greys = ws.greys(Slot::Shadow)) f(shadeTarget(*greys));
    else f(shadeTarget(ws.picture(Slot::Shadow)));
}

// The grey g (red = green = blue = g) as a pixel of either kind holds it.
template <class Pixel>
constexpr Pixel shadeAs(std::uint32_t g)
{
    if constexpr (sizeof(Pixel) == 1) return static_cast<Pixel>(g);
    else return static_cast<Pixel>(g * 0x010101);
}

// Straight into the shadow map's pixels; a point in the grid's extra row
// or column is not in the map and is not written.
template <class Pixel>
class ShadeWriter {
public:
    // The size and pixels are taken once: through the picture itself the
    // compiler would read them again after every write, as a colour value
    // might for all it knows be one of them.
    explicit ShadeWriter(ShadeTarget<Pixel> t)
        : pixels_(t.pixels), stride_(t.stride), w_(static_cast<unsigned>(t.width)), h_(static_cast<unsigned>(t.height))
    {
    }
    ShadeWriter(Picture& p)
        requires std::same_as<Pixel, Colour>
        : ShadeWriter(shadeTarget(p))
    {
    }

    // g is 0..255: every rule works its shades out as channel values.
    void setShade(const Cell& c, int g) const
    {
        if (static_cast<unsigned>(c.x) >= w_ || static_cast<unsigned>(c.y) >= h_) return;
        pixels_[static_cast<std::size_t>(c.y) * stride_ + static_cast<unsigned>(c.x)] = shadeAs<Pixel>(static_cast<std::uint32_t>(g));
    }

private:
    Pixel* pixels_;
    std::size_t stride_;
    unsigned w_;
    unsigned h_;
};

using PixelWriter = ShadeWriter<Colour>;

// A row of a layer of stamped shades: the map's columns lo..lo + width - 1
// of that row, from values[start] on.
struct LayerRow {
    int lo;
    unsigned width;
    std::size_t start;
};

// A layer of stamped shades over rows y0..y0 + height - 1 of the map, each
// row as wide as the rays that cross it can reach, one after another, and
// a flag for each page of its values (kLayerPageValues) that a ray wrote
// into. Most of a layer is often never written, where the sun lights the
// ground: the fold passes over pages without a flag, which hold zeros,
// and neither reads them nor has them faulted in.
constexpr unsigned kLayerPageShift = 10;
constexpr std::size_t kLayerPageValues = std::size_t(1) << kLayerPageShift; // 4 KiB of values
struct LayerTarget {
    std::uint32_t* values;
    int y0;
    unsigned height;
    const LayerRow* rows;
    std::uint8_t* written;
};

// Into a layer of stamped shades: stamp << 8 | g, written over whatever the
// layer holds, as the sweep casts the rays of a layer in an order where a
// later stamp always writes later (see sweep.cpp). Points outside the rows
// are not written; the sweep's rows hold every pixel a ray can reach.
class LayerWriter {
public:
    LayerWriter(LayerTarget target, std::uint32_t stamp)
        : values_(target.values), written_(target.written), rows_(target.rows), y0_(target.y0),
          height_(target.height), stamp_(stamp << 8)
    {
    }

    void setShade(const Cell& c, int g) const
    {
        const unsigned y = static_cast<unsigned>(c.y - y0_);
        if (y >= height_) return;
        const LayerRow& row = rows_[y];
        const unsigned x = static_cast<unsigned>(c.x - row.lo);
        if (x >= row.width) return;
        const std::size_t at = row.start + x;
        values_[at] = stamp_ | static_cast<std::uint32_t>(g);
        written_[at >> kLayerPageShift] = 1;
    }

private:
    std::uint32_t* values_;
    std::uint8_t* written_;
    const LayerRow* rows_;
    int y0_;
    unsigned height_;
    std::uint32_t stamp_;
};

} // namespace gloamery
