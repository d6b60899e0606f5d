#include "demo_view.h"

#include "compose/texture.h"
#include "imageio/picture_io.h"
#include "shadow/sweep.h"
#include "workspace/view_maps.h"

#include <QTimer>

#include <cstdio>

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

std::unique_ptr<frm3D> openDemoView(Workspace& ws)
{
    if (auto refusal = prepareDemoMaps(ws)) {
        std::fprintf(stderr, "%s\n", refusal->message.c_str());
        return nullptr;
    }
    auto view = std::make_unique<frm3D>(ws);
    view->messageBox = [](QMessageBox::Icon, const QString& title, const QString& text) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    };
    view->Form_Load();
    if (!view->GLReady()) return nullptr;
    view->Timer3->stop();
    return view;
}

} // namespace gloamery
