#include "application.h"

#include <QApplication>
#include <QIcon>

namespace gloamery::panel {

void setUpApplication()
{
    // The command's own name, as --version prints it and the menu entry
    // knows it; no display name, which the toolkit would append to every
    // window title.
    QApplication::setApplicationName(QStringLiteral("gloamery"));
    QApplication::setDesktopFileName(QStringLiteral("gloamery"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("gloamery")));
}

} // namespace gloamery::panel
