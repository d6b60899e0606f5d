// Shows the control panel, presses "Make Texture" and then "Linear" as a
// user would, and writes what the window shows to the PNG named on the
// command line.

#include "form1.h"

#include <QApplication>
#include <QPixmap>
#include <QPushButton>
#include <QTest>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    gloamery::panel::Form1 form;
    form.show();
    if (!QTest::qWaitForWindowExposed(&form)) {
        std::fprintf(stderr, "the window was never shown\n");
        return 1;
    }
    for (const char* name : {"Command8", "Command5"}) {
        auto* button = form.findChild<QPushButton*>(QString::fromLatin1(name));
        QTest::mouseClick(button, Qt::LeftButton);
    }
    QTest::qWait(200);
    if (!form.grab().save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
