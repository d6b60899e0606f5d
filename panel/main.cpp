#include "form1.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Gloamery"));
    gloamery::panel::Form1 form;
    form.show();
    return app.exec();
}
