#include "world_plan.h"

#include "imageio/world_heights.h"
#include "workspace/window_grid.h"
#include "workspace/workspace.h"

#include <string>

namespace gloamery::batch {

std::optional<UsageError> placeRegion(Plan& plan, const std::optional<std::vector<int>>& region)
{
    if (!plan.world) {
        if (region) return UsageError{"--region needs --world W,H before the pictures and operations"};
        return std::nullopt;
    }
    WorldSpec& world = *plan.world;
    if (!region) {
        if (world.width > kMaxMapSize || world.height > kMaxMapSize)
            return UsageError{"a world larger than " + std::to_string(kMaxMapSize) + " a side is lit a region at a time: give --region X,Y,w,h"};
        world.region = Rect{0, 0, world.width, world.height};
        return std::nullopt;
    }
    const std::vector<int>& r = *region;
    const std::string text = std::to_string(r[0]) + "," + std::to_string(r[1]) + "," + std::to_string(r[2]) + "," + std::to_string(r[3]);
    if (r[2] == 0 || r[3] == 0) return UsageError{"--region " + text + " is empty: its width and height must be at least 1"};
    if (static_cast<long long>(r[0]) + r[2] > world.width || static_cast<long long>(r[1]) + r[3] > world.height)
        return UsageError{"--region " + text + " reaches outside the " + std::to_string(world.width) + " x "
                          + std::to_string(world.height) + " world"};
    if (r[2] > kMaxMapSize || r[3] > kMaxMapSize)
        return UsageError{"--region " + text + " is larger than " + std::to_string(kMaxMapSize) + " a side"};
    world.region = Rect{r[0], r[1], r[2], r[3]};
    return std::nullopt;
}

std::optional<UsageError> worldRefuses(const Plan& plan)
{
    if (!plan.world) return std::nullopt;
    for (const Step& step : plan.steps) {
        if (std::holds_alternative<SizeStep>(step)) return UsageError{"--size cannot be used with --world: the world's size is set"};
        if (std::holds_alternative<FitStep>(step)) return UsageError{"--fit cannot be used with --world: the world's size is set"};
        if (std::holds_alternative<ExportStep>(step)) return UsageError{"--export-mesh cannot be used with --world: export the terrain of a map"};
        const auto* load = std::get_if<LoadStep>(&step);
        if (!load) continue;
        if (load->fit) return UsageError{"--open cannot be used with --world: the world's size is set"};
        if (!isInputSlot(load->slot))
            return UsageError{"in a world, " + std::string(slotName(load->slot)) + " is computed and cannot be loaded"};
        if (load->slot == Slot::Height && load->tile)
            return UsageError{"in a world, the heights come from --load height FILE, read by window"};
        if (load->slot == Slot::Height && !isRawHeightFile(load->path) && !load->heights)
            return UsageError{"--load height " + quoted(load->path) + " in a world needs --heights LO,HI before it: a "
                              "raster's least and greatest elevations cannot be known from the windows a region reads"};
    }
    return std::nullopt;
}

} // namespace gloamery::batch
