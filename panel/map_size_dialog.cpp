#include "map_size_dialog.h"

#include "workspace/workspace.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>

namespace gloamery::panel {

std::variant<int, QString> readMapSide(const QString& what, const QString& typed)
{
    bool ok = false;
    const long long side = typed.trimmed().toLongLong(&ok);
    if (ok && side >= 1 && side <= kMaxMapSize) return static_cast<int>(side);
    return QObject::tr("The %1 must be a whole number from 1 to %2 pixels, not \"%3\".")
        .arg(what).arg(kMaxMapSize).arg(typed);
}

MapSizeDialog::MapSizeDialog(QSize current, Refuse refuse, QWidget* parent)
    : QDialog(parent), refuse_(std::move(refuse))
{
    setWindowTitle(tr("Map size"));
    auto side = [this](const char* name, int value) {
        auto* e = new QLineEdit(QString::number(value), this);
        e->setObjectName(QString::fromLatin1(name));
        return e;
    };
    width_ = side("width", current.width());
    height_ = side("height", current.height());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow(tr("Width (1 to %1)").arg(kMaxMapSize), width_);
    form->addRow(tr("Height (1 to %1)").arg(kMaxMapSize), height_);
    form->addRow(buttons);
}

std::optional<QSize> MapSizeDialog::chosen() const
{
    const auto w = readMapSide(QStringLiteral("width"), width_->text());
    const auto h = readMapSide(QStringLiteral("height"), height_->text());
    if (!std::holds_alternative<int>(w) || !std::holds_alternative<int>(h)) return std::nullopt;
    return QSize(std::get<int>(w), std::get<int>(h));
}

void MapSizeDialog::accept()
{
    for (QLineEdit* e : {width_, height_}) {
        const auto side = readMapSide(e == width_ ? QStringLiteral("width") : QStringLiteral("height"), e->text());
        if (const QString* refusal = std::get_if<QString>(&side)) {
            if (refuse_) refuse_(this, *refusal);
            e->setFocus();
            e->selectAll();
            return; // stays open
        }
    }
    QDialog::accept();
}

std::optional<QSize> MapSizeDialog::ask(QWidget* parent, QSize current, Refuse refuse)
{
    MapSizeDialog dialog(current, std::move(refuse), parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.chosen();
}

} // namespace gloamery::panel
