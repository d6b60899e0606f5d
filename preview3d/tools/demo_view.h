#pragma once
// The maps the 3D view shows in the README and in the frame-time figure:
// the default pictures (at other sizes than 256 x 256 a generated fractal
// terrain under the default textures repeated) after "Make Texture" and
// "Linear" with the control panel's default values, then "3D".

#include "preview3d/frm3D.h"
#include "workspace/controls.h"
#include "workspace/workspace.h"

#include <memory>

namespace gloamery {

// The pictures of a w x h scene, before "3D".
Refusal prepareDemoMaps(Workspace& ws, int w = kDefaultMapSize, int h = kDefaultMapSize);

// "3D" on the prepared pictures: the grid build and the 3D view, loaded,
// with its auto-render timer stopped so only the caller asks for frames;
// null (the reason on standard error) when no GL context can be had.
std::unique_ptr<frm3D> openDemoView(Workspace& ws);

} // namespace gloamery
