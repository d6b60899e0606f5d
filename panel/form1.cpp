#include "form1.h"

#include "compose/texture.h"
#include "imageio/qt/picture_io.h"
#include "picture_drop.h"
#include "panel_settings.h"
#include "inputs/operations.h"
#include "picture_view.h"
#include "designed_layout.h"
#include "side_panel.h"
#include "sun_fields.h"
#include "save_formats.h"
#include "preview3d/frm3D.h"
#include "settings_commands.h"
#include "ui/twips.h"
#include "workspace/view_maps.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QCloseEvent>
#include <QResizeEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>

#include <optional>
#include <utility>

namespace gloamery::panel {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

// Option1..Option4.
constexpr BlendMode kBlendModes[] = {BlendMode::Half, BlendMode::Multiply, BlendMode::MultiplyHalf, BlendMode::Multiply3};

} // namespace

Form1::Form1(Prompts prompts, QWidget* parent)
    : QWidget(parent), prompts_(std::move(prompts)),
      live_(std::make_unique<LiveLighting>(
          Workspace(), [this] { return controls(); }, [this](const std::string& m) { reporter_->status(m); },
          [this](const LiveFrame& frame) { showLive(frame); }))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Gloamery  v0.7"));
    // The layout was made for an 8-point sans-serif face; the side panel
    // keeps the desktop's own.
    side_ = new SidePanel(this);
    side_->setFont(font());
    QFont f = font();
    f.setPointSize(8);
    setFont(f);
    setMinimumSize(gridSide() + SidePanel::kWidth, gridSide());

    loadDefaultPictures(*workspace());
    buildControls();
    sun_ = new SunFields(*side_, [this] { Command12_Click(); });
    buildPictures();
    Form_Load();

    resizer_ = std::make_unique<MapResizer>(*live_, prompts_, *this, *reporter_, [this] { refreshPictures(); });
    menu_ = std::make_unique<PictureMenu>(*live_, prompts_, *this, *resizer_, [this](Slot s) {
        closeGuard_->changed(s);
        pictureView(s).refresh(*workspace());
    });
    closeGuard_ = std::make_unique<CloseGuard>(prompts_, *this, *live_, [this](Slot s) {
        return menu_->saveToFile(s, saveFilter(s, CloseGuard::pictureName(s), menu_->georeferenced()));
    });
    menu_->setSaved([this](Slot s) { closeGuard_->saved(s); });
    drop_ = new PictureDrop([this](Slot s, const QString& path) {
        const auto held = workspace();
        const auto step = undo_->step(tr("Drop on %1").arg(pictureView(s).toolTip()));
        menu_->loadFile(s, path);
    }, this);
    for (PictureView* v : views_) drop_->watch(*v);
    buildLive();
    menu_->setNoteShown([this](const QString& note) { reporter_->status(note.toStdString()); });
    menu_->setUnitsFound([this](const RasterUnits& u, const std::string& wkt) {
        const QString unit = unitSymbol(wkt);
        sun_->setUnits(u.groundX, u.groundY, u.vertical, unit);
        return tr("units: %1").arg(unitsText(u.groundX, u.groundY, u.vertical, unit));
    });
    menu_->setGroundUnits([this] { return controls().sun; });
    buildKeeping();
}

