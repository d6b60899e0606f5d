#pragma once
// Texture synthesis: the texture map from the grass and stone pictures,
// weighted by height ("Make Texture") or by slope ("Make Texture2").

#include "../workspace/reporter.h"
#include "../workspace/workspace.h"

namespace gloamery {

void makeTexture(Workspace& ws, int contrast, Reporter& report);
void makeTexture2(Workspace& ws, int contrast, Reporter& report);

} // namespace gloamery
