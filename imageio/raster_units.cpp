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

namespace {

std::size_t skipBlanks(const std::string& wkt, std::size_t i)
{
    while (i < wkt.size() && (wkt[i] == ' ' || wkt[i] == '\n' || wkt[i] == '\t' || wkt[i] == '\r')) ++i;
    return i;
}

// Where the first part after a compound system's name starts: past the
// quoted name (a quote inside it written twice) and its comma; npos if
// the text is not so.
std::size_t firstPart(const std::string& wkt, std::size_t open)
{
    std::size_t i = skipBlanks(wkt, open + 1);
    if (i >= wkt.size() || wkt[i] != '"') return std::string::npos;
    for (++i; i < wkt.size(); ++i)
        if (wkt[i] == '"' && !(i + 1 < wkt.size() && wkt[i + 1] == '"')) break;
        else if (wkt[i] == '"') ++i;
    i = skipBlanks(wkt, i + 1);
    return i < wkt.size() && wkt[i] == ',' ? skipBlanks(wkt, i + 1) : std::string::npos;
}

bool geographicFrom(const std::string& wkt, std::size_t i, int depth)
{
    i = skipBlanks(wkt, i);
    const std::size_t open = wkt.find('[', i);
    if (open == std::string::npos) return false;
    const std::string head = wkt.substr(i, open - i);
    // A compound system (heights on a vertical datum) counts its ground
    // by its horizontal part, which comes first.
    if ((head == "COMPD_CS" || head == "COMPOUNDCRS") && depth < 4) {
        const std::size_t part = firstPart(wkt, open);
        return part != std::string::npos && geographicFrom(wkt, part, depth + 1);
    }
    return head == "GEOGCS" || head == "GEOGCRS" || head == "GEOGRAPHICCRS";
}

} // namespace

bool isGeographic(const std::string& wkt) { return geographicFrom(wkt, 0, 0); }

RasterUnits rasterUnits(const std::array<double, 6>& t, int rows, bool geographic, const ElevationRange& range)
{
    // A pixel's sides are the transform's column and row vectors: on a
    // rotated raster neither lies along an axis.
    RasterUnits u{std::hypot(t[1], t[4]), std::hypot(t[2], t[5]), (range.high - range.low) / 255};
    if (geographic) {
        const double phi = t[3] + t[5] * rows / 2;
        const double c = std::cos(phi * kPi / 180);
        u.groundX = std::hypot(std::fabs(t[1]) * 111320 * c, t[4] * 110574);
        u.groundY = std::hypot(std::fabs(t[2]) * 111320 * c, std::fabs(t[5]) * 110574);
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
