#pragma once
// The grids the 3D view draws, made from the workspace's pictures; the
// view owns them, the workspace keeps none.

#include "reporter.h"
#include "workspace.h"

#include <array>
#include <cstdint>
#include <stdexcept>

namespace gloamery {

struct ViewGrids {
    // Grids of zeros for a W x H map, at its view grid step.
    explicit ViewGrids(int mapWidth = kDefaultMapSize, int mapHeight = kDefaultMapSize);

    // Map pixels between neighbouring grid samples: grid index i samples
    // map index min(i * step, W), and likewise along y.
    int step;
    FloatGrid height;                // (h / unit - 128) / 64
    std::array<FloatGrid, 3> colour; // the colour map's channels, 0..1
    std::array<ByteGrid, 3> detail;  // the detail map's channels

    // Indices 0..gridCellsFor(W, step) and likewise for H; anything else is
    // a caller's bug and throws std::out_of_range rather than reading astray.
    float HeightMap(std::int16_t x, std::int16_t y) const { return sample(height, x, y); }
    float ColorMapR(std::int16_t x, std::int16_t y) const { return sample(colour[0], x, y); }
    float ColorMapG(std::int16_t x, std::int16_t y) const { return sample(colour[1], x, y); }
    float ColorMapB(std::int16_t x, std::int16_t y) const { return sample(colour[2], x, y); }
    std::uint8_t ColorMap2R(std::int16_t x, std::int16_t y) const { return sample(detail[0], x, y); }
    std::uint8_t ColorMap2G(std::int16_t x, std::int16_t y) const { return sample(detail[1], x, y); }
    std::uint8_t ColorMap2B(std::int16_t x, std::int16_t y) const { return sample(detail[2], x, y); }

private:
    template <class T>
    static T sample(const MapGrid<T>& grid, std::int16_t x, std::int16_t y)
    {
        if (!grid.contains(x, y)) throw std::out_of_range("grid index outside the map's grid");
        return grid(x, y);
    }
};

// The view grids of the height, colour and detail maps as they are now, at
// the workspace's view grid step.
ViewGrids CalculateMaps(const Workspace& ws, Reporter& report);

} // namespace gloamery
