#pragma once
// The picture menu mnuPopup and its four commands: save a picture to a file
// of the format its name asks for, load it from an image file, copy it to
// the clipboard, replace it from the clipboard. The commands act on popTarget, the picture that last
// opened the menu. On the height map the menu also offers "Map size...".

#include "imageio/geo_place.h"
#include "imageio/qt/height_files.h"
#include "live_lighting.h"
#include "map_resizer.h"
#include "prompts.h"
#include "inputs/controls.h"
#include "workspace/workspace.h"

#include <QObject>

#include <functional>
#include <optional>

class QAction;
class QMenu;
class QWidget;

namespace gloamery::panel {

inline const QString kTerrainFilter = QStringLiteral("glTF terrain (*.glb)");

class PictureMenu final : public QObject {
    Q_OBJECT
public:
    // changed(slot) is called after a command replaced a picture; live
    // keeps the workspace the commands act on.
    PictureMenu(LiveLighting& live, const Prompts& prompts, QWidget& owner, MapResizer& resizer,
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

    // Asks where to save the slot's picture (the dialog offering `filter`)
    // and saves it, telling the user when it could not. True when written.
    bool saveToFile(Slot slot, const QString& filter);
    // Whether the height file placed the map in the world: its saves
    // start on GeoTIFF.
    bool georeferenced() const { return origin_.place.has_value(); }
    // The height file's place and no-data cells (none for a picture).
    const MapOrigin& origin() const { return origin_; }
    // Makes target the commands' target without showing the menu (the
    // menu bar's commands).
    void setTarget(Slot target) { popTarget_ = target; }
    // Told of every picture written to a file.
    void setSaved(std::function<void(Slot)> saved) { saved_ = std::move(saved); }

    // Where a load's note (the range of a raster's elevations) is shown.
    void setNoteShown(std::function<void(const QString&)> show) { showNote_ = std::move(show); }
    // Told the units a loaded elevation raster sets for "Sun" and its
    // coordinate system (WKT, empty without one); says how they read.
    using UnitsFound = std::function<QString(const RasterUnits&, const std::string& wkt)>;
    void setUnitsFound(UnitsFound found) { unitsFound_ = std::move(found); }
    // The ground units the terrain is exported in (by default a unit a
    // pixel and a height level).
    void setGroundUnits(std::function<SunControls()> units) { units_ = std::move(units); }
    // "Export terrain..." on the height map: the terrain as a glTF binary.
    void mnexportterrain_Click();
    // "Fit to engine size..." on the height map: the heights resampled to
    // the size asked for, as the batch tool's --fit does.
    void mnfitengine_Click();

private:
    // Puts a decoded image in a slot; a height map of another size than
    // the map's first asks whether to work at its size.
    void place(Slot slot, const QImage& image);
    // A height map of another size than the map's asks whether to work at
    // its size; false when the user said yes and the resize failed.
    bool offerMapSize(Slot slot, QSize size);
    // Puts a picture of 16 bits a sample in a slot: the height map keeps
    // the samples, other slots show them as grey.
    void placeDeep(Slot slot, const DeepPicture& deep);
    void pastedInto(Slot target);

    LiveLighting& live_;
    const Prompts& prompts_;
    QWidget& owner_;
    std::function<void(Slot)> changed_;
    std::function<void(const QString&)> showNote_;
    std::function<void(Slot)> saved_;
    QMenu* menu_;
    QAction* save_;
    QAction* load_;
    QAction* toClip_;
    QAction* fromClip_;
    QAction* mapSizeSeparator_;
    QAction* mapSize_;
    QAction* exportTerrain_;
    QAction* fitEngine_;
    std::function<SunControls()> units_;
    MapOrigin origin_; // the height file's place and no-data cells, for GeoTIFF and PNG
    UnitsFound unitsFound_;
    MapResizer& resizer_;
    std::optional<Slot> popTarget_;
};

} // namespace gloamery::panel
