#pragma once
// MapGrid: one sample per grid point of a W x H map, indexed (x, y) with
// x in 0..W and y in 0..H, x varying fastest. The extra row and column hold
// what a picture read outside the map gives.

#include "large_buffer.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace gloamery {

constexpr int kDefaultMapSize = 256;

template <class T>
class MapGrid {
public:
    using value_type = T;

    // The grid of a W x H map: (W + 1) x (H + 1) samples.
    explicit MapGrid(int mapWidth = kDefaultMapSize, int mapHeight = kDefaultMapSize, T fill = T{})
        : columns_(mapWidth + 1), rows_(mapHeight + 1)
    {
        fillFresh(samples_, static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_), fill);
    }

    int mapWidth() const { return columns_ - 1; }
    int mapHeight() const { return rows_ - 1; }
    // Samples in a row: the map width plus one.
    int columns() const { return columns_; }
    int rows() const { return rows_; }

    bool contains(int x, int y) const
    {
        return static_cast<unsigned>(x) < static_cast<unsigned>(columns_)
            && static_cast<unsigned>(y) < static_cast<unsigned>(rows_);
    }

    std::size_t index(int x, int y) const
    {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(columns_) + static_cast<std::size_t>(x);
    }

    // Unchecked: callers keep to the grid (contains() tells them).
    T operator()(int x, int y) const { return samples_[index(x, y)]; }
    T& operator()(int x, int y) { return samples_[index(x, y)]; }

    const T* data() const { return samples_.data(); }
    T* data() { return samples_.data(); }
    const T* row(int y) const { return samples_.data() + index(0, y); }
    T* row(int y) { return samples_.data() + index(0, y); }

    bool operator==(const MapGrid&) const = default;

private:
    int columns_;
    int rows_;
    std::vector<T, LargePageAllocator<T>> samples_;
};

using ByteGrid = MapGrid<std::uint8_t>;
using FloatGrid = MapGrid<float>;

} // namespace gloamery
