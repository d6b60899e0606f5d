#include "frm3D.h"

#include "caption_font.h"
#include "gl_probe.h"
#include "no_gl_area.h"
#include "view_input.h"
#include "imageio/qt/picture_io.h"
#include "ui/twips.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QOpenGLContext>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <iterator>

namespace {

// Layout is kept in twips like the design.
using gloamery::kTwipsPerPixel;
using gloamery::px;
using gloamery::twipRect;

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

} // namespace

frm3D::frm3D(const gloamery::Workspace& ws, gloamery::ViewGrids grids, QWidget* parent)
    : QDialog(parent), ws_(ws), grids_(std::move(grids))
{
    setWindowTitle(QStringLiteral("3D View"));
    setSizeGripEnabled(false);
    // A sizable window: it can be minimised and maximised like any other.
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    makeControls();
    connectControls();
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
    dropDrawingArea();
}

void frm3D::makeControls()
{
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
    input_ = new ViewInput(this);
}

void frm3D::connectControls()
{
    connect(Command1, &QPushButton::clicked, this, &frm3D::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frm3D::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &frm3D::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &frm3D::Command4_Click);
    connect(pulRes, &QPushButton::clicked, this, &frm3D::pulRes_Click);
    connect(Check1, &QCheckBox::stateChanged, this, &frm3D::Check1_Click);
    connect(Timer1, &QTimer::timeout, this, [this] {
        camera_.turnX();
        Command1_Click();
    });
    connect(Timer2, &QTimer::timeout, this, [this] {
        camera_.turnY();
        Command1_Click();
    });
    connect(Timer3, &QTimer::timeout, this, &frm3D::Command1_Click);
    connect(input_, &ViewInput::keyDown, this, &frm3D::Disp_KeyDown);
    connect(input_, &ViewInput::mouseDown, this, &frm3D::Disp_MouseDown);
    connect(input_, &ViewInput::mouseMoved, this, &frm3D::Disp_MouseMove);
}

QWidget* frm3D::dispWidget() const
{
    if (Disp) return Disp;
    return DispNoGL;
}

void frm3D::placeControls()
{
    resize(kDesignWidth, kDesignHeight);
    if (QWidget* area = dispWidget()) area->setGeometry(twipRect(kDispLeftTw, kDispTopTw, kDispWidthTw, kDispHeightTw));
    Command2->setGeometry(twipRect(60, 10200, 1575, kCommand2HeightTw));
    Command3->setGeometry(twipRect(1680, 10200, 1575, kCommand2HeightTw));
    Command4->setGeometry(twipRect(3300, 10200, 1695, kCommand2HeightTw));
    Check1->setGeometry(twipRect(5100, 10200, 1455, 375));
    Check2->setGeometry(twipRect(6600, 10200, 1815, 375));
    Text1->setGeometry(twipRect(8460, 10260, 555, 315));
    pulRes->setGeometry(twipRect(9060, 10260, 1155, 375));
    Command1->setGeometry(twipRect(12780, 10260, 675, 315));
    HScroll1->setGeometry(twipRect(10320, 10260, 2415, 375));
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
    // A loaded window starts from its design values.
    Timer1->stop();
    Timer2->stop();
    Timer3->stop();
    camera_.reload();
    Check1->setChecked(true);
    Check2->setChecked(false);
    Text1->setText(QStringLiteral("32"));
    HScroll1->setValue(100);

    makeDrawingArea();
    loaded_ = true;
    show();
    dispWidget()->setFocus();
    if (Init()) Disp->load(ws_, grids_);
    Timer3->start();
}

void frm3D::makeDrawingArea()
{
    // A new drawing area each time: its context is made when it is first
    // shown and goes with it at unload. It is made only when a context can
    // be had at all (see NoGLArea).
    if (fault_ != GLFault::NoContext && gloamery::viewContextCanBeMade())
        Disp = new TerrainView(camera_, this);
    else
        DispNoGL = new NoGLArea(this);
    QWidget* area = dispWidget();
    input_->watch(area);
    // The drawing area grows with the window over the bottom controls that
    // keep their design places; it stays beneath them, so they stay visible
    // and can be clicked at every size.
    area->lower();
    placeControls();
    area->show();
    setTabOrder(area, Command2);
    QWidget* order[] = {Command2, Command3, Command4, Check1, Check2, Text1, pulRes, Command1, HScroll1};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
}

