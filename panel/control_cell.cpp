#include "control_cell.h"

#include "blend_options.h"
#include "designed_layout.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>

#include <iterator>

namespace gloamery::panel {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

} // namespace

ControlCell::ControlCell(QWidget& panel) : QObject(&panel), panel_(panel)
{
    build();
    describe();
}

QPushButton& ControlCell::button(const char* name) const
{
    return *panel_.findChild<QPushButton*>(QString::fromLatin1(name));
}

void ControlCell::build()
{
    QWidget* const p = &panel_;
    // Behind everything else in the controls cell.
    Label4_ = place(new QLabel(QStringLiteral("CONTROL PANEL"), p), "Label4", twipRect(60, 7860, 7755, 3315));
    Label4_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont bold = Label4_->font();
    bold.setBold(true);
    Label4_->setFont(bold);

    pbmax_ = place(new QLabel(p), "pbmax", twipRect(60, 11220, 7755, 495));
    pbmax_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Shape1_ = place(new QFrame(p), "Shape1", twipRect(120, 11280, 7635, 375));
    Shape1_->setFrameStyle(QFrame::Box | QFrame::Plain);
    pb_ = place(new QFrame(p), "pb", twipRect(120, 11280, 7635, 375));
    pb_->setAutoFillBackground(true);
    QPalette fill = pb_->palette();
    fill.setColor(QPalette::Window, QColor(120, 170, 230)); // light enough to read labWork on
    pb_->setPalette(fill);
    // The design's texts start where they always did; the label reaches
    // across the bar's track so that longer messages fit too.
    labWork_ = place(new QLabel(QStringLiteral("Done"), p), "labWork", twipRect(240, 11340, 7395, 255));

    struct Button {
        const char* name;
        const char* caption;
        int l, t, w, h;
        const char* tip;
    };
    const Button buttons[] = {
        {"Command5", "Linear", 180, 8460, 1215, 375,
         "Casts shadows from the sun at X0, Y0 (a click on the height map places it), fading linearly, "
         "then merges them with the texture map"},
        {"Command7", "Linear sim", 1440, 8460, 1215, 375,
         "Casts shadows with a simulated linear fade, the same from every sun position, "
         "then merges them with the texture map"},
        {"Command11", "Embossed", 2700, 8460, 1215, 375,
         "Shades the relief as embossed, lit from the sun at X0, Y0, then merges them with the texture map"},
        {"Command9", "Sin func", 180, 8880, 1215, 375,
         "Casts shadows from the sun at X0, Y0 whose edges fade as a sine, then merges them with the texture map"},
        {"Command4", "Cos func", 1440, 8880, 1215, 375,
         "Casts shadows from the sun at X0, Y0 whose edges fade as a cosine, then merges them with the texture map"},
        {"Command3", "Clear", 2700, 8880, 1215, 375, "Empties the shadow map"},
        {"Command8", "Make Texture", 4020, 8460, 1335, 375,
         "Mixes the grass and the stone by height into the texture map"},
        {"Command10", "Make Texture2", 5400, 8460, 1335, 375,
         "Mixes the grass and the stone by slope into the texture map"},
        {"Command6", "3D", 4020, 10320, 3675, 375, "Opens the 3D view of the terrain"},
    };
    for (const Button& b : buttons) {
        auto* w = place(new QPushButton(QString::fromLatin1(b.caption), p), b.name, twipRect(b.l, b.t, b.w, b.h));
        w->setToolTip(tr(b.tip));
    }
    const struct {
        const char* name;
        const char* caption;
        int l, t, w, h;
    } labels[] = {
        {"Label5", "Texture contrast", 4020, 8940, 1815, 195},
        {"Label6", "Darkness", 4020, 9480, 1815, 255},
        {"Label1", "X0", 240, 9420, 615, 255},
        {"Label2", "Y0", 240, 9780, 615, 255},
        {"Label3", "Decay", 240, 10080, 615, 315},
    };
    for (const auto& l : labels)
        place(new QLabel(QString::fromLatin1(l.caption), p), l.name, twipRect(l.l, l.t, l.w, l.h));

    auto scroll = [p](const char* name, QRect r, int max, int value) {
        auto* s = place(new QScrollBar(Qt::Horizontal, p), name, r);
        s->setRange(0, max);
        s->setPageStep(10);
        s->setSingleStep(1);
        s->setValue(value);
        return s;
    };
    HScroll1_ = scroll("HScroll1", twipRect(4020, 9180, 3615, 255), 100, 0);
    HScroll2_ = scroll("HScroll2", twipRect(4020, 9720, 3615, 255), 255, 128);

    X0_ = place(new QLineEdit(QStringLiteral("0"), p), "X0", twipRect(900, 9360, 675, 315));
    Y0_ = place(new QLineEdit(QStringLiteral("0"), p), "Y0", twipRect(900, 9720, 675, 315));
    Alt_ = place(new QLineEdit(QStringLiteral("5"), p), "Alt", twipRect(900, 10080, 675, 315));

    SwiBlur_ = place(new QCheckBox(QStringLiteral("Blur"), p), "SwiBlur", twipRect(2880, 9540, 615, 315));
    SwiBlur_->setChecked(true);

    // The frame holds the designed four of the blend's options.
    auto* frame = place(new QGroupBox(QStringLiteral("Blend mode"), p), "Frame1", twipRect(1680, 9360, 1935, 1335));
    blend_ = new BlendOptions(*frame);
    // "Blur" lies inside the frame's rectangle but is no option of it.
    SwiBlur_->raise();

    Live_ = place(new QCheckBox(QStringLiteral("Live"), p), "Live", twipRect(4020, 10800, 1215, 315));
}

