#include "shadow_inputs.h"

#include "compose/merge.h"
#include "inputs/control_values.h"
#include "inputs/operations.h"

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
    Merge(ws, c.blur, c.blend, report);
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

Refusal runShadowButton(Workspace& ws, ShadowMode mode, const Controls& c, const NumberParser& parse,
                        Reporter& report)
{
    const auto read = readShadowParams(c, parse, mode);
    if (const Error* e = std::get_if<Error>(&read)) return *e;
    return runShadowAndMerge(ws, mode, std::get<ShadowParams>(read), c, report);
}

} // namespace gloamery
