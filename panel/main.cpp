// gloamery: the control panel. "gloamery FILE" starts with FILE as the
// height map, which is how a desktop launcher opens a picture with it.

#include "application.h"
#include "form1.h"
#include "panel_window.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    gloamery::panel::setUpApplication();
    QApplication::setApplicationVersion(QStringLiteral(GLOAMERY_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Lights a terrain height map and previews it in 3D."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("a picture to open as the height map (BMP, JPEG, GIF, PNG...)"),
                                 QStringLiteral("[FILE]"));
    parser.process(app);
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        std::fprintf(stderr, "gloamery: give at most one picture file\n");
        return 2;
    }

    gloamery::panel::PanelWindow window;
    window.show();
    // Once the window is up, so a refusal's message box stands over it.
    if (!files.isEmpty())
        QTimer::singleShot(0, &window, [&window, file = files.first()] { window.form().openHeightMap(file); });
    return app.exec();
}
