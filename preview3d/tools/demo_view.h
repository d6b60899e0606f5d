#pragma once
// The maps the 3D view shows in the README and in the frame-time figure:
// the default pictures after "Make Texture" and "Linear" with the control
// panel's default values, then "3D"'s grid build.

#include "preview3d/frm3D.h"
#include "workspace/controls.h"
#include "workspace/workspace.h"

#include <memory>

namespace gloamery {

Refusal prepareDemoMaps(Workspace& ws);

// The 3D view of those maps, loaded, with its auto-render timer stopped so
// only the caller asks for frames; null (the reason on standard error) when
// the maps or a GL context cannot be had.
std::unique_ptr<frm3D> openDemoView(Workspace& ws);

} // namespace gloamery
