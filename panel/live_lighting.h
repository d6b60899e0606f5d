#pragma once
// Relights the map while the user moves the sun or changes a control:
// clears the shadow map and reruns the shadow button last used, so the
// result shows the current sun alone. A relight runs on a thread of its
// own and the window stays responsive; requests never queue up: those made
// while one runs collapse into a single next run, with the values the
// controls hold when it starts. Runs report nothing on the status line and
// the progress bar but a refusal, which leaves the last pictures up.
//
// A map larger than the preview side (LivePreview) is too large to relight
// on every move: each request then shows a preview in the cells, and the
// full map is relit exactly once the requests rest (the pointer stops or
// is released, see rested()), or before anyone reads the workspace. The
// workspace only ever holds exact results. That exact relight can be
// stopped with Esc until its result is shown: the workspace then keeps
// what it held before, and the cells show it again.
//
// The live relight keeps the workspace: the window reaches it only through
// an Access, which waits for the relight running (and relights exactly
// when a preview is on show) and starts no other while it lives.

#include "fitted_image.h"
#include "live_preview.h"
#include "live_requests.h"
#include "inputs/control_schema.h"
#include "inputs/controls.h"
#include "inputs/shadow_inputs.h"
#include "workspace/reporter.h"
#include "workspace/workspace.h"

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <optional>
#include <string>
#include <utility>
#include <variant>

class QTimer;

namespace gloamery::panel {

enum class TextureOp { MakeTexture, MakeTexture2 };

// What a live run puts on show. The pictures are the workspace's, or a
// preview's standing in for them (valid until the next run starts); the
// window converts them for the cells: done on the worker instead, the
// conversions made the next relight slower on a busy machine.
struct LiveFrame {
    std::optional<PictureRows> colour; // none when the run was refused
    std::optional<PictureRows> shadow;
    std::optional<PictureRows> texture; // the texture button reran
    std::optional<PictureRows> work;    // the work picture was cleared
    bool restored = false;              // the workspace's pictures put back: nothing changed
};

class LiveLighting final : public QObject {
    Q_OBJECT
public:
    // ws: the workspace the live relight keeps from now on. controls()
    // reads the panel's inputs; shown(frame) puts a run's pictures in their
    // cells; refused(message) tells the status line why a run was refused.
    LiveLighting(Workspace ws, std::function<Controls()> controls, std::function<void(const std::string&)> refused,
                 std::function<void(const LiveFrame&)> shown);
    ~LiveLighting() override;
    LiveLighting(const LiveLighting&) = delete;
    LiveLighting& operator=(const LiveLighting&) = delete;

    // The workspace, for as long as it lives: made, it settles (below);
    // alive, no relight starts (requests made meanwhile run when the last
    // access ends). Commands that wait on the user (a menu, a dialog, Esc
    // looked for in a long run) keep theirs open throughout.
    class Access {
    public:
        ~Access() { live_.release(); }
        Access(const Access&) = delete;
        Access& operator=(const Access&) = delete;

        Workspace& operator*() const { return live_.ws_; }
        Workspace* operator->() const { return &live_.ws_; }

    private:
        friend class LiveLighting;
        explicit Access(LiveLighting& live) : live_(live) { live_.hold(); }
        LiveLighting& live_;
    };
    [[nodiscard]] Access access() { return Access(*this); }

    // What a live run repeats: the buttons last used. realSun: "Sun" at
    // the controls' time ("Sun at this time") rather than their angle.
    void setShadowMode(ShadowMode mode, bool realSun = false)
    {
        mode_ = mode;
        realSun_ = realSun && mode == ShadowMode::Sun;
    }
    ShadowMode shadowMode() const { return mode_; }
    bool realSun() const { return realSun_; }
    // Where the real sun is seen from, read with the controls (none: the
    // controls' place alone).
    void setRealSunWhere(std::function<std::optional<MapPlace>(const Controls&)> where) { where_ = std::move(where); }
    void setTextureOp(TextureOp op) { texture_ = op; }
    TextureOp textureOp() const { return texture_; }
    // Whether a relight reads the control: the shadow run repeated, the
    // merge after it or the texture rerun before it. A change of another
    // would only repeat the pictures on show.
    bool reads(ControlId id) const;

    // Where the exact relight that replaces a preview tells what it does
    // (the status line, saying that Esc stops it, and the bar): on a map
    // that large it takes seconds. Previews and the relights of smaller
    // maps tell nothing.
    void setReporter(Reporter& report) { told_ = &report; }

