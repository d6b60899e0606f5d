#include "live_lighting.h"

#include "compose/texture.h"
#include "imageio/picture_io.h"
#include "shadow/shadow_params.h"

#include <QThread>
#include <QTimer>

namespace gloamery::panel {

namespace {

// One live relight; runs on the worker thread with everything it needs
// copied in, and touches nothing but the workspace.
Refusal relight(Workspace& ws, const Controls& c, const NumberParser& parse, ShadowMode mode,
                std::optional<TextureOp> texture)
{
    SilentReporter quiet; // every frame would otherwise repaint the status line and the bar
    if (texture == TextureOp::MakeTexture) makeTexture(ws, c.contrast, quiet);
    if (texture == TextureOp::MakeTexture2) makeTexture2(ws, c.contrast, quiet);
    // Checked before the shadow map is cleared, so a refusal (junk typed
    // into the decay) leaves the last relight on show.
    const auto params = readShadowParams(c, parse, mode != ShadowMode::LinearSim);
    if (const Error* e = std::get_if<Error>(&params)) return *e;
    clearShadow(ws);
    return runShadow(ws, mode, c, parse, quiet);
}

} // namespace

LiveLighting::LiveLighting(Workspace& ws, std::function<Controls()> controls, Reporter& status,
                           std::function<void(bool)> shown, QObject* parent)
    : QObject(parent), ws_(ws), controls_(std::move(controls)), status_(status), shown_(std::move(shown))
{
}

LiveLighting::~LiveLighting()
{
    if (worker_) {
        worker_->wait();
        delete worker_;
    }
}

void LiveLighting::request(bool withTexture)
{
    wanted_ = true;
    wantTexture_ = wantTexture_ || withTexture;
    if (!worker_) schedule();
}

void LiveLighting::schedule()
{
    if (scheduled_) return;
    scheduled_ = true;
    // Starts once the events already waiting (more moves, more keys) have
    // been seen, so it takes their newest values.
    QTimer::singleShot(0, this, [this] {
        scheduled_ = false;
        if (!worker_ && wanted_ && holds_ == 0) start();
    });
}

void LiveLighting::start()
{
    wanted_ = false;
    runTexture_ = wantTexture_;
    wantTexture_ = false;
    // Read here, on the window's thread; the worker only computes.
    const Controls c = controls_();
    const NumberParser parse = localeNumberParser();
    const ShadowMode mode = mode_;
    const std::optional<TextureOp> texture = runTexture_ ? std::optional(texture_) : std::nullopt;
    worker_ = QThread::create([this, c, parse, mode, texture] { refused_ = relight(ws_, c, parse, mode, texture); });
    const int serial = ++serial_;
    connect(worker_, &QThread::finished, this, [this, serial] {
        if (serial == serial_ && worker_) finish();
    });
    worker_->start();
}

void LiveLighting::hold()
{
    settle();
    ++holds_;
}

void LiveLighting::release()
{
    if (--holds_ == 0 && wanted_) schedule();
}

void LiveLighting::settle()
{
    if (!worker_) return;
    worker_->wait();
    finish();
}

void LiveLighting::finish()
{
    worker_->wait();
    delete worker_;
    worker_ = nullptr;
    ++runs_;
    if (refused_) {
        status_.status(refused_->message);
        refusalShown_ = true;
    } else if (refusalShown_) {
        status_.status(status::kDone);
        refusalShown_ = false;
    }
    if (!refused_ || runTexture_) shown_(runTexture_);
    if (wanted_) schedule();
}

} // namespace gloamery::panel
