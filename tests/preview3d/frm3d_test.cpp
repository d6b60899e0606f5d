// The 3D view under a real (software) GL context: what it draws, read back
// from its framebuffer, and how its controls change the view.

#include "preview3d/frm3D.h"
#include "preview3d/terrain_lod.h"
#include "workspace/view_maps.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <random>
#include <utility>
#include <vector>

#include <dlfcn.h>
#include <link.h>

using gloamery::Colour;
using gloamery::Picture;
using gloamery::Slot;
using gloamery::Workspace;

namespace {

struct Message {
    QMessageBox::Icon icon;
    QString title;
    QString text;
};

// Every grid sample set to one height, one colour and one detail colour.
void fillGrids(Workspace& ws, float height, float r, float g, float b, std::uint8_t detail)
{
    for (int x = 0; x <= 256; ++x) {
        for (int y = 0; y <= 256; ++y) {
            ws.heightGrid()(x, y) = height;
            ws.colorGrid()[0](x, y) = r;
            ws.colorGrid()[1](x, y) = g;
            ws.colorGrid()[2](x, y) = b;
            for (auto& plane : ws.colorGrid2()) plane(x, y) = detail;
        }
    }
}

void setColour(Workspace& ws, int x, int y, float r, float g, float b)
{
    ws.colorGrid()[0](x, y) = r;
    ws.colorGrid()[1](x, y) = g;
    ws.colorGrid()[2](x, y) = b;
}

void buildGrids(Workspace& ws)
{
    gloamery::SilentReporter quiet;
    gloamery::CalculateMaps(ws, quiet);
}

// A level w x h map (height 128) in one colour under one detail grey, its
// view grids built as "3D" builds them.
void buildLevelMap(Workspace& ws, int w, int h, Colour colour, int detail)
{
    ws = Workspace(w, h);
    ws.picture(Slot::Height) = Picture(gloamery::grey(128), w, h);
    ws.picture(Slot::Colour) = Picture(colour, w, h);
    ws.picture(Slot::Detail) = Picture(gloamery::grey(detail), w, h);
    buildGrids(ws);
}

// A small terrain with hills, a colour gradient and a detail pattern, and
// the same drawn `factor` times larger (every pixel a factor x factor block).
void fillScene(Workspace& ws, int factor)
{
    const int n = 256 * factor;
    ws = Workspace(n, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const int u = x / factor, v = y / factor;
            const int hill = static_cast<int>(128 + 60 * std::sin(u / 20.0) * std::cos(v / 31.0));
            ws.picture(Slot::Height).setPixel(x, y, gloamery::grey(hill));
            ws.picture(Slot::Colour).setPixel(x, y, gloamery::compose(u, v, 255 - u / 2));
            ws.picture(Slot::Detail).setPixel(x, y, gloamery::grey(((u / 16 + v / 16) % 2) ? 255 : 180));
        }
    buildGrids(ws);
}

double meanDifference(const QImage& a, const QImage& b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

QString where(int x, int y) { return QStringLiteral(" at %1,%2").arg(x).arg(y); }

bool near(QRgb c, int r, int g, int b, int tol)
{
    return std::abs(qRed(c) - r) <= tol && std::abs(qGreen(c) - g) <= tol && std::abs(qBlue(c) - b) <= tol;
}

QString rgb(QRgb c) { return QStringLiteral("(%1,%2,%3)").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c)); }

bool isBlack(QRgb c) { return qRed(c) < 8 && qGreen(c) < 8 && qBlue(c) < 8; }

void sendMouse(QWidget* w, QEvent::Type type, QPointF pos, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, pos, w->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// The GL driver is unloaded when the last context goes, before the leak
// check at exit; kept loaded, its own leaks carry its name, which
// scripts/lsan.supp suppresses.
int keepDriverLoaded(dl_phdr_info* info, size_t, void*)
{
    if (info->dlpi_name && std::strstr(info->dlpi_name, "_dri.so"))
        dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    return 0;
}

} // namespace

class Frm3DTest : public QObject {
    Q_OBJECT

    Workspace ws_;
    std::vector<Message> messages_;

    // A loaded view whose message boxes are recorded, with the auto-render
    // timer stopped so only the test asks for frames.
    void open(frm3D& v, bool stopRender = true)
    {
        v.messageBox = [this](QMessageBox::Icon i, const QString& t, const QString& s) {
            messages_.push_back({i, t, s});
        };
        v.Form_Load();
        if (stopRender) v.Timer3->stop();
    }

    static QImage frame(frm3D& v)
    {
        v.Command1_Click();
        return v.Disp->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
    }

    static QRgb centre(const QImage& img) { return img.pixel(img.width() / 2, img.height() / 2); }

private slots:
    void initTestCase()
    {
        frm3D v(ws_);
        open(v);
        QVERIFY2(v.GLReady(), "no OpenGL context: run under an X server with GL (xvfb-run)");
        dl_iterate_phdr(keepDriverLoaded, nullptr);
    }

    void init()
    {
        ws_ = Workspace();
        messages_.clear();
    }

    void layoutAndDesignValues()
    {
        frm3D v(ws_);
        open(v, false);
        QVERIFY(v.GLReady());
        QCOMPARE(v.windowTitle(), QStringLiteral("3D View"));
        QCOMPARE(v.size(), QSize(906, 713));
        // A sizable window that can be minimised and maximised.
        QVERIFY(v.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(v.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));

        struct Expected {
            QWidget* w;
            QString text;
            QRect px;
        };
        const Expected controls[] = {
            {v.Disp, {}, {4, 4, 897, 673}},
            {v.Command2, "Auto Rotate on X", {4, 681, 105, 29}}, // first row follows Disp, 60 twips below it
            {v.Command3, "Auto Rotate on Y", {112, 681, 105, 29}},
            {v.Command4, "Auto Render", {220, 681, 113, 29}},
            {v.Check1, "Detail texture", {340, 680, 97, 25}},
            {v.Check2, "Incremental mapping", {440, 680, 121, 25}},
            {v.Text1, "32", {564, 684, 37, 21}},
            {v.pulRes, "Rescale", {604, 684, 77, 25}},
            {v.Command1, "Command1", {852, 684, 45, 21}},
            {v.HScroll1, {}, {688, 684, 161, 25}},
        };
        for (const auto& c : controls) {
            QVERIFY2(c.w->geometry() == c.px, qPrintable(c.w->metaObject()->className() + QStringLiteral(" ") + c.text));
            if (auto* b = qobject_cast<QAbstractButton*>(c.w)) QCOMPARE(b->text(), c.text);
        }
        QVERIFY(!v.Command1->isVisible());
        QCOMPARE(v.Text1->text(), QStringLiteral("32"));
        QVERIFY(v.Check1->isChecked());
        QVERIFY(!v.Check2->isChecked());
        QCOMPARE(v.HScroll1->minimum(), 1);
        QCOMPARE(v.HScroll1->maximum(), 1000);
        QCOMPARE(v.HScroll1->value(), 100);
        QCOMPARE(v.HScroll1->singleStep(), 1);
        QCOMPARE(v.HScroll1->pageStep(), 1);
        QCOMPARE(v.Timer1->interval(), 33);
        QCOMPARE(v.Timer2->interval(), 33);
        QCOMPARE(v.Timer3->interval(), 50);
        QVERIFY(!v.Timer1->isActive());
        QVERIFY(!v.Timer2->isActive());
        QVERIFY(v.Timer3->isActive());

        // Disp holds the focus, and Tab runs from it through the design order.
        QCOMPARE(v.focusWidget(), static_cast<QWidget*>(v.Disp));
        const std::vector<QWidget*> order = {v.Disp, v.Command2, v.Command3, v.Command4, v.Check1,
                                             v.Check2, v.Text1, v.pulRes, v.Command1, v.HScroll1};
        std::vector<QWidget*> chain;
        QWidget* w = v.Disp;
        do {
            if (!w->isWindow() && (w->focusPolicy() & Qt::TabFocus)) chain.push_back(w);
            w = w->nextInFocusChain();
        } while (w != v.Disp && chain.size() < 20);
        QVERIFY(chain == order);

        // The table of the mesh: -4..4 in model units, texture 0..32.
        QCOMPARE(v.VertexCoord[0], -4.0f);
        QCOMPARE(v.VertexCoord[128], 0.0f);
        QCOMPARE(v.VertexCoord[256], 4.0f);
        QCOMPARE(v.VertexCoord[1], -3.96875f);
        QCOMPARE(v.TexCoord[256], 32.0f);
        QCOMPARE(v.TexCoord[3], 0.375f);
        QCOMPARE(v.OffsetZ, -5.0f);
        QVERIFY(messages_.empty());
    }

