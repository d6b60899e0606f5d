#include "prompts.h"

#include "map_size_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

namespace gloamery::panel {

Prompts Prompts::interactive()
{
    Prompts p;
    p.openFile = [](QWidget* parent, const QString& title, const QString& filter) {
        return QFileDialog::getOpenFileName(parent, title, QString(), filter);
    };
    p.saveFile = [](QWidget* parent, const QString& title, const QString& filter) {
        return QFileDialog::getSaveFileName(parent, title, QString(), filter);
    };
    p.message = [](QWidget* parent, const QString& text) {
        QMessageBox box(QMessageBox::Critical, kBoxTitle, text, QMessageBox::Ok, parent);
        box.exec();
    };
    p.showMenu = [](QMenu& menu, const QPoint& globalPos) { return menu.exec(globalPos); };
    p.workAtImageSize = [](QWidget* parent, QSize image, QSize map) {
        QMessageBox box(QMessageBox::Question, kBoxTitle,
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
    p.mapSize = [message = p.message](QWidget* parent, QSize current) {
        return MapSizeDialog::ask(parent, current, message);
    };
    p.closeWithUnsaved = [](QWidget* parent, const QStringList& unsaved) {
        QMessageBox box(QMessageBox::Warning, kBoxTitle,
                        QObject::tr("These pictures have not been saved: %1.").arg(unsaved.join(QStringLiteral(", "))),
                        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
        box.setInformativeText(QObject::tr("Save them before closing?"));
        box.setDefaultButton(QMessageBox::Save);
        box.setEscapeButton(QMessageBox::Cancel);
        box.setCheckBox(new QCheckBox(QObject::tr("Don't ask again"), &box));
        const int clicked = box.exec();
        CloseAnswer answer;
        answer.choice = clicked == QMessageBox::Save      ? CloseAnswer::Save
                      : clicked == QMessageBox::Discard ? CloseAnswer::Discard
                                                        : CloseAnswer::Cancel;
        answer.dontAskAgain = box.checkBox()->isChecked();
        return answer;
    };
    return p;
}

} // namespace gloamery::panel
