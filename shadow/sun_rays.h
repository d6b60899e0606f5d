#pragma once
// The parallel rays of a sun at an azimuth: every pixel of the map lies on
// exactly one of them. A ray of whole number k visits, at step i, the
// pixel whose major coordinate is i (or, walked backwards, size - 1 - i)
// and whose minor coordinate is k + floor(i * s + 0.5).
//
// Along a ray a pixel is lit unless an earlier pixel j of the ray stands
// high enough: 65536 h_j - (i - j) T >= 65536 h_i, with h the deep sample
// (257 times an 8-bit height) and T the drop per step in 1/65536 of one.
// The walk keeps the highest such level per ray; it keeps it in "ray
// time" (level + i T), so that no level has to be lowered at every step.

#include "../workspace/numeric.h"
#include "pixel_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace gloamery {

// The rays of one azimuth (degrees clockwise from the top of the map) over
// a W x H map whose pixels are gx across and gy down on the ground.
struct SunRays {
    bool majorY = false; // the major axis: y, else x
    int step = 1;        // +1: step i is major coordinate i; -1: size - 1 - i
    double s = 0.0;      // minor move per step
    double ground = 1.0; // ground length of one step
    int majorSize = 0;   // W (major x) or H (major y)
    int minorSize = 0;

    SunRays(double azimuth, double gx, double gy, int mapWidth, int mapHeight);

    // floor(i * s + 0.5): the minor offset of step i from the ray's k.
    std::int64_t offset(std::int64_t i) const
    {
        return static_cast<std::int64_t>(std::floor(static_cast<double>(i) * s + 0.5));
    }
    // The major coordinate of step i, and the step of a major coordinate.
    int major(int i) const { return step > 0 ? i : majorSize - 1 - i; }
    int stepAt(int majorCoordinate) const { return step > 0 ? majorCoordinate : majorSize - 1 - majorCoordinate; }
};

// The drop per step T of rays at an altitude (degrees), for heights whose
// 8-bit level stands for `vertical` units of elevation: 0 for a sun on the
// horizon, 2^32 (no shadow at all) overhead or beyond.
std::int64_t sunDrop(const SunRays& rays, double altitude, double vertical);

// Steps beyond which no earlier pixel can shade a later one at drop T
// (the highest level, 65536 x 65535, has fallen to 0 by then); none for a
// drop of 0, which lets a ray's highest pixel shade the whole ray.
constexpr std::int64_t kNoLimit = std::numeric_limits<std::int64_t>::max();
inline std::int64_t sunReachSteps(std::int64_t drop) { return drop > 0 ? 65536LL * 65535LL / drop : kNoLimit; }

// The 65536 h of a grid's sample at (x, y), h deep.
template <class Grid>
std::int64_t rayLevel(const Grid& heights, int x, int y)
{
    const std::int64_t v = heights(x, y);
    return sizeof(typename Grid::value_type) == 1 ? v * 257 * 65536 : v * 65536;
}

} // namespace gloamery
