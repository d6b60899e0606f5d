#include "panel_window.h"

#include "close_guard.h"
#include "form1.h"
#include "inputs/operations.h"
#include "map_saves.h"
#include "picture_view.h"
#include "settings_commands.h"
#include "side_panel.h"
#include "undo_steps.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>

#include <algorithm>
#include <optional>

namespace gloamery::panel {

namespace {

// The zoom steps of the View menu, from the designed size up.
constexpr double kZoomStep = 1.25;
constexpr double kMaxZoom = 4.0;

// The slots the menu bar names, in the grid's reading order.
constexpr Slot kSaved[] = {Slot::Height, Slot::Shadow, Slot::Colour, Slot::Grass, Slot::Stone, Slot::Texture, Slot::Detail};

bool loadable(Slot s) { return s != Slot::Shadow && s != Slot::Colour && s != Slot::Work; }

} // namespace

PanelWindow::PanelWindow(Prompts prompts, QWidget* parent)
    : QMainWindow(parent), form_(new Form1(std::move(prompts))), scroll_(new QScrollArea(this))
{
    setObjectName(QStringLiteral("PanelWindow"));
    setWindowTitle(form_->windowTitle());
    // The panel fills the room it gets and scrolls on screens too small for it.
    scroll_->setObjectName(QStringLiteral("PanelScroll"));
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidget(form_);
    setCentralWidget(scroll_);
    buildFileMenu();
    buildEditMenu();
    buildLightMenu();
    buildViewMenu();
    buildHelpMenu();

    // At the designed size: the grid exactly, not zoomed by a pixel or two.
    const QSize wanted = form_->minimumSize() + QSize(0, menuBar()->sizeHint().height());
    const QSize room = screen() ? screen()->availableSize() : wanted;
    resize(wanted.boundedTo(room * 0.95));
}

PanelWindow::~PanelWindow() = default;

void PanelWindow::closeEvent(QCloseEvent* event)
{
    if (form_->close()) event->accept();
    else event->ignore();
}

void PanelWindow::buildFileMenu()
{
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->setObjectName(QStringLiteral("menuFile"));
    auto command = [this](QMenu* menu, const QString& text, Slot slot, void (PictureMenu::*run)(), const QString& label,
                          QKeySequence key = {}) {
        QAction* a = menu->addAction(text, this, [this, slot, run, label] { form_->pictureCommand(slot, run, label); });
        a->setShortcut(key);
        return a;
    };
    command(file, tr("&Open Height Map..."), Slot::Height, &PictureMenu::mnpopload_Click,
            tr("Load Picture on Height Map"), QKeySequence::Open);
    command(file, tr("&Save Color Map..."), Slot::Colour, &PictureMenu::mnpopsave_Click,
            tr("Save Picture on Color Map"), QKeySequence::Save);
    QMenu* pictures = file->addMenu(tr("Save &Picture"));
    for (Slot s : kSaved) {
        const QString name = CloseGuard::pictureName(s);
        command(pictures, name + QStringLiteral("..."), s, &PictureMenu::mnpopsave_Click, tr("Save Picture on %1").arg(name));
    }
    // The maps beside the pictures, each only while there is one.
    MapSaves& saves = form_->mapSaves();
    for (QAction* a : {&saves.layerAction(), &saves.normalAction(), &saves.splatAction(), &saves.occlusionAction()})
        file->addAction(a);
    connect(file, &QMenu::aboutToShow, this, [this] { form_->mapSaves().update(*form_->workspace()); });
    command(file, tr("&Export Terrain..."), Slot::Height, &PictureMenu::mnexportterrain_Click, tr("Export terrain"));
    file->addSeparator();
    file->addAction(&form_->settingsCommands().loadAction());
    file->addAction(&form_->settingsCommands().saveAction());
    file->addSeparator();
    QAction* quit = file->addAction(tr("&Quit"), this, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);
}

void PanelWindow::buildEditMenu()
{
    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    edit->setObjectName(QStringLiteral("menuEdit"));
    edit->addAction(&form_->undoSteps().undoAction());
    edit->addAction(&form_->undoSteps().redoAction());
    edit->addSeparator();
    // A text field with the focus keeps Ctrl+C and Ctrl+V for its text.
    QAction* copy = edit->addAction(tr("&Copy Picture"), this, [this] {
        const Slot s = pointedSlot(false);
        form_->pictureCommand(s, &PictureMenu::mnupopsaveclip_Click, tr("To Clipboard on %1").arg(CloseGuard::pictureName(s)));
    });
    copy->setShortcut(QKeySequence::Copy);
    QAction* paste = edit->addAction(tr("&Paste Picture"), this, [this] {
        const Slot s = pointedSlot(true);
        form_->pictureCommand(s, &PictureMenu::mnmpoploadclip_Click, tr("From Clipboard on %1").arg(CloseGuard::pictureName(s)));
    });
    paste->setShortcut(QKeySequence::Paste);
    edit->addSeparator();
    edit->addAction(tr("&Map Size..."), this, [this] {
        form_->pictureCommand(Slot::Height, &PictureMenu::mnmapsize_Click, tr("Map size"));
    });
    edit->addAction(tr("&Fit to Engine Size..."), this, [this] {
        form_->pictureCommand(Slot::Height, &PictureMenu::mnfitengine_Click, tr("Fit to engine size"));
    });
}

void PanelWindow::buildLightMenu()
{
    QMenu* light = menuBar()->addMenu(tr("&Light"));
    light->setObjectName(QStringLiteral("menuLight"));
    // Every operation of the table, in its order, a line between kinds.
    std::optional<OperationKind> kind;
    for (const OperationRow& row : operationRows()) {
        if (kind && *kind != row.kind) light->addSeparator();
        kind = row.kind;
        const QString caption = QString::fromUtf8(row.caption.data(), static_cast<qsizetype>(row.caption.size()));
        QAction* a = light->addAction(caption, this, [this, &row] { form_->runOperation(row); });
        a->setToolTip(form_->operationTip(row));
        a->setStatusTip(a->toolTip());
    }
}

void PanelWindow::buildViewMenu()
{
    QMenu* view = menuBar()->addMenu(tr("&View"));
    view->setObjectName(QStringLiteral("menuView"));
    if (auto* button = form_->findChild<QAbstractButton*>(QStringLiteral("Command6")))
        view->addAction(tr("&3D View"), button, &QAbstractButton::click);
    view->addSeparator();
    QAction* in = view->addAction(tr("Zoom &In"), this, [this] { form_->setZoom(std::min(kMaxZoom, form_->zoom() * kZoomStep)); });
    in->setShortcut(QKeySequence::ZoomIn);
    QAction* out = view->addAction(tr("Zoom &Out"), this, [this] { form_->setZoom(std::max(1.0, form_->zoom() / kZoomStep)); });
    out->setShortcut(QKeySequence::ZoomOut);
    QAction* actual = view->addAction(tr("&Actual Size"), this, [this] { form_->setZoom(1.0); });
    actual->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_1));
    QAction* fit = view->addAction(tr("&Fit to Window"), this, [this] { form_->setZoom(std::nullopt); });
    fit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
}

