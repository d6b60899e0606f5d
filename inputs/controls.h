#pragma once
// The values of the control panel's inputs at the moment an operation runs,
// as the front ends hold them. X0, Y0 and the decay stay the texts that
// were typed (a settings file keeps them so); shadow_inputs.h reads them
// into numbers, once, before the core sees them.

#include "shadow/sun_period.h"
#include "workspace/controls.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace gloamery {

struct Controls {
    std::string x0 = "0";   // X0
    std::string y0 = "0";   // Y0
    std::string alt = "5";  // Alt, captioned "Decay"
    int darkness = 128;     // HScroll2, 0..255
    int contrast = 0;       // HScroll1, 0..100
    bool blur = true;       // SwiBlur
    BlendMode blend = BlendMode::Multiply;
    SunControls sun;
    ReliefControls relief;
    NormalControls normal; // the normal map a save writes
    double blendOpacity = kFullOpacity; // 0..100: the blend's share over the texture map
    std::string colours = "land";       // "tint"'s colour table: a shipped table's name or a file
    ColourEntries colourEntries = ColourEntries::Interpolate;
    // The real sun, each unset until given: the instant "sun" takes its
    // angles from, the place it is seen from (else the height raster's
    // centre), and the period sun-hours, direct-light and the frames follow.
    std::optional<std::chrono::sys_seconds> when;
    std::optional<SunPlace> place;
    std::optional<SunPeriod> period;

    bool operator==(const Controls&) const = default;
};

// Converts a text box's text to a number; empty when it is not one.
using NumberParser = std::function<std::optional<double>(std::string_view)>;

// Plain C-locale decimal ("10.5", "-3", "1e2"), blanks around it allowed.
// Refuses anything else, including "nan", "inf" and values that overflow.
std::optional<double> parseCNumber(std::string_view text);

} // namespace gloamery
