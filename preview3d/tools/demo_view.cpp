#include "demo_view.h"

#include "compose/texture.h"
#include "imageio/picture_io.h"
#include "shadow/sweep.h"
#include "workspace/view_maps.h"

namespace gloamery {

Refusal prepareDemoMaps(Workspace& ws)
{
    SilentReporter quiet;
    const Controls controls;
    loadDefaultPictures(ws);
    makeTexture(ws, controls.contrast, quiet);
    if (Refusal r = runShadow(ws, ShadowMode::Linear, controls, localeNumberParser(), quiet)) return r;
    CalculateMaps(ws, quiet);
    return std::nullopt;
}

} // namespace gloamery
