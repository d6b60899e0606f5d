#include "picture_view.h"

#include "imageio/picture_io.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace gloamery::panel {

PictureView::PictureView(const Picture& picture, Slot slot, QWidget* parent)
    : QWidget(parent), picture_(picture), slot_(slot)
{
    setFixedSize(picture.width(), picture.height());
    setAttribute(Qt::WA_OpaquePaintEvent);
    refresh();
}

void PictureView::refresh()
{
    image_ = toQImage(picture_);
    update();
}

void PictureView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, image_);
}

void PictureView::mousePressEvent(QMouseEvent* event)
{
    // Pixel coordinates: the pixel under the pointer, even when the
    // platform reports fractions of a pixel.
    const QPointF p = event->position();
    const QPoint pixel(static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y())));
    emit pressed(slot_, event->button(), pixel, event->globalPosition().toPoint());
}

} // namespace gloamery::panel
