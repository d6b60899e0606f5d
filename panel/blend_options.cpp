#include "blend_options.h"

#include "designed_layout.h"
#include "side_panel.h"
#include "ui/twips.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QGroupBox>
#include <QRadioButton>

namespace gloamery::panel {

BlendOptions::BlendOptions(QGroupBox& frame) : QObject(&frame), group_(new QButtonGroup(this))
{
    group_->setExclusive(true);
    const std::pair<const char*, BlendMode> designedOptions[] = {
        {"50/50", BlendMode::Half}, {"Multiply", BlendMode::Multiply},
        {"Multiply/2", BlendMode::MultiplyHalf}, {"Multiply/3", BlendMode::Multiply3}};
    for (int i = 0; i < 4; ++i) {
        const QString name = QStringLiteral("Option%1").arg(i + 1);
        const auto& [caption, mode] = designedOptions[i];
        add(place(new QRadioButton(QString::fromLatin1(caption), &frame), name.toLatin1().constData(),
                  twipRect(120, 300 + 240 * i, 1935 - 180, 255)),
            mode);
    }
    designed(1)->setChecked(true);
}

QRadioButton* BlendOptions::add(QRadioButton* option, BlendMode mode)
{
    group_->addButton(option);
    options_.emplace_back(option, mode);
    connect(option, &QRadioButton::toggled, this, [this](bool on) {
        if (on) emit chosen();
    });
    option->setToolTip(tr("How the shadows and the texture map are blended"));
    return option;
}

void BlendOptions::addCompositing(QFormLayout& form, int at)
{
    const struct {
        const char* name;
        const char* caption;
        BlendMode mode;
    } compositing[] = {{"BlendOverlay", "Overlay", BlendMode::Overlay},
                       {"BlendSoftLight", "Soft light", BlendMode::SoftLight},
                       {"BlendScreen", "Screen", BlendMode::Screen}};
    for (const auto& c : compositing) {
        QRadioButton* option = add(new QRadioButton(tr(c.caption)), c.mode);
        option->setObjectName(QString::fromLatin1(c.name));
        option->setProperty(kStepName, tr("Blend mode"));
        form.insertRow(at++, option);
    }
}

BlendMode BlendOptions::mode() const
{
    for (const auto& [option, mode] : options_)
        if (option->isChecked()) return mode;
    return BlendMode::Multiply;
}

void BlendOptions::show(BlendMode mode)
{
    // Each blocked: the one unticked by the group tells of nothing either.
    for (const auto& [option, m] : options_) option->blockSignals(true);
    for (const auto& [option, m] : options_)
        if (m == mode) option->setChecked(true);
    for (const auto& [option, m] : options_) option->blockSignals(false);
}

} // namespace gloamery::panel
