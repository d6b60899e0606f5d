#include "engine_steps.h"

#include "batch_run.h"

#include "compose/texture.h"
#include "imageio/engine_maps.h"
#include "shadow/relief.h"
#include "workspace/reporter.h"

#include <memory>

namespace gloamery::batch {

namespace {

SunControls unitsOf(const EngineSaveStep& step, const MapOrigin& origin)
{
    SunControls units = step.units;
    withRasterUnits(units, origin, step.groundGiven, step.verticalGiven);
    return units;
}

NormalOptions normalOptions(const EngineSaveStep& step, const MapOrigin& origin)
{
    const SunControls units = unitsOf(step, origin);
    return {step.normal.convention, step.normal.bits, units.groundX, units.groundY, units.vertical};
}

Refusal saveOcclusion(const std::variant<GreyMap, Error>& made, int w, int h, const std::string& path)
{
    if (const Error* e = std::get_if<Error>(&made)) return *e;
    return saveGreyMap(path, w, h, std::get<GreyMap>(made));
}

} // namespace

std::string engineMapName(EngineMap m)
{
    switch (m) {
    case EngineMap::Normal: return "normal";
    case EngineMap::Splat: return "splat";
    case EngineMap::Occlusion: return "occlusion";
    }
    return {};
}

Refusal saveEngineMap(const Workspace& ws, const EngineSaveStep& step, const MapOrigin& origin)
{
    if (step.map == EngineMap::Splat) return saveSplatMap(ws, step.path);
    if (step.map == EngineMap::Occlusion) {
        SilentReporter quiet;
        return saveOcclusion(occlusionMap(ws, unitsOf(step, origin), step.relief, quiet), ws.width(), ws.height(),
                             step.path);
    }
    return saveNormalMap(ws, normalOptions(step, origin), step.path);
}

Refusal saveEngineMapRegion(const Workspace& ws, const WorldRegion& held, const Rect& region,
                            const HeightSource& heights, const EngineSaveStep& step, const MapOrigin& origin)
{
    const Rect part{region.x0 - held.area.x0, region.y0 - held.area.y0, region.width, region.height};
    const int w = held.area.width;
    if (step.map == EngineMap::Splat) {
        const auto& rows = ws.splatRows();
        if (!rows) return saveSplatMap(ws, step.path); // the refusal's own words
        return saveSampleMap(step.path, region.width, region.height, 4, 8, croppedRows(*rows, 4, w, part));
    }
    if (step.map == EngineMap::Occlusion) {
        SilentReporter quiet;
        const WorldRegion world{held.worldWidth, held.worldHeight, region};
        return saveOcclusion(occlusionMapRegion(world, heights, unitsOf(step, origin), step.relief, quiet),
                             region.width, region.height, step.path);
    }
    auto read = heights.read(textureHeights(held));
    if (const Error* e = std::get_if<Error>(&read)) return *e;
    const auto window = std::make_shared<const HeightWindow>(std::get<HeightWindow>(std::move(read)));
    const NormalOptions o = normalOptions(step, origin);
    const RowFill rows = [window, held, o](int y, std::uint16_t* out) { regionNormalRow(*window, held, o, y, out); };
    return saveSampleMap(step.path, region.width, region.height, 3, o.bits, croppedRows(rows, 3, w, part));
}

} // namespace gloamery::batch
