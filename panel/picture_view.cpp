#include "picture_view.h"

#include "fitted_image.h"

#include <QMouseEvent>
#include <QPainter>

namespace gloamery::panel {

PictureView::PictureView(const Picture& picture, Slot slot, QWidget* parent)
    : QWidget(parent), picture_(picture), slot_(slot)
{
    setFixedSize(picture.width(), picture.height());
    setAttribute(Qt::WA_OpaquePaintEvent);
    refresh();
}

void PictureView::refresh() { showStandIn(picture_); }

void PictureView::showStandIn(const Picture& standIn)
{
    shown_ = fittedRect(QSize(picture_.width(), picture_.height()), size());
    image_ = scaledImage(standIn, shown_.size());
    update();
}

QPoint PictureView::picturePixel(QPointF viewPos) const
{
    return picturePixelAt(viewPos, shown_, QSize(picture_.width(), picture_.height()));
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
