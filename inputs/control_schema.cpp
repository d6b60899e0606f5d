#include "control_schema.h"

#include "inputs/controls.h"
#include "workspace/controls.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace gloamery {

bool radiusText(std::string_view text);

namespace {

constexpr double kAny = std::numeric_limits<double>::max(); // a NumberText's range: any finite number
using namespace sun_range;

// In BlendMode's order.
constexpr std::string_view kBlendNames[] = {"50/50", "multiply", "multiply/2", "multiply/3", "overlay", "soft-light",
                                            "screen"};
// In NormalConvention's order, and the normal map's depths.
constexpr std::string_view kNormalConventions[] = {"opengl", "directx"};
constexpr std::string_view kNormalDepths[] = {"8", "16"};
// In ColourEntries' order.
constexpr std::string_view kColourEntryNames[] = {"interpolate", "exact", "nearest"};

bool nonEmpty(std::string_view s) { return !s.empty(); }

// One row a control (see the header for how to add one). The rows' order is
// --help's order within each group.
constexpr ControlRow kControlRows[] = {
    {ControlId::SunPosition, ControlKind::NumberText, {{{-kAny, kAny, "x0"}, {-kAny, kAny, "y0"}}}, 2, false, "0,0",
     "--sun", "X,Y", "sun position X0,Y0 (default 0,0)", ControlGroup::Controls, "", "sun", {"X0", "Y0"},
     "two finite numbers X,Y (as in 40,30.5)"},
    {ControlId::Decay, ControlKind::NumberText, {{{-kAny, kAny}}}, 1, false, "5", "--decay", "NUMBER",
     "decay (default 5)", ControlGroup::Controls, "decay", "decay", {"Decay"}, "a finite number"},
    {ControlId::Darkness, ControlKind::Whole, {{{0, 255}}}, 1, false, "128", "--darkness", "N",
     "darkness 0..255 (default 128)", ControlGroup::Controls, "darkness", "darkness", {"Darkness"},
     "a whole number 0..255"},
    {ControlId::Contrast, ControlKind::Whole, {{{0, 100}}}, 1, false, "0", "--contrast", "N",
     "texture contrast 0..100 (default 0)", ControlGroup::Controls, "contrast", "contrast", {"Texture contrast"},
     "a whole number 0..100"},
    {ControlId::Blur, ControlKind::Flag, {}, 1, false, "on", "--blur", "on|off",
     "smooth the shadow map when merging (default on)", ControlGroup::Controls, "blur", "blur", {"Blur"},
     "on or off"},
    {ControlId::Blend, ControlKind::Choice, {}, 1, false, "multiply", "--blend", "MODE",
     "50/50, multiply, multiply/2, multiply/3, or the\ncompositing blends overlay, soft-light and screen\n(default multiply)",
     ControlGroup::Controls, "blend", "blend", {"Blend mode"},
     "50/50, multiply, multiply/2, multiply/3, overlay, soft-light or screen", kBlendNames},
    {ControlId::BlendOpacity, ControlKind::Number, {{{0, kFullOpacity}}}, 1, false, "100", "--blend-opacity", "P",
     "the blend's share over the texture map, 0..100\n(default 100)", ControlGroup::Controls, "blend-opacity",
     "blend_opacity", {"Blend opacity"}, "a number 0..100"},
    {ControlId::Colours, ControlKind::Text, {}, 1, false, "land", "--colours", "NAME|FILE",
     "tint's colour table: land, land-sea or grey (shipped),\nor a file: elevation (or N%) R G B [A] lines, nv for\n"
     "no data; a GMT .cpt palette; a QGIS colour map export\n(default land)",
     ControlGroup::Controls, "colours", "colours", {"Colours"}, "a colour table's name or a file name", {}, &nonEmpty},
    {ControlId::ColourEntries, ControlKind::Choice, {}, 1, false, "interpolate", "--colour-entries", "MODE",
     "how tint colours elevations between entries:\ninterpolate, exact or nearest (default interpolate)",
     ControlGroup::Controls, "colour-entries", "colour_entries", {"Colour entries"}, "interpolate, exact or nearest",
     kColourEntryNames},
    {ControlId::SunAngle, ControlKind::Number,
     {{{-kAzimuth, kAzimuth, "sun.azimuth"}, {0, kAltitudeMax, "sun.altitude"}}}, 2, false, "315,45", "--sun-angle",
     "A,E", "azimuth A, degrees clockwise from the top of the map\n(-1e6..1e6), and altitude E, 0..90 (default 315,45)",
     ControlGroup::Sun, "", "sun_angle", {"Azimuth", "Altitude"},
     "A,E: an azimuth -1e6..1e6 and an altitude 0..90 in degrees (as in 315,45)"},
    {ControlId::When, ControlKind::Time, {}, 1, false, "none", "--when", "TIME",
     "the real sun at a date and time with its zone, as in\n2026-06-21T07:00Z, 2026-06-21T09:00+02:00 or\n"
     "2026-06-21T09:00[Europe/Zurich]: sun takes its azimuth\nand altitude from there (default none)",
     ControlGroup::Sun, "when", "when", {"Date and time"},
     "a date and time with its zone (as in 2026-06-21T07:00Z, 2026-06-21T09:00+02:00 or "
     "2026-06-21T09:00[Europe/Zurich]), or none",
     {}, nullptr, true},
    {ControlId::Place, ControlKind::Place, {}, 1, false, "none", "--place", "LAT,LON",
     "where the real sun is seen from, degrees north and\neast (default none: the centre of the height raster,\n"
     "or of the world)",
     ControlGroup::Sun, "place", "place", {"Place"},
     "LAT,LON: a latitude -90..90 and a longitude -180..180 in degrees (as in 46.5,7.9), or none", {}, nullptr, true},
    {ControlId::Period, ControlKind::Period, {{{1, period_range::kStepMax}}}, 1, false, "none", "--period", "FROM,TO,STEP",
     "the times FROM, FROM + STEP minutes... before TO\n(two times as for --when, STEP 1..1440, at most\n"
     "100000 times), for sun-hours, direct-light and\n--frames (default none)",
     ControlGroup::Sun, "period", "period", {"Period"},
     "FROM,TO,STEP: two times with their zones and a step of 1..1440 minutes (as in "
     "2026-06-21T00:00Z,2026-06-22T00:00Z,10), or none",
     {}, nullptr, true},
    {ControlId::SunSize, ControlKind::Number, {{{0, kSizeMax}}}, 1, false, "0", "--sun-size", "S",
     "the sun's disc, 0..10 degrees; above 0 casts soft\nshadows from sixteen altitudes across it (default 0)",
     ControlGroup::Sun, "sun.size", "sun_size", {"Sun size"}, "the sun's size in degrees, 0..10"},
    {ControlId::Lambert, ControlKind::Flag, {}, 1, false, "on", "--lambert", "on|off",
     "shade slopes by how squarely they face the sun (default on)", ControlGroup::Sun, "sun.lambert", "lambert", {"Lambert"},
     "on or off"},
    {ControlId::Sky, ControlKind::Number, {{{0, 1}}}, 1, false, "0", "--sky", "F",
     "share of the light from the whole sky, 0..1 (default 0)", ControlGroup::Sun, "sun.sky", "sky", {"Sky"},
     "the sky's share of the light, 0..1"},
    {ControlId::SkyRays, ControlKind::Whole, {{{1, kSkyAzimuthsMax}, {1, kSkyAltitudesMax}}}, 2, false, "16,4",
     "--sky-rays", "N,M", "the sky's directions: N azimuths (1..256) by M\naltitudes (1..16) (default 16,4)",
     ControlGroup::Sun, "sun.sky-rays", "sky_rays", {"Sky azimuths", "Sky altitudes"}, "N,M: 1..256 azimuths and 1..16 altitudes (as in 16,4)"},
    {ControlId::Ground, ControlKind::Number, {{{kUnitMin, kUnitMax}, {kUnitMin, kUnitMax}}}, 2, true, "1,1",
     "--ground", "GX[,GY]",
     "a pixel's size on the ground, across and down, in the\nunits of the elevations, 1e-9..1e9 (default 1,1)",
     ControlGroup::Sun, "sun.ground", "ground", {"Ground size across", "Ground size down"}, "GX[,GY]: a pixel's ground size across and down, each 1e-9..1e9"},
    {ControlId::Vertical, ControlKind::Number, {{{kUnitMin, kUnitMax}}}, 1, false, "1",
     "--vertical", "V",
     "the elevation of one 8-bit height level, 1e-9..1e9\n(default 1; a deep sample is 1/257 of a level); an\n"
     "elevation raster sets --ground and --vertical from its\nown pixel size and elevation range, with a note",
     ControlGroup::Sun, "sun.vertical", "vertical", {"Vertical unit"}, "the elevation of one 8-bit height level, 1e-9..1e9"},
    {ControlId::Directions, ControlKind::Whole, {{{1, relief_range::kDirectionsMax}}}, 1, false, "16", "--directions", "N",
     "directions the relief layers look along, 1..256\n(default 16)", ControlGroup::Sun, "relief.directions",
     "directions", {"Directions"}, "a whole number of directions 1..256"},
    {ControlId::Radius, ControlKind::Text, {}, 1, false, "none", "--radius", "R",
     "how far the relief layers look, in ground units,\n1e-9..1e12, or none (default none: to the map's edge)",
     ControlGroup::Sun, "relief.radius", "radius", {"Radius"}, "a radius in ground units 1e-9..1e12, or none", {},
     &radiusText},
    {ControlId::NormalConvention, ControlKind::Choice, {}, 1, false, "opengl", "--normal-convention", "C",
     "the normal map's y for --save normal: opengl (up the\nmap, the default) or directx (down it)", ControlGroup::Controls,
     "normal.convention", "normal_convention", {"Normal convention"}, "opengl or directx", kNormalConventions},
    {ControlId::NormalDepth, ControlKind::Choice, {}, 1, false, "8", "--normal-depth", "BITS",
     "8 (the default) or 16 bits a component of the normal map", ControlGroup::Controls, "normal.depth", "normal_depth",
     {"Normal depth"}, "8 or 16 (bits a component)", kNormalDepths},
};

} // namespace

