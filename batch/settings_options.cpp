#include "settings_options.h"

#include "batch_run.h"
#include "settings/settings_file.h"

#include <ostream>

namespace gloamery::batch {

namespace {

// The map's size once the steps so far have run.
MapSize mapSizeAt(const Plan& plan)
{
    MapSize size{kDefaultMapSize, kDefaultMapSize};
    for (const Step& step : plan.steps)
        if (const auto* s = std::get_if<SizeStep>(&step)) size = MapSize{s->width, s->height};
    return size;
}

} // namespace

std::optional<std::string> SettingsOptions::apply(const std::string& path, Controls& controls, Plan& plan)
{
    const MapSize size = mapSizeAt(plan);
    Settings base{controls, size, shadow_, texture_};
    auto read = readSettingsFile(path, base);
    if (const Error* e = std::get_if<Error>(&read)) return "--settings " + quoted(path) + ": " + e->message;
    const Settings& s = std::get<Settings>(read);
    controls = s.controls;
    shadow_ = s.shadow;
    texture_ = s.texture;
    if (!plan.world && s.map && *s.map != size) plan.steps.push_back(SizeStep{s.map->width, s.map->height});
    return std::nullopt;
}

SaveSettingsStep SettingsOptions::save(const std::string& path, const Controls& controls, const Plan& plan) const
{
    std::optional<MapSize> map;
    if (!plan.world) map = mapSizeAt(plan);
    return SaveSettingsStep{path, Settings{controls, map, shadow_, texture_}};
}

void SettingsOptions::reached(Operation op)
{
    if (const auto mode = shadowModeOf(op)) shadow_ = *mode;
    if (op->texture) texture_ = *op->texture;
}

std::string SettingsOptions::lastShadowName() const { return std::string(operationOf(shadow_).name); }

int runSaveSettings(const SaveSettingsStep& step, std::ostream& err)
{
    if (const Refusal r = writeSettingsFile(step.path, step.settings)) {
        err << "gloamery-batch: cannot write \"" << step.path << "\": " << r->message << '\n';
        return kExitFileError;
    }
    return kExitOk;
}

} // namespace gloamery::batch
