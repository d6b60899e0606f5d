#include "picture_view.h"

#include "fitted_image.h"

#include <QMouseEvent>
#include <QPainter>

namespace gloamery::panel {

PictureView::PictureView(const Workspace& ws, Slot slot, QWidget* parent)
    : QWidget(parent), ws_(ws), slot_(slot)
{
    setFixedSize(pictureSize());
    setAttribute(Qt::WA_OpaquePaintEvent);
    refresh();
}

QSize PictureView::pictureSize() const
{
    if (slot_ == Slot::Height) return QSize(ws_.width(), ws_.height());
    return QSize(ws_.image(slot_).width(), ws_.image(slot_).height());
}

void PictureView::refresh()
{
    // Scaled straight from the slot as it is kept: a picture of the map's
    // size is never made for the cell.
    if (slot_ == Slot::Height) showRows(rowsOf(ws_.heights()));
    else showRows(rowsOf(ws_.image(slot_)));
}

void PictureView::setCellSize(QSize size)
{
    if (size == this->size()) return;
    setFixedSize(size);
    refresh();
}

void PictureView::showStandIn(const Picture& standIn) { showRows(rowsOf(standIn)); }

void PictureView::showRows(const PictureRows& rows)
{
    shown_ = fittedRect(pictureSize(), size());
    image_ = scaledImage(rows, shown_.size());
    update();
}

QPoint PictureView::picturePixel(QPointF viewPos) const
{
    return picturePixelAt(viewPos, shown_, pictureSize());
}

void PictureView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (shown_ != rect()) painter.fillRect(rect(), palette().window());
    painter.drawImage(shown_.topLeft(), image_);
    emit painted(slot_);
}

void PictureView::mousePressEvent(QMouseEvent* event)
{
    // The pixel under the pointer, even when the platform reports
    // fractions of a pixel.
    const QPoint pixel = picturePixel(event->position());
    const bool inside = shown_.contains(event->position().toPoint());
    emit pressed(slot_, event->button(), pixel, event->globalPosition().toPoint(), inside);
}

void PictureView::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton) emit dragged(slot_, picturePixel(event->position()));
}

void PictureView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) emit released(slot_);
}

} // namespace gloamery::panel
