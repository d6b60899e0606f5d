#include "operations.h"

#include "compose/texture.h"
#include "inputs/shadow_inputs.h"

#include <iterator>
#include <string>

namespace gloamery {

namespace {

template <ShadowMode mode>
Refusal shadowRun(Workspace& ws, const OperationInput& in, Reporter& report)
{
    return runShadowAndMerge(ws, mode, in.params, in.controls, report);
}

Refusal textureByHeight(Workspace& ws, const OperationInput& in, Reporter& report)
{
    makeTexture(ws, in.controls.contrast, report);
    return std::nullopt;
}

Refusal textureBySlope(Workspace& ws, const OperationInput& in, Reporter& report)
{
    makeTexture2(ws, in.controls.contrast, report);
    return std::nullopt;
}

template <LayerKind kind>
Refusal layerRun(Workspace& ws, const OperationInput& in, Reporter& report)
{
    return runLayerAndMerge(ws, kind, in.controls, report);
}

// "Sun": at the real sun's instant when one is set, else at sun_angle.
Refusal sunRun(Workspace& ws, const OperationInput& in, Reporter& report)
{
    if (!in.controls.when) return runShadowAndMerge(ws, ShadowMode::Sun, in.params, in.controls, report);
    auto where = realSunPlace(in.controls, in.where);
    if (const Error* e = std::get_if<Error>(&where)) return *e;
    return runSunAtAndMerge(ws, in.controls, std::get<MapPlace>(where), *in.controls.when, report);
}

template <LayerKind kind>
Refusal sunSumRun(Workspace& ws, const OperationInput& in, Reporter& report)
{
    auto where = realSunPlace(in.controls, in.where);
    if (const Error* e = std::get_if<Error>(&where)) return *e;
    return runSunSumAndMerge(ws, kind, in.controls, std::get<MapPlace>(where), report);
}

Refusal tintRun(Workspace& ws, const OperationInput& in, Reporter& report)
{
    if (!in.tint) return Error{"the colour table has not been read"};
    tint(ws, in.tint->lookup, in.tint->noData, report);
    return std::nullopt;
}

Refusal clearRun(Workspace& ws, const OperationInput&, Reporter&)
{
    clearShadow(ws);
    return std::nullopt;
}

using enum ControlId;
constexpr SlotSet kShadowReads = slotSet({Slot::Height, Slot::Texture});
constexpr SlotSet kShadowWrites = slotSet({Slot::Shadow, Slot::Colour});
constexpr SlotSet kTextureReads = slotSet({Slot::Height, Slot::Grass, Slot::Stone});
constexpr ControlSet kMerge = controlSet({Darkness, Blur, Blend, BlendOpacity});
constexpr ControlSet kSweep = kMerge | controlSet({SunPosition, Decay});
constexpr ControlSet kSunLight = kMerge | controlSet({SunAngle, SunSize, Lambert, Sky, SkyRays, Ground, Vertical});
constexpr const char* kSweepHelp = "a shadow run, then the merge";
constexpr ControlSet kUnits = controlSet({Ground, Vertical});
constexpr ControlSet kHorizons = kMerge | kUnits | controlSet({Directions, Radius});
constexpr const char* kLayerHelp = "a relief layer lit into the shadow map, then the merge";
constexpr ControlSet kRealSun = controlSet({When, Place});
constexpr ControlSet kSunSums = kMerge | kUnits | controlSet({Place, Period, SunSize, Lambert});
constexpr const char* kSumHelp = "the real sun over --period as a layer, then the merge";

// One row an operation (see the header for how to add one).
constexpr OperationRow kOperationRows[] = {
    {"linear", "Linear", "linear", kSweepHelp,
     "Casts the shadow map from the sun (\"Linear\"), then merges it into the colour map.", OperationKind::Shadow,
     ShadowMode::Linear, {}, {}, kShadowReads, kShadowWrites, kSweep, &shadowRun<ShadowMode::Linear>},
    {"linear-sim", "Linear sim", "linear_sim", kSweepHelp, "The \"Linear sim\" shadow run, then the merge.",
     OperationKind::Shadow, ShadowMode::LinearSim, {}, {}, kShadowReads, kShadowWrites,
     kSweep & ~controlSet({SunPosition}), &shadowRun<ShadowMode::LinearSim>},
    {"sin", "Sin func", "sin", kSweepHelp, "The \"Sin func\" shadow run, then the merge.", OperationKind::Shadow,
     ShadowMode::Sin, {}, {}, kShadowReads, kShadowWrites, kSweep, &shadowRun<ShadowMode::Sin>},
    {"cos", "Cos func", "cos", kSweepHelp, "The \"Cos func\" shadow run, then the merge.", OperationKind::Shadow,
     ShadowMode::Cos, {}, {}, kShadowReads, kShadowWrites, kSweep, &shadowRun<ShadowMode::Cos>},
    {"embossed", "Embossed", "embossed", kSweepHelp, "The \"Embossed\" shading, then the merge.",
     OperationKind::Shadow, ShadowMode::Embossed, {}, {}, kShadowReads, kShadowWrites, kSweep,
     &shadowRun<ShadowMode::Embossed>},
    {"sun", "Sun", "sun_run", "sun and sky light (the real sun at --when), then the merge",
     "Lights the map from the sun at sun_angle, or with when set from the real sun then at place (turned to the "
     "map's grid north; below the horizon it lights nothing), soft with sun_size, with sky light by sky; then the "
     "merge. run(\"sun\") does the same.",
     OperationKind::Shadow, ShadowMode::Sun, {}, {}, kShadowReads, kShadowWrites, kSunLight | kRealSun, &sunRun},
    {"sky-view", "Sky view", "sky_view", kLayerHelp,
     "The sky-view factor over `directions` directions (as far as `radius`) as the layer, lit into the shadow map, "
     "then the merge.",
     OperationKind::Layer, {}, {}, LayerKind::SkyView, kShadowReads, kShadowWrites, kHorizons,
     &layerRun<LayerKind::SkyView>},
    {"openness", "Openness", "openness", kLayerHelp,
     "Positive openness in degrees over `directions` directions as the layer, lit into the shadow map, then the merge.",
     OperationKind::Layer, {}, {}, LayerKind::Openness, kShadowReads, kShadowWrites, kHorizons,
     &layerRun<LayerKind::Openness>},
    {"openness-negative", "Openness below", "openness_negative", kLayerHelp,
     "Negative openness in degrees over `directions` directions as the layer, lit into the shadow map, then the merge.",
     OperationKind::Layer, {}, {}, LayerKind::OpennessNegative, kShadowReads, kShadowWrites, kHorizons,
     &layerRun<LayerKind::OpennessNegative>},
    {"multi-hillshade", "Multi hillshade", "multi_hillshade", kLayerHelp,
     "The multi-directional hillshade at the altitude of sun_angle as the layer (its bytes), lit into the shadow "
     "map, then the merge.",
     OperationKind::Layer, {}, {}, LayerKind::MultiHillshade, kShadowReads, kShadowWrites,
     kMerge | kUnits | controlSet({SunAngle}), &layerRun<LayerKind::MultiHillshade>},
    {"sun-hours", "Sun hours", "sun_hours", kSumHelp,
     "Hours of direct sun over the period at place (sun_size's disc, lambert unused) as the layer, lit into the "
     "shadow map by their share of the hours the sun is up, then the merge.",
     OperationKind::Layer, {}, {}, LayerKind::SunHours, kShadowReads, kShadowWrites, kSunSums,
     &sunSumRun<LayerKind::SunHours>},
    {"direct-light", "Direct light", "direct_light", kSumHelp,
     "Direct light from the clear-sky beam over the period at place, in kWh per square metre of ground (with the "
     "Lambert term), as the layer, lit into the shadow map by its share of what flat open ground gets, then the "
     "merge.",
     OperationKind::Layer, {}, {}, LayerKind::DirectLight, kShadowReads, kShadowWrites, kSunSums,
     &sunSumRun<LayerKind::DirectLight>},
    {"make-texture", "Make Texture", "make_texture", "texture synthesis",
     "Mixes grass and stone into the texture map by height.", OperationKind::Texture, {},
     TextureButton::MakeTexture, {},
     kTextureReads, slotSet({Slot::Texture}), controlSet({Contrast}), &textureByHeight},
    {"make-texture2", "Make Texture2", "make_texture2", "texture synthesis",
     "Mixes grass and stone into the texture map by slope.", OperationKind::Texture, {},
     TextureButton::MakeTexture2, {},
     kTextureReads, slotSet({Slot::Texture}), controlSet({Contrast}), &textureBySlope},
    {"tint", "Tint", "tint", "the texture map coloured by height (--colours)",
     "Colours the texture map by height from the colours table (colour_entries: interpolate, exact, nearest).",
     OperationKind::Texture, {}, {}, {}, slotSet({Slot::Height}), slotSet({Slot::Texture}),
     controlSet({Colours, ColourEntries, Vertical}), &tintRun},
    {"clear", "Clear", "clear", "empty the shadow map", "Empties the shadow map.", OperationKind::Clear, {}, {}, {}, 0,
     slotSet({Slot::Shadow}), 0, &clearRun},
};

} // namespace

std::span<const OperationRow> operationRows() { return kOperationRows; }

const OperationRow* operationNamed(std::string_view name)
{
    for (const OperationRow& row : kOperationRows)
        if (row.name == name) return &row;
    return nullptr;
}

const OperationRow& operationOf(ShadowMode mode)
{
    for (const OperationRow& row : kOperationRows)
        if (row.shadow == mode) return row;
    return kOperationRows[0]; // every mode has a row (the table test checks it)
}

const OperationRow& operationOf(TextureButton button)
{
    for (const OperationRow& row : kOperationRows)
        if (row.texture == button) return row;
    return kOperationRows[0];
}

std::vector<const OperationRow*> sweepRows()
{
    std::vector<const OperationRow*> rows;
    for (const OperationRow& row : kOperationRows)
        if (row.kind == OperationKind::Shadow && holds(row.controls, ControlId::Decay)) rows.push_back(&row);
    return rows;
}

std::string operationNameList(std::string_view extra)
{
    std::string list;
    const std::size_t n = std::size(kOperationRows);
    for (std::size_t i = 0; i < n; ++i) {
        const OperationRow& row = kOperationRows[i];
        list.append(list.empty() ? "" : (i + 1 == n ? " or " : ", ")).append(row.name);
        const bool lastShadow = row.kind == OperationKind::Shadow
                             && (i + 1 == n || kOperationRows[i + 1].kind != OperationKind::Shadow);
        if (lastShadow && !extra.empty()) list.append(", ").append(extra);
    }
    return list;
}

std::string layerOperationList()
{
    std::vector<std::string_view> names;
    for (const OperationRow& row : kOperationRows)
        if (row.kind == OperationKind::Layer) names.push_back(row.name);
    std::string list;
    for (std::size_t i = 0; i < names.size(); ++i)
        list.append(i == 0 ? "" : i + 1 == names.size() ? " or " : ", ").append(names[i]);
    return list;
}

} // namespace gloamery
