// Writes a picture of the 3D view window showing the default pictures
// after "Make Texture" and "Linear", as the screen shows it.
//
//   screenshot_3d OUTPUT.png [--size W,H]
//
// --size shows a generated W x H terrain instead of the default pictures.

#include "demo_view.h"
#include "preview3d/frm3D.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QScreen>
#include <QWindow>
#include <QTimer>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int w = gloamery::kDefaultMapSize, h = gloamery::kDefaultMapSize;
    const bool sized = argc == 4 && !std::strcmp(argv[2], "--size") && std::sscanf(argv[3], "%d,%d", &w, &h) == 2
                    && gloamery::validMapSize(w, h);
    if (argc != 2 && !sized) {
        std::fprintf(stderr, "usage: screenshot_3d OUTPUT.png [--size W,H]\n");
        return 2;
    }
    gloamery::Workspace ws;
    if (auto refusal = gloamery::prepareDemoMaps(ws, w, h)) {
        std::fprintf(stderr, "%s\n", refusal->message.c_str());
        return 1;
    }
    const auto demo = gloamery::openDemoView(ws); // only the caller's frames are drawn
    if (!demo) return 1;
    frm3D& view = *demo;
    // Turned and moved back, as a drag and three presses of W leave it.
    view.camera().turnTo(40.0f, -150.0f);
    for (int press = 0; press < 3; ++press) view.camera().move(ViewCamera::Move::Farther, 100);
    // What the screen shows once the frame has been swapped in.
    QElapsedTimer clock;
    clock.start();
    while (!(view.windowHandle() && view.windowHandle()->isExposed()) && clock.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    const long drawn = view.framesDrawn();
    view.Command1_Click();
    while (view.framesDrawn() == drawn && clock.elapsed() < 10000) QApplication::processEvents(QEventLoop::AllEvents, 50);
    QApplication::processEvents();
    const QImage shot = view.screen()->grabWindow(view.winId()).toImage();
    view.close();
    if (!shot.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
