#include "picture_view.h"

#include "fitted_image.h"

#include <QMouseEvent>
#include <QPainter>

namespace gloamery::panel {

PictureView::PictureView(const Workspace& ws, Slot slot, QWidget* parent) : QWidget(parent), slot_(slot)
{
    const PictureRows own = slot == Slot::Height ? rowsOf(ws.heights()) : rowsOf(ws.image(slot));
    setFixedSize(own.width, own.height);
    setAttribute(Qt::WA_OpaquePaintEvent);
    refreshFrom(own);
}

void PictureView::refresh(const Workspace& ws)
{
    // Scaled straight from the slot as it is kept: a picture of the map's
    // size is never made for the cell.
    refreshFrom(slot_ == Slot::Height ? rowsOf(ws.heights()) : rowsOf(ws.image(slot_)));
}

void PictureView::refreshFrom(const PictureRows& own)
{
    picture_ = QSize(own.width, own.height);
    showRows(own);
}

void PictureView::showStandIn(const Picture& standIn) { showRows(rowsOf(standIn)); }

void PictureView::showRows(const PictureRows& rows)
{
    shown_ = fittedRect(picture_, size());
    image_ = scaledImage(rows, shown_.size());
    update();
}

QPoint PictureView::picturePixel(QPointF viewPos) const
{
    return picturePixelAt(viewPos, shown_, picture_);
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
