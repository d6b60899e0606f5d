#pragma once
// Colour by height ("tint"): the texture map made from a table of colours
// at elevations, each pixel the colour at its own elevation. The table
// comes read from its file as numbers; the front ends read the files.

#include "../workspace/reporter.h"
#include "../workspace/window_grid.h"
#include "../workspace/workspace.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace gloamery {

struct TableColour {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    std::uint8_t a = 255;
    bool operator==(const TableColour&) const = default;
};

// One entry: an elevation (or, with percent, a share 0..100 of the map's
// range from its least elevation) and its colour.
struct ColourEntry {
    double elevation = 0;
    bool percent = false;
    TableColour colour;
    bool operator==(const ColourEntry&) const = default;
};

struct ColourTable {
    std::vector<ColourEntry> entries; // in the file's order; at least one
    std::optional<TableColour> noData; // the colour of cells without data
    std::optional<TableColour> below;  // below the first entry; else its colour
    std::optional<TableColour> above;  // above the last entry; else its colour
    bool operator==(const ColourTable&) const = default;
};

// What a height sample stands for. Samples of a raster run linearly from
// `low` (0) to `high` (65535); other heights are their levels times the
// vertical unit (a deep sample is 1/257 of a level).
struct TintElevations {
    std::optional<double> low;  // both set for a raster's elevations
    std::optional<double> high;
    double vertical = 1.0;
};

// The colour of every sample 0..top of a depth (256 or 65536 values),
// and of cells without data.
struct TintLookup {
    std::vector<Colour> colours;
    Colour noData = kBlack;
};

// What a front end hands tint: the lookup made from the table it read, and
// the map's no-data cells (its size, row-major; null for none).
struct TintSource {
    TintLookup lookup;
    const unsigned char* noData = nullptr;
};

// The elevation of a sample of the given depth.
double sampleElevation(const TintElevations& e, int sample, bool deep);

// The lookup of a table. Percentages count over `range` (least and
// greatest elevation); entries are ordered by elevation first, those of
// the same elevation kept in their order. An interpolated channel is
// rounded with .55 and above going up, as gdaldem rounds; a raster's
// sample within half a step of a whole elevation stands for it; an exact
// entry is one whose elevation loads as the sample itself.
TintLookup tintLookup(const ColourTable& table, ColourEntries mode, const TintElevations& e, bool deep,
                      double rangeLow, double rangeHigh);

// The least and greatest elevation of the map's samples; for a raster,
// its own range.
std::pair<double, double> mapElevationRange(const Workspace& ws, const TintElevations& e);

// The texture map: every pixel its sample's colour, a cell marked in
// noData (the map's size, row-major; may be null) the lookup's noData.
void tint(Workspace& ws, const TintLookup& lookup, const unsigned char* noData, Reporter& report);

// The same for a region of a world (see makeTextureRegion): the region's
// heights come from the window; noData, when given, covers the held box.
std::vector<Rect> tintHeights(const WorldRegion& region);
void tintRegion(Workspace& ws, const TintLookup& lookup, const WorldRegion& region, const HeightWindow& heights,
                const unsigned char* noData, Reporter& report);

} // namespace gloamery
