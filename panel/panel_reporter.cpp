#include "panel_reporter.h"

#include "status_line.h"
#include "workspace/numeric.h"

#include <QApplication>
#include <QDateTime>
#include <QKeyEvent>
#include <QLabel>

#include <algorithm>

namespace gloamery::panel {

// Watches the input of the whole application while a run is busy: Esc
// asks it to stop; every other key and click is dropped, as the run is not
// ready for them.
class PanelReporter::InputGuard final : public QObject {
public:
    explicit InputGuard(bool& stop) : stop_(stop) { qApp->installEventFilter(this); }
    ~InputGuard() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        switch (e->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) stop_ = true;
            return true;
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::ShortcutOverride:
        case QEvent::DragEnter:
        case QEvent::Drop:
            return true;
        default:
            return false;
        }
    }

private:
    bool& stop_;
};

PanelReporter::PanelReporter(QLabel& statusLine, QWidget& bar, double fullWidth, QWidget& window, QRect paintArea)
    : statusLine_(statusLine), bar_(bar), fullWidth_(fullWidth), window_(window), paintArea_(paintArea)
{
}

PanelReporter::~PanelReporter()
{
    if (busy_) QApplication::restoreOverrideCursor();
    delete guard_;
}

void PanelReporter::status(std::string_view text)
{
    text_ = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    showText();
}

void PanelReporter::showText()
{
    // A run that can be stopped says how.
    showStatus(statusLine_, busy_ ? stoppableStatus(text_) : text_);
    paintNow();
}

void PanelReporter::setBar(double fullWidth, QRect paintArea)
{
    fullWidth_ = fullWidth;
    paintArea_ = paintArea;
    showStatus(statusLine_, fullStatus(statusLine_)); // elided anew to the label's width
}

void PanelReporter::progress(double fraction)
{
    // A fraction outside 0..1 would draw the bar off its track.
    const double f = std::clamp(fraction, 0.0, 1.0);
    const int width = static_cast<int>(nearest(f * fullWidth_));
    if (width == bar_.width()) return;
    bar_.resize(width, bar_.height());
    paintNow();
}

void PanelReporter::busy(bool on)
{
    // Over the whole application, not only the form: the pictures and
    // buttons cover most of it.
    if (on == busy_) return;
    busy_ = on;
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        stop_ = false;
    } else {
        QApplication::restoreOverrideCursor();
        delete guard_;
        guard_ = nullptr;
    }
    if (!text_.isEmpty()) showText();
}

bool PanelReporter::cancelled()
{
    if (!busy_) return false;
    // Looks at the input now and then: often enough that Esc answers at
    // once, seldom enough to cost the run nothing.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - lastLook_ >= 50) {
        lastLook_ = now;
        if (!guard_) guard_ = new InputGuard(stop_);
        QApplication::processEvents();
    }
    return stop_;
}

void PanelReporter::paintNow()
{
    if (window_.isVisible()) window_.repaint(paintArea_);
}

} // namespace gloamery::panel