    // Maps with a side above this are previewed while requests come in.
    void setPreviewSide(int side) { previewSide_ = side; }
    // How long requests must pause before the exact relight of a preview.
    void setRestInterval(int ms);

    // Asks for a relight, after the texture button when withTexture.
    void request(bool withTexture = false);

    // The requests have come to rest (the pointer was released): a preview
    // on show is replaced by the exact relight at once.
    void rested();

    // Waits for the relight in progress, if any, and shows its result.
    // When a preview is on show, relights exactly first, so the workspace
    // holds what the cells show. Other requests still waiting run later.
    void settle();

    // Waits for the relight in progress and starts no other: the window
    // is closing.
    void stop();

    // No relight running, waiting to start or owed after a preview.
    bool idle() const;
    // Exact relights and previews finished so far, for tests and timing.
    int runs() const { return runs_; }
    int previews() const { return previews_; }

protected:
    // Esc while the reported relight runs asks it to stop.
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // Emitted by the worker, each connected (queued) to the window's side
    // below at construction. A signal's call is made and queued inside the
    // toolkit, where the thread checker cannot see its hand-over as it
    // would a call object made in our code; what the handlers need is read
    // under the lock, which it sees.
    void toldPosted();
    void computedPosted();

private:
    struct Job {
        Controls controls;
        std::variant<ShadowParams, Error> params; // read from the controls' texts

        ShadowMode mode = ShadowMode::Linear;
        std::optional<TextureOp> texture;
        bool preview = false;
        bool resample = false;
        int previewSide = LivePreview::kSide;
        int serial = 0;        // the run's number, counted by the window
        bool reported = false; // tells its progress (setReporter)
    };
    // Where the run stands, for both threads: none; handed to the worker;
    // done by it, its result not yet shown; the window closing.
    struct NoRun {};
    struct Posted {
        Job job;
    };
    // The slots an exact relight writes, as they stood before it, to put
    // back when it is stopped; the copies share their pixels.
    struct Kept {
        explicit Kept(const Workspace& ws);
        void putBack(Workspace& ws) const;
        SlotImage shadow, colour, work, texture;
        std::shared_ptr<const SplatRows> splat;
    };
    struct Computed {
        Job job;
        Refusal refused;
        LiveFrame frame;
        std::optional<Kept> before; // a reported run's, which Esc may stop
    };
    struct Stopped {};
    using Run = std::variant<NoRun, Posted, Computed, Stopped>;

    // What a reported run said last, for the window to show.
    struct Told {
        std::string status;
        std::optional<double> fraction;
        bool posted = false; // a call to show it is on its way
        int serial = 0;      // the run that said it
    };
    // Everything the relight keeps of its state, under one lock.
    struct State {
        Run run;
        LiveRequests asked;
        bool refusalShown = false; // the status line says why the last run was refused
        Told told;
    };
    template <class F>
    decltype(auto) locked(F&& f)
    {
        const std::lock_guard lock(mutex_);
        return f(state_);
    }
    template <class F>
    decltype(auto) locked(F&& f) const
    {
        const std::lock_guard lock(mutex_);
        return f(std::as_const(state_));
    }

    class Relay;
    void showTold(int serial, bool ended = false);
    // The window's side of the worker's signals.
    void showPostedTold();
    void finishComputed();
    void hold();
    void release();
    void schedule();
    void start(Begun begun);
    void finish();
    void work();
    bool previewing() const;
    bool running() const;

    Workspace ws_;
    std::function<Controls()> controls_;
    std::function<void(const std::string&)> refused_;
    std::function<void(const LiveFrame&)> shown_;
    ShadowMode mode_ = ShadowMode::Linear;
    bool realSun_ = false;
    std::function<std::optional<MapPlace>(const Controls&)> where_;
    TextureOp texture_ = TextureOp::MakeTexture;
    int previewSide_ = LivePreview::kSide;
    QTimer* rest_ = nullptr; // runs from a preview until the exact relight is due

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    State state_;
    std::thread thread_;  // the worker, made at the first run
    LivePreview preview_; // used by the worker alone
    int runs_ = 0;
    int previews_ = 0;
    Reporter* told_ = nullptr;
    int serial_ = 0;    // runs started
    int reporting_ = 0; // the reported run under way, or 0
    std::atomic<bool> stopAsked_{false}; // Esc during the reported run, read by the worker
};

} // namespace gloamery::panel
