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
#include "sun_walk.h"

namespace gloamery {

// Why the controls cannot be used (the message names the control), or
// nothing when they can.
Refusal sunControlsRefused(const SunControls& c);

// The sun's own samples (one altitude, or sixteen across its disc) as one
// walk's group over a w x h map.
SunGroup sunOwnGroup(const SunControls& c, int w, int h);

// Lights the workspace's map. Refuses (and changes nothing) when the
// controls are out of range, or when the reporter asks the run to stop
// before it is done. A sun that is not up (sunUp false) lights nothing
// itself (v = lambda = 0); only the sky's share remains.
Refusal runSun(Workspace& ws, const SunControls& sun, int darkness, Reporter& report, bool sunUp = true);

// The same for a region of a world (see runShadowRegion): the heights are
// read from source as far up-sun of the region as a pixel there can still
// shade it, and one pixel around it for the slopes.
Refusal runSunRegion(Workspace& ws, const WorldRegion& region, const HeightSource& source, const SunControls& sun,
                     int darkness, Reporter& report, bool sunUp = true);

} // namespace gloamery
