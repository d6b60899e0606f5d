// Writes a picture of the 3D view window showing the default pictures
// after "Make Texture" and "Linear", tilted as a short drag would leave it.
//
//   screenshot_3d OUTPUT.png

#include "demo_view.h"
#include "preview3d/frm3D.h"

#include <QApplication>
#include <QImage>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: screenshot_3d OUTPUT.png\n");
        return 2;
    }
    gloamery::Workspace ws;
    if (auto refusal = gloamery::prepareDemoMaps(ws)) {
        std::fprintf(stderr, "%s\n", refusal->message.c_str());
        return 1;
    }
    frm3D view(ws);
    view.messageBox = [](QMessageBox::Icon, const QString& title, const QString& text) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    };
    view.Form_Load();
    if (!view.GLReady()) return 1;
    view.Timer3->stop();
    view.AngleX = 35.0f;
    view.AngleY = 30.0f;
    view.Command1_Click();
    QApplication::processEvents();
    const QImage shot = view.grab().toImage();
    view.close();
    if (!shot.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
