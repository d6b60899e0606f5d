#pragma once
// "Save settings..." and "Load settings...": the panel's controls to and
// from a settings file (settings/settings_file.h), on the window's menu and
// keys. The dialogs offer the last file used again, in this session or the
// one before. A file that is refused changes nothing.

#include "undo_steps.h"

#include <QObject>
#include <QSize>
#include <QString>

#include <functional>
#include <optional>
#include <string>

class QAction;
class QWidget;

namespace gloamery::panel {

class SettingsCommands final : public QObject {
    Q_OBJECT
public:
    // What the commands need of the window.
    struct Panel {
        std::function<Settings()> settings;           // as the controls hold them
        std::function<void(const Settings&)> apply;   // sets the controls and buttons, not the map size
        std::function<bool(QSize)> resize;            // false (the user told why) when refused
        std::function<void(const QString&)> message;  // the stop message
        Reporter& reporter;
        UndoSteps& undo;
    };

    // Adds the two commands to the window's actions.
    SettingsCommands(Panel panel, QWidget& window);

    // The file dialogs, replaced by tests: the path chosen, empty when
    // cancelled; `suggested` is the last file used.
    std::function<QString(QWidget* parent, const QString& suggested)> askSavePath;
    std::function<QString(QWidget* parent, const QString& suggested)> askOpenPath;

    void save();
    void load();
    bool saveTo(const QString& path);
    bool loadFrom(const QString& path);

    // The settings file last saved or loaded, kept between sessions.
    static QString lastFile();

    QAction& saveAction() { return *save_; }
    QAction& loadAction() { return *load_; }

private:
    Panel panel_;
    QWidget& window_;
    QAction* save_;
    QAction* load_;
};

// X0, Y0 and the decay as a settings file keeps them: a text the user's
// locale reads as another number than the C locale does ("2,5", "1.000" in
// German) is written as the shortest C text of the locale's number. Nothing
// for a text that is no number at all.
std::optional<std::string> cLocaleText(const std::string& typed);
// And back: a C text as the user's locale reads it to the same number.
std::string userLocaleText(const std::string& cText);

} // namespace gloamery::panel
