#pragma once
// What stands where the drawing area would be when no OpenGL context can
// be had: a black area that says so. It takes the focus, the keys and the
// mouse like the drawing area (through ViewInput), without any GL behind
// it. A QOpenGLWidget must not be made then: once shown, it switches its
// window to GL composition, and with no GL at all Qt's flush of that
// window crashes.

#include <QWidget>

class NoGLArea final : public QWidget {
public:
    explicit NoGLArea(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* e) override;
};
