#pragma once
// The sun followed over a period: at each time its position at the map's
// place, and per pixel the hours of direct sun or the direct light the
// ground takes from the clear-sky beam, summed over the times. The sums
// light the shadow map as "Sun" does (each pixel's share of the most it
// could have had), and are kept, in full precision, as a layer.

#include "../workspace/controls.h"
#include "../workspace/reporter.h"
#include "../workspace/window_grid.h"
#include "../workspace/workspace.h"
#include "solar_position.h"
#include "sun_period.h"

#include <vector>

namespace gloamery {

// The sun of an instant on the map: its true azimuth, its azimuth on the
// map (the true one less the grid angle, 0 .. 360) and its apparent
// altitude.
struct MapSun {
    double trueAzimuth;
    double azimuth;
    double altitude;
};
MapSun mapSun(const MapPlace& where, std::chrono::sys_seconds t);

enum class SunSum {
    Hours,       // hours of direct sun
    DirectLight, // kWh per square metre of ground from the clear-sky beam
};

// The clear-sky beam at apparent altitude `altitude` (degrees, above 0),
// kW per square metre.
double clearSkyBeam(double altitude);

// What a period run gives besides the shadow map: the sum of each pixel,
// row-major over the map (or the region), and the most a pixel could have
// had (the hours with the sun up, or what flat open ground takes).
struct SunSumLayer {
    int width = 0;
    int height = 0;
    LayerValues values;
    double most = 0.0;
};

// Follows the sun over the period at the map's place with the Sun controls'
// disc, Lambert term, ground and vertical units (their azimuth, altitude
// and sky are not used), and writes every pixel of the shadow map:
// nearest((255 - D) + D q), q the pixel's sum over `most` (0 when that is 0).
// Refuses, changing nothing, bad controls, a bad place or period, or a
// stop asked through the reporter.
Refusal runSunSum(Workspace& ws, SunSum what, const SunControls& sun, const MapPlace& where, const SunPeriod& period,
                  int darkness, SunSumLayer& layer, Reporter& report);

// The same for a region of a world, seen from `where` (the world's centre,
// so that every region has the same suns): the heights are read from
// source as far up-sun of the region as the period's suns can shade it
// from, and one pixel around it for the slopes.
Refusal runSunSumRegion(Workspace& ws, const WorldRegion& region, const HeightSource& source, SunSum what,
                        const SunControls& sun, const MapPlace& where, const SunPeriod& period, int darkness,
                        SunSumLayer& layer, Reporter& report);

} // namespace gloamery
