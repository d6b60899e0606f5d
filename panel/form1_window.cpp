// The parts of the panel that the desktop window adds to the designed
// grid: its tooltips and Tab order, its zoom, and the menu bar's way into
// the operations and the picture menus.

#include "form1.h"

#include "designed_layout.h"

#include "inputs/operations.h"
#include "picture_view.h"
#include "side_panel.h"
#include "undo_steps.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QCheckBox>

#include <algorithm>

namespace gloamery::panel {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

} // namespace

// Tooltips, the bars' values and the Tab order: what the designed cell
// left unsaid.
void Form1::describeControls()
{
    const std::pair<QWidget*, const char*> tips[] = {
        {X0_, "The sun's position across the map, in pixels"},
        {Y0_, "The sun's position down the map, in pixels"},
        {Alt_, "Decay: how fast the light fades along a ray, a step at a time"},
        {HScroll1_, "Texture contrast, 0 to 100: how sharply grass gives way to stone"},
        {HScroll2_, "Darkness, 0 to 255: how dark the shadows are"},
        {SwiBlur_, "Softens the shadows' edges before they are merged"},
        {Live_, "Relights at once as the sun is dragged on the height map or a control changes"},
    };
    for (const auto& [w, tip] : tips) w->setToolTip(tr(tip));
    for (QRadioButton* o : options_) o->setToolTip(tr("How the shadows and the texture map are blended"));

    // The bars take the focus like any control, and show their values.
    contrastValue_ = place(new QLabel(this), "ContrastValue", twipRect(5880, 8940, 600, 195));
    darknessValue_ = place(new QLabel(this), "DarknessValue", twipRect(5880, 9480, 600, 255));
    const std::pair<QScrollBar*, QLabel*> bars[] = {{HScroll1_, contrastValue_}, {HScroll2_, darknessValue_}};
    for (const auto& [bar, value] : bars) {
        bar->setFocusPolicy(Qt::StrongFocus);
        value->setNum(bar->value());
        connect(bar, &QScrollBar::valueChanged, value, qOverload<int>(&QLabel::setNum));
    }
    QWidget* order[] = {findChild<QPushButton*>(QStringLiteral("Command5")), findChild<QPushButton*>(QStringLiteral("Command7")),
                        findChild<QPushButton*>(QStringLiteral("Command11")), findChild<QPushButton*>(QStringLiteral("Command9")),
                        findChild<QPushButton*>(QStringLiteral("Command4")), findChild<QPushButton*>(QStringLiteral("Command3")),
                        X0_, Y0_, Alt_, options_[0], SwiBlur_,
                        findChild<QPushButton*>(QStringLiteral("Command8")), findChild<QPushButton*>(QStringLiteral("Command10")),
                        HScroll1_, HScroll2_, Live_, findChild<QPushButton*>(QStringLiteral("Command6"))};
    for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

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
    QFont bold = Label4_->font();
    bold.setPointSizeF(8 * z);
    Label4_->setFont(bold);
    const double shown = pbFullWidth_ > 0 ? pb_->width() / pbFullWidth_ : 0.0; // the bar's fraction
    for (QWidget* w : findChildren<QWidget*>()) {
        const QVariant design = w->property(kDesignRect);
        if (!design.isValid()) continue;
        const QRect r = scaled(design.toRect(), z);
        if (auto* v = qobject_cast<PictureView*>(w)) v->setCellSize(r.size());
        w->setGeometry(r);
    }
    pbFullWidth_ = pb_->property(kDesignRect).toRect().width() * z;
    pb_->resize(static_cast<int>(nearest(shown * pbFullWidth_)), pb_->height());
    if (reporter_) reporter_->setBar(pbFullWidth_, pbmax_->geometry());
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
    if (QPushButton* b = buttonFor(row)) {
        b->click();
        return;
    }
    const auto step = undo_->step(QString::fromUtf8(row.caption.data(), static_cast<qsizetype>(row.caption.size())));
    const auto ws = workspace();
    const Controls c = controls();
    ShadowParams params;
    params.darkness = c.darkness;
    params.sun = c.sun;
    if (const Refusal refused = row.run(*ws, OperationInput{c, params}, *reporter_)) {
        prompts_.message(this, qs(refused->message));
        return;
    }
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
