#include "prompts.h"

#include "map_size_dialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

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
    p.workAtImageSize = [](QWidget* parent, QSize image, QSize map) {
        QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(),
                        QObject::tr("The height map is %1 \u00d7 %2; the map is %3 \u00d7 %4.")
                            .arg(image.width()).arg(image.height()).arg(map.width()).arg(map.height()),
                        QMessageBox::NoButton, parent);
        QPushButton* work = box.addButton(QObject::tr("Work at %1 \u00d7 %2").arg(image.width()).arg(image.height()),
                                          QMessageBox::AcceptRole);
        QPushButton* keep = box.addButton(QObject::tr("Keep %1 \u00d7 %2").arg(map.width()).arg(map.height()),
                                          QMessageBox::RejectRole);
        box.setDefaultButton(work);
        box.setEscapeButton(keep);
        box.exec();
        return box.clickedButton() == work;
    };
    p.mapSize = [](QWidget* parent, QSize current) { return MapSizeDialog::ask(parent, current); };
    return p;
}

} // namespace gloamery::panel
