#include "live_lighting.h"

#include "status_line.h"
#include "compose/texture.h"
#include "imageio/qt/picture_io.h"
#include "inputs/operations.h"
#include "shadow/shadow_params.h"
#include "workspace/parallel.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace gloamery::panel {

namespace {

// How long requests must pause before a previewed map is relit exactly:
// longer than the gap between the moves of a steady drag, short enough
// that the exact picture follows soon after the hand stops.
constexpr int kRestMs = 250;

// A stopped relight says what the shadow runs that stop say.
constexpr const char* kStopped = "Stopped: the shadow map is as it was.";

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
                std::optional<TextureOp> texture, LiveFrame& frame, Reporter& report)
{
    if (texture) {
        if (*texture == TextureOp::MakeTexture) makeTexture(ws, c.contrast, report);
        else makeTexture2(ws, c.contrast, report);
        frame.texture = rowsOf(ws.image(Slot::Texture));
    }
    // Checked before the shadow map is cleared, so a refusal (junk typed
    // into the decay) leaves the last relight on show.
    if (const Error* e = std::get_if<Error>(&params)) return *e;
    if (report.cancelled()) return Error{kStopped}; // Esc during the texture: no shadow run
    if (clearForRelight(ws)) frame.work = rowsOf(ws.image(Slot::Work));
    if (Refusal refused = runShadowAndMerge(ws, mode, std::get<ShadowParams>(params), c, report)) return refused;
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

// A reported run's words and fraction, from the worker to the window: kept
// under the lock, the newest only, and shown once the window's thread gets
// to them (a run's many steps coalesce into the frames the window draws).
class LiveLighting::Relay final : public Reporter {
public:
    Relay(LiveLighting& live, int serial) : live_(live), serial_(serial) {}
    void status(std::string_view text) override { tell([&](Told& t) { t.status = text; }); }
    void progress(double fraction) override { tell([&](Told& t) { t.fraction = fraction; }); }
    void busy(bool) override {} // the window stays free to use
    bool cancelled() override { return live_.stopAsked_.load(std::memory_order_relaxed); }

private:
    template <class F>
    void tell(F&& f)
    {
        const bool post = live_.locked([&](State& s) {
            f(s.told);
            s.told.serial = serial_;
            return !std::exchange(s.told.posted, true);
        });
        if (post) emit live_.toldPosted();
    }
    LiveLighting& live_;
    int serial_;
};

void LiveLighting::showPostedTold() { showTold(locked([](const State& s) { return s.told.serial; })); }

void LiveLighting::finishComputed()
{
    if (locked([](const State& s) { return std::holds_alternative<Computed>(s.run); })) finish();
}

void LiveLighting::showTold(int serial, bool ended)
{
    const Told told = locked([](State& s) {
        s.told.posted = false;
        return s.told;
    });
    if (serial != reporting_ || !told_) return; // the run ended and said its last
    if (!told.status.empty())
        told_->status(ended ? told.status : stoppableStatus(QString::fromStdString(told.status)).toStdString());
    if (told.fraction) told_->progress(*told.fraction);
}

bool LiveLighting::eventFilter(QObject* watched, QEvent* event)
{
    const bool esc = event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape;
    if (!esc || reporting_ == 0) return QObject::eventFilter(watched, event);
    stopAsked_.store(true, std::memory_order_relaxed);
    return true;
}

LiveLighting::Kept::Kept(const Workspace& ws)
    : shadow(ws.image(Slot::Shadow)), colour(ws.image(Slot::Colour)), work(ws.image(Slot::Work)),
      texture(ws.image(Slot::Texture)), splat(ws.splatRows())
{
}

void LiveLighting::Kept::putBack(Workspace& ws) const
{
    ws.setImage(Slot::Shadow, shadow);
    ws.setImage(Slot::Colour, colour);
    ws.setImage(Slot::Work, work);
    ws.setImage(Slot::Texture, texture);
    ws.setSplatRows(splat);
}

LiveLighting::LiveLighting(Workspace ws, std::function<Controls()> controls,
                           std::function<void(const std::string&)> refused, std::function<void(const LiveFrame&)> shown)
    : ws_(std::move(ws)), controls_(std::move(controls)), refused_(std::move(refused)), shown_(std::move(shown)),
      rest_(new QTimer(this))
{
    rest_->setSingleShot(true);
    rest_->setInterval(kRestMs);
    connect(rest_, &QTimer::timeout, this, [this] { rested(); });
    connect(this, &LiveLighting::toldPosted, this, &LiveLighting::showPostedTold, Qt::QueuedConnection);
    connect(this, &LiveLighting::computedPosted, this, &LiveLighting::finishComputed, Qt::QueuedConnection);
}

LiveLighting::~LiveLighting() { stop(); }

bool LiveLighting::reads(ControlId id) const
{
    const auto texture = texture_ == TextureOp::MakeTexture ? TextureButton::MakeTexture : TextureButton::MakeTexture2;
    return holds(operationOf(mode_).controls | operationOf(texture).controls, id);
}

void LiveLighting::setRestInterval(int ms) { rest_->setInterval(ms); }

// Read on the window's thread while a relight may run: no relight changes
// the map's size.
bool LiveLighting::previewing() const { return LivePreview::wanted(ws_.width(), ws_.height(), previewSide_); }

bool LiveLighting::running() const
{
    return locked([](const State& s) {
        return std::holds_alternative<Posted>(s.run) || std::holds_alternative<Computed>(s.run);
    });
}

bool LiveLighting::idle() const
{
    return !running() && locked([](const State& s) { return !s.asked.queued() && !s.asked.owed(); });
}

void LiveLighting::request(bool withTexture)
{
    const bool previewed = previewing();
    if (locked([&](State& s) { return s.asked.ask(withTexture, previewed); }))
        rest_->start(); // restarted by every request until they pause
    if (!running()) schedule();
}

void LiveLighting::rested()
{
    // Nothing owed: the workspace already holds the newest request's result.
    if (!locked([](State& s) { return s.asked.rest(); })) return;
    rest_->stop();
    if (!running()) schedule();
}

void LiveLighting::schedule()
{
    if (!locked([](State& s) { return s.asked.queue(std::holds_alternative<Stopped>(s.run)); })) return;
    // Starts once the events already waiting (more moves, more keys) have
    // been seen, so it takes their newest values.
    QTimer::singleShot(0, this, [this] {
        const bool previewed = previewing();
        const std::optional<Begun> begun = locked([&](State& s) -> std::optional<Begun> {
            if (!s.asked.arrive(std::holds_alternative<NoRun>(s.run))) return std::nullopt;
            return s.asked.begin(previewed);
        });
        if (begun) start(*begun);
    });
}

void LiveLighting::start(Begun begun)
{
    // Read here, on the window's thread; the worker only computes.
    const Controls controls = controls_();
    auto params = readShadowParams(controls, localeNumberParser(), mode_);
    if (realSun_ && controls.when) {
        // The sun's place in the sky is worked out here once; the run then lights as "Sun" does.
        const auto where = where_ ? where_(controls) : std::nullopt;
        params = realSunParams(controls, where ? &*where : nullptr, *controls.when);
    }
    Job job{controls, std::move(params), mode_, std::nullopt, !begun.exact,
            begun.resample, previewSide_, ++serial_, begun.exact && previewing() && told_};
    if (begun.texture) job.texture = texture_;
    reporting_ = job.reported ? job.serial : 0;
    if (job.reported) {
        locked([](State& s) { s.told = Told{}; });
        stopAsked_.store(false, std::memory_order_relaxed);
        QCoreApplication::instance()->installEventFilter(this); // Esc, while it runs
    }
    if (begun.exact) rest_->stop(); // this run relights the newest request exactly
    if (!thread_.joinable()) thread_ = std::thread([this] { work(); });
    locked([&](State& s) { s.run = Posted{std::move(job)}; });
    changed_.notify_all();
}

void LiveLighting::work()
{
    // One thread for every run: it keeps its thread team and its buffers
    // warm from one frame to the next.
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] {
                return std::holds_alternative<Posted>(state_.run) || std::holds_alternative<Stopped>(state_.run);
            });
            if (std::holds_alternative<Stopped>(state_.run)) return;
            job = std::get<Posted>(state_.run).job; // a copy: stopping drops the posted one
        }
        LiveFrame frame;
        Refusal refused;
        std::optional<Kept> before;
        if (!job.preview) {
            SilentReporter quiet; // every frame would otherwise repaint the status line and the bar
            Relay relay(*this, job.serial);
            Reporter& report = job.reported ? static_cast<Reporter&>(relay) : quiet;
            if (job.reported) before.emplace(ws_);
            refused = relight(ws_, job.controls, job.params, job.mode, job.texture, frame, report);
        } else {
            if (job.resample) preview_.drop();
            refused = previewRelight(ws_, preview_, job.controls, job.params, job.mode, job.previewSide, frame);
        }
        locked([&](State& s) {
            if (std::holds_alternative<Posted>(s.run))
                s.run = Computed{std::move(job), std::move(refused), std::move(frame), std::move(before)};
        });
        changed_.notify_all();
        emit computedPosted();
    }
}

