#pragma once
// Between the front ends' texts and the core's numbers: X0, Y0 and the
// decay read once into the values a shadow run takes, and a shadow
// button's run followed by its merge, as every front end runs it.

#include "inputs/controls.h"
#include "shadow/shadow_params.h"
#include "shadow/sweep.h"
#include "workspace/reporter.h"
#include "workspace/window_grid.h"
#include "workspace/workspace.h"

#include <optional>
#include <string>
#include <variant>

namespace gloamery {

// A control's text and the finite number read from it (nothing when it is
// not one): read once, so that the check and the run use the same value.
struct NumberInput {
    std::string text;
    std::optional<double> value;
};
NumberInput readNumberInput(std::string text, const NumberParser& parse);

// X0, Y0 and the decay, each read from its text.
struct ShadowNumbers {
    NumberInput x0, y0, decay;
};
ShadowNumbers readShadowNumbers(const Controls& c, const NumberParser& parse);

// Reads X0, Y0 (when the mode uses the sun's position) and the decay, and
// takes the darkness and the Sun controls. Refuses text that is not a
// finite number, a sun whose rounded or floored coordinates leave -reach ..
// reach - 1, and any number the operation uses outside its range in the
// control schema; the message names the control by its caption and quotes
// the text.
std::variant<ShadowParams, Error> readShadowParams(const Controls& c, const NumberParser& parse, ShadowMode mode,
                                                   int reach = kMapSunReach);
// The same from X0, Y0 and the decay already read (c's texts for them are
// not looked at).
std::variant<ShadowParams, Error> readShadowParams(const ShadowNumbers& numbers, const Controls& c, ShadowMode mode,
                                                   int reach = kMapSunReach);

// Why a shadow button cannot run with these controls, or nothing.
Refusal shadowInputsRefused(const Controls& c, ShadowMode mode, const NumberParser& parse, int reach);

// The same refusal for a coordinate given as a number, `shown` as the user
// gave it ("X0", "Y0").
Refusal coordinateRefused(const char* field, double v, const std::string& shown, int reach);

// A shadow button as the user sees it: the run, then the merge into the
// colour map with the controls' blur and blend. Nothing is merged (or
// reported past the run's own steps) when the run refuses.
Refusal runShadowAndMerge(Workspace& ws, ShadowMode mode, const ShadowParams& params, const Controls& c,
                          Reporter& report);
Refusal runShadowRegionAndMerge(Workspace& ws, const WorldRegion& region, const HeightSource& source, ShadowMode mode,
                                const ShadowParams& params, const Controls& c, Reporter& report);

// A relief layer as the user sees it: the controls the layer's row uses
// checked, the layer made and lit into the shadow map, then the merge.
Refusal runLayerAndMerge(Workspace& ws, LayerKind kind, const Controls& c, Reporter& report);
Refusal runLayerRegionAndMerge(Workspace& ws, const WorldRegion& region, const HeightSource& source, LayerKind kind,
                               const Controls& c, Reporter& report);

// Where the real sun is seen from: `where` when the front end worked it out
// (the place given or the height raster's centre, the raster's grid north),
// else the controls' place with grid north 0; an error when there is none.
std::variant<MapPlace, Error> realSunPlace(const Controls& c, const MapPlace* where);

// Whether a run of the row with these controls takes the real sun: "sun"
// with a time set, sun-hours and direct-light.
bool takesRealSun(LayerKind kind);
bool takesRealSun(const Controls& c, ShadowMode mode);

// "Sun" at the instant t seen from `where`: the sun's azimuth turned to the
// map's grid north and its apparent altitude (below the horizon it lights
// nothing, only the sky's share), with the controls' disc, Lambert term,
// sky and units, then the merge.
Refusal runSunAtAndMerge(Workspace& ws, const Controls& c, const MapPlace& where, std::chrono::sys_seconds t,
                         Reporter& report);
// The same sun as the values of a "Sun" run (its azimuth, altitude and
// whether it is up), for a front end that relights through
// runShadowAndMerge as it goes (the panel's live relight); refused as above.
std::variant<ShadowParams, Error> realSunParams(const Controls& c, const MapPlace* where, std::chrono::sys_seconds t);
Refusal runSunAtRegionAndMerge(Workspace& ws, const WorldRegion& region, const HeightSource& source,
                               const Controls& c, const MapPlace& where, std::chrono::sys_seconds t,
                               Reporter& report);

// sun-hours or direct-light over the controls' period seen from `where`:
// kept as the map's layer, lit into the shadow map, then the merge.
Refusal runSunSumAndMerge(Workspace& ws, LayerKind kind, const Controls& c, const MapPlace& where, Reporter& report);
Refusal runSunSumRegionAndMerge(Workspace& ws, const WorldRegion& region, const HeightSource& source, LayerKind kind,
                                const Controls& c, const MapPlace& where, Reporter& report);

// Reads the controls' texts with `parse` and runs the button as above.
Refusal runShadowButton(Workspace& ws, ShadowMode mode, const Controls& c, const NumberParser& parse,
                        Reporter& report);

} // namespace gloamery
