#pragma once
// The merge: shadow map -> shadow plane (smoothed or not) -> blend mode ->
// colour map. Every shadow run ends with it.

#include "../workspace/controls.h"
#include "../workspace/map_grid.h"
#include "../workspace/reporter.h"
#include "../workspace/workspace.h"

namespace gloamery {

// The shadow plane `tmat` of a merge: the red byte of every shadow pixel,
// each interior sample replaced by the rounded mean of its eight
// neighbours when blur is on. Row H and column W stay 0. Reports the bar
// after each column.
ByteGrid shadowPlane(const Picture& shadow, bool blur, Reporter& report);
// The same from the light plane itself: a byte a pixel, its outside row
// and column 255 (a map of greys as a slot keeps it).
ByteGrid shadowPlane(const ByteGrid& light, bool blur, Reporter& report);

// The merge at full opacity, or at `opacity` percent of the blend over the
// texture map (see blend.h).
void Merge(Workspace& ws, bool blur, BlendMode mode, Reporter& report);
void Merge(Workspace& ws, bool blur, BlendMode mode, double opacity, Reporter& report);

} // namespace gloamery
