#pragma once
#include "reporter.h"
#include "workspace.h"

namespace gloamery {

// Fills HeightMap, ColorMap and ColorMap2 from the height, colour and
// detail pictures as they are now. The only writer of the grids.
void CalculateMaps(Workspace& ws, Reporter& report);

} // namespace gloamery
