#include "raster_units.h"

#include "workspace/numeric.h"

#include <charconv>
#include <cmath>

namespace gloamery {

namespace {

// The shortest text that reads back as the same number, so the note can be
// given back as flags to the same effect.
std::string number(double v)
{
    char text[40];
    const auto end = std::to_chars(text, text + sizeof text, v).ptr;
    return std::string(text, end);
}

bool withinUnits(double v) { return std::isfinite(v) && v >= sun_range::kUnitMin && v <= sun_range::kUnitMax; }

} // namespace

bool isGeographic(const std::string& wkt)
{
    std::size_t i = 0;
    while (i < wkt.size() && (wkt[i] == ' ' || wkt[i] == '\n' || wkt[i] == '\t')) ++i;
    const std::string head = wkt.substr(i, wkt.find('[', i) == std::string::npos ? 0 : wkt.find('[', i) - i);
    return head == "GEOGCS" || head == "GEOGCRS" || head == "GEOGRAPHICCRS";
}

RasterUnits rasterUnits(const std::array<double, 6>& t, int rows, bool geographic, const ElevationRange& range)
{
    RasterUnits u{std::fabs(t[1]), std::fabs(t[5]), (range.high - range.low) / 255};
    if (geographic) {
        const double phi = t[3] + t[5] * rows / 2;
        u.groundX = std::fabs(t[1]) * 111320 * std::cos(phi * kPi / 180);
        u.groundY = std::fabs(t[5]) * 110574;
    }
    return u;
}

Refusal rasterUnitsRefused(const RasterUnits& u, bool ground, bool vertical)
{
    if (ground && (!withinUnits(u.groundX) || !withinUnits(u.groundY)))
        return Error{"the raster's pixels are " + number(u.groundX) + " x " + number(u.groundY)
                     + " on the ground, outside 1e-9..1e9: give --ground GX,GY after it"};
    if (vertical && !withinUnits(u.vertical))
        return Error{"the raster's height level is " + number(u.vertical)
                     + " in elevation, outside 1e-9..1e9: give --vertical V after it"};
    return std::nullopt;
}

std::string unitsNote(const RasterUnits& u)
{
    return "its pixels measure " + number(u.groundX) + " x " + number(u.groundY) + " on the ground and a height level "
         + number(u.vertical) + " in elevation (--ground " + number(u.groundX) + "," + number(u.groundY)
         + " --vertical " + number(u.vertical) + ")";
}

} // namespace gloamery
