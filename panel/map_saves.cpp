#include "map_saves.h"

#include "imageio/engine_maps.h"
#include "imageio/map_files.h"
#include "shadow/relief.h"

#include <QAction>
#include <QDir>
#include <QWidget>

namespace gloamery::panel {

namespace {

QString mapName(int map)
{
    const char* names[] = {"Layer", "Normal Map", "Splat Map", "Occlusion Map"};
    return QObject::tr(names[map]);
}

// The sky-view factor over the controls' directions and radius as grey, as
// the batch tool's occlusion save writes it.
Refusal saveOcclusion(const Workspace& ws, const Controls& c, const std::string& file, Reporter& report)
{
    std::variant<GreyMap, Error> made = Error{};
    {
        const BusyScope busy(report);
        report.status(status::kCalculating);
        made = occlusionMap(ws, c.sun, c.relief, report);
    }
    if (const Error* e = std::get_if<Error>(&made)) return *e;
    return saveGreyMap(file, ws.width(), ws.height(), std::get<GreyMap>(made));
}

} // namespace

MapSaves::MapSaves(Panel panel, QWidget& owner)
    : QObject(&owner), panel_(std::move(panel)), owner_(owner),
      layer_(entry(tr("Save &Layer..."), "actSaveLayer", Map::Layer)),
      normal_(entry(tr("Save &Normal Map..."), "actSaveNormal", Map::Normal)),
      splat_(entry(tr("Save S&plat Map..."), "actSaveSplat", Map::Splat)),
      occlusion_(entry(tr("Save Occlusion &Map..."), "actSaveOcclusion", Map::Occlusion))
{
    layer_->setToolTip(tr("Writes the layer the last relief button made as a GeoTIFF of 32-bit floats"));
    normal_->setToolTip(
        tr("Writes the terrain's normal map as a PNG, in the Engine maps group's convention and depth"));
    splat_->setToolTip(tr("Writes where the last texture button put grass (red) and stone (green) as a PNG"));
    occlusion_->setToolTip(tr("Writes the ambient occlusion as a grey PNG: how much of the sky each point sees, "
                              "over the Relief group's directions and as far as its radius"));
    layer_->setEnabled(false);
    splat_->setEnabled(false);
}

QAction* MapSaves::entry(const QString& text, const char* name, Map map)
{
    auto* a = new QAction(text, this);
    a->setObjectName(QString::fromLatin1(name));
    connect(a, &QAction::triggered, this, [this, map] { save(map); });
    return a;
}

void MapSaves::update(const Workspace& ws)
{
    layer_->setEnabled(ws.layer() != nullptr);
    splat_->setEnabled(ws.splatRows() != nullptr);
}

void MapSaves::save(Map map)
{
    const QString name = mapName(static_cast<int>(map));
    const QString filter =
        map == Map::Layer ? tr("GeoTIFF of 32-bit floats (*.tif *.tiff)") : tr("PNG picture (*.png)");
    const QString path = panel_.prompts.saveFile(&owner_, tr("Save %1").arg(name), filter);
    if (path.isEmpty()) return; // cancelled
    const Controls c = panel_.controls();
    const std::string file = path.toStdString();
    Refusal refused;
    {
        const auto ws = panel_.live.access();
        update(*ws);
        switch (map) {
        case Map::Layer:
            refused = ws->layer() ? saveLayer(*ws->layer(), panel_.origin(), file) : Error{"no layer has been made"};
            break;
        case Map::Normal:
            refused = saveNormalMap(
                *ws, {c.normal.convention, c.normal.bits, c.sun.groundX, c.sun.groundY, c.sun.vertical}, file);
            break;
        case Map::Splat: refused = saveSplatMap(*ws, file); break;
        case Map::Occlusion: refused = saveOcclusion(*ws, c, file, panel_.report); break;
        }
    }
    if (refused && map == Map::Occlusion && panel_.report.stopped()) {
        panel_.note(QString::fromStdString(refused->message)); // Esc: nothing was written
        return;
    }
    if (refused) {
        panel_.prompts.message(&owner_, tr("Cannot save %1: %2").arg(path, QString::fromStdString(refused->message)));
        return;
    }
    panel_.note(tr("Saved %1 to %2").arg(name, QDir::toNativeSeparators(path)));
}

} // namespace gloamery::panel
