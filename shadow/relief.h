#pragma once
// The relief layers: the sky-view factor, positive and negative openness
// (from the exact horizons of N directions, see horizons.h) and the
// multi-directional hillshade (Horn's slopes lit from four azimuths, each
// weighted by how squarely it falls across the slope). Each is kept as the
// map's real-valued layer and lights the shadow map (see layer_light.h);
// the front ends then merge as after any shadow button.

#include "../workspace/controls.h"
#include "../workspace/reporter.h"
#include "../workspace/value_layer.h"
#include "../workspace/window_grid.h"
#include "../workspace/workspace.h"

#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

namespace gloamery {

// Whether a kind of layer is made here (the sun over a period is not).
bool isReliefLayer(LayerKind kind);

// The run's precondition: nothing, or the field ("relief.directions")
// outside the ranges of relief_range (the front ends refuse such values
// first, in their own words).
const char* reliefControlsFault(const ReliefControls& c);

// The values of a relief layer at every pixel of `box` of a w x h map,
// row-major over the box: heights(x, y) reads the map's pixel (x, y).
// Ground sizes, the vertical unit and (for the hillshade) the altitude
// come from `sun`. Empty when the reporter asks to stop.
std::optional<LayerValues> reliefValues(LayerKind kind, const SunControls& sun, const ReliefControls& relief,
                                        const HeightGrid& heights, int w, int h, const Rect& box, Reporter& report);

// Makes the layer of the workspace's map, keeps it as the map's layer and
// lights the shadow map from it. Refuses, changing nothing, when a control
// is out of range or the reporter asks to stop.
Refusal runRelief(Workspace& ws, LayerKind kind, const SunControls& sun, const ReliefControls& relief, int darkness,
                  Reporter& report);

// The same for a region of a world: the heights are read from source as
// far around the region as its horizons reach (the whole world's rays
// through it, towards every direction, without a radius).
Refusal runReliefRegion(Workspace& ws, const WorldRegion& region, const HeightSource& source, LayerKind kind,
                        const SunControls& sun, const ReliefControls& relief, int darkness, Reporter& report);

// The ambient-occlusion map: the sky-view factor of every pixel as the
// grey nearest(255 SVF), row-major. Refused as runRelief refuses, or when
// the reporter asks to stop.
using GreyMap = std::vector<std::uint8_t>;
std::variant<GreyMap, Error> occlusionMap(const Workspace& ws, const SunControls& sun, const ReliefControls& relief,
                                          Reporter& report);
// The same for `region.area` of a world, read from source as a region's
// sky-view run reads it.
std::variant<GreyMap, Error> occlusionMapRegion(const WorldRegion& region, const HeightSource& source,
                                                const SunControls& sun, const ReliefControls& relief, Reporter& report);

} // namespace gloamery
