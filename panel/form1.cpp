#include "form1.h"

#include "blend_options.h"
#include "colour_strip.h"
#include "control_cell.h"
#include "map_saves.h"
#include "schema_group.h"
#include "compose/texture.h"
#include "imageio/colour_tables.h"
#include "imageio/qt/picture_io.h"
#include "picture_drop.h"
#include "panel_settings.h"
#include "inputs/operations.h"
#include "picture_view.h"
#include "designed_layout.h"
#include "side_panel.h"
#include "sun_fields.h"
#include "time_group.h"
#include "save_formats.h"
#include "preview3d/frm3D.h"
#include "settings_commands.h"
#include "workspace/view_maps.h"

#include <QFileInfo>
#include <QFormLayout>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QScrollBar>
#include <QResizeEvent>
#include <QLineEdit>
#include <QPushButton>

#include <optional>
#include <utility>

namespace gloamery::panel {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

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
    cell_ = new ControlCell(*this);
    connectButtons();
    sun_ = new SunFields(*side_, [this] { Command12_Click(); });
    buildGroups();
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
        time_->heightOpened(menu_->origin()); // a raster that lies somewhere known places the sun
        return tr("units: %1").arg(unitsText(u.groundX, u.groundY, u.vertical, unit));
    });
    menu_->setGroundUnits([this] { return controls().sun; });
    saves_ = std::make_unique<MapSaves>(
        MapSaves::Panel{*live_, prompts_, [this] { return controls(); },
                        [this]() -> const MapOrigin& { return menu_->origin(); },
                        [this](const QString& note) { reporter_->status(note.toStdString()); }, *reporter_},
        *this);
    buildKeeping();
}

