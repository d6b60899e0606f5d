#include "side_panel.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QVBoxLayout>

namespace gloamery::panel {

SidePanel::SidePanel(QWidget* parent) : QScrollArea(parent)
{
    setObjectName(QStringLiteral("SidePanel"));
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* inside = new QWidget(this);
    column_ = new QVBoxLayout(inside);
    column_->setContentsMargins(6, 4, 6, 4);
    column_->addStretch(1);
    setWidget(inside);
}

QFormLayout& SidePanel::addGroup(const QString& title, const char* objectName)
{
    auto* group = new QGroupBox(title, widget());
    group->setObjectName(QString::fromLatin1(objectName));
    auto* form = new QFormLayout(group);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setContentsMargins(6, 6, 6, 6);
    column_->insertWidget(column_->count() - 1, group); // above the stretch
    return *form;
}

} // namespace gloamery::panel
