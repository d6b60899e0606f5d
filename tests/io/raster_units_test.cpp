// The units an elevation raster sets for "Sun": its pixels' ground size,
// in metres when it counts in degrees, and the elevation of a height level.

#include "imageio/raster_units.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace gloamery;

TEST(RasterUnits, FromTheGeotransformAndTheElevationRange)
{
    constexpr double pi = 3.141592653589793;
    const double s2 = std::sqrt(0.5);
    struct Case {
        const char* what;
        std::array<double, 6> t;
        int rows;
        const char* wkt;
        ElevationRange range;
        RasterUnits expected;
    };
    const Case cases[] = {
        {"10 m UTM pixels", {500000, 10, 0, 5200000, 0, -10}, 344, "PROJCS[\"WGS 84 / UTM zone 32N\",GEOGCS[\"WGS 84\"]]",
         {-10, 500}, {10, 10, 510.0 / 255}},
        {"unequal steps, rotated a little", {0, -2.5, 0.1, 0, 0.2, 4}, 10, "", {0, 255},
         {std::hypot(2.5, 0.2), std::hypot(0.1, 4), 1}},
        {"30 m turned by 45 degrees", {0, 30 * s2, -30 * s2, 0, 30 * s2, 30 * s2}, 10, "", {0, 255},
         {std::hypot(30 * s2, 30 * s2), std::hypot(30 * s2, 30 * s2), 1}},
        {"30 m turned by 90 degrees", {0, 0, 30, 0, -30, 0}, 10, "", {0, 255}, {30, 30, 1}},
        {"degrees on a vertical datum (WKT1)", {6, 1.0 / 3600, 0, 1, 0, -1.0 / 3600}, 7200,
         "COMPD_CS[\"WGS 84 + EGM96 \"\"height\"\"\", GEOGCS[\"WGS 84\"],VERT_CS[\"EGM96 height\"]]", {0, 4800},
         {1.0 / 3600 * 111320 * std::cos((1 + -1.0 / 3600 * 7200 / 2) * pi / 180), 1.0 / 3600 * 110574, 4800.0 / 255}},
        {"metres on a vertical datum (WKT2)", {0, 30, 0, 0, 0, -30}, 10,
         "COMPOUNDCRS[\"UTM + height\",PROJCRS[\"UTM\",BASEGEOGCRS[\"WGS 84\"]],VERTCRS[\"h\"]]", {0, 255}, {30, 30, 1}},
        {"a compound system with no parts", {0, 30, 0, 0, 0, -30}, 10, "COMPD_CS[\"GEOGCS\"]", {0, 255}, {30, 30, 1}},
        {"arc-seconds at the equator", {6, 1.0 / 3600, 0, 1, 0, -1.0 / 3600}, 7200, "GEOGCS[\"WGS 84\",DATUM[\"WGS_1984\"]]",
         {0, 4800}, {1.0 / 3600 * 111320 * std::cos((1 + -1.0 / 3600 * 7200 / 2) * pi / 180), 1.0 / 3600 * 110574, 4800.0 / 255}},
        {"degrees in WKT2, 45 north", {6, 0.001, 0, 45.5, 0, -0.001}, 1000, "  GEOGCRS[\"WGS 84\"]", {100, 2650},
         {0.001 * 111320 * std::cos((45.5 + -0.001 * 1000 / 2) * pi / 180), 0.001 * 110574, 10}},
    };
    for (const Case& c : cases) {
        const RasterUnits r = rasterUnits(c.t, c.rows, isGeographic(c.wkt), c.range);
        EXPECT_FALSE(rasterUnitsRefused(r, true, true)) << c.what;
        EXPECT_EQ(r.groundX, c.expected.groundX) << c.what;
        EXPECT_EQ(r.groundY, c.expected.groundY) << c.what;
        EXPECT_EQ(r.vertical, c.expected.vertical) << c.what;
    }
}

TEST(RasterUnits, ValuesOutsideWhatTheSunTakesAreRefusedByName)
{
    const struct {
        std::array<double, 6> t;
        ElevationRange range;
        const char* inMessage;
    } cases[] = {
        {{0, 0, 0, 0, 0, -1}, {0, 100}, "--ground"},      // no step across
        {{0, 1, 0, 0, 0, -2e9}, {0, 100}, "--ground"},     // too large
        {{0, 1, 0, 0, 0, -1}, {5, 5}, "--vertical"},       // a flat range
        {{0, 1, 0, 0, 0, -1}, {0, 1e12}, "--vertical"},    // too tall
    };
    for (const auto& c : cases) {
        const RasterUnits u = rasterUnits(c.t, 10, false, c.range);
        const bool ground = std::string(c.inMessage) == "--ground";
        const Refusal refused = rasterUnitsRefused(u, true, true);
        ASSERT_TRUE(refused) << c.inMessage;
        EXPECT_NE(refused->message.find(c.inMessage), std::string::npos) << refused->message;
        // Given by flags, the bad part no longer matters.
        EXPECT_FALSE(rasterUnitsRefused(u, !ground, ground)) << c.inMessage;
    }
}