// Undo and redo, and settings files: on keys, and on the menu of the
// window's background.
void Form1::buildKeeping()
{
    undo_ = new UndoSteps({*live_, *reporter_, [this] { return panelSettings(*this); },
                           [this](const Settings& s) { applyPanelSettings(*this, s); }, [this] { refreshPictures(); closeGuard_->recheck(); }},
                          *this, prompts_);
    settingsFile_ = new SettingsCommands({[this] { return panelSettings(*this); },
                                          [this](const Settings& s) { applyPanelSettings(*this, s); },
                                          [this](QSize size) { return resizer_->resize(size); },
                                          [this](const QString& text) { prompts_.message(this, text); }, *reporter_, *undo_},
                                         *this);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

bool Form1::openHeightMap(const QString& path)
{
    const auto step = undo_->step(tr("Open %1").arg(QFileInfo(path).fileName()));
    return menu_->loadFile(Slot::Height, path);
}

Form1::~Form1() { live_->stop(); } // a relight still running writes to the workspace

void Form1::buildPictures()
{
    const struct {
        Slot slot;
        const char* name;
        int left, top;
        const char* hint;
    } layout[] = {
        {Slot::Height, "Picture1", 60, 60, "Height Map"},
        {Slot::Work, "Picture2", 4020, 10380, nullptr},
        {Slot::Shadow, "Picture3", 3960, 60, "Shadow Map"},
        {Slot::Colour, "Picture4", 7860, 60, "Color Map"},
        {Slot::Grass, "Picture5", 60, 3960, "Grass Map"},
        {Slot::Stone, "Picture6", 3960, 3960, "Stone Map"},
        {Slot::Texture, "Picture7", 7860, 3960, "Texture Map"},
        {Slot::Detail, "Picture8", 7860, 7860, "Detail Map"},
    };
    const auto ws = workspace();
    for (const auto& l : layout) {
        auto* v = new PictureView(*ws, l.slot, this);
        v->setObjectName(QString::fromLatin1(l.name));
        v->move(px(l.left), px(l.top));
        v->setProperty(kDesignRect, v->geometry());
        if (l.hint) v->setToolTip(QString::fromLatin1(l.hint));
        connect(v, &PictureView::pressed, this, &Form1::Picture_MouseDown);
        connect(v, &PictureView::dragged, this, &Form1::Picture_MouseDrag);
        connect(v, &PictureView::released, this, [this](Slot s) {
            if (s == Slot::Height && isLive()) live_->rested(); // the drag ends on the exact picture
        });
        views_[static_cast<int>(l.slot)] = v;
    }
    // The work picture sits where the "3D" button lies; the button stays
    // on top so all of it can be clicked.
    views_[static_cast<int>(Slot::Work)]->stackUnder(findChild<QPushButton*>(QStringLiteral("Command6")));
}

void Form1::buildControls()
{
    // Behind everything else in the controls cell.
    Label4_ = place(new QLabel(QStringLiteral("CONTROL PANEL"), this), "Label4", twipRect(60, 7860, 7755, 3315));
    Label4_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont bold = Label4_->font();
    bold.setBold(true);
    Label4_->setFont(bold);

    pbmax_ = place(new QLabel(this), "pbmax", twipRect(60, 11220, 7755, 495));
    pbmax_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Shape1_ = place(new QFrame(this), "Shape1", twipRect(120, 11280, 7635, 375));
    Shape1_->setFrameStyle(QFrame::Box | QFrame::Plain);
    pb_ = place(new QFrame(this), "pb", twipRect(120, 11280, 7635, 375));
    pb_->setAutoFillBackground(true);
    QPalette fill = pb_->palette();
    fill.setColor(QPalette::Window, QColor(120, 170, 230)); // light enough to read labWork on
    pb_->setPalette(fill);
    // The design's texts start where they always did; the label reaches
    // across the bar's track so that longer messages fit too.
    labWork_ = place(new QLabel(QStringLiteral("Done"), this), "labWork", twipRect(240, 11340, 7395, 255));

    struct Button {
        const char* name;
        const char* caption;
        int l, t, w, h;
        void (Form1::*click)();
        const char* tip;
    };
    const Button buttons[] = {
        {"Command5", "Linear", 180, 8460, 1215, 375, &Form1::Command5_Click,
         "Casts shadows from the sun at X0, Y0 (a click on the height map places it), fading linearly, then merges them with the texture map"},
        {"Command7", "Linear sim", 1440, 8460, 1215, 375, &Form1::Command7_Click,
         "Casts shadows with a simulated linear fade, the same from every sun position, then merges them with the texture map"},
        {"Command11", "Embossed", 2700, 8460, 1215, 375, &Form1::Command11_Click,
         "Shades the relief as embossed, lit from the sun at X0, Y0, then merges them with the texture map"},
        {"Command9", "Sin func", 180, 8880, 1215, 375, &Form1::Command9_Click,
         "Casts shadows from the sun at X0, Y0 whose edges fade as a sine, then merges them with the texture map"},
        {"Command4", "Cos func", 1440, 8880, 1215, 375, &Form1::Command4_Click,
         "Casts shadows from the sun at X0, Y0 whose edges fade as a cosine, then merges them with the texture map"},
        {"Command3", "Clear", 2700, 8880, 1215, 375, &Form1::Command3_Click, "Empties the shadow map"},
        {"Command8", "Make Texture", 4020, 8460, 1335, 375, &Form1::Command8_Click,
         "Mixes the grass and the stone by height into the texture map"},
        {"Command10", "Make Texture2", 5400, 8460, 1335, 375, &Form1::Command10_Click,
         "Mixes the grass and the stone by slope into the texture map"},
        {"Command6", "3D", 4020, 10320, 3675, 375, &Form1::Command6_Click, "Opens the 3D view of the terrain"},
    };
    for (const Button& b : buttons) {
        auto* w = place(new QPushButton(QString::fromLatin1(b.caption), this), b.name, twipRect(b.l, b.t, b.w, b.h));
        w->setToolTip(tr(b.tip));
        connect(w, &QPushButton::clicked, this, b.click);
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
        place(new QLabel(QString::fromLatin1(l.caption), this), l.name, twipRect(l.l, l.t, l.w, l.h));

    auto scroll = [this](const char* name, QRect r, int max, int value) {
        auto* s = place(new QScrollBar(Qt::Horizontal, this), name, r);
        s->setRange(0, max);
        s->setPageStep(10);
        s->setSingleStep(1);
        s->setValue(value);
        return s;
    };
    HScroll1_ = scroll("HScroll1", twipRect(4020, 9180, 3615, 255), 100, 0);
    HScroll2_ = scroll("HScroll2", twipRect(4020, 9720, 3615, 255), 255, 128);

    X0_ = place(new QLineEdit(QStringLiteral("0"), this), "X0", twipRect(900, 9360, 675, 315));
    Y0_ = place(new QLineEdit(QStringLiteral("0"), this), "Y0", twipRect(900, 9720, 675, 315));
    Alt_ = place(new QLineEdit(QStringLiteral("5"), this), "Alt", twipRect(900, 10080, 675, 315));

    SwiBlur_ = place(new QCheckBox(QStringLiteral("Blur"), this), "SwiBlur", twipRect(2880, 9540, 615, 315));
    SwiBlur_->setChecked(true);

    // A group box keeps its option buttons mutually exclusive.
    auto* frame = place(new QGroupBox(QStringLiteral("Blend mode"), this), "Frame1", twipRect(1680, 9360, 1935, 1335));
    const char* optionCaptions[] = {"50/50", "Multiply", "Multiply/2", "Multiply/3"};
    for (int i = 0; i < 4; ++i) {
        const QString name = QStringLiteral("Option%1").arg(i + 1);
        options_[i] = place(new QRadioButton(QString::fromLatin1(optionCaptions[i]), frame), name.toLatin1().constData(),
                            twipRect(120, 300 + 240 * i, 1935 - 180, 255));
    }
    options_[1]->setChecked(true);
    // "Blur" lies inside the frame's rectangle but is no option of it.
    SwiBlur_->raise();

    Live_ = place(new QCheckBox(QStringLiteral("Live"), this), "Live", twipRect(4020, 10800, 1215, 315));
    describeControls();
}

void Form1::buildLive()
{
    auto relight = [this] {
        if (isLive()) live_->request();
    };
    connect(Alt_, &QLineEdit::textChanged, this, relight);
    connect(sun_, &SunFields::changed, this, relight);
    connect(HScroll2_, &QScrollBar::valueChanged, this, relight);
    connect(SwiBlur_, &QCheckBox::toggled, this, relight);
    for (QRadioButton* o : options_)
        connect(o, &QRadioButton::toggled, this, [this](bool on) {
            if (on && isLive()) live_->request();
        });
    connect(HScroll1_, &QScrollBar::valueChanged, this, [this] {
        if (isLive()) live_->request(true);
    });
}

// The live run's pictures: the colour map, the result being tuned, is drawn
// first; only the cells whose pictures changed are converted.
void Form1::showLive(const LiveFrame& frame)
{
    if (frame.colour) {
        closeGuard_->changed({Slot::Shadow, Slot::Colour});
        pictureView(Slot::Colour).showRows(*frame.colour);
        pictureView(Slot::Colour).repaint();
        pictureView(Slot::Shadow).showRows(*frame.shadow);
    }
    if (frame.work) pictureView(Slot::Work).refreshFrom(*frame.work);
    if (frame.texture) {
        closeGuard_->changed(Slot::Texture);
        pictureView(Slot::Texture).refreshFrom(*frame.texture);
    }
}

bool Form1::isLive() const { return Live_->isChecked(); }

void Form1::Form_Load()
{
    pbFullWidth_ = pb_->width();
    Label4_->setText(QStringLiteral("CONTROL PANEL\n"));
    reporter_ = std::make_unique<PanelReporter>(*labWork_, *pb_, pbFullWidth_, *this, pbmax_->geometry());
}

Controls Form1::controls() const
{
    Controls c;
    c.x0 = X0_->text().toStdString();
    c.y0 = Y0_->text().toStdString();
    c.alt = Alt_->text().toStdString();
    c.darkness = HScroll2_->value();
    c.contrast = HScroll1_->value();
    c.blur = SwiBlur_->isChecked();
    for (int i = 0; i < 4; ++i)
        if (options_[i]->isChecked()) c.blend = kBlendModes[i];
    c.sun = sun_->current(localeNumberParser());
    return c;
}

void Form1::setControls(const Controls& c)
{
    // No box, bar or button tells of its change: nothing relights.
    const QSignalBlocker b1(X0_), b2(Y0_), b3(Alt_), b4(HScroll1_), b5(HScroll2_), b6(SwiBlur_);
    for (QRadioButton* o : options_) o->blockSignals(true);
    X0_->setText(qs(c.x0));
    Y0_->setText(qs(c.y0));
    Alt_->setText(qs(c.alt));
    HScroll2_->setValue(c.darkness);
    HScroll1_->setValue(c.contrast);
    SwiBlur_->setChecked(c.blur);
    for (int i = 0; i < 4; ++i)
        if (kBlendModes[i] == c.blend) options_[i]->setChecked(true);
    for (QRadioButton* o : options_) o->blockSignals(false);
    sun_->show(c.sun);
}

void Form1::refreshPictures()
{
    const auto ws = workspace();
    for (PictureView* v : views_) v->refresh(*ws);
}

void Form1::shadowButton(ShadowMode mode)
{
    // Held throughout: a long run looks at the input for Esc. The undo step
    // is taken within, so no relight writes while it records.
    const auto ws = workspace();
    const auto step = undo_->step(shadowCaption(mode));
    live_->setShadowMode(mode);
    const Refusal refused = runShadowButton(*ws, mode, controls(), localeNumberParser(), *reporter_);
    if (refused && reporter_->stopped()) {
        reporter_->status(refused->message); // Esc: the maps stay as they were
        return;
    }
    if (refused) {
        prompts_.message(this, qs(refused->message));
        return;
    }
    closeGuard_->changed({Slot::Shadow, Slot::Colour});
    refreshPictures();
}

void Form1::Command5_Click() { shadowButton(ShadowMode::Linear); }
void Form1::Command7_Click() { shadowButton(ShadowMode::LinearSim); }
void Form1::Command11_Click() { shadowButton(ShadowMode::Embossed); }
void Form1::Command9_Click() { shadowButton(ShadowMode::Sin); }
void Form1::Command4_Click() { shadowButton(ShadowMode::Cos); }

void Form1::Command12_Click()
{
    if (const Refusal refused = sun_->textsRefused(localeNumberParser())) {
        prompts_.message(this, qs(refused->message));
        return;
    }
    shadowButton(ShadowMode::Sun);
}

void Form1::Command3_Click()
{
    const auto step = undo_->step(operationCaption(*operationNamed("clear")));
    clearShadow(*workspace());
    refreshPictures();
}

void Form1::textureButton(TextureOp op)
{
    const auto button = op == TextureOp::MakeTexture ? TextureButton::MakeTexture : TextureButton::MakeTexture2;
    const auto step = undo_->step(operationCaption(operationOf(button)));
    const auto ws = workspace();
    live_->setTextureOp(op);
    if (op == TextureOp::MakeTexture) makeTexture(*ws, HScroll1_->value(), *reporter_);
    else makeTexture2(*ws, HScroll1_->value(), *reporter_);
    closeGuard_->changed(Slot::Texture);
    refreshPictures();
}

void Form1::Command8_Click() { textureButton(TextureOp::MakeTexture); }
void Form1::Command10_Click() { textureButton(TextureOp::MakeTexture2); }

void Form1::Command6_Click()
{
    const auto ws = workspace(); // the view stays open until closed
    std::optional<ViewGrids> grids;
    try {
        grids = CalculateMaps(*ws, *reporter_);
    } catch (const std::bad_alloc&) {
        prompts_.message(this, tr("Not enough memory for the 3D view of a %1 \u00d7 %2 map.")
                                   .arg(ws->width())
                                   .arg(ws->height()));
        return;
    }
    if (!view3d_) view3d_ = new frm3D(*ws, std::move(*grids), this);
    else view3d_->setGrids(std::move(*grids));
    view3d_->showModal();
}

void Form1::Picture_MouseDown(Slot slot, Qt::MouseButton button, QPoint pos, QPoint globalPos, bool onPicture)
{
    if (slot == Slot::Work) return;
    if (slot == Slot::Height) {
        if (button == Qt::LeftButton) {
            // Beside a scaled map there is no map pixel to put the sun on.
            if (onPicture) placeSun(pos);
        } else if (button == Qt::RightButton || button == Qt::MiddleButton) {
            popupMenu(slot, globalPos);
        }
        return;
    }
    if (button == Qt::RightButton) popupMenu(slot, globalPos);
}

} // namespace gloamery::panel

namespace gloamery::panel {

void Form1::popupMenu(Slot slot, QPoint globalPos)
{
    // Its commands read and write the pictures, after dialogs.
    const auto held = workspace();
    const auto step = undo_->menuStep(slot);
    menu_->popup(slot, globalPos);
}

void Form1::closeEvent(QCloseEvent* event)
{
    const auto held = workspace(); // the pictures saved are the exact ones
    if (closeGuard_->mayClose()) event->accept();
    else event->ignore();
}

void Form1::Picture_MouseDrag(Slot slot, QPoint pos)
{
    if (slot == Slot::Height && isLive()) placeSun(pos);
}

void Form1::placeSun(QPoint pos)
{
    // Live under "Sun", the sun turns about the map's centre towards the pointer.
    if (isLive() && live_->shadowMode() == ShadowMode::Sun) {
        const QSize map = pictureView(Slot::Height).pictureSize(); // as shown: no wait for a relight
        sun_->setAzimuth(SunFields::azimuthTowards(pos, map.width(), map.height()));
        return;
    }
    // The next shadow run reads it; a live one starts at once.
    X0_->setText(QString::number(pos.x()));
    Y0_->setText(QString::number(pos.y()));
    if (isLive()) live_->request();
}

} // namespace gloamery::panel
