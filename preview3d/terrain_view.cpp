#include "terrain_view.h"

#include "gl_probe.h"
#include "workspace/numeric.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>

namespace {

// glViewport takes the sizes as 16-bit integers, rounded half to even.
GLsizei viewportSide(double v)
{
    const double r = gloamery::nearest(v);
    if (!(r > 0.0)) return 0;
    return static_cast<GLsizei>(std::min(r, 32767.0));
}

} // namespace

TerrainView::TerrainView(const ViewCamera& camera, QWidget* parent) : QOpenGLWidget(parent), camera_(camera)
{
    setFormat(gloamery::viewSurfaceFormat());
    setUpdateBehavior(QOpenGLWidget::PartialUpdate);
    setFocusPolicy(Qt::StrongFocus);
}

void TerrainView::enterGL()
{
    ++glOperations_;
    makeCurrent();
}

void TerrainView::setUp()
{
    enterGL();
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glDepthFunc(GL_LESS);
    glEnable(GL_DEPTH_TEST);
    // The upper side of the mesh is the back face (see TerrainLod).
    glCullFace(GL_FRONT);
    glEnable(GL_CULL_FACE);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_COLOR_MATERIAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);

    ready_ = true; // setViewport needs it
    const double dpr = devicePixelRatioF();
    setViewport(width() * dpr, height() * dpr);
}

void TerrainView::load(const gloamery::Workspace& ws, const gloamery::ViewGrids& grids)
{
    if (!ready_) return;
    enterGL();
    terrain_.load(ws, grids);
}

void TerrainView::setDetail(bool on)
{
    if (!ready_) return;
    enterGL();
    terrain_.setDetail(on);
}

void TerrainView::setViewport(double width, double height)
{
    if (!ready_) return;
    enterGL();
    if (height == 0.0) height = 1.0;
    glViewport(0, 0, viewportSide(width), viewportSide(height));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, width / height, 0.1, 120.0);
    // The frame relies on the modelview matrix being current.
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void TerrainView::release()
{
    if (ready_) doneCurrent();
    ready_ = false;
    // The context, and everything in it, goes with the area.
    terrain_.forget();
}

void TerrainView::requestFrame()
{
    renderRequested_ = true;
    update();
}

void TerrainView::resizeGL(int w, int h)
{
    frameValid_ = false;
    const double dpr = devicePixelRatioF();
    setViewport(w * dpr, h * dpr);
}

void TerrainView::paintGL()
{
    if (!ready_) return;
    // Between requests the area keeps its last frame; only a new (resized)
    // area is drawn afresh rather than left undefined.
    if (!renderRequested_ && frameValid_) return;
    renderRequested_ = false;
    frameValid_ = true;
    drawFrame();
}

void TerrainView::drawFrame()
{
    ++framesDrawn_;
    ++glOperations_;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(camera_.offsetX(), 0.0f, camera_.offsetZ());
    glRotatef(camera_.angleX(), 1.0f, 0.0f, 0.0f);
    glRotatef(camera_.angleY(), 0.0f, 1.0f, 0.0f);
    terrain_.draw(camera_.scale());
}
