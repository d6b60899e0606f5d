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

// A layer of stamped shades over a box of the grid, row by row, each row
// `stride` values after the one before. A layer with the grid's rows has
// the height grid's stride and starts at the box's first point, so a
// point's place in it is its place in the height grid less that of the
// box's first point: the cheapest to find, where a wide box wastes little
// memory on the ends of its rows.
struct LayerTarget {
    std::uint32_t* values;
    Rect box;
    std::size_t stride;
    bool gridRows;
};

// The values a layer holds, from the box's first point to its last.
inline std::size_t layerValues(const Rect& box, std::size_t stride)
{
    return static_cast<std::size_t>(box.height - 1) * stride + static_cast<std::size_t>(box.width);
}

// Into a layer of stamped shades: stamp << 8 | g, written over whatever the
// layer holds, as the sweep casts the rays of a layer in an order where a
// later stamp always writes later (see sweep.cpp). Points outside the box
// are not written; the sweep's boxes hold every point a ray can reach.
class LayerWriter {
public:
    LayerWriter(LayerTarget target, std::uint32_t stamp)
        : values_(target.values), x0_(target.box.x0), y0_(target.box.y0),
          width_(static_cast<unsigned>(target.box.width)), height_(static_cast<unsigned>(target.box.height)),
          stride_(target.stride), stamp_(stamp << 8)
    {
    }

    void setShade(const Cell& c, int g) const
    {
        const unsigned x = static_cast<unsigned>(c.x - x0_), y = static_cast<unsigned>(c.y - y0_);
        if (x < width_ && y < height_) values_[y * stride_ + x] = stamp_ | static_cast<std::uint32_t>(g);
    }

private:
    std::uint32_t* values_;
    int x0_;
    int y0_;
    unsigned width_;
    unsigned height_;
    std::size_t stride_;
    std::uint32_t stamp_;
};

// The same into a layer with the grid's rows. A point past either end of
// the layer is not written; one beside the box in a row, which no ray
// reaches, would land in the row's unused ends.
class GridLayerWriter {
public:
    GridLayerWriter(LayerTarget target, std::uint32_t stamp)
        : values_(target.values),
          first_(static_cast<std::size_t>(target.box.y0) * target.stride + static_cast<std::size_t>(target.box.x0)),
          size_(layerValues(target.box, target.stride)),
          stamp_(stamp << 8)
    {
    }

    void setShade(const Cell& c, int g) const
    {
        const std::size_t i = c.at - first_; // wraps round past the end for a point before the box
        if (i < size_) values_[i] = stamp_ | static_cast<std::uint32_t>(g);
    }

private:
    std::uint32_t* values_;
    std::size_t first_;
    std::size_t size_;
    std::uint32_t stamp_;
};


} // namespace gloamery
