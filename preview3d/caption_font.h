#pragma once
// The window's controls were laid out for captions in an 8-point face.
// Faces differ from one system to the next; this picks the largest size,
// 8 points or less, at which every caption fits its control's box, in the
// window's face or else a condensed one of its family.

#include <QList>

class QWidget;

namespace gloamery {

void fitCaptionFont(QWidget& window, const QList<QWidget*>& captioned);

} // namespace gloamery
