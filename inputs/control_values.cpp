#include "control_values.h"

#include "inputs/sun_time.h"

#include <charconv>
#include <cstdio>

namespace gloamery {

namespace {

// The shortest text that reads back as the radius.
std::string radiusName(double r)
{
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, r).ptr);
}

ControlValue numbers(double a, double b = 0)
{
    ControlValue v;
    v.numbers = {a, b};
    return v;
}

} // namespace

ControlValue controlValue(const Controls& c, ControlId id)
{
    ControlValue v;
    switch (id) {
    case ControlId::SunPosition: v.texts = {c.x0, c.y0}; return v;
    case ControlId::Decay: v.texts[0] = c.alt; return v;
    case ControlId::Darkness: return numbers(c.darkness);
    case ControlId::Contrast: return numbers(c.contrast);
    case ControlId::Blur: v.flag = c.blur; return v;
    case ControlId::Blend: v.choice = static_cast<int>(c.blend); return v;
    case ControlId::SunAngle: return numbers(c.sun.azimuth, c.sun.altitude);
    case ControlId::SunSize: return numbers(c.sun.size);
    case ControlId::Lambert: v.flag = c.sun.lambert; return v;
    case ControlId::Sky: return numbers(c.sun.sky);
    case ControlId::SkyRays: return numbers(c.sun.skyAzimuths, c.sun.skyAltitudes);
    case ControlId::Ground: return numbers(c.sun.groundX, c.sun.groundY);
    case ControlId::Vertical: return numbers(c.sun.vertical);
    case ControlId::Directions: return numbers(c.relief.directions);
    case ControlId::Radius: v.texts[0] = c.relief.radius ? radiusName(*c.relief.radius) : "none"; return v;
    case ControlId::NormalConvention: v.choice = static_cast<int>(c.normal.convention); return v;
    case ControlId::NormalDepth: v.choice = c.normal.bits == 16 ? 1 : 0; return v;
    case ControlId::BlendOpacity: return numbers(c.blendOpacity);
    case ControlId::Colours: v.texts[0] = c.colours; return v;
    case ControlId::ColourEntries: v.choice = static_cast<int>(c.colourEntries); return v;
    case ControlId::When:
        v.none = !c.when;
        if (c.when) v.time = *c.when;
        return v;
    case ControlId::Place:
        v.none = !c.place;
        if (c.place) v.place = *c.place;
        return v;
    case ControlId::Period:
        v.none = !c.period;
        if (c.period) v.period = *c.period;
        return v;
    }
    return v;
}

void setControlValue(Controls& c, ControlId id, const ControlValue& v)
{
    const auto whole = [&v](int i) { return static_cast<int>(v.numbers[static_cast<std::size_t>(i)]); };
    switch (id) {
    case ControlId::SunPosition: c.x0 = v.texts[0], c.y0 = v.texts[1]; return;
    case ControlId::Decay: c.alt = v.texts[0]; return;
    case ControlId::Darkness: c.darkness = whole(0); return;
    case ControlId::Contrast: c.contrast = whole(0); return;
    case ControlId::Blur: c.blur = v.flag; return;
    case ControlId::Blend: c.blend = static_cast<BlendMode>(v.choice); return;
    case ControlId::SunAngle: c.sun.azimuth = v.numbers[0], c.sun.altitude = v.numbers[1]; return;
    case ControlId::SunSize: c.sun.size = v.numbers[0]; return;
    case ControlId::Lambert: c.sun.lambert = v.flag; return;
    case ControlId::Sky: c.sun.sky = v.numbers[0]; return;
    case ControlId::SkyRays: c.sun.skyAzimuths = whole(0), c.sun.skyAltitudes = whole(1); return;
    case ControlId::Ground: c.sun.groundX = v.numbers[0], c.sun.groundY = v.numbers[1]; return;
    case ControlId::Vertical: c.sun.vertical = v.numbers[0]; return;
    case ControlId::Directions: c.relief.directions = whole(0); return;
    case ControlId::Radius: c.relief.radius = v.texts[0] == "none" ? std::nullopt : parseCNumber(v.texts[0]); return;
    case ControlId::NormalConvention: c.normal.convention = static_cast<NormalConvention>(v.choice); return;
    case ControlId::NormalDepth: c.normal.bits = v.choice == 1 ? 16 : 8; return;
    case ControlId::BlendOpacity: c.blendOpacity = v.numbers[0]; return;
    case ControlId::Colours: c.colours = v.texts[0]; return;
    case ControlId::ColourEntries: c.colourEntries = static_cast<ColourEntries>(v.choice); return;
    case ControlId::When: c.when = v.none ? std::nullopt : std::optional(v.time); return;
    case ControlId::Place:
        c.place = v.none ? std::nullopt : std::optional(v.place);
        return;
    case ControlId::Period: c.period = v.none ? std::nullopt : std::optional(v.period); return;
    }
}

bool readsTyped(const ControlRow& row)
{
    return row.kind == ControlKind::Time || row.kind == ControlKind::Period || row.kind == ControlKind::Place;
}

std::variant<ControlValue, Error> readTypedText(const ControlRow& row, std::string_view text)
{
    ControlValue v;
    if (row.unset && text == "none") {
        v.none = true;
        return v;
    }
    if (row.kind == ControlKind::Place) {
        auto p = parseSunPlace(text);
        if (const Error* e = std::get_if<Error>(&p)) return *e;
        v.place = std::get<SunPlace>(p);
        return v;
    }
    if (row.kind == ControlKind::Period) {
        auto p = parseSunPeriod(text);
        if (const Error* e = std::get_if<Error>(&p)) return *e;
        v.period = std::get<SunPeriod>(p);
        return v;
    }
    auto t = parseSunTime(text);
    if (const Error* e = std::get_if<Error>(&t)) return *e;
    v.time = std::get<std::chrono::sys_seconds>(t);
    return v;
}

std::string typedText(const ControlRow& row, const ControlValue& v)
{
    if (v.none) return "none";
    if (row.kind == ControlKind::Place) return radiusName(v.place.latitude) + "," + radiusName(v.place.longitude);
    if (row.kind == ControlKind::Period)
        return utcText(v.period.from) + "," + utcText(v.period.to) + "," + std::to_string(v.period.stepMinutes);
    return utcText(v.time);
}

Refusal numbersRefused(const Controls& c, unsigned long long which)
{
    for (const ControlRow& row : controlRows()) {
        const bool numeric = row.kind == ControlKind::Number || row.kind == ControlKind::Whole;
        if (!numeric || !((which >> static_cast<unsigned>(row.id)) & 1ull)) continue;
        const ControlValue v = controlValue(c, row.id);
        if (v.none) continue;
        for (int i = 0; i < row.count; ++i) {
            const double x = v.numbers[static_cast<std::size_t>(i)];
            if (partAccepts(row, i, x)) continue;
            char shown[40];
            std::snprintf(shown, sizeof shown, "%.17g", x);
            return Error{std::string(row.captions[static_cast<std::size_t>(i)]) + " must be " + partRangeWords(row, i)
                         + ", not " + shown + "."};
        }
    }
    return std::nullopt;
}

} // namespace gloamery
