#pragma once
// The keys and the mouse of the drawing area, whichever stands there (the
// GL area or its stand-in), passed on as signals to the window. Keys stop
// here, so Escape and Return never reach the dialog.

#include <QObject>

class ViewInput final : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Forwards `area`'s keys and mouse from now on.
    void watch(QObject* area) { area->installEventFilter(this); }

signals:
    void keyDown(int qtKey);
    void mouseDown(Qt::MouseButton button, double x, double y);
    void mouseMoved(Qt::MouseButtons buttons, double x, double y);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
};
