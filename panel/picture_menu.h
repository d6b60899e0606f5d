#pragma once
// The picture menu mnuPopup and its four commands: save a picture to a BMP
// file, load it from an image file, copy it to the clipboard, replace it
// from the clipboard. The commands act on popTarget, the picture that last
// opened the menu. On the height map the menu also offers "Map size...".

#include "map_resizer.h"
#include "prompts.h"
#include "workspace/controls.h"
#include "workspace/workspace.h"

#include <QObject>

#include <functional>
#include <optional>

class QAction;
class QMenu;
class QWidget;

namespace gloamery::panel {

inline const QString kOpenFilter = QStringLiteral("Pictures (*.bmp *.jpg *.gif);;"
                                                  "Height maps (*.png *.pgm *.tif *.tiff *.r16 *.raw *.hgt *.asc)");
inline const QString kSaveFilter = QStringLiteral("Pictures (bmp) (*.bmp)");
// For a deep height map: a name ending in .png saves 16-bit grey.
inline const QString kDeepSaveFilter = QStringLiteral("Pictures (bmp) (*.bmp);;16-bit PNG (*.png)");

class PictureMenu final : public QObject {
    Q_OBJECT
public:
    // changed(slot) is called after a command replaced a picture.
    PictureMenu(Workspace& ws, const Prompts& prompts, QWidget& owner, MapResizer& resizer,
                std::function<void(Slot)> changed);
    ~PictureMenu() override;

    // Makes target the menu's target, shows the menu at the pointer and
    // runs the chosen command, if any, before returning.
    void popup(Slot target, const QPoint& globalPos);

    std::optional<Slot> popTarget() const { return popTarget_; }
    QMenu& mnuPopup() { return *menu_; }

    // The four commands on the current target (none without one).
    void mnpopsave_Click();
    void mnpopload_Click();
    void mnupopsaveclip_Click();
    void mnmpoploadclip_Click();
    void mnmapsize_Click();

    // Loads a picture file into a slot as "&Load Picture" does, showing the
    // same message when the file is refused. True when it was loaded.
    bool loadFile(Slot slot, const QString& path);

    // Where a load's note (the range of a raster's elevations) is shown.
    void setNoteShown(std::function<void(const QString&)> show) { showNote_ = std::move(show); }

private:
    // Puts a decoded image in a slot; a height map of another size than
    // the map's first asks whether to work at its size.
    void place(Slot slot, const QImage& image);
    // A height map of another size than the map's asks whether to work at
    // its size; false when the user said yes and the resize failed.
    bool offerMapSize(Slot slot, QSize size);
    Refusal saveTarget(const QString& path, bool deep) const;
    void pastedInto(Slot target);

    Workspace& ws_;
    const Prompts& prompts_;
    QWidget& owner_;
    std::function<void(Slot)> changed_;
    std::function<void(const QString&)> showNote_;
    QMenu* menu_;
    QAction* save_;
    QAction* load_;
    QAction* toClip_;
    QAction* fromClip_;
    QAction* mapSizeSeparator_;
    QAction* mapSize_;
    MapResizer& resizer_;
    std::optional<Slot> popTarget_;
};

} // namespace gloamery::panel
