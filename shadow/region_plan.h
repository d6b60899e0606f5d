#pragma once
// What a region of a world needs from a shadow run, so that the region comes
// out exactly as it would in a run over the whole world: which rays cross
// it, where each must take up its walk, and which heights it reads on the
// way. The reasoning is in region_plan.cpp.

#include "../workspace/window_grid.h"
#include "pixel_writer.h"
#include "ray.h"
#include "shadow_params.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace gloamery {


// A ray of the world's sweep that reaches the box a region's run holds: its walk from
// where the region's run takes it up, cut short after the box; the stamp
// is its place in the world's sweep order.
struct RegionRay {
    StampedRay ray;
    int side;
};

struct RegionPlan {
    std::vector<RegionRay> rays;    // in the world's sweep order
    std::vector<Rect> heights; // what the rays read, top to bottom
};

// fromSun: every ray starts at the sun (X0, Y0) and the four sides are
// swept; else the "Linear sim" diagonals to the bottom row and right
// column. top: the depth's top sample (255 or 65535), unit: its 8-bit step.
RegionPlan planRegion(const WorldRegion& region, const ShadowParams& params, bool fromSun, int top, double unit);

// Steps of heights a ray must have walked before a pixel for its level
// there not to depend on where it started; none when it always does (a
// decay that lowers the level by less than one, or raises it).
std::optional<std::int64_t> lookbackSteps(double decay, double unit, int top);

// The level of a ray that starts at 0 after n decays of d (in the grid's
// units) with nothing to lift it, as n DecayStep(d) steps leave it.
std::int32_t levelAfterDecays(double d, std::int64_t n);

// The walk's minor coordinate after n more steps, each q = q + s held
// within 0..limit, to the bit, without taking them one by one.
double advanceMinor(double q, double s, double limit, std::int64_t n);

// The walk after n of its steps (at most those left), as far as where it
// stands goes: the level and the rule are not followed.
void advanceWalk(RayWalk& walk, std::int64_t n, double limit);

} // namespace gloamery
