#include "frm3D.h"

#include "caption_font.h"
#include "imageio/picture_io.h"
#include "workspace/numeric.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStringList>
#include <QTimer>

#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

using gloamery::nearest;

constexpr int kTwipsPerPixel = 15;

// Layout is kept in twips like the design; a control's pixel rectangle is
// each edge value converted on its own.
int px(double twips) { return static_cast<int>(nearest(twips / kTwipsPerPixel)); }
QRect twips(int left, int top, int width, int height) { return QRect(px(left), px(top), px(width), px(height)); }

// The resize rule works on the window's outer size. Decorations differ from
// one window manager to the next (and are absent under Xvfb), so a fixed
// nominal border and caption stand for them: with these the design client
// size lays out exactly as designed.
constexpr int kFrameWidthTw = 105;
constexpr int kFrameHeightTw = 471;

constexpr int kDispLeftTw = 60, kDispTopTw = 60, kDispWidthTw = 13455, kDispHeightTw = 10091;
constexpr int kCommand2HeightTw = 435;

const QString kErrorTitle = QStringLiteral("ERRORE");
const QString kChooseFailed = QStringLiteral("Impossibile scegliere il PixelFormat.");
const QString kSetFailed = QStringLiteral("Impossibile settare il Pixel Format!");

std::int32_t toPixel(double v) { return static_cast<std::int32_t>(nearest(v)); }

// glViewport takes the sizes as 16-bit integers, rounded half to even.
GLsizei viewportSide(double v)
{
    const double r = nearest(v);
    if (!(r > 0.0)) return 0;
    return static_cast<GLsizei>(std::min(r, 32767.0));
}

} // namespace

// ---------------------------------------------------------------- DispArea

DispArea::DispArea(frm3D& owner, QWidget* parent) : QOpenGLWidget(parent), owner_(owner)
{
    setFormat(frm3D::requestedFormat());
    // Frames are drawn only on request; in between the last one stays.
    setUpdateBehavior(QOpenGLWidget::PartialUpdate);
    setFocusPolicy(Qt::StrongFocus);
}

void DispArea::resizeGL(int w, int h)
{
    const double dpr = devicePixelRatioF();
    owner_.viewResized();
    if (owner_.glReady_) owner_.ResizeGL(w * dpr, h * dpr);
}

void DispArea::paintGL() { owner_.paintFrame(); }

void DispArea::keyPressEvent(QKeyEvent* e)
{
    owner_.Disp_KeyDown(e->key());
    e->accept(); // other keys do nothing: Escape and Return must not reach the dialog
}

void DispArea::mousePressEvent(QMouseEvent* e)
{
    owner_.Disp_MouseDown(e->button(), static_cast<float>(e->position().x()), static_cast<float>(e->position().y()));
}

void DispArea::mouseMoveEvent(QMouseEvent* e)
{
    owner_.Disp_MouseMove(e->buttons(), static_cast<float>(e->position().x()), static_cast<float>(e->position().y()));
}

// ------------------------------------------------------------- DispStandIn

DispStandIn::DispStandIn(frm3D& owner, QWidget* parent) : QWidget(parent), owner_(owner)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

void DispStandIn::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    p.setPen(Qt::gray);
    p.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap,
               QStringLiteral("No OpenGL on this display: the terrain cannot be drawn."));
}

void DispStandIn::keyPressEvent(QKeyEvent* e)
{
    owner_.Disp_KeyDown(e->key());
    e->accept();
}

void DispStandIn::mousePressEvent(QMouseEvent* e)
{
    owner_.Disp_MouseDown(e->button(), static_cast<float>(e->position().x()), static_cast<float>(e->position().y()));
}

void DispStandIn::mouseMoveEvent(QMouseEvent* e)
{
    owner_.Disp_MouseMove(e->buttons(), static_cast<float>(e->position().x()), static_cast<float>(e->position().y()));
}

