#include "control_values.h"

#include <cstdio>

namespace gloamery {

namespace {

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
    }
}

Refusal numbersRefused(const Controls& c, unsigned long long which)
{
    for (const ControlRow& row : controlRows()) {
        const bool numeric = row.kind == ControlKind::Number || row.kind == ControlKind::Whole;
        if (!numeric || !((which >> static_cast<unsigned>(row.id)) & 1ull)) continue;
        const ControlValue v = controlValue(c, row.id);
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
