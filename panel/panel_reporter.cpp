#include "panel_reporter.h"

#include "workspace/numeric.h"

#include <QApplication>
#include <QLabel>

#include <algorithm>

namespace gloamery::panel {

PanelReporter::PanelReporter(QLabel& statusLine, QWidget& bar, double fullWidth, QWidget& window, QRect paintArea)
    : statusLine_(statusLine), bar_(bar), fullWidth_(fullWidth), window_(window), paintArea_(paintArea)
{
}

PanelReporter::~PanelReporter()
{
    if (busy_) QApplication::restoreOverrideCursor();
}

void PanelReporter::status(std::string_view text)
{
    statusLine_.setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    paintNow();
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
    if (on) QApplication::setOverrideCursor(Qt::WaitCursor);
    else QApplication::restoreOverrideCursor();
}

void PanelReporter::paintNow()
{
    if (window_.isVisible()) window_.repaint(paintArea_);
}

} // namespace gloamery::panel
