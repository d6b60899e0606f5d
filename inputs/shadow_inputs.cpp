#include "shadow_inputs.h"

#include "compose/merge.h"
#include "inputs/control_values.h"
#include "inputs/operations.h"
#include "shadow/relief.h"
#include "shadow/sun.h"
#include "shadow/sun_sums.h"

#include <algorithm>
#include <tuple>
#include <memory>

#include <cmath>
#include <optional>

namespace gloamery {

namespace {

std::variant<double, Error> readNumber(const char* field, const NumberInput& in)
{
    if (!in.value) return Error{std::string(field) + " must be a finite number, not \"" + in.text + "\"."};
    return *in.value;
}

std::variant<double, Error> readCoordinate(const char* field, const NumberInput& in, int reach)
{
    auto v = readNumber(field, in);
    if (std::holds_alternative<Error>(v)) return v;
    if (Refusal r = coordinateRefused(field, std::get<double>(v), in.text, reach)) return *r;
    return v;
}

// Runs the button and, when it ran, the merge; the busy pointer, where the
// mode shows it, stays on through both.
template <class Run>
Refusal runThenMerge(Workspace& ws, ShadowMode mode, const Controls& c, Reporter& report, const Run& run)
{
    std::optional<BusyScope> busy;
    if (shadowSteps(mode).busy) busy.emplace(report);
    if (Refusal refused = run()) return refused;
    Merge(ws, c.blur, c.blend, c.blendOpacity, report);
    return std::nullopt;
}

} // namespace

Refusal coordinateRefused(const char* field, double v, const std::string& shown, int reach)
{
    if (sunWithinReach(v, reach)) return std::nullopt;
    return Error{std::string(field) + " must lie between " + std::to_string(-reach) + " and " + std::to_string(reach - 1)
                 + ", not \"" + shown + "\"."};
}

NumberInput readNumberInput(std::string text, const NumberParser& parse)
{
    std::optional<double> v = parse(text);
    if (v && !std::isfinite(*v)) v.reset();
    return {std::move(text), v};
}

ShadowNumbers readShadowNumbers(const Controls& c, const NumberParser& parse)
{
    return {readNumberInput(c.x0, parse), readNumberInput(c.y0, parse), readNumberInput(c.alt, parse)};
}

std::variant<ShadowParams, Error> readShadowParams(const Controls& c, const NumberParser& parse, ShadowMode mode, int reach)
{
    return readShadowParams(readShadowNumbers(c, parse), c, mode, reach);
}

std::variant<ShadowParams, Error> readShadowParams(const ShadowNumbers& n, const Controls& c, ShadowMode mode, int reach)
{
    ShadowParams p;
    p.sun = c.sun;
    const OperationRow& row = operationOf(mode);
    if (Refusal refused = numbersRefused(c, row.controls)) return *refused;
    p.darkness = c.darkness;
    if (mode == ShadowMode::Sun) return p;
    const auto& position = controlRow(ControlId::SunPosition).captions;
    if (usesSunPosition(mode)) {
        auto x = readCoordinate(position[0].data(), n.x0, reach);
        if (auto* e = std::get_if<Error>(&x)) return *e;
        auto y = readCoordinate(position[1].data(), n.y0, reach);
        if (auto* e = std::get_if<Error>(&y)) return *e;
        p.x0 = std::get<double>(x);
        p.y0 = std::get<double>(y);
    }
    auto decay = readNumber(controlRow(ControlId::Decay).captions[0].data(), n.decay);
    if (auto* e = std::get_if<Error>(&decay)) return *e;
    p.decay = std::get<double>(decay);
    return p;
}

Refusal shadowInputsRefused(const Controls& c, ShadowMode mode, const NumberParser& parse, int reach)
{
    const auto read = readShadowParams(c, parse, mode, reach);
    if (const Error* e = std::get_if<Error>(&read)) return *e;
    return std::nullopt;
}

Refusal runShadowAndMerge(Workspace& ws, ShadowMode mode, const ShadowParams& params, const Controls& c,
                          Reporter& report)
{
    if (Refusal refused = shadowParamsRefused(params, mode, kMapSunReach)) return refused;
    return runThenMerge(ws, mode, c, report, [&] { return runShadow(ws, mode, params, report); });
}

Refusal runShadowRegionAndMerge(Workspace& ws, const WorldRegion& region, const HeightSource& source, ShadowMode mode,
                                const ShadowParams& params, const Controls& c, Reporter& report)
{
    if (Refusal refused = shadowParamsRefused(params, mode, kWorldSunReach)) return refused;
    return runThenMerge(ws, mode, c, report,
                        [&] { return runShadowRegion(ws, region, source, mode, params, report); });
}

// A relief layer's operation row: the first of the layer kind whose run is
// the layer's (the rows name their kinds in the same order).
Refusal layerNumbersRefused(const Controls& c, LayerKind kind)
{
    for (const OperationRow& row : operationRows())
        if (row.layer == kind) return numbersRefused(c, row.controls);
    return std::nullopt;
}

Refusal runLayerAndMerge(Workspace& ws, LayerKind kind, const Controls& c, Reporter& report)
{
    if (Refusal refused = layerNumbersRefused(c, kind)) return refused;
    return runThenMerge(ws, ShadowMode::Sun, c, report,
                        [&] { return runRelief(ws, kind, c.sun, c.relief, c.darkness, report); });
}

Refusal runLayerRegionAndMerge(Workspace& ws, const WorldRegion& region, const HeightSource& source, LayerKind kind,
                               const Controls& c, Reporter& report)
{
    if (Refusal refused = layerNumbersRefused(c, kind)) return refused;
    return runThenMerge(ws, ShadowMode::Sun, c, report, [&] {
        return runReliefRegion(ws, region, source, kind, c.sun, c.relief, c.darkness, report);
    });
}

std::variant<MapPlace, Error> realSunPlace(const Controls& c, const MapPlace* where)
{
    if (where) return *where;
    if (c.place) return MapPlace{*c.place, 0.0};
    return Error{"the place the sun is seen from is not known: give it (latitude, longitude), or load a height "
                 "raster with a coordinate system"};
}

bool takesRealSun(LayerKind kind) { return kind == LayerKind::SunHours || kind == LayerKind::DirectLight; }
bool takesRealSun(const Controls& c, ShadowMode mode) { return mode == ShadowMode::Sun && c.when.has_value(); }

namespace {

// The Sun controls of the real sun at t, and whether it is up.
std::pair<SunControls, bool> sunAt(const Controls& c, const MapPlace& where, std::chrono::sys_seconds t)
{
    const MapSun sun = mapSun(where, t);
    SunControls lit = c.sun;
    lit.azimuth = sun.azimuth;
    lit.altitude = std::clamp(sun.altitude, 0.0, sun_range::kAltitudeMax);
    return {lit, sun.altitude > 0};
}

Refusal realSunRefused(const Controls& c, const MapPlace& where, ControlSet which)
{
    if (Refusal refused = numbersRefused(c, which)) return refused;
    if (Refusal refused = sunPlaceRefused(where.place)) return refused;
    if (!std::isfinite(where.gridNorth)) return Error{"the map's grid north is not a number"};
    return std::nullopt;
}

// The sums of a period as the map's layer.
void keepSums(Workspace& ws, LayerKind kind, SunSumLayer&& sums)
{
    auto layer = std::make_shared<ValueLayer>();
    layer->kind = kind;
    layer->width = sums.width;
    layer->height = sums.height;
    layer->divisor = sums.most;
    layer->values = std::move(sums.values);
    ws.setLayer(std::move(layer));
}

template <class Run>
Refusal sumThenMerge(Workspace& ws, LayerKind kind, const Controls& c, const MapPlace& where, Reporter& report,
                     const Run& run)
{
    for (const OperationRow& row : operationRows())
        if (row.layer == kind)
            if (Refusal refused = realSunRefused(c, where, row.controls)) return refused;
    if (!c.period) return Error{"no period is set: sun hours and direct light follow the sun over one"};
    const SunSum what = kind == LayerKind::SunHours ? SunSum::Hours : SunSum::DirectLight;
    return runThenMerge(ws, ShadowMode::Sun, c, report, [&]() -> Refusal {
        SunSumLayer sums;
        if (Refusal refused = run(what, sums)) return refused;
        keepSums(ws, kind, std::move(sums));
        return std::nullopt;
    });
}

} // namespace

Refusal runSunAtAndMerge(Workspace& ws, const Controls& c, const MapPlace& where, std::chrono::sys_seconds t,
                         Reporter& report)
{
    if (Refusal refused = realSunRefused(c, where, operationOf(ShadowMode::Sun).controls)) return refused;
    const auto sun = sunAt(c, where, t);
    return runThenMerge(ws, ShadowMode::Sun, c, report,
                        [&] { return runSun(ws, sun.first, c.darkness, report, sun.second); });
}

std::variant<ShadowParams, Error> realSunParams(const Controls& c, const MapPlace* where, std::chrono::sys_seconds t)
{
    auto place = realSunPlace(c, where);
    if (const Error* e = std::get_if<Error>(&place)) return *e;
    const MapPlace& at = std::get<MapPlace>(place);
    if (Refusal refused = realSunRefused(c, at, operationOf(ShadowMode::Sun).controls)) return *refused;
    ShadowParams p;
    p.darkness = c.darkness;
    std::tie(p.sun, p.sunUp) = sunAt(c, at, t);
    return p;
}

Refusal runSunAtRegionAndMerge(Workspace& ws, const WorldRegion& region, const HeightSource& source,
                               const Controls& c, const MapPlace& where, std::chrono::sys_seconds t,
                               Reporter& report)
{
    if (Refusal refused = realSunRefused(c, where, operationOf(ShadowMode::Sun).controls)) return refused;
    const auto sun = sunAt(c, where, t);
    return runThenMerge(ws, ShadowMode::Sun, c, report,
                        [&] { return runSunRegion(ws, region, source, sun.first, c.darkness, report, sun.second); });
}

Refusal runSunSumAndMerge(Workspace& ws, LayerKind kind, const Controls& c, const MapPlace& where, Reporter& report)
{
    return sumThenMerge(ws, kind, c, where, report, [&](SunSum what, SunSumLayer& sums) {
        return runSunSum(ws, what, c.sun, where, *c.period, c.darkness, sums, report);
    });
}

Refusal runSunSumRegionAndMerge(Workspace& ws, const WorldRegion& region, const HeightSource& source, LayerKind kind,
                                const Controls& c, const MapPlace& where, Reporter& report)
{
    return sumThenMerge(ws, kind, c, where, report, [&](SunSum what, SunSumLayer& sums) {
        return runSunSumRegion(ws, region, source, what, c.sun, where, *c.period, c.darkness, sums, report);
    });
}

Refusal runShadowButton(Workspace& ws, ShadowMode mode, const Controls& c, const NumberParser& parse,
                        Reporter& report)
{
    const auto read = readShadowParams(c, parse, mode);
    if (const Error* e = std::get_if<Error>(&read)) return *e;
    return runShadowAndMerge(ws, mode, std::get<ShadowParams>(read), c, report);
}

} // namespace gloamery
