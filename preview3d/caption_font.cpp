#include "caption_font.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QStyle>
#include <QWidget>

#include <algorithm>

namespace gloamery {

namespace {

// The width a control's caption needs: a check box's hint is its
// indicator and caption, while a button's hint has a style's minimum width,
// so there the caption and the margins are measured alone.
int captionWidth(const QWidget& w)
{
    if (qobject_cast<const QCheckBox*>(&w)) return w.sizeHint().width();
    const auto* button = qobject_cast<const QAbstractButton*>(&w);
    if (!button) return w.sizeHint().width();
    return w.fontMetrics().horizontalAdvance(button->text()) + w.style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, &w)
         + 2 * w.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &w);
}

bool allFit(const QList<QWidget*>& captioned)
{
    return std::all_of(captioned.begin(), captioned.end(), [](const QWidget* w) {
        return captionWidth(*w) <= w->width() && w->fontMetrics().height() <= w->height();
    });
}

} // namespace

void fitCaptionFont(QWidget& window, const QList<QWidget*>& captioned)
{
    // A narrower face of the same family is closer to the design than a
    // smaller size.
    constexpr double kDesignPoints = 8.0, kSmallestPoints = 5.0, kStep = 0.5;
    QFont font = window.font();
    for (double points = kDesignPoints; points >= kSmallestPoints; points -= kStep) {
        for (int stretch : {int(QFont::Unstretched), int(QFont::Condensed)}) {
            font.setPointSizeF(points);
            font.setStretch(stretch);
            window.setFont(font);
            if (allFit(captioned)) return;
        }
    }
}

} // namespace gloamery