// ------------------------------------------------------------------- frm3D

frm3D::frm3D(const gloamery::Workspace& grids, QWidget* parent) : QDialog(parent), grids_(grids)
{
    setWindowTitle(QStringLiteral("3D View"));
    setSizeGripEnabled(false);
    // A sizable window: it can be minimised and maximised like any other.
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);

    auto button = [this](const char* caption) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setAutoDefault(false);
        return b;
    };
    Command2 = button("Auto Rotate on X");
    Command3 = button("Auto Rotate on Y");
    Command4 = button("Auto Render");
    Check1 = new QCheckBox(QStringLiteral("Detail texture"), this);
    Check2 = new QCheckBox(QStringLiteral("Incremental mapping"), this);
    // The drawing area reaches under the check boxes in a tall window; their
    // own background keeps the captions readable on the black frame.
    for (QCheckBox* c : {Check1, Check2}) c->setAutoFillBackground(true);
    Text1 = new QLineEdit(this);
    pulRes = button("Rescale");
    Command1 = button("Command1");
    Command1->hide();
    HScroll1 = new QScrollBar(Qt::Horizontal, this);
    HScroll1->setRange(1, 1000);
    HScroll1->setSingleStep(1);
    HScroll1->setPageStep(1);
    // In the tab order like every control, but a click on it leaves the
    // keys with the drawing area.
    HScroll1->setFocusPolicy(Qt::TabFocus);

    Timer1 = new QTimer(this);
    Timer1->setInterval(33);
    Timer2 = new QTimer(this);
    Timer2->setInterval(33);
    Timer3 = new QTimer(this);
    Timer3->setInterval(50);

    connect(Command1, &QPushButton::clicked, this, &frm3D::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frm3D::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &frm3D::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &frm3D::Command4_Click);
    connect(pulRes, &QPushButton::clicked, this, &frm3D::pulRes_Click);
    connect(Check1, &QCheckBox::stateChanged, this, &frm3D::Check1_Click);
    connect(Timer1, &QTimer::timeout, this, [this] {
        AngleX = static_cast<float>(AngleX + 2.0);
        Command1_Click();
    });
    connect(Timer2, &QTimer::timeout, this, [this] {
        AngleY = static_cast<float>(AngleY + 2.0);
        Command1_Click();
    });
    connect(Timer3, &QTimer::timeout, this, &frm3D::Command1_Click);

    messageBox = [this](QMessageBox::Icon icon, const QString& title, const QString& text) {
        QMessageBox box(icon, title, text, QMessageBox::Ok, this);
        box.exec();
    };

    placeControls();
    gloamery::fitCaptionFont(*this, {Command2, Command3, Command4, Check1, Check2, pulRes});
}

frm3D::~frm3D()
{
    Form_Unload();
    delete Disp; // it calls back into this window, so it must go first
    Disp = nullptr;
    delete DispNoGL;
    DispNoGL = nullptr;
}

QWidget* frm3D::dispWidget() const
{
    if (Disp) return Disp;
    return DispNoGL;
}

bool frm3D::contextCanBeMade()
{
    // Without any GL (no GLX, no EGL) this fails at once, with no window
    // touched; with GL it makes and frees a context of the asked format.
    QOpenGLContext probe;
    probe.setFormat(requestedFormat());
    return probe.create() && probe.isValid();
}

QSurfaceFormat frm3D::requestedFormat()
{
    QSurfaceFormat f;
    f.setRenderableType(QSurfaceFormat::OpenGL);
    f.setProfile(QSurfaceFormat::CompatibilityProfile); // glBegin, gluPerspective
    f.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    f.setRedBufferSize(8);
    f.setGreenBufferSize(8);
    f.setBlueBufferSize(8);
    f.setDepthBufferSize(16);
    return f;
}

