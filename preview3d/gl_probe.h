#pragma once
// What the 3D view asks of OpenGL, and whether the display can give it,
// found out before any drawing area exists: a QOpenGLWidget must never be
// made without GL (see NoGLArea).

#include <QString>
#include <QSurfaceFormat>

namespace gloamery {

// Compatibility (legacy) GL for the fixed-function drawing, double
// buffering, at least 24 colour and 16 depth bits.
QSurfaceFormat viewSurfaceFormat();

// Empty when a context's format has all that viewSurfaceFormat asks, else
// what it lacks.
QString formatShortfall(const QSurfaceFormat& f);

// Whether a context of the asked format can be made at all, tried on a
// context of its own with no window touched.
bool viewContextCanBeMade();

} // namespace gloamery
