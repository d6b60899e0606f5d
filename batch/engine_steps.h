#pragma once
// The batch tool's steps for game engines: saving the normal, splat and
// ambient-occlusion maps, and fitting the height map to an engine's size.

#include "imageio/geo_place.h"
#include "shadow/normal_map.h"
#include "workspace/controls.h"
#include "workspace/window_grid.h"
#include "workspace/workspace.h"

#include <string>

namespace gloamery::batch {

enum class EngineMap { Normal, Splat, Occlusion };

// --save normal|splat|occlusion FILE.png, with the controls as they stood.
struct EngineSaveStep {
    EngineMap map;
    std::string path;
    NormalControls normal; // --normal-convention, --normal-depth
    SunControls units; // the ground units set when the command line reached it
    bool groundGiven = false; // as in RunStep: else a raster's own units stand in
    bool verticalGiven = false;
    ReliefControls relief; // the occlusion's --directions, --radius
};

// --fit W,H.
struct FitStep {
    int width;
    int height;
};

// The map's name on the command line ("normal", "splat", "occlusion").
std::string engineMapName(EngineMap m);

// Writes the map of a whole workspace.
Refusal saveEngineMap(const Workspace& ws, const EngineSaveStep& step, const MapOrigin& origin);

// Writes the map of the region `region` of a world whose run holds `held`,
// reading the heights it needs from `heights`.
Refusal saveEngineMapRegion(const Workspace& ws, const WorldRegion& held, const Rect& region,
                            const HeightSource& heights, const EngineSaveStep& step, const MapOrigin& origin);

} // namespace gloamery::batch