QString frm3D::formatShortfall(const QSurfaceFormat& f)
{
    QStringList lacks;
    if (f.renderableType() == QSurfaceFormat::OpenGLES || f.renderableType() == QSurfaceFormat::OpenVG)
        lacks << QStringLiteral("desktop OpenGL");
    // Below 3.2 there are no profiles and everything legacy is there.
    if (f.profile() == QSurfaceFormat::CoreProfile) lacks << QStringLiteral("a compatibility profile");
    if (f.redBufferSize() + f.greenBufferSize() + f.blueBufferSize() < 24)
        lacks << QStringLiteral("24 colour bits");
    if (f.depthBufferSize() < 16) lacks << QStringLiteral("16 depth bits");
    if (f.swapBehavior() == QSurfaceFormat::SingleBuffer) lacks << QStringLiteral("double buffering");
    return lacks.join(QStringLiteral(", "));
}

void frm3D::placeControls()
{
    resize(kDesignWidth, kDesignHeight);
    dispWidthTw_ = kDispWidthTw;
    dispHeightTw_ = kDispHeightTw;
    command2TopTw_ = 10200;
    if (QWidget* area = dispWidget()) area->setGeometry(twips(kDispLeftTw, kDispTopTw, kDispWidthTw, kDispHeightTw));
    Command2->setGeometry(twips(60, 10200, 1575, kCommand2HeightTw));
    Command3->setGeometry(twips(1680, 10200, 1575, kCommand2HeightTw));
    Command4->setGeometry(twips(3300, 10200, 1695, kCommand2HeightTw));
    Check1->setGeometry(twips(5100, 10200, 1455, 375));
    Check2->setGeometry(twips(6600, 10200, 1815, 375));
    Text1->setGeometry(twips(8460, 10260, 555, 315));
    pulRes->setGeometry(twips(9060, 10260, 1155, 375));
    Command1->setGeometry(twips(12780, 10260, 675, 315));
    HScroll1->setGeometry(twips(10320, 10260, 2415, 375));
}

void frm3D::showModal()
{
    setWindowModality(Qt::ApplicationModal);
    Form_Load();
    exec();
    Form_Unload(); // in case exec ended without done()
}

void frm3D::Form_Load()
{
    if (loaded_) return;
    Timer3->stop();
    for (int k = 0; k <= 256; ++k) {
        VertexCoord[k] = static_cast<float>((k - 128) / 32.0);
        TexCoord[k] = static_cast<float>(k / 8.0);
    }
    meshScale_ = 32.0;

    // A loaded window starts from its design values.
    Timer1->stop();
    Timer2->stop();
    Check1->setChecked(true);
    Check2->setChecked(false);
    Text1->setText(QStringLiteral("32"));
    HScroll1->setValue(100);

    // A new drawing area each time: its context is made when it is first
    // shown and goes with it at unload. It is made only when a context can
    // be had at all (see DispStandIn); otherwise the stand-in takes its
    // place and Init reports the failure.
    if (fault_ != GLFault::NoContext && contextCanBeMade())
        Disp = new DispArea(*this, this);
    else
        DispNoGL = new DispStandIn(*this, this);
    QWidget* area = dispWidget();
    // The drawing area grows with the window over the bottom controls that
    // keep their design places; it stays beneath them, so they stay visible
    // and can be clicked at every size.
    area->lower();
    placeControls();
    area->show();
    setTabOrder(area, Command2);
    QWidget* order[] = {Command2, Command3, Command4, Check1, Check2, Text1, pulRes, Command1, HScroll1};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);

    OffsetZ = -5.0f;
    loaded_ = true;
    show();
    area->setFocus();

    Init();
    if (glReady_) {
        Disp->makeCurrent();
        glEnable(GL_COLOR_MATERIAL);
    }
    LoadTexture();
    Timer3->start();
}

void frm3D::Form_Unload()
{
    if (!loaded_) return;
    Timer1->stop();
    Timer2->stop();
    Timer3->stop();
    UnloadGL();
    loaded_ = false;
}

