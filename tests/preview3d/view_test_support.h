#pragma once
// What the 3D view's window tests share: scenes, frame probes and a loaded
// view under a real (software) GL context.

#include "preview3d/frm3D.h"
#include "preview3d/gl_probe.h"
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
#include <utility>
#include <vector>

#include <dlfcn.h>
#include <link.h>

using gloamery::Colour;
using gloamery::Picture;
using gloamery::Slot;
using gloamery::Workspace;

namespace viewtest {

struct Message {
    QMessageBox::Icon icon;
    QString title;
    QString text;
};

// Every grid sample set to one height, one colour and one detail colour.
inline void fillGrids(Workspace& ws, gloamery::ViewGrids& grids, float height, float r, float g, float b,
                      std::uint8_t detail)
{
    for (int x = 0; x <= 256; ++x) {
        for (int y = 0; y <= 256; ++y) {
            grids.height(x, y) = height;
            grids.colour[0](x, y) = r;
            grids.colour[1](x, y) = g;
            grids.colour[2](x, y) = b;
            for (auto& plane : grids.detail) plane(x, y) = detail;
        }
    }
    ws.picture(Slot::Detail) = Picture(gloamery::grey(detail), 256, 256);
}

inline void setColour(gloamery::ViewGrids& grids, int x, int y, float r, float g, float b)
{
    grids.colour[0](x, y) = r;
    grids.colour[1](x, y) = g;
    grids.colour[2](x, y) = b;
}

inline void buildGrids(const Workspace& ws, gloamery::ViewGrids& grids)
{
    gloamery::SilentReporter quiet;
    grids = gloamery::CalculateMaps(ws, quiet);
}

// A level w x h map (height 128) in one colour under one detail grey, its
// view grids built as "3D" builds them.
inline void buildLevelMap(Workspace& ws, gloamery::ViewGrids& grids, int w, int h, Colour colour, int detail)
{
    ws = Workspace(w, h);
    ws.setHeightPicture(Picture(gloamery::grey(128), w, h));
    ws.picture(Slot::Colour) = Picture(colour, w, h);
    ws.picture(Slot::Detail) = Picture(gloamery::grey(detail), w, h);
    buildGrids(ws, grids);
}

// A small terrain with hills, a colour gradient and a detail pattern, and
// the same drawn `factor` times larger (every pixel a factor x factor block).
inline void fillScene(Workspace& ws, gloamery::ViewGrids& grids, int factor)
{
    const int n = 256 * factor;
    ws = Workspace(n, n);
    Picture heights = ws.heightPicture();
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const int u = x / factor, v = y / factor;
            const int hill = static_cast<int>(128 + 60 * std::sin(u / 20.0) * std::cos(v / 31.0));
            heights.setPixel(x, y, gloamery::grey(hill));
            ws.picture(Slot::Colour).setPixel(x, y, gloamery::compose(u, v, 255 - u / 2));
            ws.picture(Slot::Detail).setPixel(x, y, gloamery::grey(((u / 16 + v / 16) % 2) ? 255 : 180));
        }
    ws.setHeightPicture(heights);
    buildGrids(ws, grids);
}

inline double meanDifference(const QImage& a, const QImage& b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

inline QString where(int x, int y) { return QStringLiteral(" at %1,%2").arg(x).arg(y); }

inline bool near(QRgb c, int r, int g, int b, int tol)
{
    return std::abs(qRed(c) - r) <= tol && std::abs(qGreen(c) - g) <= tol && std::abs(qBlue(c) - b) <= tol;
}

inline QString rgb(QRgb c) { return QStringLiteral("(%1,%2,%3)").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c)); }

inline bool isBlack(QRgb c) { return qRed(c) < 8 && qGreen(c) < 8 && qBlue(c) < 8; }

// The mesh seen from straight above, the turn about y kept.
inline void lookDown(frm3D& v) { v.camera().turnTo(90.0f, v.camera().angleY()); }

inline void sendMouse(QWidget* w, QEvent::Type type, QPointF pos, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, pos, w->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// The GL driver is unloaded when the last context goes, before the leak
// check at exit; kept loaded, its own leaks carry its name, which
// scripts/lsan.supp suppresses.
inline int keepDriverLoaded(dl_phdr_info* info, size_t, void*)
{
    if (info->dlpi_name && std::strstr(info->dlpi_name, "_dri.so"))
        dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    return 0;
}

} // namespace viewtest

using namespace viewtest;

// The fixture of every window test: a fresh default workspace for each
// test, and a check that GL can be had at all before the first.
class ViewTest : public QObject {
    Q_OBJECT

protected:
    Workspace ws_;
    gloamery::ViewGrids grids_; // the view's own, as "3D" hands them over
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
        frm3D v(ws_, grids_);
        open(v);
        QVERIFY2(v.GLReady(), "no OpenGL context: run under an X server with GL (xvfb-run)");
        dl_iterate_phdr(keepDriverLoaded, nullptr);
    }

    void init()
    {
        ws_ = Workspace();
        grids_ = gloamery::ViewGrids();
        messages_.clear();
    }
};
