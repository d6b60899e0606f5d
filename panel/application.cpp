#include "application.h"

#include <QApplication>

namespace gloamery::panel {

void setUpApplication() { QApplication::setApplicationName(QStringLiteral("Gloamery")); }

} // namespace gloamery::panel
