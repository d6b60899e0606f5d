#include "prompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>

namespace gloamery::panel {

Prompts Prompts::interactive()
{
    Prompts p;
    p.openFile = [](QWidget* parent, const QString& filter) {
        return QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
    };
    p.saveFile = [](QWidget* parent, const QString& filter) {
        return QFileDialog::getSaveFileName(parent, QString(), QString(), filter);
    };
    p.message = [](QWidget* parent, const QString& text) {
        QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), text, QMessageBox::Ok, parent);
        box.exec();
    };
    p.showMenu = [](QMenu& menu, const QPoint& globalPos) { return menu.exec(globalPos); };
    return p;
}

} // namespace gloamery::panel
