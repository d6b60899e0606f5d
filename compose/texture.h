#pragma once
// Texture synthesis: the texture map from the grass and stone pictures,
// weighted by height ("Make Texture") or by slope ("Make Texture2").

#include "../workspace/reporter.h"
#include "../workspace/window_grid.h"
#include "../workspace/workspace.h"

#include <vector>

namespace gloamery {

void makeTexture(Workspace& ws, int contrast, Reporter& report);
void makeTexture2(Workspace& ws, int contrast, Reporter& report);

// The same for a region of a world (see runShadowRegion): the heights it
// reads, and the run over a window holding them.
std::vector<Rect> textureHeights(const WorldRegion& region);
void makeTextureRegion(Workspace& ws, int contrast, bool bySlope, const WorldRegion& region, const HeightWindow& heights,
                       Reporter& report);

} // namespace gloamery
