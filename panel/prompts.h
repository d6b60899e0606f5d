#pragma once
// Everything through which the control panel waits on the user: the file
// dialogs, the stop message and the picture menu. Tests replace them.

#include <QString>
#include <QStringList>

#include <QSize>

#include <functional>
#include <optional>

class QAction;
class QMenu;
class QPoint;
class QWidget;

namespace gloamery::panel {

// The answer to closing with unsaved pictures.
struct CloseAnswer {
    enum Choice { Save, Discard, Cancel } choice = Cancel;
    bool dontAskAgain = false;
};

// The title of the panel's message and question boxes.
inline const QString kBoxTitle = QStringLiteral("Gloamery");

struct Prompts {
    // The chosen path, or an empty string when the user cancelled; the
    // dialog's title names the picture, and it starts on the filter's
    // first entry.
    std::function<QString(QWidget* parent, const QString& title, const QString& filter)> openFile;
    std::function<QString(QWidget* parent, const QString& title, const QString& filter)> saveFile;
    // A modal message box with a stop icon.
    std::function<void(QWidget* parent, const QString& text)> message;
    // Shows the menu at the pointer until the user picks an item (returned)
    // or dismisses it (nullptr).
    std::function<QAction*(QMenu& menu, const QPoint& globalPos)> showMenu;
    // Whether to work at the size of a height map of another size than
    // the map's (true) or keep the map's size (false, also when unset).
    std::function<bool(QWidget* parent, QSize image, QSize map)> workAtImageSize;
    // A new map size, or nothing when the user cancelled.
    std::function<std::optional<QSize>(QWidget* parent, QSize current)> mapSize;
    // Save / Discard / Cancel for closing with these pictures unsaved;
    // unset: close without asking.
    std::function<CloseAnswer(QWidget* parent, const QStringList& unsaved)> closeWithUnsaved;

    // The real dialogs, message box and menu.
    static Prompts interactive();
};

} // namespace gloamery::panel
