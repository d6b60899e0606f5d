#include "python_controls.h"

#include "inputs/control_schema.h"
#include "inputs/control_values.h"
#include "inputs/sun_time.h"
#include "inputs/shadow_inputs.h"

#include "errors.h"
#include "settings/settings.h"

#include <array>
#include <charconv>
#include <cmath>
#include <stdexcept>

namespace gloamery::python {

namespace {

[[noreturn]] void refuse(const std::string& message) { throw std::invalid_argument(message); }

// Numbers from Python may be NaN or infinite, which numberText cannot
// write; they only ever appear in messages.
std::string shown(double v)
{
    return std::isfinite(v) ? numberText(v) : (std::isnan(v) ? "nan" : (v > 0 ? "inf" : "-inf"));
}

} // namespace

std::string numberText(double v)
{
    char text[64];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, v);
    return ec == std::errc() ? std::string(text, end) : std::string("nan");
}

namespace {

// Refuses values the control's row does not accept, in its words; `shown`
// is the value as Python wrote it.
void check(ControlId id, std::initializer_list<double> values, const std::string& shown)
{
    const ControlRow& row = controlRow(id);
    int part = 0;
    for (double v : values) {
        const bool ok = row.kind == ControlKind::NumberText ? std::isfinite(v) : partAccepts(row, part, v);
        if (!ok) refuse(pythonRefusal(row, shown));
        ++part;
    }
}

std::string pairShown(const std::string& a, const std::string& b) { return "(" + a + ", " + b + ")"; }

} // namespace

void PythonControls::setSun(double x, double y)
{
    check(ControlId::SunPosition, {x, y}, pairShown(shown(x), shown(y)));
    sunX = x;
    sunY = y;
}

void PythonControls::setDecay(double d)
{
    check(ControlId::Decay, {d}, shown(d));
    decay = d;
}

void PythonControls::setDarkness(long long d)
{
    check(ControlId::Darkness, {static_cast<double>(d)}, std::to_string(d));
    darkness = static_cast<int>(d);
}

void PythonControls::setContrast(long long c)
{
    check(ControlId::Contrast, {static_cast<double>(c)}, std::to_string(c));
    contrast = static_cast<int>(c);
}

void PythonControls::setBlend(const std::string& name)
{
    const auto b = blendFromName(name);
    if (!b) refuse(pythonRefusal(controlRow(ControlId::Blend), quoted(name)));
    blend = *b;
}

void PythonControls::setNormalConvention(const std::string& name)
{
    const ControlRow& row = controlRow(ControlId::NormalConvention);
    const auto index = choiceIndex(row, name);
    if (!index) refuse(pythonRefusal(row, quoted(name)));
    normal.convention = static_cast<NormalConvention>(*index);
}

void PythonControls::setNormalDepth(long long bits)
{
    if (bits != 8 && bits != 16) refuse(pythonRefusal(controlRow(ControlId::NormalDepth), std::to_string(bits)));
    normal.bits = static_cast<int>(bits);
}

void PythonControls::setDirections(long long n)
{
    check(ControlId::Directions, {static_cast<double>(n)}, std::to_string(n));
    relief.directions = static_cast<int>(n);
}

void PythonControls::setRadius(std::optional<double> r)
{
    const ControlRow& row = controlRow(ControlId::Radius);
    if (r && (!row.accepts || !row.accepts(numberText(*r)) || !std::isfinite(*r)))
        refuse(pythonRefusal(row, shown(*r)));
    relief.radius = r;
}

void PythonControls::setRadiusText(const std::string& text)
{
    const ControlRow& row = controlRow(ControlId::Radius);
    if (row.accepts && !row.accepts(text)) refuse(pythonRefusal(row, quoted(text)));
    relief.radius = text == "none" ? std::nullopt : parseCNumber(text);
}

void PythonControls::setBlendOpacity(double p)
{
    check(ControlId::BlendOpacity, {p}, shown(p));
    blendOpacity = p;
}

void PythonControls::setColours(const std::string& nameOrPath)
{
    const ControlRow& row = controlRow(ControlId::Colours);
    if (row.accepts && !row.accepts(nameOrPath)) refuse(pythonRefusal(row, quoted(nameOrPath)));
    colours = nameOrPath;
}

void PythonControls::setColourEntries(const std::string& name)
{
    const ControlRow& row = controlRow(ControlId::ColourEntries);
    const auto index = choiceIndex(row, name);
    if (!index) refuse(pythonRefusal(row, quoted(name)));
    colourEntries = static_cast<ColourEntries>(*index);
}

