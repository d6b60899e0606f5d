#pragma once
// MapGrid: 257 x 257 samples indexed (x, y), both 0..256, x varying fastest.
// The extra row and column hold what a picture read outside the 256 x 256
// map gives.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace gloamery {

constexpr int kGridSize = 257;
constexpr std::size_t kGridSamples = static_cast<std::size_t>(kGridSize) * kGridSize;

template <class T>
class MapGrid {
public:
    MapGrid() : samples_(kGridSamples, T{}) {}

    static bool contains(int x, int y)
    {
        return static_cast<unsigned>(x) < static_cast<unsigned>(kGridSize)
            && static_cast<unsigned>(y) < static_cast<unsigned>(kGridSize);
    }

    static std::size_t index(int x, int y)
    {
        return static_cast<std::size_t>(y) * kGridSize + static_cast<std::size_t>(x);
    }

    // Unchecked: callers keep to 0..256 (contains() tells them).
    T operator()(int x, int y) const { return samples_[index(x, y)]; }
    T& operator()(int x, int y) { return samples_[index(x, y)]; }

    const T* data() const { return samples_.data(); }
    T* data() { return samples_.data(); }

    bool operator==(const MapGrid&) const = default;

private:
    std::vector<T> samples_;
};

using ByteGrid = MapGrid<std::uint8_t>;
using FloatGrid = MapGrid<float>;

} // namespace gloamery
