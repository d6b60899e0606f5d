#include "status_line.h"

#include <QLabel>
#include <QObject>

namespace gloamery::panel {

namespace {
// Marks the label's tooltip as the whole status text, so a tooltip given
// for another reason is never taken for it.
constexpr char kElided[] = "gloameryStatusElided";
} // namespace

void showStatus(QLabel& label, const QString& text)
{
    const QFontMetrics metrics(label.font());
    const int room = label.contentsRect().width();
    const bool fits = metrics.horizontalAdvance(text) <= room;
    label.setText(fits ? text : metrics.elidedText(text, Qt::ElideRight, room));
    label.setToolTip(fits ? QString() : text);
    label.setProperty(kElided, !fits);
}

QString fullStatus(const QLabel& label)
{
    return label.property(kElided).toBool() ? label.toolTip() : label.text();
}

QString stoppableStatus(const QString& text) { return QObject::tr("%1 (Esc stops)").arg(text); }

} // namespace gloamery::panel
