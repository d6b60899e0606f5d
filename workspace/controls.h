#pragma once
// The panel's controls the core takes as they are: the blend modes, the
// "Sun" controls and their ranges, and how an operation refuses.

#include <cstdint>
#include <optional>
#include <string>

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

// An operation refused: the reason, for the user.
struct Error {
    std::string message;
};

// What a refusable operation returns: nothing when it ran, else why not.
using Refusal = std::optional<Error>;

// A run given a value outside its precondition, which every front end
// refuses first in its own words: the refusal names the field as the code
// does ("sun.altitude"), for whoever called the core without checking.
inline Error faultRefusal(const char* field) { return Error{std::string("out of range: ") + field}; }

} // namespace gloamery
