#pragma once
// The values of the control panel's inputs at the moment an operation runs.
// Text boxes stay text: they are converted (and may be refused) by the
// operation that reads them.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace gloamery {

enum class BlendMode { Half, Multiply, MultiplyHalf, Multiply3 }; // "50/50", "Multiply", "Multiply/2", "Multiply/3"

// The "Sun" button's controls, as numbers: the front ends read and check
// their texts (see the ranges below) before a run sees them.
struct SunControls {
    double azimuth = 315.0; // degrees clockwise from the top of the map
    double altitude = 45.0; // degrees above the horizon
    double size = 0.0;      // angular size of the sun's disc, degrees; 0 is a point
    bool lambert = true;    // how squarely a slope faces the sun counts
    double sky = 0.0;       // share of the light that comes from the whole sky
    int skyAzimuths = 16;   // sky rays: N azimuths ...
    int skyAltitudes = 4;   // ... and M altitudes
    double groundX = 1.0;   // ground size of a pixel across and down, in the
    double groundY = 1.0;   // units of the elevations
    double vertical = 1.0;  // elevation of one 8-bit height level

    bool operator==(const SunControls&) const = default;
};

// The ranges the Sun controls accept.
namespace sun_range {
constexpr double kAzimuth = 1e6;      // -1e6 .. 1e6
constexpr double kAltitudeMax = 90.0; // 0 .. 90
constexpr double kSizeMax = 10.0;     // 0 .. 10
constexpr int kSkyAzimuthsMax = 256;  // 1 .. 256
constexpr int kSkyAltitudesMax = 16;  // 1 .. 16
constexpr double kUnitMin = 1e-9;     // ground sizes and the vertical unit: 1e-9 .. 1e9
constexpr double kUnitMax = 1e9;
} // namespace sun_range

struct Controls {
    std::string x0 = "0";   // X0
    std::string y0 = "0";   // Y0
    std::string alt = "5";  // Alt, captioned "Decay"
    int darkness = 128;     // HScroll2, 0..255
    int contrast = 0;       // HScroll1, 0..100
    bool blur = true;       // SwiBlur
    BlendMode blend = BlendMode::Multiply;
    SunControls sun;

    bool operator==(const Controls&) const = default;
};

// Converts a text box's text to a number; empty when it is not one.
using NumberParser = std::function<std::optional<double>(std::string_view)>;

// Plain C-locale decimal ("10.5", "-3", "1e2"), blanks around it allowed.
// Refuses anything else, including "nan", "inf" and values that overflow.
std::optional<double> parseCNumber(std::string_view text);

// An operation refused: the reason, for the user.
struct Error {
    std::string message;
};

// What a refusable operation returns: nothing when it ran, else why not.
using Refusal = std::optional<Error>;

} // namespace gloamery
