#include "live_lighting.h"

#include "compose/texture.h"
#include "imageio/qt/picture_io.h"
#include "shadow/shadow_params.h"
#include "workspace/parallel.h"

#include <QTimer>

#include <algorithm>
#include <utility>

namespace gloamery::panel {

namespace {

// How long requests must pause before a previewed map is relit exactly:
// longer than the gap between the moves of a steady drag, short enough
// that the exact picture follows soon after the hand stops.
constexpr int kRestMs = 250;

// "Clear" as a live relight needs it: the shadow map back to its
// background (the run then makes its greys afresh), and the work picture
// (which no shadow run draws on) only when it is not already clear, so its
// cell need not be redrawn. Returns whether the work picture changed.
bool clearForRelight(Workspace& ws)
{
    ws.setImage(Slot::Shadow, SlotImage(slotBackground(Slot::Shadow), ws.width(), ws.height()));
    Picture& work = ws.picture(Slot::Work);
    const Colour* pixels = work.data();
    const std::size_t n = static_cast<std::size_t>(work.width()) * static_cast<std::size_t>(work.height());
    if (std::all_of(pixels, pixels + n, [&](Colour c) { return c == work.background(); })) return false;
    work.clear();
    return true;
}

// One live relight of the workspace; runs on the worker thread with
// everything it needs copied in, and touches nothing but the workspace.
Refusal relight(Workspace& ws, const Controls& c, const std::variant<ShadowParams, Error>& params, ShadowMode mode,
                std::optional<TextureOp> texture, LiveFrame& frame)
{
    SilentReporter quiet; // every frame would otherwise repaint the status line and the bar
    if (texture) {
        if (*texture == TextureOp::MakeTexture) makeTexture(ws, c.contrast, quiet);
        else makeTexture2(ws, c.contrast, quiet);
        frame.texture = true;
    }
    // Checked before the shadow map is cleared, so a refusal (junk typed
    // into the decay) leaves the last relight on show.
    if (const Error* e = std::get_if<Error>(&params)) return *e;
    frame.workCleared = clearForRelight(ws);
    if (Refusal refused = runShadowAndMerge(ws, mode, std::get<ShadowParams>(params), c, quiet)) return refused;
    // Read through the slots (the shadow map is kept a byte a pixel): no
    // picture of the map's size is made for the cells.
    frame.colour = rowsOf(ws.image(Slot::Colour));
    frame.shadow = rowsOf(ws.image(Slot::Shadow));
    return std::nullopt;
}

// A preview of the relight, for the cells alone.
Refusal previewRelight(const Workspace& ws, LivePreview& preview, const Controls& c,
                       const std::variant<ShadowParams, Error>& params, ShadowMode mode, int side, LiveFrame& frame)
{
    if (const Error* e = std::get_if<Error>(&params)) return *e;
    if (Refusal refused = preview.relight(ws, side, std::get<ShadowParams>(params), c, mode)) return refused;
    frame.colour = rowsOf(preview.colour());
    frame.shadow = rowsOf(preview.shadow());
    return std::nullopt;
}

} // namespace

LiveLighting::LiveLighting(Workspace& ws, std::function<Controls()> controls, Reporter& status,
                           std::function<void(const LiveFrame&)> shown, QObject* parent)
    : QObject(parent), ws_(ws), controls_(std::move(controls)), status_(status), shown_(std::move(shown)),
      rest_(new QTimer(this))
{
    rest_->setSingleShot(true);
    rest_->setInterval(kRestMs);
    connect(rest_, &QTimer::timeout, this, [this] { rested(); });
}

LiveLighting::~LiveLighting() { stop(); }

void LiveLighting::setRestInterval(int ms) { rest_->setInterval(ms); }

bool LiveLighting::previewing() const { return LivePreview::wanted(ws_.width(), ws_.height(), previewSide_); }

bool LiveLighting::idle() const { return !running_ && !scheduled_ && !owed_; }

void LiveLighting::request(bool withTexture)
{
    wanted_ = true;
    wantTexture_ = wantTexture_ || withTexture;
    if (wantTexture_ || !previewing()) wantExact_ = true;
    else {
        owed_ = true;
        rest_->start(); // restarted by every request until they pause
    }
    if (!running_) schedule();
}

void LiveLighting::rested()
{
    if (!owed_) return; // the workspace already holds the newest request's result
    rest_->stop();
    wanted_ = true;
    wantExact_ = true;
    if (!running_) schedule();
}

void LiveLighting::schedule()
{
    if (scheduled_ || stopped_) return;
    scheduled_ = true;
    // Starts once the events already waiting (more moves, more keys) have
    // been seen, so it takes their newest values.
    QTimer::singleShot(0, this, [this] {
        scheduled_ = false;
        if (!running_ && wanted_ && holds_ == 0) start();
    });
}

void LiveLighting::start()
{
    const bool exact = wantExact_ || !previewing();
    wanted_ = false;
    // Read here, on the window's thread; the worker only computes.
    const Controls controls = controls_();
    job_ = Job{controls, readShadowParams(controls, localeNumberParser(), mode_), mode_, std::nullopt, !exact, resample_,
               previewSide_};
    if (exact) {
        if (wantTexture_) job_.texture = texture_;
        wantTexture_ = wantExact_ = owed_ = false;
        rest_->stop(); // this run relights the newest request exactly
    } else {
        resample_ = false;
    }
    frame_ = LiveFrame{};
    ++serial_;
    running_ = true;
    if (!thread_.joinable()) thread_ = std::thread([this] { work(); });
    const std::lock_guard lock(mutex_);
    posted_ = true;
    changed_.notify_all();
}

void LiveLighting::work()
{
    // One thread for every run: it keeps its thread team and its buffers
    // warm from one frame to the next.
    for (;;) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return posted_ || quit_; });
        if (quit_) return;
        const int serial = serial_;
        lock.unlock();
        const Job& j = job_;
        if (!j.preview) {
            refused_ = relight(ws_, j.controls, j.params, j.mode, j.texture, frame_);
        } else {
            if (j.resample) preview_.drop();
            refused_ = previewRelight(ws_, preview_, j.controls, j.params, j.mode, j.previewSide, frame_);
        }
        lock.lock();
        posted_ = false;
        changed_.notify_all();
        lock.unlock();
        QMetaObject::invokeMethod(this, [this, serial] {
            if (serial == serial_ && running_) finish();
        }, Qt::QueuedConnection);
    }
}

void LiveLighting::wait()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !posted_; });
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

void LiveLighting::stop()
{
    stopped_ = true;
    rest_->stop();
    if (!thread_.joinable()) return;
    {
        const std::lock_guard lock(mutex_);
        quit_ = true;
        changed_.notify_all();
    }
    thread_.join(); // after the run in progress
    running_ = false;
}

void LiveLighting::settle()
{
    if (running_) finish();
    if (owed_ && !stopped_) {
        wantExact_ = true;
        start();
        finish();
    }
    // Whoever settles may change the heights or the texture.
    resample_ = true;
}

void LiveLighting::finish()
{
    wait();
    running_ = false;
    if (job_.preview) ++previews_;
    else ++runs_;
    if (job_.texture) resample_ = true; // the preview's texture is out of date
    if (refused_) {
        status_.status(refused_->message);
        refusalShown_ = true;
    } else if (refusalShown_) {
        status_.status(status::kDone);
        refusalShown_ = false;
    }
    if (!refused_ || job_.texture) shown_(frame_);
    if (wanted_) schedule();
}

} // namespace gloamery::panel