bool frm3D::Init()
{
    // No drawing area: the probe found no context. (A drawing area whose
    // own context failed after a good probe is reported the same way; its
    // window cannot be taken back from GL composition.)
    QOpenGLContext* ctx = Disp ? Disp->context() : nullptr;
    if (!ctx || !ctx->isValid()) {
        qWarning("3D view: no OpenGL context could be made");
        messageBox(QMessageBox::Critical, kErrorTitle, kChooseFailed);
        return false;
    }
    QSurfaceFormat got = ctx->format();
    if (fault_ == GLFault::WrongFormat) got.setProfile(QSurfaceFormat::CoreProfile);
    const QString lacks = gloamery::formatShortfall(got);
    if (!lacks.isEmpty()) {
        // Legacy drawing on such a context would fail or draw garbage, so
        // this one is refused too and nothing is drawn.
        qWarning("3D view: the OpenGL context lacks %s", qPrintable(lacks));
        messageBox(QMessageBox::Critical, kErrorTitle, kSetFailed);
        return false;
    }
    Disp->setUp();
    return true;
}

void frm3D::Form_Unload()
{
    if (!loaded_) return;
    Timer1->stop();
    Timer2->stop();
    Timer3->stop();
    dropDrawingArea();
    loaded_ = false;
}

void frm3D::dropDrawingArea()
{
    if (Disp) Disp->release();
    // The context, and the terrain with it, goes with the drawing area.
    delete Disp;
    Disp = nullptr;
    delete DispNoGL;
    DispNoGL = nullptr;
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
    const int dispWidthTw = std::max(0, outerWidth - 240);
    const int dispHeightTw = std::max(0, outerHeight - 640 - kCommand2HeightTw);
    if (QWidget* area = dispWidget()) area->setGeometry(twipRect(kDispLeftTw, kDispTopTw, dispWidthTw, dispHeightTw));
    const int top = px(kDispTopTw + dispHeightTw + 60);
    for (QPushButton* b : {Command2, Command3, Command4}) b->move(b->x(), top);
    if (GLReady()) {
        const double dpr = Disp->devicePixelRatioF();
        Disp->setViewport(Disp->width() * dpr, Disp->height() * dpr);
    }
}

void frm3D::Check1_Click()
{
    if (GLReady()) Disp->setDetail(Check1->checkState() != Qt::Unchecked);
}

void frm3D::Command1_Click()
{
    if (Disp) Disp->requestFrame();
}

void frm3D::pulRes_Click()
{
    const QString text = Text1->text();
    const std::optional<double> v = gloamery::localeNumberParser()(text.toStdString());
    const ViewCamera::Rescale result = v ? camera_.rescale(*v) : ViewCamera::Rescale::NotAScale;
    if (result == ViewCamera::Rescale::NotAScale)
        messageBox(QMessageBox::Warning, windowTitle(),
                   QStringLiteral("The scale must be a number other than 0, not \"%1\".").arg(text));
    else if (result == ViewCamera::Rescale::TooLarge)
        messageBox(QMessageBox::Warning, windowTitle(),
                   QStringLiteral("The scale \"%1\" is too close to 0: the mesh would be too large to draw.").arg(text));
}

void frm3D::Command2_Click() { Timer1->isActive() ? Timer1->stop() : Timer1->start(); }
void frm3D::Command3_Click() { Timer2->isActive() ? Timer2->stop() : Timer2->start(); }
void frm3D::Command4_Click() { Timer3->isActive() ? Timer3->stop() : Timer3->start(); }

void frm3D::Disp_KeyDown(int qtKey)
{
    const int speed = HScroll1->value();
    switch (qtKey) {
    case Qt::Key_Left:
    case Qt::Key_A: camera_.move(ViewCamera::Move::Left, speed); break;
    case Qt::Key_Right:
    case Qt::Key_D: camera_.move(ViewCamera::Move::Right, speed); break;
    case Qt::Key_Up:
    case Qt::Key_W: camera_.move(ViewCamera::Move::Farther, speed); break;
    case Qt::Key_Down:
    case Qt::Key_S: camera_.move(ViewCamera::Move::Nearer, speed); break;
    default: break;
    }
}

void frm3D::Disp_MouseDown(Qt::MouseButton, double x, double y) { camera_.press(x, y); }

void frm3D::Disp_MouseMove(Qt::MouseButtons buttons, double x, double y)
{
    if (buttons == Qt::LeftButton) camera_.drag(x, y, HScroll1->value());
}