// Undo and redo, and settings files: on keys, and on the menu of the
// window's background.
void Form1::buildKeeping()
{
    const auto settings = [this] { return panelSettings(*this); };
    const auto apply = [this](const Settings& s) { applyPanelSettings(*this, s); };
    undo_ = new UndoSteps({*live_, *reporter_, settings, apply,
                           [this] {
                               refreshPictures();
                               closeGuard_->recheck();
                           }},
                          *this, prompts_);
    settingsFile_ = new SettingsCommands({settings, apply, [this](QSize size) { return resizer_->resize(size); },
                                          [this](const QString& text) { prompts_.message(this, text); }, *reporter_,
                                          *undo_},
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
    views_[static_cast<int>(Slot::Work)]->stackUnder(&cell_->button("Command6"));
}

void Form1::connectButtons()
{
    const std::pair<const char*, void (Form1::*)()> clicks[] = {
        {"Command5", &Form1::Command5_Click},   {"Command7", &Form1::Command7_Click},
        {"Command11", &Form1::Command11_Click}, {"Command9", &Form1::Command9_Click},
        {"Command4", &Form1::Command4_Click},   {"Command3", &Form1::Command3_Click},
        {"Command8", &Form1::Command8_Click},   {"Command10", &Form1::Command10_Click},
        {"Command6", &Form1::Command6_Click},
    };
    for (const auto& [name, click] : clicks) connect(&cell_->button(name), &QPushButton::clicked, this, click);
}

void Form1::buildGroups()
{
    const auto run = [this](const OperationRow& row, const GroupButton* own) { runRow(row, own); };
    const auto chooseFile = [this](const QString& title, const QString& filter) {
        return prompts_.openFile(this, title, filter);
    };
    for (const GroupPlan* plan : {&reliefGroup(), &coloursGroup(), &engineMapsGroup(), &timeGroup()})
        groups_.push_back(new SchemaGroup(*side_, *plan, run, chooseFile));
    time_ = new TimeGroup(*groups_.back(), cell_->live());
    live_->setRealSunWhere([this](const Controls& c) { return realSunWhere(c, menu_->origin()); });
    // The slider relights "Sun at this time" as it goes; let go, a preview gives way to the exact picture.
    connect(time_, &TimeGroup::sliding, this, [this] { live_->setShadowMode(ShadowMode::Sun, true); });
    connect(time_, &TimeGroup::released, this, [this] {
        if (isLive()) live_->rested();
    });
    SchemaGroup& colours = *groups_[1];
    // The compositing blends belong with the colours, above the Tint button; the four designed ones
    // stay in their frame.
    cell_->blend().addCompositing(colours.form(), colours.form().rowCount() - int(colours.buttons().size()));
    auto* strip = new ColourStrip;
    colours.form().insertRow(1, strip); // under the table it shows
    const auto redraw = [this, strip] {
        const Controls c = controls();
        strip->showTable(qs(c.colours), c.colourEntries);
    };
    connect(&colours, &SchemaGroup::changed, strip, redraw);
    connect(&colours, &SchemaGroup::shown, strip, redraw);
    redraw();
}

void Form1::buildLive()
{
    // A field the relight does not read would only repeat the pictures on show.
    auto relight = [this](ControlId id) {
        if (isLive() && live_->reads(id)) live_->request();
    };
    const auto of = [relight](ControlId id) { return [relight, id] { relight(id); }; };
    connect(&cell_->decay(), &QLineEdit::textChanged, this, of(ControlId::Decay));
    connect(sun_, &SunFields::changed, this, relight);
    for (SchemaGroup* g : groups_) connect(g, &SchemaGroup::changed, this, relight);
    connect(&cell_->darkness(), &QScrollBar::valueChanged, this, of(ControlId::Darkness));
    connect(&cell_->blur(), &QCheckBox::toggled, this, of(ControlId::Blur));
    connect(&cell_->blend(), &BlendOptions::chosen, this, of(ControlId::Blend));
    connect(&cell_->contrast(), &QScrollBar::valueChanged, this, [this] {
        if (isLive()) live_->request(true);
    });
}

// The live run's pictures: the colour map, the result being tuned, is drawn
// first; only the cells whose pictures changed are converted.
void Form1::showLive(const LiveFrame& frame)
{
    if (frame.colour) {
        if (!frame.restored) closeGuard_->changed({Slot::Shadow, Slot::Colour});
        pictureView(Slot::Colour).showRows(*frame.colour);
        pictureView(Slot::Colour).repaint();
        pictureView(Slot::Shadow).showRows(*frame.shadow);
    }
    if (frame.work) pictureView(Slot::Work).refreshFrom(*frame.work);
    if (frame.texture) {
        closeGuard_->changed(Slot::Texture);
        saves_->splatAction().setEnabled(true); // the texture button's weights are kept
        pictureView(Slot::Texture).refreshFrom(*frame.texture);
    }
}

bool Form1::isLive() const { return cell_->live().isChecked(); }

void Form1::Form_Load()
{
    pbFullWidth_ = cell_->bar().width();
    cell_->heading().setText(QStringLiteral("CONTROL PANEL\n"));
    reporter_ = std::make_unique<PanelReporter>(cell_->statusLine(), cell_->bar(), pbFullWidth_, *this,
                                                cell_->barBox().geometry());
    live_->setReporter(*reporter_);
}

Controls Form1::controls() const
{
    Controls c;
    cell_->read(c);
    c.sun = sun_->current(localeNumberParser());
    for (const SchemaGroup* g : groups_) g->read(localeNumberParser(), c);
    return c;
}

void Form1::setControls(const Controls& c)
{
    cell_->show(c);
    sun_->show(c.sun);
    for (SchemaGroup* g : groups_) g->show(c);
}

Refusal Form1::fieldsRefused() const
{
    if (Refusal refused = sun_->textsRefused(localeNumberParser())) return refused;
    Controls c;
    for (const SchemaGroup* g : groups_)
        if (Refusal refused = g->read(localeNumberParser(), c)) return refused;
    return std::nullopt;
}

void Form1::refreshPictures()
{
    const auto ws = workspace();
    for (PictureView* v : views_) v->refresh(*ws);
    if (saves_) saves_->update(*ws);
}

void Form1::shadowButton(ShadowMode mode)
{
    // Held throughout: a long run looks at the input for Esc. The undo step
    // is taken within, so no relight writes while it records.
    const auto ws = workspace();
    const auto step = undo_->step(shadowCaption(mode));
    live_->setShadowMode(mode);
    const Refusal refused = runShadowButton(*ws, mode, controls(), localeNumberParser(), *reporter_);
    if (told(refused)) return;
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
    if (const Refusal refused = fieldsRefused()) {
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
    const int contrast = cell_->contrast().value();
    if (op == TextureOp::MakeTexture) makeTexture(*ws, contrast, *reporter_);
    else makeTexture2(*ws, contrast, *reporter_);
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
    cell_->x0().setText(QString::number(pos.x()));
    cell_->y0().setText(QString::number(pos.y()));
    if (isLive() && live_->reads(ControlId::SunPosition)) live_->request();
}

} // namespace gloamery::panel
