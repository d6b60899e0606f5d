#pragma once
// Texture synthesis: the texture map from the grass and stone pictures,
// weighted by height ("Make Texture") or by slope ("Make Texture2").

#include "../workspace/reporter.h"
#include "../workspace/window_grid.h"
#include "../workspace/workspace.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace gloamery {

void makeTexture(Workspace& ws, int contrast, Reporter& report);
void makeTexture2(Workspace& ws, int contrast, Reporter& report);

// The same for a region of a world (see runShadowRegion): the heights it
// reads, and the run over a window holding them.
std::vector<Rect> textureHeights(const WorldRegion& region);
// The window is kept for the splat map; a window given by reference is copied.
void makeTextureRegion(Workspace& ws, int contrast, bool bySlope, const WorldRegion& region,
                       std::shared_ptr<const HeightWindow> heights, Reporter& report);
void makeTextureRegion(Workspace& ws, int contrast, bool bySlope, const WorldRegion& region, const HeightWindow& heights,
                       Reporter& report);

// The splat map a game engine paints its own ground materials by: at each
// pixel the stone weight t the texture button ("Make Texture", or with
// bySlope "Make Texture2") mixes by, limited to 0..1, as stone in green
// G = nearest(255 t) and grass in red R = 255 - G (blue and alpha 0).
// Row y's 4 W channels from any thread; the rows keep the heights they
// read. Each texture run keeps its own in the workspace (splatRows()).
SplatRows splatRows(const Workspace& ws, int contrast, bool bySlope);
// The same for a region of a world, from the heights textureHeights asks for.
SplatRows splatRowsRegion(const Workspace& ws, int contrast, bool bySlope, const WorldRegion& region,
                          std::shared_ptr<const HeightWindow> heights);

} // namespace gloamery
