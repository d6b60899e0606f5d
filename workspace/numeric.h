#pragma once
// Small numeric helpers shared by every computation. All real arithmetic is
// done in double; these are the only two ways a real becomes an integer.

#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

namespace gloamery {

// The pi every angle in degrees is turned into radians with.
constexpr double kPi = 3.141592653589793;

// Nearest integer, a value exactly halfway going to the even neighbour
// (2.5 -> 2, 3.5 -> 4, -0.5 -> 0). Below 2^51 in size, adding and removing
// 1.5 * 2^52 lets the FPU's own round-half-to-even do the work, much faster
// than a call to nearbyint and with the same result; larger values are
// whole already. Relies on the default rounding mode, which nothing in the
// program changes, and on no -ffast-math. Tables worked out while
// compiling get the same results: the compiler rounds as the FPU does.
constexpr double nearest(double v)
{
    constexpr double kShifter = 6755399441055744.0; // 1.5 * 2^52
    constexpr double kLimit = 2251799813685248.0;   // 2^51
    // fabs is not usable while compiling everywhere; -v for negative v is
    // the same size (and NaN fails the test either way).
    const double size = std::is_constant_evaluated() ? (v < 0 ? -v : v) : std::fabs(v);
    if (!(size < kLimit)) return std::nearbyint(v);
    return (v + kShifter) - kShifter;
}

// floor(v) as an int, for v well inside the int range.
inline int floorToInt(double v)
{
    const int t = static_cast<int>(v); // truncates toward zero
    return v < t ? t - 1 : t;
}

// A whole-numbered double forced into the 32-bit range. Ray levels and
// shadow distances saturate here instead of overflowing.
inline std::int32_t saturate32(double v)
{
    constexpr double lo = std::numeric_limits<std::int32_t>::min();
    constexpr double hi = std::numeric_limits<std::int32_t>::max();
    if (v != v) return 0; // NaN has no place in the range; never let the cast see it
    if (v <= lo) return std::numeric_limits<std::int32_t>::min();
    if (v >= hi) return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(v);
}

// nearest(v) limited to a colour channel 0..255: above 255 counts as 255,
// below 0 as 0 (so a shade from an extreme level never wraps).
inline int nearestChannel(double v)
{
    const double r = nearest(v);
    if (!(r > 0.0)) return 0;   // also catches NaN
    if (r >= 255.0) return 255;
    return static_cast<int>(r);
}

} // namespace gloamery