bool radiusText(std::string_view text)
{
    if (text == "none") return true;
    const auto v = parseCNumber(text);
    return v && *v >= relief_range::kRadiusMin && *v <= relief_range::kRadiusMax;
}

std::span<const ControlRow> controlRows() { return kControlRows; }

const ControlRow& controlRow(ControlId id)
{
    for (const ControlRow& row : kControlRows)
        if (row.id == id) return row;
    return kControlRows[0]; // every id has a row (the schema test checks it)
}

const ControlRow* controlRowOfFlag(std::string_view flag)
{
    for (const ControlRow& row : kControlRows)
        if (row.flag == flag) return &row;
    return nullptr;
}

bool partAccepts(const ControlRow& row, int part, double v)
{
    const ControlPart& p = row.parts[static_cast<std::size_t>(part)];
    if (!std::isfinite(v) || v < p.lo || v > p.hi) return false;
    return row.kind != ControlKind::Whole || v == std::floor(v);
}

std::string batchRefusal(const ControlRow& row, std::string_view shown, std::string_view why)
{
    return std::string(row.flag) + " needs " + std::string(row.needs) + ", not \"" + std::string(shown) + "\""
         + (why.empty() ? "" : ": " + std::string(why));
}

std::string pythonRefusal(const ControlRow& row, std::string_view shown, std::string_view why)
{
    return std::string(row.python) + " needs " + std::string(row.needs) + ", not " + std::string(shown)
         + (why.empty() ? "" : ": " + std::string(why));
}

std::string boundText(double v)
{
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, v).ptr);
}

std::string partRangeWords(const ControlRow& row, int part)
{
    const ControlPart& p = row.parts[static_cast<std::size_t>(part)];
    const char* noun = row.kind == ControlKind::Whole ? "a whole number" : "a number";
    return std::string(noun) + " from " + boundText(p.lo) + " to " + boundText(p.hi);
}

std::optional<int> choiceIndex(const ControlRow& row, std::string_view name)
{
    for (std::size_t i = 0; i < row.choices.size(); ++i)
        if (row.choices[i] == name) return static_cast<int>(i);
    return std::nullopt;
}

} // namespace gloamery