void LiveLighting::hold()
{
    settle();
    locked([](State& s) { s.asked.hold(); });
}

void LiveLighting::release()
{
    if (locked([](State& s) { return s.asked.release(); })) schedule();
}

void LiveLighting::stop()
{
    rest_->stop();
    locked([](State& s) { s.run = Stopped{}; });
    changed_.notify_all();
    if (thread_.joinable()) thread_.join(); // after the run in progress
    if (std::exchange(reporting_, 0) != 0)
        if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
}

void LiveLighting::settle()
{
    if (running()) finish();
    const bool previewed = previewing();
    const std::optional<Begun> owed = locked([&](State& s) -> std::optional<Begun> {
        if (!s.asked.owed() || std::holds_alternative<Stopped>(s.run)) return std::nullopt;
        return s.asked.beginOwed(previewed);
    });
    if (owed) {
        start(*owed);
        finish();
    }
    // Whoever settles may change the heights or the texture.
    locked([](State& s) { s.asked.settled(); });
}

void LiveLighting::finish()
{
    std::optional<Computed> done;
    bool refusalShown = false;
    bool stopped = false;
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !std::holds_alternative<Posted>(state_.run); });
        Computed* computed = std::get_if<Computed>(&state_.run);
        if (!computed) return;
        done = std::move(*computed);
        state_.run = NoRun{};
        // Esc counts until the result is shown, even once the worker is done.
        stopped = done->before && stopAsked_.load(std::memory_order_relaxed);
        if (stopped) state_.asked.stopped();
        state_.asked.ended(done->job.texture.has_value()); // the preview's texture is out of date
        refusalShown = std::exchange(state_.refusalShown, done->refused.has_value() || stopped);
    }
    if (done->job.preview) ++previews_;
    else ++runs_;
    if (done->job.reported) {
        QCoreApplication::instance()->removeEventFilter(this);
        showTold(done->job.serial, true); // its last words, whether or not their call has come yet
        reporting_ = 0;
    }
    if (stopped) {
        // Here, not on the worker: it waits for the next run, and the
        // worker may have finished before Esc came.
        done->before->putBack(ws_);
        done->refused = Error{kStopped};
        done->frame = LiveFrame{};
        done->frame.colour = rowsOf(ws_.image(Slot::Colour));
        done->frame.shadow = rowsOf(ws_.image(Slot::Shadow));
        done->frame.restored = true;
    }
    if (done->refused) refused_(done->refused->message);
    else if (refusalShown) refused_(std::string(status::kDone));
    if (!done->refused || done->job.texture || stopped) shown_(done->frame);
    if (locked([](const State& s) { return s.asked.wanted(); })) schedule();
}

} // namespace gloamery::panel
