#include "live_lighting.h"

#include "compose/texture.h"
#include "imageio/picture_io.h"
#include "shadow/shadow_params.h"

#include <QTimer>

namespace gloamery::panel {

LiveLighting::LiveLighting(Workspace& ws, std::function<Controls()> controls, Reporter& status,
                           std::function<void(bool)> shown, QObject* parent)
    : QObject(parent), ws_(ws), controls_(std::move(controls)), status_(status), shown_(std::move(shown))
{
}

void LiveLighting::request(bool withTexture)
{
    withTexture_ = withTexture_ || withTexture;
    if (scheduled_) return;
    scheduled_ = true;
    // Runs once the events already waiting (more moves, more keys) have
    // been seen, so it takes their newest values.
    QTimer::singleShot(0, this, &LiveLighting::runPending);
}

void LiveLighting::runPending()
{
    scheduled_ = false;
    const bool withTexture = withTexture_;
    withTexture_ = false;
    ++runs_;

    // Every frame would otherwise repaint the status line and the bar.
    SilentReporter quiet;
    const Controls c = controls_();
    if (withTexture) {
        if (texture_ == TextureOp::MakeTexture) makeTexture(ws_, c.contrast, quiet);
        else makeTexture2(ws_, c.contrast, quiet);
    }
    // Checked before the shadow map is cleared, so a refusal (junk typed
    // into the decay) leaves the last relight on show.
    const auto params = readShadowParams(c, localeNumberParser(), mode_ != ShadowMode::LinearSim);
    if (const Error* e = std::get_if<Error>(&params)) {
        status_.status(e->message);
        refusalShown_ = true;
        if (withTexture) shown_(true);
        return;
    }
    clearShadow(ws_);
    runShadow(ws_, mode_, c, localeNumberParser(), quiet);
    if (refusalShown_) {
        status_.status(status::kDone);
        refusalShown_ = false;
    }
    shown_(withTexture);
}

} // namespace gloamery::panel
