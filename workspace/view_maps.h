#pragma once
#include "reporter.h"
#include "workspace.h"

namespace gloamery {

// Fills HeightMap, ColorMap and ColorMap2 from the height, colour and
// detail pictures as they are now, at the workspace's view grid step. The
// only writer of the grids.
void CalculateMaps(Workspace& ws, Reporter& report);

} // namespace gloamery
