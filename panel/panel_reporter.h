#pragma once
// Shows what an operation reports on the control panel: the status line,
// the progress bar and the hourglass pointer. Operations run on the
// user-interface thread without returning to the event loop, so each
// change is painted at once.

#include "workspace/reporter.h"

#include <QRect>
#include <QString>

class QLabel;
class QWidget;

namespace gloamery::panel {

class PanelReporter final : public Reporter {
public:
    // bar: the filled rectangle whose width shows progress, fullWidth its
    // width at fraction 1; paintArea: the part of window to repaint after
    // a change (the whole status box).
    PanelReporter(QLabel& statusLine, QWidget& bar, double fullWidth, QWidget& window, QRect paintArea);
    ~PanelReporter() override;

    void status(std::string_view text) override;
    void progress(double fraction) override;
    void busy(bool on) override;
    // While busy, Esc asks the run to stop; the other keys and clicks wait.
    bool cancelled() override;
    // Whether the last busy run was asked to stop.
    bool stopped() const { return stop_; }
    // The bar's full width and the box to repaint, after the window zoomed
    // (which sized the bar itself).
    void setBar(double fullWidth, QRect paintArea);

private:
    class InputGuard;
    void paintNow();
    void showText();

    QLabel& statusLine_;
    QWidget& bar_;
    double fullWidth_;
    QWidget& window_;
    QRect paintArea_;
    QString text_; // the last status, whole
    bool busy_ = false;
    bool stop_ = false;
    InputGuard* guard_ = nullptr;
    qint64 lastLook_ = 0;
};

} // namespace gloamery::panel