// Tooltips, the bars' values and the Tab order: what the designed cell
// left unsaid.
void ControlCell::describe()
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

    // The bars take the focus like any control, and show their values.
    auto* contrastValue = place(new QLabel(&panel_), "ContrastValue", twipRect(5880, 8940, 600, 195));
    auto* darknessValue = place(new QLabel(&panel_), "DarknessValue", twipRect(5880, 9480, 600, 255));
    const std::pair<QScrollBar*, QLabel*> bars[] = {{HScroll1_, contrastValue}, {HScroll2_, darknessValue}};
    for (const auto& [bar, value] : bars) {
        bar->setFocusPolicy(Qt::StrongFocus);
        value->setNum(bar->value());
        connect(bar, &QScrollBar::valueChanged, value, qOverload<int>(&QLabel::setNum));
    }
    QWidget* order[] = {&button("Command5"), &button("Command7"), &button("Command11"), &button("Command9"),
                        &button("Command4"), &button("Command3"), X0_, Y0_, Alt_, blend_->designed(0), SwiBlur_,
                        &button("Command8"), &button("Command10"), HScroll1_, HScroll2_, Live_, &button("Command6")};
    for (std::size_t i = 1; i < std::size(order); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

void ControlCell::read(Controls& c) const
{
    c.x0 = X0_->text().toStdString();
    c.y0 = Y0_->text().toStdString();
    c.alt = Alt_->text().toStdString();
    c.darkness = HScroll2_->value();
    c.contrast = HScroll1_->value();
    c.blur = SwiBlur_->isChecked();
    c.blend = blend_->mode();
}

void ControlCell::show(const Controls& c)
{
    // No box, bar or button tells of its change: nothing relights.
    const QSignalBlocker b1(X0_), b2(Y0_), b3(Alt_), b4(HScroll1_), b5(HScroll2_), b6(SwiBlur_);
    X0_->setText(qs(c.x0));
    Y0_->setText(qs(c.y0));
    Alt_->setText(qs(c.alt));
    HScroll2_->setValue(c.darkness);
    HScroll1_->setValue(c.contrast);
    SwiBlur_->setChecked(c.blur);
    blend_->show(c.blend);
}

} // namespace gloamery::panel
