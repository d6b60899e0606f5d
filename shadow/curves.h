#pragma once
// The curves of "Sin func" and "Cos func".
//
// Over the arguments a ray commonly meets, their values are worked out
// while building, by these very expressions and the same maths library
// (make_curves.cpp), and kept in the program as tables. A value from a
// table is therefore bit for bit the value computed on the spot, on any
// processor; and a process's first run does not wait on the maths library,
// whose first sine of a process took longer than the rest of the run on a
// small map. A compiler that folds the expressions itself may round some
// of them differently, which is why the tables are not worked out in a
// constant expression.

#include <cmath>
#include <cstdint>

namespace gloamery {

// The curve constants are these decimals, not pi/2 and its neighbours.
constexpr double kSinScale = 1.6;
constexpr double kCosScale = 1.5708;

// sin(level / 255 x 1.6 + 1.6), the level in 8-bit steps (L / 257 for deep
// heights).
inline double sinCurve(double level) { return std::sin(level / 255.0 * kSinScale + kSinScale); }
// cos((255 - k) / 255 x 1.5708) of a shadow distance k.
inline double cosCurve(std::int32_t k) { return std::cos((255.0 - k) / 255.0 * kCosScale); }

// The tables' ranges: the levels of 8-bit heights, and the shadow distances
// of decays up to about 15 (0 or 50 after a lift, and a ray reaches at most
// 257 pixels).
constexpr std::int32_t kSinTableLevels = 256;
constexpr std::int32_t kCosTableLo = -1024;
constexpr std::int32_t kCosTableHi = 4095;

namespace curve_tables {
extern const double sines[kSinTableLevels];
extern const double cosines[kCosTableHi - kCosTableLo + 1];
} // namespace curve_tables

// The curves, from the tables where they hold the argument.
inline double sinOfLevel(std::int32_t level)
{
    if (static_cast<std::uint32_t>(level) < static_cast<std::uint32_t>(kSinTableLevels)) return curve_tables::sines[level];
    return sinCurve(level);
}

inline double cosOfDistance(std::int32_t k)
{
    const std::uint32_t i = static_cast<std::uint32_t>(k) - static_cast<std::uint32_t>(kCosTableLo);
    if (i <= static_cast<std::uint32_t>(kCosTableHi - kCosTableLo)) return curve_tables::cosines[i];
    return cosCurve(k);
}

} // namespace gloamery
