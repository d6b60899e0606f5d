#pragma once
// Undo and redo for the panel: records a step in the history after every
// command, and once continuous changes (a live drag of the sun, a slider,
// typing in a box) come to rest, so a drag is one step; takes Ctrl+Z back
// and Ctrl+Shift+Z or Ctrl+Y forward, and says on the status line what was
// undone or redone. The window only marks where its commands run.

#include "history.h"
#include "prompts.h"
#include "inputs/operations.h"
#include "shadow/sweep.h"
#include "workspace/reporter.h"

#include <QObject>
#include <QString>

#include <functional>

class QAction;
class QTimer;
class QWidget;

namespace gloamery::panel {

class LiveLighting;

class UndoSteps final : public QObject {
    Q_OBJECT
public:
    // What the steps need of the window.
    struct Panel {
        LiveLighting& live; // keeps the workspace the steps record and restore
        Reporter& reporter;
        std::function<Settings()> settings;         // the controls as they stand
        std::function<void(const Settings&)> apply; // sets them all, relighting nothing
        std::function<void()> refresh;              // redraws every picture
    };

    // Watches the window's controls and the height map's drags, adds the
    // Undo and Redo actions to it and records its state as the first.
    // prompts: the menu chosen from is noted, to name the step it makes.
    UndoSteps(Panel panel, QWidget& window, Prompts& prompts);
    ~UndoSteps() override;

    // A command's changes, recorded as one step when it ends (changes still
    // at rest before it are recorded first, as their own step).
    class Step {
    public:
        Step(UndoSteps& steps, std::function<QString()> label);
        ~Step();
        Step(const Step&) = delete;
        Step& operator=(const Step&) = delete;

    private:
        UndoSteps& steps_;
        std::function<QString()> label_;
    };
    Step step(const QString& label) { return Step(*this, [label] { return label; }); }
    // The picture menu's command, named once the user chose it.
    Step menuStep(Slot slot);

    void undo();
    void redo();
    // Records the changes made since the last step now.
    void flush();

    History& history() { return history_; }
    QAction& undoAction() { return *undo_; }
    QAction& redoAction() { return *redo_; }
    void setRestInterval(int ms);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watch(QWidget& window);
    // "Undo Linear", "Redo Azimuth": the actions name the step they take.
    void nameActions();
    void changed(const QString& label);
    void rested();
    void record(const QString& label);
    bool show(const PanelState& state);

    Panel panel_;
    QWidget& window_;
    History history_;
    QAction* undo_;
    QAction* redo_;
    QTimer* rest_;
    QString pending_;   // what changed since the last step, if anything
    QString menuItem_;  // the picture menu's item last chosen
    int commands_ = 0;  // commands running: their changes are their own step's
    bool dragging_ = false;
};

// A shadow button's caption, which names its step.
QString shadowCaption(ShadowMode mode);
// An operation's caption, as its row of the operation table has it.
QString operationCaption(const OperationRow& row);

} // namespace gloamery::panel
