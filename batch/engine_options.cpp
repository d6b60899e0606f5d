#include "engine_options.h"

#include "imageio/map_files.h"

#include <optional>

namespace gloamery::batch {

namespace {

std::optional<EngineMap> engineMapNamed(const std::string& name)
{
    for (EngineMap m : {EngineMap::Normal, EngineMap::Splat, EngineMap::Occlusion})
        if (engineMapName(m) == name) return m;
    return std::nullopt;
}

void readSave(const std::string& arg, Reader& in, const EngineUnits& units, std::vector<Step>& steps)
{
    const EngineMap map = *engineMapNamed(in.next());
    const auto path = in.file(arg);
    if (!path) return;
    if (saveFormatOf(*path) != "png") {
        in.fail("cannot save " + quoted(*path) + ": the " + engineMapName(map) + " map is written as PNG, so the name "
                "must end in .png");
        return;
    }
    const Controls& c = units.controls;
    steps.push_back(EngineSaveStep{map, *path, c.normal, c.sun, units.given.first, units.given.second, c.relief});
}

} // namespace

bool readEngineOption(const std::string& arg, Reader& in, const EngineUnits& units, std::vector<Step>& steps)
{
    if (arg == "--save") {
        if (!engineMapNamed(in.peek())) return false;
        readSave(arg, in, units, steps);
    } else if (arg == "--fit") {
        const auto size = readSize(arg, in);
        if (size) steps.push_back(FitStep{size->width, size->height});
    } else {
        return false;
    }
    return true;
}

} // namespace gloamery::batch