void PanelWindow::buildHelpMenu()
{
    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->setObjectName(QStringLiteral("menuHelp"));
    QAction* keys = help->addAction(tr("&Keys and Mouse"), this, &PanelWindow::showKeys);
    keys->setShortcut(QKeySequence::HelpContents);
    help->addAction(tr("&About Gloamery"), this, [this] {
        auto* box = new QMessageBox(QMessageBox::Information, tr("About Gloamery"),
                                    tr("<b>%1</b><p>Turns a terrain height map into a lit terrain texture and "
                                       "previews the terrain in 3D.</p>").arg(windowTitle()),
                                    QMessageBox::Close, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->show();
    });
}

void PanelWindow::showKeys()
{
    auto* box = new QMessageBox(QMessageBox::Information, tr("Keys and Mouse"),
                                tr("<table>"
                                   "<tr><td>Left click on the height map</td><td>places the sun at X0, Y0</td></tr>"
                                   "<tr><td>Drag on the height map, Live ticked</td><td>moves the sun and relights "
                                   "(under \"Sun\", turns it about the map's centre)</td></tr>"
                                   "<tr><td>Right click on a picture</td><td>its menu: save, load, copy, paste</td></tr>"
                                   "<tr><td>Dropping a file on a picture</td><td>loads it there</td></tr>"
                                   "<tr><td>Esc</td><td>stops a long run; the maps stay as they were</td></tr>"
                                   "<tr><td>Ctrl+Z, Ctrl+Shift+Z or Ctrl+Y</td><td>undo, redo</td></tr>"
                                   "<tr><td>Ctrl+O, Ctrl+S</td><td>open the height map, save the colour map</td></tr>"
                                   "<tr><td>Ctrl+C, Ctrl+V</td><td>copy, paste the picture under the pointer</td></tr>"
                                   "<tr><td>Ctrl+Shift+O, Ctrl+Shift+S</td><td>load, save settings</td></tr>"
                                   "<tr><td>Ctrl++, Ctrl+-, Ctrl+0</td><td>zoom the pictures in, out, to the window</td></tr>"
                                   "</table>"),
                                QMessageBox::Close, this);
    box->setObjectName(QStringLiteral("KeysBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
}

Slot PanelWindow::pointedSlot(bool forLoading) const
{
    for (QWidget* w = QApplication::widgetAt(QCursor::pos()); w; w = w->parentWidget())
        if (auto* v = qobject_cast<PictureView*>(w))
            if (v->slot() != Slot::Work && (!forLoading || loadable(v->slot()))) return v->slot();
    return Slot::Height;
}

} // namespace gloamery::panel
