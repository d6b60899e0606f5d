#pragma once
// The state every computation works on: the eight picture slots, all but
// the small work picture of the map's size W x H, and the grids that the
// 3D view reads.

#include "heights.h"
#include "map_grid.h"
#include "picture.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string_view>

namespace gloamery {

// Picture1 .. Picture8, in that order.
enum class Slot { Height, Work, Shadow, Colour, Grass, Stone, Texture, Detail };
constexpr int kSlotCount = 8;

// The batch tool's and the tests' name of a slot ("height", "shadow", ...);
// the work picture has none.
std::optional<Slot> slotFromName(std::string_view name);
std::string_view slotName(Slot s);

// The background that shows where no image covers a slot, and that
// clearing restores.
Colour slotBackground(Slot s);

// Map sides run 1..kMaxMapSize.
constexpr int kMaxMapSize = 16384;
constexpr bool validMapSize(long long w, long long h) { return w >= 1 && h >= 1 && w <= kMaxMapSize && h <= kMaxMapSize; }
// A workspace may hold a little more: a region of a world of the largest
// map size, with the ring of pixels around it that the blur reads.
constexpr int kMaxHeldSize = kMaxMapSize + 2;

// The 3D view draws at most this many grid cells along a side: on software
// GL such a mesh takes about the 256 x 256 map's frame time, one with
// twice as many cells a side three times that. A larger map's grids sample
// every step-th pixel (gridStepFor), so they hold no more points than the
// view draws.
constexpr int kMaxViewGridCells = 256;
constexpr int gridStepFor(int w, int h)
{
    const int side = w > h ? w : h;
    return side <= kMaxViewGridCells ? 1 : (side + kMaxViewGridCells - 1) / kMaxViewGridCells;
}
// Cells along a side of `side` pixels sampled every `step`: the last cell
// is shorter when the step does not divide the side.
constexpr int gridCellsFor(int side, int step) { return (side + step - 1) / step; }

class Workspace {
public:
    // Every slot at its background. Sides outside 1..kMaxHeldSize throw
    // std::invalid_argument: callers check sizes they are given.
    explicit Workspace(int width = kDefaultMapSize, int height = kDefaultMapSize);

    int width() const { return width_; }
    int height() const { return height_; }

    // Makes the map w x h, every slot with it: the input slots (height,
    // grass, stone, detail) repeat their current picture from the
    // top-left, the computed ones (shadow, colour, texture) and the work
    // picture start afresh. The grids are dropped until the next
    // CalculateMaps, which builds them at the new size.
    void resize(int w, int h);

    // Deep heights: the 16-bit samples beside the height picture, none
    // while the map is 8-bit. Loading an 8-bit picture into the height
    // slot must clear them.
    bool deepHeights() const { return deepGrid_ != nullptr; }
    // A copy of the samples, W x H (0 x 0 for an 8-bit map), for saving.
    HeightSamples heightSamples() const;
    // Makes the height map deep: the samples at the top-left, cropped, the
    // uncovered ones 257 times the red byte of the slot's background (or,
    // with tile, repeated from the top-left). The height picture shows
    // each sample as the grey nearest(v / 257).
    void setDeepHeights(const HeightSamples& samples, bool tile = false);
    void clearDeepHeights();
    // Puts back deep samples this workspace held before (an undo): the
    // grid is of the map's size and the height picture, set first, shows
    // them.
    void restoreDeepGrid(std::shared_ptr<const DeepGrid> grid)
    {
        deepGrid_ = std::move(grid);
        deepSetAt_ = heightEdits_;
    }
    // The deep samples as the runs read them, over the map's grid: kept
    // in this form alone, so the runs need no copy; null while the map is
    // 8-bit.
    const std::shared_ptr<const DeepGrid>& deepGrid() const { return deepGrid_; }
    // Whether the height picture may have been changed since the deep
    // samples were set: every writable access to it counts.
    bool heightPictureTouched() const { return heightEdits_ != deepSetAt_; }

    Picture& picture(Slot s)
    {
        if (s == Slot::Height) ++heightEdits_;
        return pictures_[static_cast<int>(s)];
    }
    const Picture& picture(Slot s) const { return pictures_[static_cast<int>(s)]; }

    // The grids, filled by CalculateMaps. Indices 0..W and 0..H (with a
    // grid step above 1, 0..gridCellsFor(W, step) and likewise for H);
    // anything else is a caller's bug and throws std::out_of_range rather
    // than reading astray.
    float HeightMap(std::int16_t x, std::int16_t y) const { return sample(heightMap_, x, y); }
    float ColorMapR(std::int16_t x, std::int16_t y) const { return sample(colorMap_[0], x, y); }
    float ColorMapG(std::int16_t x, std::int16_t y) const { return sample(colorMap_[1], x, y); }
    float ColorMapB(std::int16_t x, std::int16_t y) const { return sample(colorMap_[2], x, y); }
    std::uint8_t ColorMap2R(std::int16_t x, std::int16_t y) const { return sample(colorMap2_[0], x, y); }
    std::uint8_t ColorMap2G(std::int16_t x, std::int16_t y) const { return sample(colorMap2_[1], x, y); }
    std::uint8_t ColorMap2B(std::int16_t x, std::int16_t y) const { return sample(colorMap2_[2], x, y); }

    // Map pixels between neighbouring grid samples: grid index i samples
    // map index min(i * step, W), and likewise along y.
    int viewGridStep() const { return gridStepFor(width_, height_); }

    const FloatGrid& heightGrid() const { return heightMap_; }
    FloatGrid& heightGrid() { return heightMap_; }
    std::array<FloatGrid, 3>& colorGrid() { return colorMap_; }
    std::array<ByteGrid, 3>& colorGrid2() { return colorMap2_; }

private:
    template <class T>
    static T sample(const MapGrid<T>& grid, std::int16_t x, std::int16_t y)
    {
        if (!grid.contains(x, y)) throw std::out_of_range("grid index outside the map's grid");
        return grid(x, y);
    }

    int width_;
    int height_;
    std::array<Picture, kSlotCount> pictures_;
    void keepDeepSamples(const HeightSamples& samples);

    std::shared_ptr<const DeepGrid> deepGrid_;
    std::uint64_t heightEdits_ = 0;
    std::uint64_t deepSetAt_ = 0;
    FloatGrid heightMap_;
    std::array<FloatGrid, 3> colorMap_;
    std::array<ByteGrid, 3> colorMap2_;
};

// The heights every computation reads: the deep samples when the map is
// deep, else the red byte of the height picture; the outside column and
// row hold the top sample (255 or 65535). Deep samples that no longer
// match the picture (it was replaced without clearing them) are not used:
// once the picture has been touched, every run checks it against them.
HeightGrid readHeights(const Workspace& ws);
// Whether readHeights gives the deep samples.
bool heightsAreDeep(const Workspace& ws);

// Whether a slot is computed by the buttons (shadow, colour, texture) or
// given by the user (height, grass, stone, detail).
bool isInputSlot(Slot s);

// The "Clear" button: empties the shadow map, then the work picture.
void clearShadow(Workspace& ws);

} // namespace gloamery
