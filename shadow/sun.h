#pragma once
// "Sun": light from a sun at an azimuth and an altitude, its rays parallel,
// over pixels of a known ground size and heights of a known elevation;
// with soft shadows from the sun's disc, the Lambert term of each slope and
// light from the whole sky. Writes every pixel of the shadow map; the
// front ends merge it as they do the other shadow buttons'.

#include "../workspace/controls.h"
#include "../workspace/reporter.h"
#include "../workspace/window_grid.h"
#include "../workspace/workspace.h"

namespace gloamery {

// The run's precondition: nothing, or the field ("sun.azimuth") outside
// the ranges of sun_range (the front ends refuse such values first).
const char* sunControlsFault(const SunControls& c);

// Lights the workspace's map. Refuses (and changes nothing) when the
// controls are out of range, or when the reporter asks the run to stop
// before it is done.
Refusal runSun(Workspace& ws, const SunControls& sun, int darkness, Reporter& report);

// The same for a region of a world (see runShadowRegion): the heights are
// read from source as far up-sun of the region as a pixel there can still
// shade it, and one pixel around it for the slopes.
Refusal runSunRegion(Workspace& ws, const WorldRegion& region, const HeightSource& source, const SunControls& sun,
                     int darkness, Reporter& report);

} // namespace gloamery