    void fixedGlStateAndTexture()
    {
        // Detail texels that tell x from y: R = x, G = y, B = x xor y.
        for (int x = 0; x <= 256; ++x)
            for (int y = 0; y <= 256; ++y) {
                ws_.colorGrid2()[0](x, y) = static_cast<std::uint8_t>(x);
                ws_.colorGrid2()[1](x, y) = static_cast<std::uint8_t>(y);
                ws_.colorGrid2()[2](x, y) = static_cast<std::uint8_t>(x ^ y);
            }
        frm3D v(ws_);
        open(v);
        QVERIFY(v.GLReady());
        QVERIFY(v.TextureName() != 0);
        v.Disp->makeCurrent();

        const QOpenGLContext* ctx = QOpenGLContext::currentContext();
        QVERIFY(ctx);
        QVERIFY2(frm3D::formatShortfall(ctx->format()).isEmpty(), qPrintable(frm3D::formatShortfall(ctx->format())));

        GLint i = 0;
        glGetIntegerv(GL_CULL_FACE_MODE, &i);
        QCOMPARE(i, GL_FRONT);
        QVERIFY(glIsEnabled(GL_CULL_FACE));
        QVERIFY(glIsEnabled(GL_DEPTH_TEST));
        QVERIFY(glIsEnabled(GL_COLOR_MATERIAL));
        QVERIFY(glIsEnabled(GL_TEXTURE_2D));
        QVERIFY(!glIsEnabled(GL_LIGHTING));
        glGetIntegerv(GL_DEPTH_FUNC, &i);
        QCOMPARE(i, GL_LESS);
        glGetIntegerv(GL_SHADE_MODEL, &i);
        QCOMPARE(i, GL_SMOOTH);
        glGetIntegerv(GL_PERSPECTIVE_CORRECTION_HINT, &i);
        QCOMPARE(i, GL_NICEST);

        glBindTexture(GL_TEXTURE_2D, v.TextureName());
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &i);
        QCOMPARE(i, GL_LINEAR);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &i);
        QCOMPARE(i, GL_LINEAR_MIPMAP_NEAREST);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &i);
        QCOMPARE(i, 256);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 8, GL_TEXTURE_WIDTH, &i); // the whole mipmap chain
        QCOMPARE(i, 1);

        // Texture row r holds grid column x = r; texel n of it grid row y = n.
        std::vector<GLubyte> texels(256 * 256 * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
        for (int r = 0; r < 256; r += 5)
            for (int n = 0; n < 256; n += 3) {
                const GLubyte* t = &texels[(r * 256 + n) * 3];
                QVERIFY2(t[0] == r && t[1] == n && t[2] == (r ^ n), qPrintable(where(n, r)));
            }
    }

    void formatShortfall_data()
    {
        QTest::addColumn<QSurfaceFormat>("format");
        QTest::addColumn<bool>("usable");
        const QSurfaceFormat good = frm3D::requestedFormat();
        QTest::newRow("as asked") << good << true;
        QSurfaceFormat f = good;
        f.setDepthBufferSize(24);
        f.setAlphaBufferSize(8);
        QTest::newRow("more than asked") << f << true;
        f = good;
        f.setVersion(2, 1);
        f.setProfile(QSurfaceFormat::NoProfile);
        QTest::newRow("legacy, no profiles") << f << true;
        f = good;
        f.setVersion(3, 3);
        f.setProfile(QSurfaceFormat::CoreProfile);
        QTest::newRow("core profile") << f << false;
        f = good;
        f.setRedBufferSize(5);
        f.setGreenBufferSize(6);
        f.setBlueBufferSize(5);
        QTest::newRow("16 colour bits") << f << false;
        f = good;
        f.setDepthBufferSize(0);
        QTest::newRow("no depth") << f << false;
        f = good;
        f.setSwapBehavior(QSurfaceFormat::SingleBuffer);
        QTest::newRow("single buffered") << f << false;
        f = good;
        f.setRenderableType(QSurfaceFormat::OpenGLES);
        QTest::newRow("OpenGL ES") << f << false;
    }

    void formatShortfall()
    {
        QFETCH(QSurfaceFormat, format);
        QFETCH(bool, usable);
        QCOMPARE(frm3D::formatShortfall(format).isEmpty(), usable);
    }

    void viewportAndProjection_data()
    {
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        QTest::addColumn<int>("vpWidth");
        QTest::addColumn<int>("vpHeight");
        QTest::addColumn<double>("aspect");
        QTest::newRow("design") << 897.0 << 673.0 << 897 << 673 << 897.0 / 673.0;
        QTest::newRow("height 0 taken as 1") << 300.0 << 0.0 << 300 << 1 << 300.0;
        QTest::newRow("halves to even") << 100.5 << 50.5 << 100 << 50 << 100.5 / 50.5;
        QTest::newRow("odd halves up") << 101.5 << 20.0 << 102 << 20 << 101.5 / 20.0;
    }

    void viewportAndProjection()
    {
        QFETCH(double, width);
        QFETCH(double, height);
        QFETCH(int, vpWidth);
        QFETCH(int, vpHeight);
        QFETCH(double, aspect);
        frm3D v(ws_);
        open(v);
        v.ResizeGL(width, height);
        v.Disp->makeCurrent();
        GLint vp[4];
        glGetIntegerv(GL_VIEWPORT, vp);
        QCOMPARE(vp[0], 0);
        QCOMPARE(vp[1], 0);
        QCOMPARE(vp[2], vpWidth);
        QCOMPARE(vp[3], vpHeight);
        GLint mode = 0;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        QCOMPARE(mode, GL_MODELVIEW);
        double p[16];
        glGetDoublev(GL_PROJECTION_MATRIX, p);
        const double f = 1.0 / std::tan(22.5 * M_PI / 180.0);
        QVERIFY2(std::fabs(p[5] - f) < 1e-5, qPrintable(QString::number(p[5])));
        QVERIFY2(std::fabs(p[0] - f / aspect) < 1e-5, qPrintable(QString::number(p[0])));
        QVERIFY(std::fabs(p[10] - (120.1 / -119.9)) < 1e-5);
        QVERIFY(std::fabs(p[14] - (2 * 120.0 * 0.1 / -119.9)) < 1e-5);
    }

    void resizeLaysOutDispAndFirstRow_data()
    {
        QTest::addColumn<QSize>("client");
        QTest::addColumn<QSize>("disp");
        QTest::addColumn<int>("buttonTop");
        QTest::newRow("design") << QSize(906, 713) << QSize(897, 673) << 681;
        QTest::newRow("larger") << QSize(1200, 900) << QSize(1191, 860) << 868;
        QTest::newRow("smaller") << QSize(400, 300) << QSize(391, 260) << 268;
        QTest::newRow("too small: clamped at 0") << QSize(6, 30) << QSize(0, 0) << 8;
    }

    void resizeLaysOutDispAndFirstRow()
    {
        QFETCH(QSize, client);
        QFETCH(QSize, disp);
        QFETCH(int, buttonTop);
        frm3D v(ws_);
        open(v);
        v.resize(client);
        QCOMPARE(v.size(), client);
        QCOMPARE(v.Disp->geometry(), QRect(QPoint(4, 4), disp));
        for (QWidget* b : {v.Command2, v.Command3, v.Command4}) QCOMPARE(b->y(), buttonTop);
        // The rest of the bottom row stays put.
        QCOMPARE(v.Check1->geometry(), QRect(340, 680, 97, 25));
        QCOMPARE(v.HScroll1->geometry(), QRect(688, 684, 161, 25));
        if (!disp.isEmpty()) {
            v.Disp->makeCurrent();
            GLint vp[4];
            glGetIntegerv(GL_VIEWPORT, vp);
            QCOMPARE(QSize(vp[2], vp[3]), disp);
            QVERIFY(!frame(v).isNull());
        }
        QVERIFY(messages_.empty());
    }

    void minimisedWindowKeepsItsLayout()
    {
        frm3D v(ws_);
        open(v);
        const QRect before = v.Disp->geometry();
        v.setWindowState(Qt::WindowMinimized);
        QVERIFY(v.isMinimized());
        v.resize(500, 400);
        v.Form_Resize();
        QCOMPARE(v.Disp->geometry(), before);
        v.setWindowState(Qt::WindowNoState);
        v.Form_Resize();
        QCOMPARE(v.Disp->geometry(), QRect(4, 4, 491, 360));
    }

    // Seen from straight above (AngleX 90), the mesh fills the frame.
    void colourMapShowsThrough_data()
    {
        QTest::addColumn<int>("detail");
        QTest::addColumn<bool>("texturing");
        QTest::addColumn<int>("r");
        QTest::addColumn<int>("g");
        QTest::addColumn<int>("b");
        QTest::newRow("white detail, textured") << 255 << true << 204 << 102 << 51;
        QTest::newRow("white detail, untextured") << 255 << false << 204 << 102 << 51;
        QTest::newRow("dark detail, textured") << 64 << true << 51 << 26 << 13;
        QTest::newRow("dark detail, untextured") << 64 << false << 204 << 102 << 51;
    }

    void colourMapShowsThrough()
    {
        QFETCH(int, detail);
        QFETCH(bool, texturing);
        QFETCH(int, r);
        QFETCH(int, g);
        QFETCH(int, b);
        fillGrids(ws_, 0.0f, 0.8f, 0.4f, 0.2f, static_cast<std::uint8_t>(detail));
        frm3D v(ws_);
        open(v);
        v.AngleX = 90.0f;
        const unsigned texture = v.TextureName();
        v.Check1->setChecked(texturing);
        const QImage img = frame(v);
        QCOMPARE(v.TextureName(), texture); // switching does not upload again
        for (QPoint p : {QPoint(img.width() / 2, img.height() / 2), QPoint(20, 20), QPoint(img.width() - 20, 600)})
            QVERIFY2(near(img.pixel(p), r, g, b, 3), qPrintable(rgb(img.pixel(p)) + where(p.x(), p.y())));
    }

    void checkBoxSwitchesTexturingFromTheNextFrame()
    {
        fillGrids(ws_, 0.0f, 0.8f, 0.4f, 0.2f, 64);
        frm3D v(ws_);
        open(v);
        v.AngleX = 90.0f;
        const QRgb dark = centre(frame(v));
        v.Check1->setChecked(false);
        QCOMPARE(centre(v.Disp->grabFramebuffer()), dark); // no new frame yet
        const QRgb plain = centre(frame(v));
        QVERIFY2(qRed(plain) > qRed(dark) + 100, qPrintable(rgb(plain) + rgb(dark)));
        v.Check1->setChecked(true);
        QCOMPARE(centre(frame(v)), dark);
    }

    // Angles 0: the eye at height 0 looks along the mesh. A flat mesh at
    // height -0.25 runs from z = -9 (grid row 0, far) to z = -1.03125 (grid
    // row 255, near; row 256 is not drawn). Its near edge is the band's
    // lower edge, at frame row (1 + 0.25 / (1.03125 tan 22.5)) / 2 * 673 =
    // 533.4; its far edge at row (1 + 0.25 / (9 tan 22.5)) / 2 * 673 = 359.1.
    void defaultViewPutsTheNearEdgeAtTheBottom()
    {
        fillGrids(ws_, -0.25f, 0.0f, 0.0f, 0.0f, 255);
        for (int x = 0; x <= 256; ++x)
            for (int y = 0; y <= 256; ++y)
                setColour(ws_, x, y, y < 128 ? 1.0f : 0.0f, y < 128 ? 0.0f : 1.0f, 0.0f); // far half red
        frm3D v(ws_);
        open(v);
        const QImage img = frame(v);
        QCOMPARE(img.size(), QSize(897, 673));
        for (int x : {100, 448, 797}) {
            for (int y : {5, 200, 355, 535, 600, 668}) QVERIFY2(isBlack(img.pixel(x, y)), qPrintable(where(x, y)));
            const QRgb nearSide = img.pixel(x, 531);
            const QRgb farSide = img.pixel(x, 365);
            QVERIFY2(qGreen(nearSide) > 150 && qRed(nearSide) < 60, qPrintable(rgb(nearSide) + where(x, 531)));
            QVERIFY2(qRed(farSide) > 150 && qGreen(farSide) < 60, qPrintable(rgb(farSide) + where(x, 365)));
        }
        // Two renders of an unchanged view are the same image.
        QCOMPARE(frame(v), img);
    }

    // From above, the last grid column (x = 256) is part of the mesh and the
    // last row (y = 256) is not.
    void lastColumnDrawnLastRowNot()
    {
        fillGrids(ws_, 0.0f, 0.5f, 0.5f, 0.5f, 255);
        for (int k = 0; k <= 256; ++k) {
            setColour(ws_, 256, k, 1.0f, 0.0f, 0.0f);
            setColour(ws_, k, 256, 0.0f, 0.0f, 1.0f);
        }
        frm3D v(ws_);
        open(v);
        v.AngleX = 90.0f;
        v.Text1->setText(QStringLiteral("64")); // the whole mesh in sight
        v.pulRes_Click();
        const QImage img = frame(v);
        int reddish = 0, bluish = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QRgb c = img.pixel(x, y);
                reddish += qRed(c) > qGreen(c) + 30;
                bluish += qBlue(c) > qGreen(c) + 10;
            }
        QVERIFY2(reddish > 100, qPrintable(QString::number(reddish)));
        QCOMPARE(bluish, 0);
    }

    // Detail rows y < 32 bright: in every tile a bright band runs along the
    // grid's y direction, which from above is down the screen.
    void detailImageLiesTransposed()
    {
        fillGrids(ws_, 0.0f, 1.0f, 1.0f, 1.0f, 40);
        for (int x = 0; x <= 256; ++x)
            for (int y = 0; y < 32; ++y)
                for (auto& plane : ws_.colorGrid2()) plane(x, y) = 255;
        frm3D v(ws_);
        open(v);
        v.AngleX = 90.0f;
        const QImage img = frame(v);
        std::vector<double> colMean(img.width()), rowMean(img.height());
        for (int y = 100; y < 500; ++y)
            for (int x = 100; x < 700; ++x) {
                colMean[x] += qGreen(img.pixel(x, y)) / 400.0;
                rowMean[y] += qGreen(img.pixel(x, y)) / 600.0;
            }
        const auto spread = [](const std::vector<double>& m, int from, int to) {
            double lo = 1e9, hi = -1e9;
            for (int i = from; i < to; ++i) lo = std::min(lo, m[i]), hi = std::max(hi, m[i]);
            return hi - lo;
        };
        const double across = spread(colMean, 100, 700);
        const double along = spread(rowMean, 100, 500);
        QVERIFY2(across > 60 && along < 10, qPrintable(QStringLiteral("%1 %2").arg(across).arg(along)));
    }

    void rescale()
    {
        fillGrids(ws_, 0.0f, 0.0f, 0.0f, 0.0f, 255);
        for (int x = 0; x <= 256; ++x)
            for (int y = 0; y <= 256; ++y) setColour(ws_, x, y, x < 128 ? 1.0f : 0.0f, 0.0f, x < 128 ? 0.0f : 1.0f);
        frm3D v(ws_);
        open(v);
        v.AngleX = 90.0f;
        const auto loaded = v.VertexCoord;
        const int row = 336;

        QImage img = frame(v);
        QVERIFY(qRed(img.pixel(200, row)) > 200 && qBlue(img.pixel(700, row)) > 200);
        QVERIFY(!isBlack(img.pixel(3, 3)));

        // "64": x = +-2 lies at column (1 + 0.4 tan(67.5) / aspect) / 2 * 897 = 773.5.
        v.Text1->setText(QStringLiteral("64"));
        v.pulRes_Click();
        QCOMPARE(v.VertexCoord[0], -2.0f);
        QCOMPARE(v.VertexCoord[256], 2.0f);
        img = frame(v);
        QVERIFY2(qBlue(img.pixel(765, row)) > 200, qPrintable(rgb(img.pixel(765, row))));
        QVERIFY2(isBlack(img.pixel(782, row)), qPrintable(rgb(img.pixel(782, row))));
        QVERIFY2(qRed(img.pixel(132, row)) > 200 && isBlack(img.pixel(115, row)), qPrintable(rgb(img.pixel(132, row))));

        // Negative: mirrored in x and z, the upper side still the visible one.
        v.Text1->setText(QStringLiteral("-32"));
        v.pulRes_Click();
        img = frame(v);
        QVERIFY2(qBlue(img.pixel(200, row)) > 200 && qRed(img.pixel(700, row)) > 200,
                 qPrintable(rgb(img.pixel(200, row)) + rgb(img.pixel(700, row))));

        v.Text1->setText(QStringLiteral("32"));
        v.pulRes_Click();
        QVERIFY(v.VertexCoord == loaded);
        QVERIFY(messages_.empty());
    }

    void rescaleRefusesWhatIsNotAScale_data()
    {
        QTest::addColumn<QString>("text");
        for (const char* t : {"", "abc", "12abc", "0", "-0", "0.0", "nan", "inf", "1e400"}) QTest::newRow(t) << t;
        // Non-zero, but 128 / v overflows a 32-bit float: the mesh would be infinite.
        for (const char* t : {"1e-40", "-3.7e-37", "1e-310"}) QTest::newRow(t) << t;
    }

    void rescaleRefusesWhatIsNotAScale()
    {
        QFETCH(QString, text);
        frm3D v(ws_);
        open(v);
        v.Text1->setText(QStringLiteral("64"));
        v.pulRes_Click();
        const auto before = v.VertexCoord;
        v.Text1->setText(text);
        QTest::mouseClick(v.pulRes, Qt::LeftButton);
        QVERIFY(v.VertexCoord == before);
        QCOMPARE(messages_.size(), std::size_t{1});
        QCOMPARE(messages_[0].icon, QMessageBox::Warning);
        QVERIFY2(messages_[0].text.contains(QLatin1Char('"') + text + QLatin1Char('"')), qPrintable(messages_[0].text));
    }

    void keysMoveTheMesh_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("speed");
        QTest::addColumn<double>("dx");
        QTest::addColumn<double>("dz");
        QTest::newRow("left") << int(Qt::Key_Left) << 0 << 100 << -1.0 << 0.0;
        QTest::newRow("A") << int(Qt::Key_A) << 0 << 100 << -1.0 << 0.0;
        QTest::newRow("shift+A") << int(Qt::Key_A) << int(Qt::ShiftModifier) << 100 << -1.0 << 0.0;
        QTest::newRow("right at V 1") << int(Qt::Key_Right) << 0 << 1 << 0.01 << 0.0;
        QTest::newRow("D at V 1000") << int(Qt::Key_D) << 0 << 1000 << 10.0 << 0.0;
        QTest::newRow("up") << int(Qt::Key_Up) << 0 << 250 << 0.0 << -2.5;
        QTest::newRow("W") << int(Qt::Key_W) << 0 << 100 << 0.0 << -1.0;
        QTest::newRow("down") << int(Qt::Key_Down) << 0 << 37 << 0.0 << 0.37;
        QTest::newRow("S") << int(Qt::Key_S) << 0 << 100 << 0.0 << 1.0;
        QTest::newRow("Q: nothing") << int(Qt::Key_Q) << 0 << 100 << 0.0 << 0.0;
        QTest::newRow("Escape: nothing") << int(Qt::Key_Escape) << 0 << 100 << 0.0 << 0.0;
        QTest::newRow("Return: nothing") << int(Qt::Key_Return) << 0 << 100 << 0.0 << 0.0;
    }

    void keysMoveTheMesh()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, speed);
        QFETCH(double, dx);
        QFETCH(double, dz);
        frm3D v(ws_);
        open(v);
        v.OffsetX = 0.5f;
        v.HScroll1->setValue(speed);
        float x = 0.5f, z = -5.0f;
        // A held key repeats its step.
        for (int press = 1; press <= 2; ++press) {
            QTest::keyClick(v.Disp, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
            x = float(x + dx);
            z = float(z + dz);
            QCOMPARE(v.OffsetX, x);
            QCOMPARE(v.OffsetZ, z);
        }
        QVERIFY(v.isVisible()); // no key closes the window
        QVERIFY(!v.Timer1->isActive()); // nor presses a button
    }

    // Only the close box closes the view: Escape does nothing wherever the
    // focus is.
    void escapeNeverClosesTheWindow()
    {
        frm3D v(ws_);
        open(v);
        v.Text1->setText(QStringLiteral("16"));
        for (QWidget* w : std::initializer_list<QWidget*>{v.Disp, v.Text1, v.Command2, v.pulRes, v.Check1, v.HScroll1}) {
            w->setFocus();
            QTest::keyClick(w, Qt::Key_Escape);
            QVERIFY2(v.isVisible() && v.isLoaded(), w->metaObject()->className());
            QCOMPARE(v.Text1->text(), QStringLiteral("16"));
        }
        QVERIFY(messages_.empty());
    }

    void dragTurnsTheMesh()
    {
        frm3D v(ws_);
        open(v);
        QWidget* d = v.Disp;

        // At the design speed: pixels / 901 degrees, from where the button went down.
        sendMouse(d, QEvent::MouseMove, {500, 500}, Qt::NoButton, Qt::NoButton);
        QCOMPARE(v.LastMouseX, 0); // a move without a button changes nothing
        sendMouse(d, QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton, Qt::LeftButton);
        QCOMPARE(v.LastMouseX, 100);
        QCOMPARE(v.LastMouseY, 100);
        QCOMPARE(v.AngleX, 0.0f);
        sendMouse(d, QEvent::MouseMove, {190, 145}, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(v.AngleY, float(90.0 / 901));
        QCOMPARE(v.AngleX, float(45.0 / 901));
        QCOMPARE(v.LastMouseX, 190);
        QCOMPARE(v.LastMouseY, 145);
        sendMouse(d, QEvent::MouseButtonRelease, {190, 145}, Qt::LeftButton, Qt::NoButton);

        // At speed 1000 one pixel is one degree; right, up: AngleY up, AngleX down.
        v.HScroll1->setValue(1000);
        v.AngleX = v.AngleY = 0.0f;
        sendMouse(d, QEvent::MouseButtonPress, {10, 50}, Qt::LeftButton, Qt::LeftButton);
        sendMouse(d, QEvent::MouseMove, {13, 48}, Qt::NoButton, Qt::LeftButton);
        sendMouse(d, QEvent::MouseMove, {20, 40}, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(v.AngleY, 10.0f);
        QCOMPARE(v.AngleX, -10.0f);

        // Other buttons only set the start point.
        for (Qt::MouseButtons held : {Qt::MouseButtons(Qt::RightButton), Qt::LeftButton | Qt::RightButton,
                                      Qt::MouseButtons(Qt::MiddleButton)}) {
            sendMouse(d, QEvent::MouseButtonPress, {30, 30}, Qt::RightButton, held);
            sendMouse(d, QEvent::MouseMove, {80, 90}, Qt::NoButton, held);
            QCOMPARE(v.AngleY, 10.0f);
            QCOMPARE(v.LastMouseX, 30);
        }

        // Fractional pointer positions: the start rounds half to even, the
        // turn is measured from the stored whole pixel.
        sendMouse(d, QEvent::MouseButtonPress, {10.5, 11.5}, Qt::LeftButton, Qt::LeftButton);
        QCOMPARE(v.LastMouseX, 10);
        QCOMPARE(v.LastMouseY, 12);
        sendMouse(d, QEvent::MouseMove, {12.25, 11.5}, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(v.AngleY, float(10.0f + 2.25));
        QCOMPARE(v.AngleX, float(-10.0f - 0.5));
        QCOMPARE(v.LastMouseX, 12);
        QCOMPARE(v.LastMouseY, 12);
    }

    void buttonsToggleTheTimers()
    {
        frm3D v(ws_);
        open(v, false);
        struct Case {
            QPushButton* button;
            QTimer* timer;
            float* angle;
        } cases[] = {{v.Command2, v.Timer1, &v.AngleX}, {v.Command3, v.Timer2, &v.AngleY}};
        for (const Case& c : cases) {
            QTest::mouseClick(c.button, Qt::LeftButton);
            QVERIFY(c.timer->isActive());
            QTRY_VERIFY(*c.angle >= 6.0f);
            QTest::mouseClick(c.button, Qt::LeftButton);
            QVERIFY(!c.timer->isActive());
            const float stopped = *c.angle;
            QCOMPARE(std::fmod(stopped, 2.0f), 0.0f);
            QTest::qWait(120);
            QCOMPARE(*c.angle, stopped);
        }

        // "Auto Render" runs from the load; its ticks draw frames.
        QVERIFY(v.Timer3->isActive());
        const long frames = v.framesDrawn();
        QTRY_VERIFY(v.framesDrawn() >= frames + 2);
        QTest::mouseClick(v.Command4, Qt::LeftButton);
        QVERIFY(!v.Timer3->isActive());
        QTest::mouseClick(v.Command4, Qt::LeftButton);
        QVERIFY(v.Timer3->isActive());
    }

    void withoutTimersThePictureWaitsForARender()
    {
        fillGrids(ws_, -0.5f, 0.2f, 0.9f, 0.2f, 255);
        frm3D v(ws_);
        open(v);
        const QImage before = frame(v);
        QTest::keyClick(v.Disp, Qt::Key_W);
        sendMouse(v.Disp, QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton, Qt::LeftButton);
        sendMouse(v.Disp, QEvent::MouseMove, {10, 400}, Qt::NoButton, Qt::LeftButton);
        QTest::qWait(120);
        QCOMPARE(v.Disp->grabFramebuffer().convertToFormat(QImage::Format_RGB32), before);
        QTest::mouseClick(v.Command4, Qt::LeftButton); // "Auto Render" again
        const long frames = v.framesDrawn();
        QTRY_VERIFY(v.framesDrawn() > frames);
        QVERIFY(v.Disp->grabFramebuffer().convertToFormat(QImage::Format_RGB32) != before);
    }

    // The real modal path: showModal returns when the window is closed.
    void closeAndReopen()
    {
        fillGrids(ws_, -0.5f, 0.2f, 0.9f, 0.2f, 255);
        frm3D v(ws_);
        v.messageBox = [this](QMessageBox::Icon i, const QString& t, const QString& s) {
            messages_.push_back({i, t, s});
        };
        float angleX = 0, angleY = 0, offsetX = 0;
        // A failed check inside a modal run must not leave it open.
        QTimer guard;
        guard.setInterval(5000);
        QObject::connect(&guard, &QTimer::timeout, &v, [&] { v.close(); });
        guard.start();
        bool ranFirst = false, ranSecond = false;

        QTimer::singleShot(50, &v, [&] {
            ranFirst = true;
            QCOMPARE(QApplication::activeModalWidget(), static_cast<QWidget*>(&v));
            sendMouse(v.Disp, QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton, Qt::LeftButton);
            v.HScroll1->setValue(1000);
            sendMouse(v.Disp, QEvent::MouseMove, {130, 120}, Qt::NoButton, Qt::LeftButton);
            QTest::keyClick(v.Disp, Qt::Key_Right);
            QTest::keyClick(v.Disp, Qt::Key_Up);
            QCOMPARE(v.OffsetZ, -15.0f);
            v.Text1->setText(QStringLiteral("64"));
            v.pulRes_Click();
            v.Check1->setChecked(false);
            v.Check2->setChecked(true);
            v.Command2_Click();
            v.Text1->setFocus();
            v.resize(700, 500);
            angleX = v.AngleX;
            angleY = v.AngleY;
            offsetX = v.OffsetX;
            v.close();
        });
        v.showModal();
        QVERIFY(ranFirst);
        QVERIFY(!v.isVisible());
        QVERIFY(!v.isLoaded());
        QVERIFY(!v.GLReady());
        QVERIFY(v.Disp == nullptr);
        for (QTimer* t : {v.Timer1, v.Timer2, v.Timer3}) QVERIFY(!t->isActive());

        QTimer::singleShot(50, &v, [&] {
            ranSecond = true;
            QVERIFY(v.GLReady());
            QCOMPARE(v.AngleX, angleX);
            QCOMPARE(v.AngleY, angleY);
            QCOMPARE(v.OffsetX, offsetX);
            QCOMPARE(v.LastMouseX, 130);
            QCOMPARE(v.LastMouseY, 120);
            QCOMPARE(v.OffsetZ, -5.0f);
            QCOMPARE(v.VertexCoord[0], -4.0f);
            QCOMPARE(v.Text1->text(), QStringLiteral("32"));
            QCOMPARE(v.HScroll1->value(), 100);
            QVERIFY(v.Check1->isChecked());
            QVERIFY(!v.Check2->isChecked());
            QVERIFY(!v.Timer1->isActive());
            QVERIFY(v.Timer3->isActive());
            QCOMPARE(v.size(), QSize(906, 713));
            QCOMPARE(v.Disp->geometry(), QRect(4, 4, 897, 673));
            QCOMPARE(v.focusWidget(), static_cast<QWidget*>(v.Disp));
            // A new context with texturing on and the texture in it.
            v.Disp->makeCurrent();
            QVERIFY(glIsEnabled(GL_TEXTURE_2D));
            QVERIFY(glIsTexture(v.TextureName()));
            v.AngleX = 90.0f;
            v.OffsetX = 0.0f;
            const QRgb c = centre(frame(v));
            QVERIFY2(near(c, 51, 230, 51, 3), qPrintable(rgb(c)));
            v.close();
        });
        v.showModal();
        QVERIFY(ranSecond);
        QVERIFY(!v.isLoaded());
        QVERIFY(messages_.empty());
    }

    void failedContextIsReportedAndNeverUsed_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("text");
        QTest::newRow("no context") << int(frm3D::GLFault::NoContext)
                                    << QStringLiteral("Impossibile scegliere il PixelFormat.");
        QTest::newRow("context lacks what was asked") << int(frm3D::GLFault::WrongFormat)
                                                      << QStringLiteral("Impossibile settare il Pixel Format!");
    }

    void failedContextIsReportedAndNeverUsed()
    {
        QFETCH(int, fault);
        QFETCH(QString, text);
        frm3D v(ws_);
        v.injectGLFault(frm3D::GLFault(fault));
        open(v, false);
        QCOMPARE(messages_.size(), std::size_t{1});
        QCOMPARE(messages_[0].icon, QMessageBox::Critical);
        QCOMPARE(messages_[0].title, QStringLiteral("ERRORE"));
        QCOMPARE(messages_[0].text, text);
        QVERIFY(!v.GLReady());
        QVERIFY(v.isVisible());
        // Without a context no GL drawing area is made at all (once shown, it
        // would switch the window to GL composition, which then crashes);
        // a plain stand-in takes the keys and the mouse in its place.
        const bool noContext = frm3D::GLFault(fault) == frm3D::GLFault::NoContext;
        QCOMPARE(v.Disp == nullptr, noContext);
        QCOMPARE(v.DispNoGL != nullptr, noContext);
        QWidget* area = v.dispWidget();
        QVERIFY(area && area->isVisible());
        QCOMPARE(area->geometry(), QRect(4, 4, 897, 673));
        QCOMPARE(v.focusWidget(), area);

        // Everything still works, without a GL call.
        QVERIFY(v.Timer3->isActive());
        QTest::mouseClick(v.Command2, Qt::LeftButton);
        QTest::mouseClick(v.Command3, Qt::LeftButton);
        QTRY_VERIFY(v.AngleX >= 4.0f && v.AngleY >= 4.0f);
        QTest::keyClick(area, Qt::Key_Left);
        QCOMPARE(v.OffsetX, -1.0f);
        sendMouse(area, QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton, Qt::LeftButton);
        QCOMPARE(v.LastMouseX, 10);
        v.Check1->setChecked(false);
        v.Check1->setChecked(true);
        v.Text1->setText(QStringLiteral("16"));
        v.pulRes_Click();
        QCOMPARE(v.VertexCoord[0], -8.0f);
        v.resize(1000, 800);
        QCOMPARE(area->geometry(), QRect(4, 4, 991, 760));
        area->repaint();
        QTest::qWait(100);
        QCOMPARE(v.framesDrawn(), 0L);
        QCOMPARE(v.glOperations(), 0L);
        QCOMPARE(messages_.size(), std::size_t{1});

        v.close();
        QVERIFY(!v.isLoaded());
        QVERIFY(!v.isVisible());
        QVERIFY(!v.dispWidget());

        // Once a context can be had again, the next opening draws.
        v.injectGLFault(frm3D::GLFault::None);
        open(v);
        QVERIFY(v.GLReady());
        QVERIFY(v.Disp && !v.DispNoGL);
        QVERIFY(!frame(v).isNull());
        QCOMPARE(v.framesDrawn(), 1L);
    }

    // However large the window, the drawing area lies beneath the bottom
    // controls that keep their design places: each is what a click at its
    // centre reaches, and the click works.
    void fixedControlsStayAboveTheDrawingArea_data()
    {
        QTest::addColumn<QSize>("client");
        QTest::addColumn<int>("fault");
        QTest::newRow("design") << QSize(906, 713) << int(frm3D::GLFault::None);
        QTest::newRow("taller") << QSize(906, 900) << int(frm3D::GLFault::None);
        QTest::newRow("maximised on a large screen") << QSize(1600, 1200) << int(frm3D::GLFault::None);
        QTest::newRow("wider and taller") << QSize(1300, 800) << int(frm3D::GLFault::None);
        QTest::newRow("taller, without GL") << QSize(1200, 1000) << int(frm3D::GLFault::NoContext);
    }

    void fixedControlsStayAboveTheDrawingArea()
    {
        QFETCH(QSize, client);
        QFETCH(int, fault);
        frm3D v(ws_);
        v.injectGLFault(frm3D::GLFault(fault));
        open(v);
        v.resize(client);
        QVERIFY(QTest::qWaitForWindowExposed(&v));
        QWidget* area = v.dispWidget();
        QVERIFY(area);
        // The new size reaches the widgets through the event loop, later on
        // a busy machine.
        QTRY_COMPARE(v.size(), client);
        QTRY_VERIFY(client.height() <= 713 || area->geometry().contains(v.Check1->geometry().center()));
        QVERIFY2(v.childAt(area->geometry().center()) == area, "the drawing area is not the window's back layer");
        for (QWidget* c : std::initializer_list<QWidget*>{v.Check1, v.Check2, v.Text1, v.pulRes, v.HScroll1, v.Command2,
                                                          v.Command3, v.Command4}) {
            const QPoint centre = c->geometry().center();
            QWidget* hit = v.childAt(centre);
            QVERIFY2(hit && (hit == c || c->isAncestorOf(hit)),
                     qPrintable(c->metaObject()->className() + QStringLiteral(" at ") + QString::number(centre.y())
                                + QStringLiteral(" is covered by ")
                                + (hit ? hit->metaObject()->className() : "nothing")));
        }
        if (client.height() > 713) // the case of the report: the area reaches over them
            QVERIFY(area->geometry().contains(v.Check1->geometry().center()));

        // Clicked through the window, as the pointer does.
        QTest::mouseClick(v.windowHandle(), Qt::LeftButton, {}, v.Check1->geometry().center());
        QVERIFY(!v.Check1->isChecked());
        QTest::mouseClick(v.windowHandle(), Qt::LeftButton, {}, v.Check2->geometry().center());
        QVERIFY(v.Check2->isChecked());
        v.Text1->setText(QStringLiteral("16"));
        QTest::mouseClick(v.windowHandle(), Qt::LeftButton, {}, v.pulRes->geometry().center());
        QCOMPARE(v.VertexCoord[0], -8.0f);
        const int speed = v.HScroll1->value();
        const QRect bar = v.HScroll1->geometry();
        QTest::mouseClick(v.windowHandle(), Qt::LeftButton, {}, QPoint(bar.right() - 3, bar.center().y()));
        QVERIFY(v.HScroll1->value() > speed);
        QCOMPARE(messages_.size(), std::size_t(fault == int(frm3D::GLFault::None) ? 0 : 1));
    }

    // Any size: seen from above with the whole mesh in sight, a level map
    // shows its colour (times the detail grey) at the centre, and no red
    // wall along any edge.
    void levelMapOfAnySizeShowsItsColour_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("detail");
        QTest::addColumn<bool>("buffered");
        for (QSize s : {QSize(1, 1), QSize(37, 23), QSize(256, 256), QSize(300, 200), QSize(1024, 1024), QSize(2049, 600)})
            for (int detail : {255, 128})
                QTest::newRow(qPrintable(QStringLiteral("%1x%2 detail %3").arg(s.width()).arg(s.height()).arg(detail)))
                    << s << detail << (s != QSize(256, 256));
    }

    void levelMapOfAnySizeShowsItsColour()
    {
        QFETCH(QSize, size);
        QFETCH(int, detail);
        QFETCH(bool, buffered);
        buildLevelMap(ws_, size.width(), size.height(), gloamery::compose(90, 160, 200), detail);
        frm3D v(ws_);
        open(v);
        QCOMPARE(v.terrain().buffered(), buffered);
        v.AngleX = 90.0f;
        v.Text1->setText(QStringLiteral("64"));
        v.pulRes_Click();
        const QImage img = frame(v);
        const QRgb c = centre(img);
        QVERIFY2(near(c, 90 * detail / 255, 160 * detail / 255, 200 * detail / 255, 3), qPrintable(rgb(c)));
        int reddish = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) reddish += qRed(img.pixel(x, y)) > qBlue(img.pixel(x, y)) + 10;
        QCOMPARE(reddish, 0);
    }

    // The mesh spans the same width at every size: a map drawn twice as
    // large looks like the original, seen from the same place.
    void sceneAt512LooksLikeAt256()
    {
        std::vector<QImage> shots;
        for (int factor : {1, 2}) {
            fillScene(ws_, factor);
            frm3D v(ws_);
            open(v);
            v.AngleX = 35.0f;
            v.AngleY = 30.0f;
            shots.push_back(frame(v));
        }
        const double mean = meanDifference(shots[0], shots[1]);
        QVERIFY2(mean < 3.0, qPrintable(QString::number(mean)));
        buildLevelMap(ws_, 256, 256, gloamery::kBlack, 255); // a different scene is told apart
        frm3D v(ws_);
        open(v);
        v.AngleX = 35.0f;
        v.AngleY = 30.0f;
        QVERIFY(meanDifference(shots[0], frame(v)) > 4 * mean);
    }

    // At 1024 x 1024: the left half red, the right half blue, under a dark
    // detail grey. Rescale, the detail switch, drags and auto-rotation all
    // act as at 256 x 256.
    void controlsWorkAt1024()
    {
        buildLevelMap(ws_, 1024, 1024, gloamery::kBlack, 64);
        for (int y = 0; y < 1024; ++y)
            for (int x = 0; x < 1024; ++x)
                ws_.picture(Slot::Colour).setPixel(x, y, x < 512 ? gloamery::compose(255, 0, 0) : gloamery::compose(0, 0, 255));
        buildGrids(ws_);
        frm3D v(ws_);
        open(v);
        QCOMPARE(v.terrain().pointColumns(), gloamery::kMaxViewGridCells + 1);
        v.AngleX = 90.0f;
        const int row = 336;
        v.Text1->setText(QStringLiteral("64")); // x = +-2 at column 773.5, as at 256 x 256
        v.pulRes_Click();
        QImage img = frame(v);
        QVERIFY2(qBlue(img.pixel(765, row)) > 50 && isBlack(img.pixel(782, row)), qPrintable(rgb(img.pixel(765, row))));
        QVERIFY2(qRed(img.pixel(132, row)) > 50 && isBlack(img.pixel(115, row)), qPrintable(rgb(img.pixel(132, row))));
        v.Check1->setChecked(false);
        img = frame(v);
        QVERIFY2(near(img.pixel(300, row), 255, 0, 0, 3) && near(img.pixel(600, row), 0, 0, 255, 3),
                 qPrintable(rgb(img.pixel(300, row)) + rgb(img.pixel(600, row))));
        v.Text1->setText(QStringLiteral("-32")); // mirrored, still seen from above
        v.pulRes_Click();
        img = frame(v);
        QVERIFY2(qBlue(img.pixel(200, row)) > 200 && qRed(img.pixel(700, row)) > 200, qPrintable(rgb(img.pixel(200, row))));

        // A drag turns it; nothing shows until the next frame.
        v.HScroll1->setValue(1000);
        sendMouse(v.Disp, QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton, Qt::LeftButton);
        sendMouse(v.Disp, QEvent::MouseMove, {190, 100}, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(v.AngleY, 90.0f);
        QCOMPARE(v.Disp->grabFramebuffer().convertToFormat(QImage::Format_RGB32), img);
        const QImage turned = frame(v);
        QVERIFY2(near(turned.pixel(448, 200), 255, 0, 0, 3) && near(turned.pixel(448, 500), 0, 0, 255, 3),
                 qPrintable(rgb(turned.pixel(448, 200)) + rgb(turned.pixel(448, 500))));

        // Auto-rotation draws as it turns.
        const long frames = v.framesDrawn();
        QTest::mouseClick(v.Command2, Qt::LeftButton);
        QTRY_VERIFY(v.AngleX >= 96.0f && v.framesDrawn() >= frames + 3);
        QTest::mouseClick(v.Command2, Qt::LeftButton);
        QVERIFY(frame(v) != turned);
        QVERIFY(messages_.empty());
    }

    // The one window shows whatever size the workspace has when it opens,
    // and drops the last opening's terrain.
    void reopenAtANewSize()
    {
        frm3D v(ws_);
        const struct {
            int w, h;
            Colour colour;
            bool buffered;
        } openings[] = {{256, 256, gloamery::compose(200, 40, 40), false},
                        {1024, 512, gloamery::compose(40, 200, 40), true},
                        {100, 300, gloamery::compose(40, 40, 200), true},
                        {256, 256, gloamery::compose(200, 200, 40), false}};
        for (const auto& o : openings) {
            buildLevelMap(ws_, o.w, o.h, o.colour, 255);
            open(v);
            QCOMPARE(v.terrain().buffered(), o.buffered);
            if (o.buffered) { // a point for every grid sample
                QCOMPARE(v.terrain().pointColumns(), ws_.heightGrid().columns());
                QCOMPARE(v.terrain().pointRows(), ws_.heightGrid().rows());
            }
            v.AngleX = 90.0f;
            v.OffsetX = 0.0f;
            const QRgb c = centre(frame(v));
            const gloamery::Channels want = gloamery::split(o.colour);
            QVERIFY2(near(c, want.r, want.g, want.b, 3), qPrintable(rgb(c) + QStringLiteral(" at %1x%2").arg(o.w).arg(o.h)));
            v.close();
            QVERIFY(!v.isLoaded());
        }
    }
    // Chunks of any steps, side by side, cover the grid once with no crack:
    // every triangle turns the full mesh's way, the areas add up to the
    // grid's, and every inner edge is met from both sides. All steps 1 give
    // the full mesh's own cells.
    void levelsOfDetailLeaveNoCrack_data()
    {
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("pattern"); // 0 all 1, 1 all 16, 2 chequered 1/16, 3 seeded random
        for (int pattern = 0; pattern < 4; ++pattern)
            for (QSize g : {QSize(256, 256), QSize(150, 150), QSize(37, 5), QSize(33, 97), QSize(1, 1), QSize(256, 65)})
                QTest::newRow(qPrintable(QStringLiteral("%1x%2 pattern %3").arg(g.width()).arg(g.height()).arg(pattern)))
                    << g.width() << g.height() << pattern;
    }

    void levelsOfDetailLeaveNoCrack()
    {
        QFETCH(int, columns);
        QFETCH(int, rows);
        QFETCH(int, pattern);
        const std::size_t points = std::size_t(columns + 1) * std::size_t(rows + 1);
        std::vector<float> heights(points, 0.0f), xAt(columns + 1, 0.0f), zAt(rows + 1, 0.0f);
        const TerrainLod lod(heights.data(), columns, rows, xAt, zAt);
        std::mt19937 rng(7);
        std::vector<int> steps;
        for (std::size_t n = 0; n < lod.chunks().size(); ++n)
            steps.push_back(pattern == 0 ? 1 : pattern == 1 ? 16 : pattern == 2 ? (n % 3 ? 16 : 1) : 1 << (rng() % 5));
        const std::vector<std::uint32_t> tri = lod.triangles(steps);
        QCOMPARE(tri.size() % 3, std::size_t(0));
        const auto at = [&](std::uint32_t p) { return std::pair<long long, long long>(p % (columns + 1), p / (columns + 1)); };
        const auto onBorder = [&](std::pair<long long, long long> a, std::pair<long long, long long> b) {
            return (a.first == b.first && (a.first == 0 || a.first == columns))
                || (a.second == b.second && (a.second == 0 || a.second == rows));
        };
        long long twiceArea = 0;
        std::map<std::pair<std::uint32_t, std::uint32_t>, int> edges;
        for (std::size_t k = 0; k < tri.size(); k += 3) {
            const auto a = at(tri[k]), b = at(tri[k + 1]), c = at(tri[k + 2]);
            const long long turn = (b.first - a.first) * (c.second - a.second) - (b.second - a.second) * (c.first - a.first);
            QVERIFY2(turn > 0, qPrintable(QStringLiteral("triangle %1").arg(k / 3)));
            twiceArea += turn;
            for (int e = 0; e < 3; ++e) {
                const std::pair<std::uint32_t, std::uint32_t> edge(tri[k + e], tri[k + (e + 1) % 3]);
                QCOMPARE(++edges[edge], 1);
            }
        }
        QCOMPARE(twiceArea, 2LL * columns * rows);
        for (const auto& [edge, count] : edges)
            if (!edges.count({edge.second, edge.first}))
                QVERIFY2(onBorder(at(edge.first), at(edge.second)),
                         qPrintable(QStringLiteral("open edge %1-%2").arg(edge.first).arg(edge.second)));
        if (pattern == 0) QCOMPARE(tri.size(), std::size_t(6) * columns * rows);
    }

    // Flat ground is drawn at its coarsest anywhere; rugged ground at its
    // finest right under a near eye, at its coarsest only far away.
    void levelsOfDetailFollowErrorAndDistance()
    {
        const int n = 256;
        std::vector<float> flat((n + 1) * (n + 1), 0.5f), rugged(flat);
        for (std::size_t k = 0; k < rugged.size(); ++k) rugged[k] = float(k % 7) * 0.05f;
        std::vector<float> along(n + 1);
        for (int i = 0; i <= n; ++i) along[i] = float((i - n / 2) / 32.0);
        const double pixelsAtUnit = 673 * 1.2071; // the design height at 45 degrees
        for (double distance : {3.0, 300.0}) {
            // Seen from straight above, `distance` units up.
            const double m[16] = {1, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, -distance, 1};
            const std::vector<int> coarse = TerrainLod(flat.data(), n, n, along, along).steps(m, pixelsAtUnit);
            QVERIFY(std::all_of(coarse.begin(), coarse.end(), [](int s) { return s == 16; }));
            const std::vector<int> fine = TerrainLod(rugged.data(), n, n, along, along).steps(m, pixelsAtUnit);
            if (distance < 10)
                QCOMPARE(fine[4 * 8 + 4], 1); // the chunk whose corner lies under the eye
            else
                QVERIFY(std::all_of(fine.begin(), fine.end(), [](int s) { return s == 16; }));
        }
    }
};

QTEST_MAIN(Frm3DTest)
#include "frm3d_test.moc"
