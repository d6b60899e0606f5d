#pragma once
// "Save Layer...", "Save Normal Map...", "Save Splat Map..." and "Save
// Occlusion Map...": the maps the workspace holds beside its pictures, or
// makes from its heights, written by the core's savers (atomically) to a
// file the user names. Each is enabled only while there is something to
// write: a layer once a relief button made one, a splat map once a texture
// button ran; the normal and the occlusion map whenever there are heights.
// The occlusion is worked out as it is saved, which takes a while on a
// large map: it tells its progress, and Esc stops it.

#include "imageio/geo_place.h"
#include "inputs/controls.h"
#include "live_lighting.h"
#include "panel_reporter.h"
#include "prompts.h"

#include <QObject>

#include <functional>

class QAction;
class QWidget;

namespace gloamery::panel {

class MapSaves final : public QObject {
    Q_OBJECT
public:
    struct Panel {
        LiveLighting& live; // keeps the workspace written from
        const Prompts& prompts;
        std::function<Controls()> controls;         // the normal map's options and units
        std::function<const MapOrigin&()> origin;   // the height file's place, for the layer
        std::function<void(const QString&)> note;   // where a save says what it wrote
        PanelReporter& report;                      // the occlusion's progress, and Esc
    };
    MapSaves(Panel panel, QWidget& owner);

    QAction& layerAction() { return *layer_; }
    QAction& normalAction() { return *normal_; }
    QAction& splatAction() { return *splat_; }
    QAction& occlusionAction() { return *occlusion_; }

    // Enables the entries that have something to write in ws.
    void update(const Workspace& ws);

private:
    enum class Map { Layer, Normal, Splat, Occlusion };
    QAction* entry(const QString& text, const char* name, Map map);
    void save(Map map);

    Panel panel_;
    QWidget& owner_;
    QAction* layer_;
    QAction* normal_;
    QAction* splat_;
    QAction* occlusion_;
};

} // namespace gloamery::panel
