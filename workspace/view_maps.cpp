#include "view_maps.h"

#include "parallel.h"

#include <algorithm>
#include <array>
#include <vector>

namespace gloamery {

namespace {

// HeightMap = (h / unit - 128) / 64 for every height of a depth, one
// division per height rather than per sample.
template <class Sample>
const std::vector<float>& heightValues()
{
    static const std::vector<float> values = [] {
        std::vector<float> v(Depth<Sample>::kTop + 1);
        for (int h = 0; h <= Depth<Sample>::kTop; ++h)
            v[static_cast<std::size_t>(h)] = static_cast<float>((h / Depth<Sample>::kUnit - 128) / 64.0);
        return v;
    }();
    return values;
}

// The height grid's samples through the values; pixelOf(i, side) is the
// map pixel that grid index i samples along a side.
template <class Grid, class PixelOf>
void fillHeightGrid(FloatGrid& hm, const Grid& heights, PixelOf pixelOf)
{
    const std::vector<float>& value = heightValues<typename Grid::value_type>();
    const int w = heights.mapWidth(), h = heights.mapHeight();
    const std::size_t samples = static_cast<std::size_t>(hm.columns()) * static_cast<std::size_t>(hm.rows());
    forEachRow(hm.rows(), samples, [&](int y) {
        const int py = pixelOf(y, h);
        for (int x = 0; x < hm.columns(); ++x) hm(x, y) = value[heights(pixelOf(x, w), py)];
    });
}

} // namespace

ViewGrids::ViewGrids(int mapWidth, int mapHeight)
    : step(gridStepFor(mapWidth, mapHeight)),
      height(gridCellsFor(mapWidth, step), gridCellsFor(mapHeight, step)),
      colour{FloatGrid(height.mapWidth(), height.mapHeight()), FloatGrid(height.mapWidth(), height.mapHeight()),
             FloatGrid(height.mapWidth(), height.mapHeight())},
      detail{ByteGrid(height.mapWidth(), height.mapHeight()), ByteGrid(height.mapWidth(), height.mapHeight()),
             ByteGrid(height.mapWidth(), height.mapHeight())}
{
}

ViewGrids CalculateMaps(const Workspace& ws, Reporter& report)
{
    BusyScope busy(report);
    report.progress(0.0);
    report.status(status::kCalculating);

    // Read through the slots' rules: a map never lit, or a small detail
    // picture repeated, is not expanded for the view.
    const SlotView colour = ws.image(Slot::Colour).view();
    const SlotView detail = ws.image(Slot::Detail).view();
    const int w = ws.width(), h = ws.height();
    ViewGrids grids(w, h);
    FloatGrid& hm = grids.height;
    auto& cm = grids.colour;
    auto& cm2 = grids.detail;
    const int step = grids.step;
    const int cols = hm.mapWidth();

    // Every value is one of 256 per channel: the divisions are done once.
    static const auto unit = [] {
        std::array<float, 256> t{};
        for (int v = 0; v < 256; ++v) t[v] = static_cast<float>(v / 255.0);
        return t;
    }();

    // The pixel a grid index samples. The last index (W or H) lies outside
    // the pictures; it repeats their last column or row, so the mesh ends
    // on the terrain's own edge rather than on the outside value.
    const auto pixelOf = [step](int i, int side) { return std::min(i * step, side - 1); };

    // Filled row by row, so the reads and writes run along memory; the bar
    // still steps once per column, in order.
    const std::size_t samples = static_cast<std::size_t>(hm.columns()) * static_cast<std::size_t>(hm.rows());
    const int columns = hm.columns();
    forEachRow(hm.rows(), samples, [&](int y) {
        // Every pointer in a local: a byte written through one of the
        // detail grids could, for all the compiler knows, be any object
        // it would otherwise read again at every sample.
        const std::size_t py = static_cast<std::size_t>(pixelOf(y, h));
        std::vector<Colour> colourRun(colour.whole() ? 0 : static_cast<std::size_t>(w));
        std::vector<Colour> detailRun(detail.whole() ? 0 : static_cast<std::size_t>(w));
        const Colour* colourRow = colour.span(0, static_cast<int>(py), w, colourRun.data());
        const Colour* detailRow = detail.span(0, static_cast<int>(py), w, detailRun.data());
        const std::size_t base = hm.index(0, y);
        float* red = cm[0].data() + base;
        float* green = cm[1].data() + base;
        float* blue = cm[2].data() + base;
        std::uint8_t* detailRed = cm2[0].data() + base;
        std::uint8_t* detailGreen = cm2[1].data() + base;
        std::uint8_t* detailBlue = cm2[2].data() + base;
        for (int x = 0; x < columns; ++x) {
            const int px = pixelOf(x, w);
            const Channels c = split(colourRow[px]);
            const Channels d = split(detailRow[px]);
            red[x] = unit[c.r];
            green[x] = unit[c.g];
            blue[x] = unit[c.b];
            detailRed[x] = static_cast<std::uint8_t>(d.r);
            detailGreen[x] = static_cast<std::uint8_t>(d.g);
            detailBlue[x] = static_cast<std::uint8_t>(d.b);
        }
    });
    reportColumns(0, columns, cols, report);

    // The heights, at either depth, over the same grid.
    readHeights(ws).visit([&](const auto& heights) { fillHeightGrid(hm, heights, pixelOf); });

    report.status(status::kDone);
    return grids;
}

} // namespace gloamery
