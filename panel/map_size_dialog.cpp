#include "map_size_dialog.h"

#include "workspace/workspace.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>

namespace gloamery::panel {

MapSizeDialog::MapSizeDialog(QSize current, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Map size"));
    auto spin = [this](int value) {
        auto* s = new QSpinBox(this);
        s->setRange(1, kMaxMapSize);
        s->setValue(value);
        return s;
    };
    width_ = spin(current.width());
    height_ = spin(current.height());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow(tr("Width"), width_);
    form->addRow(tr("Height"), height_);
    form->addRow(buttons);
}

QSize MapSizeDialog::chosen() const { return QSize(width_->value(), height_->value()); }

std::optional<QSize> MapSizeDialog::ask(QWidget* parent, QSize current)
{
    MapSizeDialog dialog(current, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.chosen();
}

} // namespace gloamery::panel