void frm3D::keyPressEvent(QKeyEvent* e)
{
    // Only the close box closes the view; Escape does nothing here either.
    if (e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void frm3D::done(int r)
{
    Form_Unload();
    QDialog::done(r);
}

bool frm3D::Init()
{
    // No drawing area: the probe in Form_Load found no context. (A drawing
    // area whose own context failed after a good probe is reported the same
    // way; its window cannot be taken back from GL composition.)
    QOpenGLContext* ctx = Disp ? Disp->context() : nullptr;
    if (!ctx || !ctx->isValid()) {
        qWarning("3D view: no OpenGL context could be made");
        messageBox(QMessageBox::Critical, kErrorTitle, kChooseFailed);
        return false;
    }
    QSurfaceFormat got = ctx->format();
    if (fault_ == GLFault::WrongFormat) got.setProfile(QSurfaceFormat::CoreProfile);
    const QString lacks = formatShortfall(got);
    if (!lacks.isEmpty()) {
        // Legacy drawing on such a context would fail or draw garbage, so
        // this one is refused too and nothing is drawn.
        qWarning("3D view: the OpenGL context lacks %s", qPrintable(lacks));
        messageBox(QMessageBox::Critical, kErrorTitle, kSetFailed);
        return false;
    }

    ++glOperations_;
    Disp->makeCurrent();
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glDepthFunc(GL_LESS);
    glEnable(GL_DEPTH_TEST);
    // The upper side of the mesh is the back face (see drawFrame).
    glCullFace(GL_FRONT);
    glEnable(GL_CULL_FACE);
    glShadeModel(GL_SMOOTH);

    glReady_ = true; // ResizeGL needs it; set before the first viewport
    const double dpr = Disp->devicePixelRatioF();
    ResizeGL(Disp->width() * dpr, Disp->height() * dpr);
    return true;
}

void frm3D::ResizeGL(double width, double height)
{
    if (!glReady_ || !Disp) return;
    ++glOperations_;
    Disp->makeCurrent();
    if (height == 0.0) height = 1.0;
    glViewport(0, 0, viewportSide(width), viewportSide(height));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, width / height, 0.1, 120.0);
    // The render relies on the modelview matrix being current.
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void frm3D::resizeEvent(QResizeEvent* e)
{
    QDialog::resizeEvent(e);
    Form_Resize();
}

void frm3D::Form_Resize()
{
    if (isMinimized()) return;
    const int outerWidth = width() * kTwipsPerPixel + kFrameWidthTw;
    const int outerHeight = height() * kTwipsPerPixel + kFrameHeightTw;
    // A window smaller than the margins gives an empty area, never a
    // negative size.
    dispWidthTw_ = std::max(0, outerWidth - 240);
    dispHeightTw_ = std::max(0, outerHeight - 640 - kCommand2HeightTw);
    command2TopTw_ = kDispTopTw + dispHeightTw_ + 60;
    if (QWidget* area = dispWidget()) area->setGeometry(twips(kDispLeftTw, kDispTopTw, dispWidthTw_, dispHeightTw_));
    const int top = px(command2TopTw_);
    for (QPushButton* b : {Command2, Command3, Command4}) b->move(b->x(), top);
    if (glReady_) {
        const double dpr = Disp->devicePixelRatioF();
        ResizeGL(Disp->width() * dpr, Disp->height() * dpr);
    }
}

void frm3D::UnloadGL()
{
    if (Disp) {
        if (glReady_) Disp->doneCurrent();
        // The context, and the texture with it, goes with the drawing area.
        delete Disp;
        Disp = nullptr;
    }
    delete DispNoGL;
    DispNoGL = nullptr;
    glReady_ = false;
    terrain_.forget();
    renderRequested_ = false;
    frameValid_ = false;
}

void frm3D::LoadTexture()
{
    if (!glReady_) return;
    ++glOperations_;
    Disp->makeCurrent();
    terrain_.load(grids_);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
}

void frm3D::Check1_Click()
{
    if (!glReady_) return;
    ++glOperations_;
    Disp->makeCurrent();
    terrain_.setDetail(Check1->checkState() != Qt::Unchecked);
}

void frm3D::Command1_Click()
{
    if (!Disp) return;
    renderRequested_ = true;
    Disp->update();
}

void frm3D::paintFrame()
{
    if (!glReady_) return;
    // Between render requests the drawing area keeps its last frame; only a
    // new (resized) area is drawn afresh rather than left undefined.
    if (!renderRequested_ && frameValid_) return;
    renderRequested_ = false;
    frameValid_ = true;
    drawFrame();
}

void frm3D::drawFrame()
{
    ++framesDrawn_;
    ++glOperations_;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(OffsetX, 0.0f, OffsetZ);
    glRotatef(AngleX, 1.0f, 0.0f, 0.0f);
    glRotatef(AngleY, 0.0f, 1.0f, 0.0f);
    terrain_.draw(grids_, VertexCoord, TexCoord, meshScale_);
}

void frm3D::pulRes_Click()
{
    const QString text = Text1->text();
    const std::optional<double> v = gloamery::localeNumberParser()(text.toStdString());
    if (!v || !std::isfinite(*v) || *v == 0.0) {
        messageBox(QMessageBox::Warning, windowTitle(),
                   QStringLiteral("The scale must be a number other than 0, not \"%1\".").arg(text));
        return;
    }
    // The widest entry, k = 0, must fit a 32-bit float, or the mesh would
    // run off to infinity.
    if (!(128.0 / std::fabs(*v) <= std::numeric_limits<float>::max())) {
        messageBox(QMessageBox::Warning, windowTitle(),
                   QStringLiteral("The scale \"%1\" is too close to 0: the mesh would be too large to draw.").arg(text));
        return;
    }
    for (int k = 0; k <= 256; ++k) VertexCoord[k] = static_cast<float>((k - 128) / *v);
    meshScale_ = *v;
}

void frm3D::Command2_Click() { Timer1->isActive() ? Timer1->stop() : Timer1->start(); }
void frm3D::Command3_Click() { Timer2->isActive() ? Timer2->stop() : Timer2->start(); }
void frm3D::Command4_Click() { Timer3->isActive() ? Timer3->stop() : Timer3->start(); }

void frm3D::Disp_KeyDown(int qtKey)
{
    const double d = HScroll1->value() / 100.0;
    switch (qtKey) {
    case Qt::Key_Left:
    case Qt::Key_A:
        OffsetX = static_cast<float>(OffsetX - d);
        break;
    case Qt::Key_Right:
    case Qt::Key_D:
        OffsetX = static_cast<float>(OffsetX + d);
        break;
    case Qt::Key_Up:
    case Qt::Key_W:
        OffsetZ = static_cast<float>(OffsetZ - d);
        break;
    case Qt::Key_Down:
    case Qt::Key_S:
        OffsetZ = static_cast<float>(OffsetZ + d);
        break;
    default:
        break;
    }
}

void frm3D::Disp_MouseDown(Qt::MouseButton, double x, double y)
{
    LastMouseX = toPixel(x);
    LastMouseY = toPixel(y);
}

void frm3D::Disp_MouseMove(Qt::MouseButtons buttons, double x, double y)
{
    if (buttons != Qt::LeftButton) return;
    const int q = 1001 - HScroll1->value();
    // The distance runs from the exact pointer to the stored whole pixel.
    AngleY = static_cast<float>(AngleY + (x - LastMouseX) / q);
    AngleX = static_cast<float>(AngleX + (y - LastMouseY) / q);
    LastMouseX = toPixel(x);
    LastMouseY = toPixel(y);
}

void frm3D::viewResized() { frameValid_ = false; }
