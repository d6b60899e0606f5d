// Where a map's centre lies in latitude and longitude, and how far its up
// direction turns from true north there: PROJ, through GDAL's coordinate
// systems, does the projecting.

#include "../gdal_plugin.h"

#include <cpl_error.h>
#include <ogr_srs_api.h>

#include <cmath>
#include <cstdio>
#include <memory>

namespace {

constexpr double kPi = 3.141592653589793;

struct Srs {
    OGRSpatialReferenceH h;
    explicit Srs(OGRSpatialReferenceH s) : h(s) { }
    ~Srs()
    {
        if (h) OSRDestroySpatialReference(h);
    }
    Srs(const Srs&) = delete;
    Srs& operator=(const Srs&) = delete;
};

int refuse(char* message, int size, const char* what)
{
    const char* why = CPLGetLastErrorMsg();
    std::snprintf(message, static_cast<std::size_t>(size), "%s%s%s", what, *why ? ": " : "", why);
    return 1;
}

} // namespace

extern "C" __attribute__((visibility("default"))) int gloamery_map_north(const double transform[6], const char* wkt,
                                                                         double col, double row, double* latitude,
                                                                         double* longitude, double* gridNorth,
                                                                         char* message, int messageSize)
{
    CPLErrorReset();
    CPLPushErrorHandler(CPLQuietErrorHandler);
    struct Pop {
        ~Pop() { CPLPopErrorHandler(); }
    } pop;
    Srs map(OSRNewSpatialReference(nullptr));
    if (OSRSetFromUserInput(map.h, wkt) != OGRERR_NONE)
        return refuse(message, messageSize, "the raster's coordinate system is not one GDAL knows");
    OSRSetAxisMappingStrategy(map.h, OAMS_TRADITIONAL_GIS_ORDER);
    // Its own datum's latitude and longitude: no shift between datums.
    Srs geo(OSRCloneGeogCS(map.h));
    if (!geo.h) return refuse(message, messageSize, "the raster's coordinate system has no latitude and longitude");
    OSRSetAxisMappingStrategy(geo.h, OAMS_TRADITIONAL_GIS_ORDER);
    OGRCoordinateTransformationH toGeo = OCTNewCoordinateTransformation(map.h, geo.h);
    if (!toGeo)
        return refuse(message, messageSize, "the raster's coordinates cannot be turned into latitude and longitude");
    const std::unique_ptr<void, void (*)(void*)> keep(
        toGeo, [](void* t) { OCTDestroyCoordinateTransformation(static_cast<OGRCoordinateTransformationH>(t)); });

    // The centre, and two points a thousandth of a pixel either side of it
    // along the map's up direction (rows decreasing).
    const double t0 = transform[0], t1 = transform[1], t2 = transform[2];
    const double t3 = transform[3], t4 = transform[4], t5 = transform[5];
    double x[3], y[3], z[3] = {0, 0, 0};
    const double rows[3] = {row, row + 0.001, row - 0.001};
    for (int i = 0; i < 3; ++i) {
        x[i] = t0 + col * t1 + rows[i] * t2;
        y[i] = t3 + col * t4 + rows[i] * t5;
    }
    int ok[3] = {0, 0, 0};
    if (!OCTTransformEx(toGeo, 3, x, y, z, ok) || !ok[0] || !ok[1] || !ok[2])
        return refuse(message, messageSize, "the map's centre cannot be turned into latitude and longitude");
    // The bearing of the step on the ellipsoid: its east and north lengths
    // in the radii of curvature there.
    const double phi = y[0] * kPi / 180;
    const double f = 1 / OSRGetInvFlattening(geo.h, nullptr);
    const double e2 = std::isfinite(f) ? f * (2 - f) : 0.0;
    const double w = 1 - e2 * std::sin(phi) * std::sin(phi);
    const double east = (x[2] - x[1]) * std::cos(phi) * w;
    const double north = (y[2] - y[1]) * (1 - e2);
    *latitude = y[0];
    *longitude = x[0];
    *gridNorth = std::atan2(east, north) * 180 / kPi;
    return 0;
}
