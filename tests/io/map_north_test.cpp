// Where a raster's map sees its sun from: the latitude and longitude of its
// centre, and how far its up direction turns from true north there, worked
// out through the raster's coordinate system.

#include "imageio/geo_place.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace gloamery;

namespace {

const char* const kUtm32 =
    "PROJCS[\"WGS_1984_UTM_Zone_32N\",GEOGCS[\"GCS_WGS_1984\",DATUM[\"D_WGS_1984\",SPHEROID[\"WGS_1984\",6378137.0,"
    "298.257223563]],PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]],PROJECTION[\"Transverse_"
    "Mercator\"],"
    "PARAMETER[\"False_Easting\",500000.0],PARAMETER[\"False_Northing\",0.0],PARAMETER[\"Central_Meridian\",9.0],"
    "PARAMETER[\"Scale_Factor\",0.9996],PARAMETER[\"Latitude_Of_Origin\",0.0],UNIT[\"Meter\",1.0]]";

// A 40 x 20 map of 30 m pixels whose centre is at (x, y) in this
// coordinate system, as a raster's place (a GeoTIFF's) gives it.
GeoPlace placeOfGrid(double x, double y, const char* wkt)
{
    return GeoPlace{{x - 600, 30, 0, y + 300, 0, -30}, wkt ? wkt : ""};
}

} // namespace

// A UTM raster far from its zone's central meridian (6 degrees east of it
// at 60 N) has its grid north turned about 5.2 degrees clockwise from true
// north; west of the meridian in the south, the turn is the other way; on
// the meridian there is none.
TEST(MapNorth, UtmRastersTurnedFromTrueNorth)
{
    constexpr double pi = 3.141592653589793;
    struct Case {
        double x, y; // the centre in UTM zone 32N
        double lat, lon; // where that is
    };
    const Case cases[] = {
        {834359.667892285, 6666593.57214689, 60, 15},
        {-12321.6237501255, -4445034.64029561, -40, 3},
        {538716.140506906, 5094169.01241971, 46, 9.5},
    };
    for (const Case& c : cases) {
        const GeoPlace place = placeOfGrid(c.x, c.y, kUtm32);
        ASSERT_FALSE(place.wkt.empty());
        const auto where = mapPlaceOf(place, 40, 20);
        ASSERT_TRUE(std::holds_alternative<MapPlace>(where)) << std::get<Error>(where).message;
        const MapPlace& m = std::get<MapPlace>(where);
        EXPECT_NEAR(m.place.latitude, c.lat, 1e-6);
        EXPECT_NEAR(m.place.longitude, c.lon, 1e-6);
        // Meridian convergence; the ellipsoid's terms are below 1e-4 degrees here.
        const double gamma = std::atan(std::tan((c.lon - 9) * pi / 180) * std::sin(c.lat * pi / 180)) * 180 / pi;
        EXPECT_NEAR(m.gridNorth, gamma, 1e-3) << c.lat << "," << c.lon;
    }
}

// A raster in degrees has its north up; one without a coordinate system
// cannot say where it is, and says so.
TEST(MapNorth, DegreesAndNoCoordinateSystem)
{
    const char* const wgs84 =
        "GEOGCS[\"GCS_WGS_1984\",DATUM[\"D_WGS_1984\",SPHEROID[\"WGS_1984\",6378137.0,298.257223563]],"
        "PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]]";
    GeoPlace degrees{{7.5, 0.01, 0, 46.7, 0, -0.01}, wgs84};
    const auto where = mapPlaceOf(degrees, 80, 40);
    ASSERT_TRUE(std::holds_alternative<MapPlace>(where)) << std::get<Error>(where).message;
    EXPECT_NEAR(std::get<MapPlace>(where).place.latitude, 46.5, 1e-9);
    EXPECT_NEAR(std::get<MapPlace>(where).place.longitude, 7.9, 1e-9);
    EXPECT_NEAR(std::get<MapPlace>(where).gridNorth, 0.0, 1e-9);

    const GeoPlace bare = placeOfGrid(1000, 1000, nullptr);
    const auto none = mapPlaceOf(bare, 40, 20);
    ASSERT_TRUE(std::holds_alternative<Error>(none));
    EXPECT_NE(std::get<Error>(none).message.find("names no coordinate system"), std::string::npos);
}
