#pragma once
// Heights of either depth. An 8-bit map holds a byte a sample; a deep map
// (from a file of more than 8 bits a sample) 16-bit samples, in units of
// 1/257 of an 8-bit step, so that 8-bit value v and deep value 257 v stand
// for the same height.

#include "large_buffer.h"
#include "map_grid.h"

#include <cstdint>
#include <memory>
#include <utility>
#include <variant>
#include <vector>

namespace gloamery {

using DeepGrid = MapGrid<std::uint16_t>;

// The height grid of a run, whichever depth the map has: a grid of 8-bit
// or of deep samples, shared with the height slot that keeps it, as a run
// only reads it.
class HeightGrid {
public:
    explicit HeightGrid(ByteGrid bytes) : grid_(std::make_shared<const ByteGrid>(std::move(bytes))) {}
    explicit HeightGrid(std::shared_ptr<const ByteGrid> bytes) : grid_(std::move(bytes)) {}
    explicit HeightGrid(std::shared_ptr<const DeepGrid> deep) : grid_(std::move(deep)) {}

    bool deep() const { return grid_.index() == 1; }
    // Null for a grid of the other depth.
    const DeepGrid* deepGrid() const { return deep() ? std::get<1>(grid_).get() : nullptr; }
    const ByteGrid* byteGrid() const { return deep() ? nullptr : std::get<0>(grid_).get(); }

    int mapWidth() const { return deep() ? deepGrid()->mapWidth() : byteGrid()->mapWidth(); }
    int mapHeight() const { return deep() ? deepGrid()->mapHeight() : byteGrid()->mapHeight(); }

    // f(grid) with the grid of either depth.
    template <class F>
    decltype(auto) visit(F&& f) const
    {
        if (const DeepGrid* d = deepGrid()) return f(*d);
        return f(*std::get<0>(grid_));
    }

    // The same depth and samples.
    bool operator==(const HeightGrid& o) const
    {
        if (deep() != o.deep()) return false;
        if (deep()) return sameBuffer(o) || *deepGrid() == *o.deepGrid();
        return sameBuffer(o) || *byteGrid() == *o.byteGrid();
    }
    bool sameBuffer(const HeightGrid& o) const
    {
        return deep() == o.deep() && (deep() ? deepGrid() == o.deepGrid() : byteGrid() == o.byteGrid());
    }

private:
    std::variant<std::shared_ptr<const ByteGrid>, std::shared_ptr<const DeepGrid>> grid_;
};

// What the rules need to know about a depth of height sample: the top
// sample (also what a read outside the map gives) and the size of an
// 8-bit step in samples, by which the rules divide levels and heights.
template <class Sample>
struct Depth;
template <>
struct Depth<std::uint8_t> {
    static constexpr int kTop = 255;
    static constexpr double kUnit = 1.0;
};
template <>
struct Depth<std::uint16_t> {
    static constexpr int kTop = 65535;
    static constexpr double kUnit = 257.0;
};
template <class Grid>
using DepthOf = Depth<typename Grid::value_type>;

// The 8-bit grey that shows each deep sample: nearest(v / 257).
const std::uint8_t* shownBytes();
inline std::uint8_t shownByte(std::uint16_t v) { return shownBytes()[v]; }

// W x H deep samples, row-major; empty (0 x 0) for an 8-bit map.
class HeightSamples {
public:
    HeightSamples() = default;
    HeightSamples(int width, int height, std::uint16_t fill);
    HeightSamples(int width, int height, const std::uint16_t* samples);
    // Samples left unwritten, for a reader that writes every one.
    static HeightSamples unwritten(int width, int height);

    bool empty() const { return samples_.empty(); }
    int width() const { return width_; }
    int height() const { return height_; }
    const std::uint16_t* data() const { return samples_.data(); }
    std::uint16_t* data() { return samples_.data(); }
    std::uint16_t at(int x, int y) const { return samples_[index(x, y)]; }

    // Copies `from` in at the top-left corner, cropped; the rest is kept.
    void place(const HeightSamples& from);

    bool operator==(const HeightSamples&) const = default;

private:
    std::size_t index(int x, int y) const
    {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x);
    }

    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint16_t, LargePageAllocator<std::uint16_t>> samples_;
};

// A w x h set of samples, s repeated from the top-left.
HeightSamples tiled(const HeightSamples& s, int w, int h);

} // namespace gloamery
