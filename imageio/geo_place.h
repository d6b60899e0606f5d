#pragma once
// Where a map lies on the Earth and which of its pixels held no data, as
// an elevation raster tells them: carried from the height file to every
// map saved in a format that keeps them.

#include "imageio/raster_units.h"
#include "shadow/sun_period.h"

#include <array>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace gloamery {

struct GeoPlace {
    std::array<double, 6> transform{}; // GDAL's geotransform: origin, then pixel steps
    std::string wkt;                   // the coordinate system; empty when the raster names none
};

// The place of the window whose top-left is pixel (x, y) of a raster at
// `whole`: the same steps from the pixel's corner.
GeoPlace windowPlace(const GeoPlace& whole, int x, int y);

struct MapOrigin {
    std::optional<GeoPlace> place;
    int width = 0; // the mask's size: the map's
    int height = 0;
    // 1 where the raster held no data; empty when the saved maps need no
    // alpha (the raster held data everywhere).
    std::vector<unsigned char> noData;
    // What the raster tells of its units (its pixels' ground size, its
    // height levels' elevation); none for a file that is no raster.
    std::optional<RasterUnits> units;
    // The elevations the raster's samples 0 and 65535 stand for.
    std::optional<ElevationRange> elevations;

    bool hasNoData() const { return !noData.empty(); }
};

// The origin of a w x h map made from this one: cropped or padded with
// data at the top-left, or (repeat) repeated from the top-left, as the
// map's heights are. The place stays: the top-left pixel has not moved.
MapOrigin resizedOrigin(const MapOrigin& origin, int w, int h, bool repeat);

// The origin of a map of fromW x fromH whose heights were resampled to
// w x h, corners on corners (fitToSize): the raster's units follow the new
// pixels; its place and no-data cells no longer fit them and go.
MapOrigin fittedOrigin(const MapOrigin& origin, int fromW, int fromH, int w, int h);

// The place of a raster the elevation plugin opens; nothing when it is not
// georeferenced or the plugin is missing.
std::optional<GeoPlace> rasterPlace(const std::string& path);

// The origin of the w x h region from (x, y) of a world raster: its place,
// and when the raster declares a no-data value, the region's no-data cells
// (kept even when the region has none, so that every tile of a world has
// the same bands). The raster was opened as the world's heights before.
std::optional<MapOrigin> worldRegionOrigin(const std::string& path, int x, int y, int w, int h);

// Where the real sun of a w x h map placed at `place` is seen from: the
// latitude and longitude of its centre, and the angle from true north to
// the map's up direction there. Worked out by the elevation plugin; an
// error naming why when it cannot be (no plugin, no coordinate system).
std::variant<MapPlace, Error> mapPlaceOf(const GeoPlace& place, int w, int h);

} // namespace gloamery
