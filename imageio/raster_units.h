#pragma once
// What an elevation raster tells of its units: the ground size of a pixel
// and the elevation of one 8-bit height level, which "Sun" needs to know
// how steep its slopes are and how far its shadows reach.

#include "imageio/elevation.h"
#include "inputs/controls.h"

#include <array>
#include <string>
#include <variant>

namespace gloamery {

struct RasterUnits {
    double groundX;
    double groundY;
    double vertical;
};

// Whether a coordinate system (as WKT) counts in degrees of latitude and
// longitude rather than in units on a map.
bool isGeographic(const std::string& wkt);

// From a raster's geotransform t (GDAL's six numbers), its height in rows,
// whether it is geographic, and the elevations mapped onto 0..65535:
// GX = |t1|, GY = |t5|, or in metres for degrees, GX = |t1| 111320
// cos(phi), GY = |t5| 110574 with phi the latitude of the middle row; and
// V = (HI - LO) / 255.
RasterUnits rasterUnits(const std::array<double, 6>& t, int rows, bool geographic, const ElevationRange& range);

// Why the ground size (when `ground`) or the vertical unit (when
// `vertical`) cannot be used by "Sun", naming the values; or nothing.
Refusal rasterUnitsRefused(const RasterUnits& u, bool ground, bool vertical);

// The note that tells the user which units a raster set.
std::string unitsNote(const RasterUnits& u);

// The Sun controls with a raster's units in place.
inline void applyUnits(SunControls& c, const RasterUnits& u)
{
    c.groundX = u.groundX;
    c.groundY = u.groundY;
    c.vertical = u.vertical;
}

} // namespace gloamery
