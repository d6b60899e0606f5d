// Shows the control panel's window, presses "Make Texture" and then
// "Linear" as a user would, and writes what the window shows to the PNG
// named on the command line. With --menu it opens the Light menu first.

#include "form1.h"
#include "panel_window.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTest>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const bool menu = argc == 3 && QByteArray(argv[1]) == "--menu";
    if (argc != 2 && !menu) {
        std::fprintf(stderr, "usage: %s [--menu] OUTPUT.png\n", argv[0]);
        return 2;
    }
    const char* out = argv[argc - 1];
    gloamery::panel::PanelWindow window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "the window was never shown\n");
        return 1;
    }
    gloamery::panel::Form1& form = window.form();
    for (const char* name : {"Command8", "Command5"}) {
        auto* button = form.findChild<QPushButton*>(QString::fromLatin1(name));
        QTest::mouseClick(button, Qt::LeftButton);
    }
    QTest::qWait(200);
    QPixmap shot = window.grab();
    if (menu) {
        // The menu is a window of its own: drawn onto the shot where it opens.
        QMenu* light = window.findChild<QMenu*>(QStringLiteral("menuLight"));
        const QRect title = window.menuBar()->actionGeometry(light->menuAction());
        light->popup(window.mapToGlobal(title.bottomLeft()));
        QTest::qWait(200);
        const QPixmap drop = light->grab();
        QPainter painter(&shot);
        painter.drawPixmap(window.menuBar()->mapTo(&window, title.bottomLeft()), drop);
    }
    if (!shot.save(QString::fromLocal8Bit(out), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", out);
        return 1;
    }
    return 0;
}
