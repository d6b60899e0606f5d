#include "view_input.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace {

// Pointer positions travel as 32-bit floats, as the view always took them.
double pointer(qreal v) { return static_cast<float>(v); }

} // namespace

bool ViewInput::eventFilter(QObject* watched, QEvent* e)
{
    switch (e->type()) {
    case QEvent::KeyPress: {
        const auto* k = static_cast<QKeyEvent*>(e);
        // Tab moves the focus on, as from any control.
        if ((k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab)
            && !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
            return false;
        emit keyDown(k->key());
        return true; // other keys do nothing, and none reaches the dialog
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: { // the second press of a double click is a press too
        const auto* m = static_cast<QMouseEvent*>(e);
        emit mouseDown(m->button(), pointer(m->position().x()), pointer(m->position().y()));
        return true;
    }
    case QEvent::MouseMove: {
        const auto* m = static_cast<QMouseEvent*>(e);
        emit mouseMoved(m->buttons(), pointer(m->position().x()), pointer(m->position().y()));
        return true;
    }
    default:
        return QObject::eventFilter(watched, e);
    }
}
