#include "gl_probe.h"

#include <QOpenGLContext>
#include <QStringList>

namespace gloamery {

QSurfaceFormat viewSurfaceFormat()
{
    QSurfaceFormat f;
    f.setRenderableType(QSurfaceFormat::OpenGL);
    f.setProfile(QSurfaceFormat::CompatibilityProfile); // client arrays, gluPerspective
    f.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    f.setRedBufferSize(8);
    f.setGreenBufferSize(8);
    f.setBlueBufferSize(8);
    f.setDepthBufferSize(16);
    return f;
}

QString formatShortfall(const QSurfaceFormat& f)
{
    QStringList lacks;
    if (f.renderableType() == QSurfaceFormat::OpenGLES || f.renderableType() == QSurfaceFormat::OpenVG)
        lacks << QStringLiteral("desktop OpenGL");
    // Below 3.2 there are no profiles and everything legacy is there.
    if (f.profile() == QSurfaceFormat::CoreProfile) lacks << QStringLiteral("a compatibility profile");
    if (f.redBufferSize() + f.greenBufferSize() + f.blueBufferSize() < 24) lacks << QStringLiteral("24 colour bits");
    if (f.depthBufferSize() < 16) lacks << QStringLiteral("16 depth bits");
    if (f.swapBehavior() == QSurfaceFormat::SingleBuffer) lacks << QStringLiteral("double buffering");
    return lacks.join(QStringLiteral(", "));
}

bool viewContextCanBeMade()
{
    // Without any GL (no GLX, no EGL) this fails at once; with GL it makes
    // and frees a context of the asked format.
    QOpenGLContext probe;
    probe.setFormat(viewSurfaceFormat());
    return probe.create() && probe.isValid();
}

} // namespace gloamery
