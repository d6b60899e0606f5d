#pragma once
// Relights the map while the user moves the sun or changes a control:
// clears the shadow map and reruns the shadow button last used, so the
// result shows the current sun alone. Requests never queue up: all those
// made before the event loop comes round collapse into one run, with the
// values the controls hold then. Runs report nothing on the status line
// and progress bar but a refusal, which leaves the last pictures up.

#include "shadow/sweep.h"
#include "workspace/controls.h"
#include "workspace/reporter.h"
#include "workspace/workspace.h"

#include <QObject>

#include <functional>

namespace gloamery::panel {

enum class TextureOp { MakeTexture, MakeTexture2 };

class LiveLighting final : public QObject {
    Q_OBJECT
public:
    // controls() reads the panel's inputs; shown(textureChanged) redraws the
    // pictures a run changed; status is told why a run was refused.
    LiveLighting(Workspace& ws, std::function<Controls()> controls, Reporter& status,
                 std::function<void(bool textureChanged)> shown, QObject* parent = nullptr);

    // What a live run repeats: the buttons last used.
    void setShadowMode(ShadowMode mode) { mode_ = mode; }
    void setTextureOp(TextureOp op) { texture_ = op; }
    ShadowMode shadowMode() const { return mode_; }

    // Asks for a relight, after the texture button when withTexture.
    void request(bool withTexture = false);

    // Relights run so far, for tests and timing.
    int runs() const { return runs_; }

private:
    void runPending();

    Workspace& ws_;
    std::function<Controls()> controls_;
    Reporter& status_;
    std::function<void(bool)> shown_;
    ShadowMode mode_ = ShadowMode::Linear;
    TextureOp texture_ = TextureOp::MakeTexture;
    bool scheduled_ = false;
    bool withTexture_ = false;
    bool refusalShown_ = false;
    int runs_ = 0;
};

} // namespace gloamery::panel
