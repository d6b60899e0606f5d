#include "engine_options.h"

#include "inputs/engine_inputs.h"
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

void readSave(const std::string& arg, Reader& in, const EngineChoices& c, const EngineUnits& units,
              std::vector<Step>& steps)
{
    const EngineMap map = *engineMapNamed(in.next());
    const auto path = in.file(arg);
    if (!path) return;
    if (saveFormatOf(*path) != "png") {
        in.fail("cannot save " + quoted(*path) + ": the " + engineMapName(map) + " map is written as PNG, so the name "
                "must end in .png");
        return;
    }
    steps.push_back(EngineSaveStep{map, *path, c.convention, c.normalBits, c.directions, units.sun, units.given.first,
                                   units.given.second});
}

} // namespace

bool readEngineOption(const std::string& arg, Reader& in, EngineChoices& c, const EngineUnits& units,
                      std::vector<Step>& steps)
{
    if (arg == "--save") {
        if (!engineMapNamed(in.peek())) return false;
        readSave(arg, in, c, units, steps);
    } else if (arg == "--normal-convention") {
        const auto text = in.value(arg, "opengl or directx");
        const auto conv = text ? normalConventionNamed(*text) : std::nullopt;
        if (conv) c.convention = *conv;
        else if (text) in.fail(arg + " needs opengl or directx, not " + quoted(*text));
    } else if (arg == "--normal-depth") {
        const auto text = in.value(arg, "8 or 16");
        if (text && (*text == "8" || *text == "16")) c.normalBits = std::stoi(*text);
        else if (text) in.fail(arg + " needs 8 or 16 (bits a component), not " + quoted(*text));
    } else if (arg == "--directions") {
        if (const auto n = in.integer(arg, 1, 256)) c.directions = *n;
    } else if (arg == "--fit") {
        const auto size = readSize(arg, in);
        if (size) steps.push_back(FitStep{size->width, size->height});
    } else {
        return false;
    }
    return true;
}

} // namespace gloamery::batch
