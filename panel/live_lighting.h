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
// is released, see rested()), or before anyone reads the workspace
// (settle()). The workspace only ever holds exact results.
//
// While a relight runs it owns the workspace: whatever else reads or
// writes it calls settle() first.

#include "fitted_image.h"
#include "live_preview.h"
#include "inputs/shadow_inputs.h"
#include "inputs/controls.h"
#include "workspace/reporter.h"
#include "workspace/workspace.h"

#include <QObject>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <optional>
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
    bool texture = false;            // the texture button reran
    bool workCleared = false;        // the work picture changed
};

class LiveLighting final : public QObject {
    Q_OBJECT
public:
    // controls() reads the panel's inputs; shown(frame) puts a run's
    // pictures in their cells; status is told why a run was refused.
    LiveLighting(Workspace& ws, std::function<Controls()> controls, Reporter& status,
                 std::function<void(const LiveFrame&)> shown, QObject* parent = nullptr);
    ~LiveLighting() override;

    // What a live run repeats: the buttons last used.
    void setShadowMode(ShadowMode mode) { mode_ = mode; }
    ShadowMode shadowMode() const { return mode_; }
    void setTextureOp(TextureOp op) { texture_ = op; }
    TextureOp textureOp() const { return texture_; }

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

    // Settles, then starts no relight until the hold ends: for commands
    // that wait on the user (a menu, a dialog) before touching the
    // workspace. Requests made meanwhile run when it ends.
    class Hold {
    public:
        explicit Hold(LiveLighting& live) : live_(live) { live_.hold(); }
        ~Hold() { live_.release(); }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        LiveLighting& live_;
    };

    // No relight running, waiting to start or owed after a preview.
    bool idle() const;
    // Exact relights and previews finished so far, for tests and timing.
    int runs() const { return runs_; }
    int previews() const { return previews_; }

private:
    struct Job {
        Controls controls;
        std::variant<ShadowParams, Error> params; // read from the controls' texts

        ShadowMode mode;
        std::optional<TextureOp> texture;
        bool preview;
        bool resample;
        int previewSide;
    };

    void hold();
    void release();
    void schedule();
    void start();
    void finish();
    void work();
    void wait();
    bool previewing() const;

    Workspace& ws_;
    std::function<Controls()> controls_;
    Reporter& status_;
    std::function<void(const LiveFrame&)> shown_;
    ShadowMode mode_ = ShadowMode::Linear;
    TextureOp texture_ = TextureOp::MakeTexture;
    int previewSide_ = LivePreview::kSide;

    bool wanted_ = false;      // a request not yet started
    bool wantTexture_ = false; // ... which reruns the texture first
    bool wantExact_ = false;   // ... which must relight the full map
    bool scheduled_ = false;   // a start is on its way through the event loop
    bool owed_ = false;        // a preview was asked for since the last exact relight
    bool resample_ = true;     // the preview's sample may be out of date
    bool stopped_ = false;
    int holds_ = 0;
    QTimer* rest_ = nullptr;   // runs from a preview until the exact relight is due
    bool running_ = false;     // a run was started and not yet finished
    int serial_ = 0;           // tells a finished run from an earlier one
    std::thread thread_;       // the worker, made at the first run
    std::mutex mutex_;
    std::condition_variable changed_;
    bool posted_ = false;      // the worker has a run to do or is doing it
    bool quit_ = false;
    Job job_;                  // what the running relight does
    Refusal refused_;          // ... and how it ended
    LiveFrame frame_;
    LivePreview preview_;      // used by the worker alone while one runs
    bool refusalShown_ = false;
    int runs_ = 0;
    int previews_ = 0;
};

} // namespace gloamery::panel
