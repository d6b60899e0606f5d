#pragma once
// A picture of any size shown in a cell of fixed size: scaled to fit with
// its aspect kept, centred, smooth; pixel for pixel when it is the cell's
// size.

#include "workspace/picture.h"

#include <QImage>
#include <QPointF>
#include <QRect>
#include <QSize>

namespace gloamery::panel {

// Where a picture of size `picture` lies in a cell of size `cell`.
QRect fittedRect(QSize picture, QSize cell);

// The picture scaled to fittedRect's size: each pixel the mean of the
// picture pixels it covers when smaller, a smooth enlargement when larger.
QImage fittedImage(const Picture& picture, QSize cell);

// The picture scaled to `to` in the same way, whatever its own size.
QImage scaledImage(const Picture& picture, QSize to);

// A picture of size `to` (no larger than the picture's), each pixel the
// rounded mean of the picture pixels it covers, the background kept.
Picture meanPicture(const Picture& picture, QSize to);

// The picture pixel under a cell position, for a picture shown in `shown`
// (may lie outside the picture when the position lies outside `shown`).
QPoint picturePixelAt(QPointF cellPos, QRect shown, QSize picture);

} // namespace gloamery::panel
