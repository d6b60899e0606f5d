#include "no_gl_area.h"

#include <QPainter>

NoGLArea::NoGLArea(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

void NoGLArea::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    p.setPen(Qt::gray);
    p.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap,
               QStringLiteral("No OpenGL on this display: the terrain cannot be drawn."));
}
