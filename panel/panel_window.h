#pragma once
// The program's window: the control panel (Form1) in a scrolled area that
// fits any screen, under a menu bar with the commands a desktop user looks
// for, each with its standard shortcut. The menus only reach what the
// panel's buttons and picture menus already do.

#include "prompts.h"
#include "workspace/workspace.h"

#include <QMainWindow>

class QMenu;
class QScrollArea;

namespace gloamery::panel {

class Form1;

class PanelWindow final : public QMainWindow {
    Q_OBJECT
public:
    explicit PanelWindow(Prompts prompts = Prompts::interactive(), QWidget* parent = nullptr);
    ~PanelWindow() override;

    Form1& form() { return *form_; }
    QScrollArea& scrollArea() { return *scroll_; }

protected:
    // The panel decides: it asks about pictures not saved.
    void closeEvent(QCloseEvent* event) override;

private:
    void buildFileMenu();
    void buildEditMenu();
    void buildLightMenu();
    void buildViewMenu();
    void buildHelpMenu();
    // The picture under the pointer, else the height map.
    Slot pointedSlot(bool forLoading) const;
    void showKeys();

    Form1* form_;
    QScrollArea* scroll_;
};

} // namespace gloamery::panel
