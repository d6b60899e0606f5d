#pragma once
// The edge sweep behind the five shadow buttons: rays to every border
// pixel, then the merge into the colour map.

#include "../workspace/controls.h"
#include "../workspace/reporter.h"
#include "../workspace/workspace.h"

#include <vector>

namespace gloamery {

enum class ShadowMode { Linear, LinearSim, Sin, Cos, Embossed };

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

// Runs one shadow button on the workspace with the controls as they are.
// Refuses (and then changes and reports nothing) when X0, Y0 or the decay
// cannot be used.
Refusal runShadow(Workspace& ws, ShadowMode mode, const Controls& controls, const NumberParser& parse,
                  Reporter& report);

} // namespace gloamery
