#pragma once
// The edge sweep behind the five shadow buttons: rays to every border
// pixel, then the merge into the colour map.

#include "../workspace/controls.h"
#include "../workspace/reporter.h"
#include "../workspace/workspace.h"

namespace gloamery {

enum class ShadowMode { Linear, LinearSim, Sin, Cos, Embossed };

// Runs one shadow button on the workspace with the controls as they are.
// Refuses (and then changes and reports nothing) when X0, Y0 or the decay
// cannot be used.
Refusal runShadow(Workspace& ws, ShadowMode mode, const Controls& controls, const NumberParser& parse,
                  Reporter& report);

} // namespace gloamery
