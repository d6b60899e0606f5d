#pragma once
// The edge sweep behind the five shadow buttons: rays to every border
// pixel into the shadow map. The front ends merge it into the colour map
// afterwards (inputs/shadow_inputs.h).

#include "../workspace/reporter.h"
#include "../workspace/window_grid.h"
#include "../workspace/workspace.h"
#include "shadow_params.h"

#include <cstddef>
#include <vector>

namespace gloamery {

// A border pixel a ray is cast to, the sweep step i it belongs to, and the
// side of the border it is on (0 top, 1 left, 2 bottom, 3 right).
struct SweepTarget {
    int x;
    int y;
    int i;
    int side = 0;
};

// The border pixels of a W x H map in the order the rays are cast: for
// each i, (i, 0), (0, i), (i, H - 1) and (W - 1, i), each while i is
// within that side; only the last two for "Linear sim".
std::vector<SweepTarget> sweepTargets(int w, int h, bool allFourEdges);

// The values (32 bits each) that the stamped layers of a sweep of a W x H
// map take together on `threads` threads, as the sweep would cut them;
// none for "Sun", which sweeps nothing.
std::size_t stampedLayerValues(int w, int h, ShadowMode mode, const ShadowParams& params, int threads);

// Runs one shadow button on the workspace's shadow map, without the merge.
// Refuses (and then changes and reports nothing) when the values cannot be
// used (see shadowParamsRefused).
Refusal runShadow(Workspace& ws, ShadowMode mode, const ShadowParams& params, Reporter& report);

// The same for a region of a larger world: ws holds the pixels of the
// region (its pixel (0, 0) is the world's (region.x0, region.y0)), and
// they come out as a run over the whole world would leave them, given the
// same pictures there. The heights are read from source as far as the
// rays need them. Refuses as runShadow does, or when the heights cannot
// be read.
Refusal runShadowRegion(Workspace& ws, const WorldRegion& region, const HeightSource& source, ShadowMode mode,
                        const ShadowParams& params, Reporter& report);

} // namespace gloamery
