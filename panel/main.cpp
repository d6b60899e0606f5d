#include "application.h"
#include "form1.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    gloamery::panel::setUpApplication();
    gloamery::panel::Form1 form;
    form.show();
    return app.exec();
}
