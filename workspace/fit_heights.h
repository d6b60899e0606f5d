#pragma once
// Resampling the height map to the size a game engine takes (Unity's and
// Unreal's 2^n + 1 a side): engines sample a heightfield with its corner
// samples on the terrain's corners, so the map's corners stay on the
// corners and the samples between are interpolated with cubic (Catmull-Rom)
// weights.

#include "controls.h"
#include "heights.h"
#include "workspace.h"

namespace gloamery {

// The map's heights resampled to w x h deep samples: sample (x, y) lies at
// the map's (x (W - 1) / (w - 1), y (H - 1) / (h - 1)) (0 for a side of
// 1). Beyond the edge the heights go on along the slope of the last two
// samples, so a ramp stays a ramp; the results are limited to 0..65535.
HeightSamples fittedHeights(const Workspace& ws, int w, int h);

// Makes the map w x h as Workspace::resize does, with the fitted heights
// (deep). Sides outside 1..kMaxMapSize are refused, naming them.
Refusal fitToSize(Workspace& ws, int w, int h);

} // namespace gloamery
