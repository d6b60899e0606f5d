#pragma once
// WindowGrid: the heights of part of a map's grid, addressed in the map's
// own coordinates, for a run that computes a region of a map too large to
// hold whole. The part is a stack of bands, each a few rows of one span of
// columns; rows outside every band hold nothing and must not be read.

#include "large_buffer.h"

#include "controls.h"
#include "rect.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <variant>
#include <vector>

namespace gloamery {

template <class T>
class WindowGrid {
public:
    using value_type = T;

    // The grid of a W x H map (indices 0..W, 0..H), holding the bands
    // given, which lie on the grid and share no row.
    WindowGrid(int mapWidth, int mapHeight, std::vector<Rect> bands)
        : columns_(mapWidth + 1), rows_(mapHeight + 1), bands_(std::move(bands)),
          rowStart_(static_cast<std::size_t>(rows_), kNoRow), rowSpan_(static_cast<std::size_t>(rows_), {0, 0})
    {
        std::size_t size = 0;
        for (const Rect& b : bands_) {
            for (int r = 0; r < b.height; ++r) {
                const auto y = static_cast<std::size_t>(b.y0 + r);
                rowStart_[y] = size + static_cast<std::size_t>(r) * static_cast<std::size_t>(b.width)
                             - static_cast<std::size_t>(b.x0); // wraps round; index() adds x back
                rowSpan_[y] = {b.x0, b.x0 + b.width};
            }
            size += static_cast<std::size_t>(b.height) * static_cast<std::size_t>(b.width);
        }
        samples_.resize(size);
    }

    int mapWidth() const { return columns_ - 1; }
    int mapHeight() const { return rows_ - 1; }
    int columns() const { return columns_; }
    int rows() const { return rows_; }
    const std::vector<Rect>& bands() const { return bands_; }

    // Whether (x, y) is held: reads anywhere else are a caller's bug.
    bool holds(int x, int y) const
    {
        if (y < 0 || y >= rows_) return false;
        const auto& [first, end] = rowSpan_[static_cast<std::size_t>(y)];
        return x >= first && x < end;
    }

    // Unchecked, as MapGrid's: the place of (x, y) in data().
    std::size_t index(int x, int y) const { return rowStart_[static_cast<std::size_t>(y)] + static_cast<std::size_t>(x); }
    T operator()(int x, int y) const { return samples_[index(x, y)]; }
    T& operator()(int x, int y) { return samples_[index(x, y)]; }
    const T* data() const { return samples_.data(); }
    T* data() { return samples_.data(); }
    // Where each row starts, less its first column: for the ray walk,
    // which looks a row up at every step.
    const std::size_t* rowStarts() const { return rowStart_.data(); }
    // The columns first .. end - 1 each row holds.
    const std::pair<int, int>* rowSpans() const { return rowSpan_.data(); }

private:
    static constexpr std::size_t kNoRow = ~std::size_t{0} / 2;

    int columns_;
    int rows_;
    std::vector<Rect> bands_;
    std::vector<std::size_t> rowStart_;
    std::vector<std::pair<int, int>> rowSpan_; // the columns each row holds
    std::vector<T, LargePageAllocator<T>> samples_;
};

// A window holding the bands of a W x H map's grid, filled row by row:
// fill(y, x0, n, out) gives the n samples of row y from column x0, all on
// the map (it returns a Refusal); the outside column and row hold the top
// sample.
template <class T, class Fill>
std::variant<WindowGrid<T>, Error> filledWindow(int w, int h, const std::vector<Rect>& bands, const Fill& fill)
{
    WindowGrid<T> grid(w, h, bands);
    for (const Rect& b : bands) {
        const int inside = std::max(0, std::min(b.x0 + b.width, w) - b.x0);
        for (int y = b.y0; y < b.y0 + b.height; ++y) {
            T* row = grid.data() + grid.index(b.x0, y);
            const int n = y < h ? inside : 0;
            if (n > 0)
                if (auto refused = fill(y, b.x0, n, row)) return *refused;
            std::fill(row + n, row + b.width, static_cast<T>(~T{0}));
        }
    }
    return grid;
}

using ByteWindow = WindowGrid<std::uint8_t>;
using DeepWindow = WindowGrid<std::uint16_t>;
using HeightWindow = std::variant<ByteWindow, DeepWindow>;

// Worlds run to 65536 pixels a side, lit a region at a time.
constexpr int kMaxWorldSize = 65536;

// A world of W x H pixels and the box of it a run holds, the workspace's
// pixel (0, 0) being the world's (area.x0, area.y0).
struct WorldRegion {
    int worldWidth;
    int worldHeight;
    Rect area;
};

// Where a region's run gets the world's heights: any part of the world's
// grid, read when the run knows what it needs. The outside column and row
// hold the top sample, as in a whole map's grid.
class HeightSource {
public:
    virtual ~HeightSource() = default;
    virtual bool deep() const = 0;
    // A window holding the bands given (which lie on the world's grid and
    // share no row), or the reason the heights could not be read.
    virtual std::variant<HeightWindow, Error> read(const std::vector<Rect>& bands) const = 0;
};

} // namespace gloamery
