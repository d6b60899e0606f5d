#pragma once
// Relights the map while the user moves the sun or changes a control:
// clears the shadow map and reruns the shadow button last used, so the
// result shows the current sun alone. A relight runs on a thread of its
// own and the window stays responsive; requests never queue up: those made
// while one runs collapse into a single next run, with the values the
// controls hold when it starts. Runs report nothing on the status line and
// the progress bar but a refusal, which leaves the last pictures up.
//
// While a relight runs it owns the workspace: whatever else reads or
// writes it calls settle() first.

#include "shadow/sweep.h"
#include "workspace/controls.h"
#include "workspace/reporter.h"
#include "workspace/workspace.h"

#include <QObject>

#include <functional>

class QThread;

namespace gloamery::panel {

enum class TextureOp { MakeTexture, MakeTexture2 };

class LiveLighting final : public QObject {
    Q_OBJECT
public:
    // controls() reads the panel's inputs; shown(textureChanged) redraws the
    // pictures a run changed; status is told why a run was refused.
    LiveLighting(Workspace& ws, std::function<Controls()> controls, Reporter& status,
                 std::function<void(bool textureChanged)> shown, QObject* parent = nullptr);
    ~LiveLighting() override;

    // What a live run repeats: the buttons last used.
    void setShadowMode(ShadowMode mode) { mode_ = mode; }
    void setTextureOp(TextureOp op) { texture_ = op; }

    // Asks for a relight, after the texture button when withTexture.
    void request(bool withTexture = false);

    // Waits for the relight in progress, if any, and shows its result.
    // Requests still waiting run later.
    void settle();

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

    // No relight running or waiting to start.
    bool idle() const { return !worker_ && !scheduled_; }
    // Relights finished so far, for tests and timing.
    int runs() const { return runs_; }

private:
    void hold();
    void release();
    void schedule();
    void start();
    void finish();

    Workspace& ws_;
    std::function<Controls()> controls_;
    Reporter& status_;
    std::function<void(bool)> shown_;
    ShadowMode mode_ = ShadowMode::Linear;
    TextureOp texture_ = TextureOp::MakeTexture;

    bool wanted_ = false;      // a request not yet started
    bool wantTexture_ = false; // ... which reruns the texture first
    bool scheduled_ = false;   // a start is on its way through the event loop
    int holds_ = 0;
    QThread* worker_ = nullptr;
    int serial_ = 0;           // tells a finished run from an earlier one
    bool runTexture_ = false;  // what the running relight does
    Refusal refused_;          // ... and how it ended
    bool refusalShown_ = false;
    int runs_ = 0;
};

} // namespace gloamery::panel
