#pragma once
// MapGrid: one sample per grid point of a W x H map, indexed (x, y) with
// x in 0..W and y in 0..H, x varying fastest. The extra row and column hold
// what a picture read outside the map gives.

#include "large_buffer.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace gloamery {

constexpr int kDefaultMapSize = 256;

// How a grid lays its rows out: one after another, or each starting an odd
// number of cache lines after the one before. A ray walking down a column
// touches one row after another; rows a power of two apart in memory fall
// into the same few sets of the processor's cache and push each other
// out, where padded rows spread over all of them.
enum class RowLayout { Packed, Padded };

// The samples of type T from the start of one padded row to the next, for
// rows of `count` samples: an odd number of 64-byte lines.
template <class T>
constexpr int paddedRow(int count)
{
    constexpr int kLine = sizeof(T) < 64 ? static_cast<int>(64 / sizeof(T)) : 1;
    int lines = (count + kLine - 1) / kLine;
    if (lines % 2 == 0) ++lines;
    return lines * kLine;
}

template <class T>
class MapGrid {
public:
    using value_type = T;

    // The grid of a W x H map: (W + 1) x (H + 1) samples.
    explicit MapGrid(int mapWidth = kDefaultMapSize, int mapHeight = kDefaultMapSize, T fill = T{},
                     RowLayout layout = RowLayout::Packed)
        : columns_(mapWidth + 1), rows_(mapHeight + 1),
          stride_(layout == RowLayout::Packed ? columns_ : paddedRow<T>(columns_))
    {
        fillFresh(samples_, static_cast<std::size_t>(stride_) * static_cast<std::size_t>(rows_), fill);
    }

    int mapWidth() const { return columns_ - 1; }
    int mapHeight() const { return rows_ - 1; }
    // Samples in a row: the map width plus one.
    int columns() const { return columns_; }
    int rows() const { return rows_; }
    // Samples from the start of one row to the start of the next.
    int stride() const { return stride_; }

    bool contains(int x, int y) const
    {
        return static_cast<unsigned>(x) < static_cast<unsigned>(columns_)
            && static_cast<unsigned>(y) < static_cast<unsigned>(rows_);
    }

    std::size_t index(int x, int y) const
    {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(stride_) + static_cast<std::size_t>(x);
    }

    // Unchecked: callers keep to the grid (contains() tells them).
    T operator()(int x, int y) const { return samples_[index(x, y)]; }
    T& operator()(int x, int y) { return samples_[index(x, y)]; }

    // Row y starts at index(0, y): stride() samples after row y - 1.
    const T* data() const { return samples_.data(); }
    T* data() { return samples_.data(); }
    const T* row(int y) const { return samples_.data() + index(0, y); }
    T* row(int y) { return samples_.data() + index(0, y); }

    // The same shape and samples, however the rows are laid out.
    bool operator==(const MapGrid& o) const
    {
        if (columns_ != o.columns_ || rows_ != o.rows_) return false;
        for (int y = 0; y < rows_; ++y)
            if (!std::equal(row(y), row(y) + columns_, o.row(y))) return false;
        return true;
    }

private:

    int columns_;
    int rows_;
    int stride_;
    std::vector<T, LargePageAllocator<T>> samples_;
};

using ByteGrid = MapGrid<std::uint8_t>;
using FloatGrid = MapGrid<float>;

} // namespace gloamery