namespace {

// A typed row's value read from its text, in the row's words when refused.
ControlValue typedValue(ControlId id, const std::string& text, const std::string& shown)
{
    const ControlRow& row = controlRow(id);
    auto read = readTypedText(row, text);
    if (const Error* e = std::get_if<Error>(&read)) refuse(pythonRefusal(row, shown, e->message));
    return std::get<ControlValue>(read);
}

} // namespace

void PythonControls::setWhen(const std::optional<std::string>& text)
{
    const ControlValue v = text ? typedValue(ControlId::When, *text, quoted(*text)) : ControlValue{.none = true};
    when = v.none ? std::nullopt : std::optional(v.time);
}

void PythonControls::setPlace(const std::optional<std::pair<double, double>>& latLon)
{
    if (!latLon) return place.reset();
    const auto [lat, lon] = *latLon;
    if (!std::isfinite(lat) || !std::isfinite(lon))
        refuse(pythonRefusal(controlRow(ControlId::Place), pairShown(shown(lat), shown(lon))));
    place = typedValue(ControlId::Place, numberText(lat) + "," + numberText(lon), pairShown(shown(lat), shown(lon)))
                .place;
}

void PythonControls::setPlaceText(const std::string& text)
{
    const ControlValue v = typedValue(ControlId::Place, text, quoted(text));
    place = v.none ? std::nullopt : std::optional(v.place);
}

void PythonControls::setPeriod(const std::optional<std::tuple<std::string, std::string, long long>>& p)
{
    if (!p) return period.reset();
    const auto& [from, to, step] = *p;
    const std::string shown = "(" + quoted(from) + ", " + quoted(to) + ", " + std::to_string(step) + ")";
    period = typedValue(ControlId::Period, from + "," + to + "," + std::to_string(step), shown).period;
}

void PythonControls::setPeriodText(const std::string& text)
{
    const ControlValue v = typedValue(ControlId::Period, text, quoted(text));
    period = v.none ? std::nullopt : std::optional(v.period);
}

std::optional<std::string> PythonControls::whenText() const
{
    if (!when) return std::nullopt;
    return utcText(*when);
}

std::optional<std::tuple<std::string, std::string, int>> PythonControls::periodParts() const
{
    if (!period) return std::nullopt;
    return std::tuple{utcText(period->from), utcText(period->to), period->stepMinutes};
}

std::string PythonControls::blendName() const
{
    return std::string(gloamery::blendName(blend));
}

void PythonControls::setSunAngle(double azimuth, double altitude)
{
    check(ControlId::SunAngle, {azimuth, altitude}, pairShown(shown(azimuth), shown(altitude)));
    sun.azimuth = azimuth;
    sun.altitude = altitude;
}

void PythonControls::setSunSize(double degrees)
{
    check(ControlId::SunSize, {degrees}, shown(degrees));
    sun.size = degrees;
}

void PythonControls::setSky(double share)
{
    check(ControlId::Sky, {share}, shown(share));
    sun.sky = share;
}

void PythonControls::setSkyRays(long long azimuths, long long altitudes)
{
    check(ControlId::SkyRays, {static_cast<double>(azimuths), static_cast<double>(altitudes)},
          pairShown(std::to_string(azimuths), std::to_string(altitudes)));
    sun.skyAzimuths = static_cast<int>(azimuths);
    sun.skyAltitudes = static_cast<int>(altitudes);
}

void PythonControls::setGround(double x, double y)
{
    check(ControlId::Ground, {x, y}, pairShown(shown(x), shown(y)));
    sun.groundX = x;
    sun.groundY = y;
}

void PythonControls::setVertical(double unit)
{
    check(ControlId::Vertical, {unit}, shown(unit));
    sun.vertical = unit;
}

Controls PythonControls::forRun() const
{
    Controls c;
    c.x0 = numberText(sunX);
    c.y0 = numberText(sunY);
    c.alt = numberText(decay);
    c.darkness = darkness;
    c.contrast = contrast;
    c.blur = blur;
    c.blend = blend;
    c.sun = sun;
    c.normal = normal;
    c.relief = relief;
    c.blendOpacity = blendOpacity;
    c.colours = colours;
    c.colourEntries = colourEntries;
    c.when = when;
    c.place = place;
    c.period = period;
    return c;
}

std::variant<ShadowParams, Error> PythonControls::shadowParams(ShadowMode mode) const
{
    // The numbers' shortest texts read back as the very doubles set.
    return readShadowParams(forRun(), parseCNumber, mode);
}

} // namespace gloamery::python
