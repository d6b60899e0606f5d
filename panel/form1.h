#pragma once
// The control panel: the eight pictures in a three-by-three grid and, in
// the free cell, the controls of every stage. It only routes: each button
// runs its operation of the core on the workspace, synchronously; with
// "Live" ticked, moving the sun or changing a control relights at once.

#include "close_guard.h"
#include "live_lighting.h"
#include "map_resizer.h"
#include "panel_reporter.h"
#include "picture_menu.h"
#include "prompts.h"
#include "inputs/shadow_inputs.h"
#include "inputs/controls.h"
#include "workspace/workspace.h"

#include <QWidget>

#include <array>
#include <memory>
#include <optional>
#include <vector>

class QPushButton;
class frm3D;

namespace gloamery {
struct OperationRow;
}

namespace gloamery::panel {

class ControlCell;
class MapSaves;
class PictureDrop;
struct GroupButton;
class SchemaGroup;
class SidePanel;
class TimeGroup;
class PictureView;
class SunFields;
class SettingsCommands;
class UndoSteps;

class Form1 final : public QWidget {
    Q_OBJECT
public:
    // prompts: the dialogs, message box and menu to use; the real ones
    // when not given.
    explicit Form1(Prompts prompts = Prompts::interactive(), QWidget* parent = nullptr);
    ~Form1() override;

    // The workspace, reached only through the live relight's access.
    LiveLighting::Access workspace() const { return live_->access(); }

    // The progress bar's width at fraction 1, taken from the bar at start.
    double pbFullWidth() const { return pbFullWidth_; }

    // The inputs as an operation reads them now.
    Controls controls() const;
    // Sets every input at once, starting no live relight (a settings file,
    // an undo).
    void setControls(const Controls& c);

    PictureView& pictureView(Slot s) { return *views_[static_cast<int>(s)]; }
    PictureMenu& pictureMenu() { return *menu_; }
    LiveLighting& liveLighting() { return *live_; }
    const LiveLighting& liveLighting() const { return *live_; }
    UndoSteps& undoSteps() { return *undo_; }
    SettingsCommands& settingsCommands() { return *settingsFile_; }
    MapResizer& mapResizer() { return *resizer_; }
    Reporter& reporter() { return *reporter_; }
    Prompts& prompts() { return prompts_; }
    CloseGuard& closeGuard() { return *closeGuard_; }
    MapSaves& mapSaves() { return *saves_; }

    // Makes the file the height map, through the checks and messages of
    // the picture menu's load; a refused file changes nothing.
    bool openHeightMap(const QString& path);

    // Redraws every picture from the workspace.
    void refreshPictures();

    // The grid's zoom: 1 draws it at its designed size, 785 pixels a side;
    // none (the start) fits it to the room the window gives, never below 1.
    void setZoom(std::optional<double> zoom);
    double zoom() const { return zoom_; }
    static int gridSide();
    SidePanel& sidePanel() { return *side_; }

    // An operation of the table, as its button runs it.
    void runOperation(const OperationRow& row);
    // A row as the side panel's buttons run it: the fields checked, the
    // run reporting and stopping as the shadow buttons', one undo step;
    // `own`: a group's button of its own that runs the row (its caption).
    void runRow(const OperationRow& row, const GroupButton* own = nullptr);
    // What the operation's button says of it, or its description.
    QString operationTip(const OperationRow& row) const;

    // A command of the picture menu on a slot, from the menu bar: run as
    // the menu runs it, one undo step named `label`.
    void pictureCommand(Slot slot, void (PictureMenu::*command)(), const QString& label);

    // The handlers, named after their control.
    void Command5_Click();  // "Linear"
    void Command7_Click();  // "Linear sim"
    void Command11_Click(); // "Embossed"
    void Command9_Click();  // "Sin func"
    void Command4_Click();  // "Cos func"
    void Command12_Click(); // "Sun"
    void Command3_Click();  // "Clear"
    void Command8_Click();  // "Make Texture"
    void Command10_Click(); // "Make Texture2"
    void Command6_Click();  // "3D"
    void Picture_MouseDown(Slot slot, Qt::MouseButton button, QPoint pos, QPoint globalPos, bool onPicture = true);
    void Picture_MouseDrag(Slot slot, QPoint pos);

protected:
    // Asks first when computed or loaded pictures were not saved.
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Form_Load();
    void buildPictures();
    void connectButtons();
    void buildGroups();
    void buildLive();
    void showLive(const LiveFrame& frame);
    void shadowButton(ShadowMode mode);
    void textureButton(TextureOp op);
    void placeSun(QPoint pos);
    void popupMenu(Slot slot, QPoint globalPos);
    bool isLive() const;
    void buildKeeping();
    void applyZoom();
    // Why the side panel's fields cannot be used, naming the first; or nothing.
    Refusal fieldsRefused() const;
    // Tells why a run was refused: on the status line when Esc stopped it,
    // else in a message box; false when it ran.
    bool told(const Refusal& refused);
    QPushButton* buttonFor(const OperationRow& row) const;

    Prompts prompts_;
    std::unique_ptr<LiveLighting> live_; // keeps the workspace; destroyed after everything using it
    std::array<PictureView*, kSlotCount> views_{};

    ControlCell* cell_ = nullptr;
    SidePanel* side_ = nullptr;
    std::optional<double> fixedZoom_;
    double zoom_ = 1.0;

    double pbFullWidth_ = 0.0;
    std::unique_ptr<PanelReporter> reporter_;
    std::unique_ptr<MapResizer> resizer_;
    std::unique_ptr<PictureMenu> menu_;
    SunFields* sun_ = nullptr;
    std::vector<SchemaGroup*> groups_; // the side panel's groups after "Sun" and "Units"
    TimeGroup* time_ = nullptr;        // what "Date and time" adds to its fields
    std::unique_ptr<MapSaves> saves_;
    std::unique_ptr<CloseGuard> closeGuard_;
    PictureDrop* drop_ = nullptr;
    frm3D* view3d_ = nullptr; // made on the first "3D", kept for the next
    UndoSteps* undo_ = nullptr;
    SettingsCommands* settingsFile_ = nullptr;
};

} // namespace gloamery::panel
