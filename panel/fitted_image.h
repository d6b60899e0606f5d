#pragma once
// A picture of any size shown in a cell of fixed size: scaled to fit with
// its aspect kept, centred, smooth; pixel for pixel when it is the cell's
// size. The picture is read a row at a time (PictureRows), so a slot kept
// compact or the height samples are shown without a picture of the map's
// size being made.

#include "workspace/height_slot.h"
#include "workspace/picture.h"
#include "workspace/slot_image.h"

#include <QImage>
#include <QPointF>
#include <QRect>
#include <QSize>

#include <functional>

namespace gloamery::panel {

// A picture's rows, one at a time: row(y, scratch) gives the width values
// of row y, in scratch (room for width) or wherever they already lie. It
// may be called from several threads at once.
struct PictureRows {
    int width = 0;
    int height = 0;
    Colour background = kWhite;
    std::function<const Colour*(int y, Colour* scratch)> row;
};
// The rows of a slot read through its rule (of a picture, when made from one).
PictureRows rowsOf(const SlotView& view, Colour background);
PictureRows rowsOf(const Picture& picture);
// A slot's rows, valid while the slot image lives.
PictureRows rowsOf(const SlotImage& image);
// The rows of the height picture, made from the samples as it is shown.
PictureRows rowsOf(const HeightSlot& heights);

// Where a picture of size `picture` lies in a cell of size `cell`.
QRect fittedRect(QSize picture, QSize cell);

// The picture scaled to fittedRect's size: each pixel the mean of the
// picture pixels it covers when smaller, a smooth enlargement when larger.
QImage fittedImage(const PictureRows& picture, QSize cell);
inline QImage fittedImage(const Picture& picture, QSize cell) { return fittedImage(rowsOf(picture), cell); }

// The picture scaled to `to` in the same way, whatever its own size.
QImage scaledImage(const PictureRows& picture, QSize to);
inline QImage scaledImage(const Picture& picture, QSize to) { return scaledImage(rowsOf(picture), to); }

// A picture of size `to` (no larger than the picture's), each pixel the
// rounded mean of the picture pixels it covers, the background kept.
Picture meanPicture(const PictureRows& picture, QSize to);

// The whole picture the rows give (for pictures no larger than a cell).
Picture wholePicture(const PictureRows& picture);

// The picture pixel under a cell position, for a picture shown in `shown`
// (may lie outside the picture when the position lies outside `shown`).
QPoint picturePixelAt(QPointF cellPos, QRect shown, QSize picture);

} // namespace gloamery::panel
