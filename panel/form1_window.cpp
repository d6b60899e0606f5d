// The parts of the panel that the desktop window adds to the designed
// grid: its zoom, and the way of the menu bar and the side panel's buttons
// into the operations and the picture menus.

#include "form1.h"

#include "control_cell.h"
#include "designed_layout.h"
#include "imageio/colour_tables.h"

#include "inputs/operations.h"
#include "picture_view.h"
#include "schema_group.h"
#include "time_group.h"
#include "side_panel.h"
#include "undo_steps.h"

#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>

#include <algorithm>

namespace gloamery::panel {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

} // namespace

int Form1::gridSide() { return px(kClientTwips); }

void Form1::setZoom(std::optional<double> zoom)
{
    fixedZoom_ = zoom;
    const double z = zoom.value_or(1.0);
    // A fixed zoom asks for its room, which the window scrolls to; fitting asks for the least.
    setMinimumSize(static_cast<int>(nearest(gridSide() * z)) + SidePanel::kWidth, static_cast<int>(nearest(gridSide() * z)));
    applyZoom();
}

void Form1::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    applyZoom();
}

// Scales every widget of the grid from its designed rectangle, and its
// text with it; the side panel fills the column to the right at its own size.
void Form1::applyZoom()
{
    const double room = std::min(double(width() - SidePanel::kWidth), double(height())) / gridSide();
    const double z = fixedZoom_.value_or(std::max(1.0, room));
    const bool changed = z != zoom_;
    zoom_ = z;
    const int grid = static_cast<int>(nearest(gridSide() * z));
    side_->setGeometry(grid, 0, std::max(SidePanel::kWidth, width() - grid), height());
    if (!changed) return;
    QFont f = font();
    f.setPointSizeF(8 * z);
    setFont(f);
    QLabel& heading = cell_->heading();
    QFont bold = heading.font();
    bold.setPointSizeF(8 * z);
    heading.setFont(bold);
    QFrame& pb = cell_->bar();
    const double shown = pbFullWidth_ > 0 ? pb.width() / pbFullWidth_ : 0.0; // the bar's fraction
    for (QWidget* w : findChildren<QWidget*>()) {
        const QVariant design = w->property(kDesignRect);
        if (!design.isValid()) continue;
        const QRect r = scaled(design.toRect(), z);
        if (auto* v = qobject_cast<PictureView*>(w)) v->setCellSize(r.size());
        w->setGeometry(r);
    }
    pbFullWidth_ = pb.property(kDesignRect).toRect().width() * z;
    pb.resize(static_cast<int>(nearest(shown * pbFullWidth_)), pb.height());
    if (reporter_) reporter_->setBar(pbFullWidth_, cell_->barBox().geometry());
    if (live_) refreshPictures(); // fitted to their cells anew
}

QPushButton* Form1::buttonFor(const OperationRow& row) const
{
    const QString caption = QString::fromUtf8(row.caption.data(), static_cast<qsizetype>(row.caption.size()));
    for (QPushButton* b : findChildren<QPushButton*>())
        if (b->text() == caption) return b;
    return nullptr;
}

QString Form1::operationTip(const OperationRow& row) const
{
    if (const QPushButton* b = buttonFor(row)) return b->toolTip();
    return QString::fromUtf8(row.help.data(), static_cast<qsizetype>(row.help.size()));
}

void Form1::runOperation(const OperationRow& row)
{
    if (QPushButton* b = buttonFor(row)) b->click();
    else runRow(row);
}

bool Form1::told(const Refusal& refused)
{
    if (!refused) return false;
    if (reporter_->stopped()) reporter_->status(refused->message); // Esc: the maps stay as they were
    else prompts_.message(this, qs(refused->message));
    return true;
}

void Form1::runRow(const OperationRow& row, const GroupButton* own)
{
    Refusal unusable = fieldsRefused();
    if (!unusable && own) unusable = unsetRefused(*own, controls());
    if (unusable) {
        prompts_.message(this, qs(unusable->message));
        return;
    }
    // Held throughout, as a shadow button's: Esc is looked for in a long run.
    const auto ws = workspace();
    const auto step = undo_->step(own ? tr(own->caption) : operationCaption(row));
    const Controls c = controls();
    if (row.shadow) live_->setShadowMode(*row.shadow, own != nullptr);
    const std::optional<MapPlace> where = realSunWhere(c, menu_->origin());
    ShadowParams params;
    params.darkness = c.darkness;
    params.sun = c.sun;
    std::optional<TintSource> tint;
    if (holds(row.controls, ControlId::Colours)) {
        auto table = loadColourTable(c.colours);
        if (const Error* e = std::get_if<Error>(&table)) {
            prompts_.message(this, tr("Cannot read the colour table \"%1\": %2").arg(qs(c.colours), qs(e->message)));
            return;
        }
        tint = tintSource(*ws, std::get<ReadColourTable>(table), c.colourEntries, menu_->origin(), c.sun.vertical);
    }
    const Refusal refused = row.run(*ws, OperationInput{c, params, tint ? &*tint : nullptr, where ? &*where : nullptr},
                                    *reporter_);
    if (told(refused)) return;
    for (int s = 0; s < kSlotCount; ++s)
        if (holds(row.writes, Slot(s))) closeGuard_->changed(Slot(s));
    refreshPictures();
}

void Form1::pictureCommand(Slot slot, void (PictureMenu::*command)(), const QString& label)
{
    const auto held = workspace(); // as the picture menu's commands run
    const auto step = undo_->step(label);
    menu_->setTarget(slot);
    (menu_.get()->*command)();
}

} // namespace gloamery::panel
