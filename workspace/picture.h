#pragma once
// A picture slot: a surface of colour values with a background colour,
// the map's size. Reads outside give -1 and writes outside do nothing,
// which the computations rely on at their extra row and column.

#include "colour.h"
#include "large_buffer.h"
#include "map_grid.h"

#include <cstddef>
#include <vector>

namespace gloamery {

class Picture {
public:
    static constexpr int kSize = kDefaultMapSize;

    explicit Picture(Colour background = kWhite, int width = kSize, int height = kSize);
    // Its pixels left unwritten, for a caller that writes every one before
    // reading any: a large picture's first write faults its pages in, and a
    // fill would only be written over.
    static Picture unfilled(Colour background, int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    Colour background() const { return background_; }

    bool contains(int x, int y) const
    {
        return static_cast<unsigned>(x) < static_cast<unsigned>(width_)
            && static_cast<unsigned>(y) < static_cast<unsigned>(height_);
    }

    Colour pixel(int x, int y) const { return contains(x, y) ? at(x, y) : -1; }

    void setPixel(int x, int y, Colour c)
    {
        if (contains(x, y)) at(x, y) = c;
    }

    // Back to the background colour everywhere.
    void clear();

    // Places an image of w x h colour values (row-major) at the top-left
    // corner: cropped when larger, the background showing where smaller.
    void place(int w, int h, const Colour* pixels);

    // Row-major pixels, width() * height() of them.
    const Colour* data() const { return pixels_.data(); }
    Colour* data() { return pixels_.data(); }

    // Unchecked access for hot loops that have done their own bounds work.
    Colour at(int x, int y) const { return pixels_[index(x, y)]; }
    Colour& at(int x, int y) { return pixels_[index(x, y)]; }

    bool operator==(const Picture&) const = default;

private:
    std::size_t index(int x, int y) const
    {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x);
    }

    int width_;
    int height_;
    Colour background_;
    std::vector<Colour, LargePageAllocator<Colour>> pixels_;
};

// The red byte of every pixel over the picture's grid, its last row and
// column holding what a read outside gives (255).
ByteGrid redGrid(const Picture& p, RowLayout layout = RowLayout::Packed);

// A w x h picture with p's background, p repeated from the top-left:
// pixel (x, y) is p's pixel (x mod p.width(), y mod p.height()).
Picture tiled(const Picture& p, int w, int h);

} // namespace gloamery
