#pragma once
// The maps the 3D view shows in the README and in the frame-time figure:
// the default pictures after "Make Texture" and "Linear" with the control
// panel's default values, then "3D"'s grid build.

#include "workspace/controls.h"
#include "workspace/workspace.h"

namespace gloamery {

Refusal prepareDemoMaps(Workspace& ws);

} // namespace gloamery
