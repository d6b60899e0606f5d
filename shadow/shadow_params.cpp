#include "shadow_params.h"

#include "../workspace/numeric.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

namespace gloamery {

namespace {

std::variant<double, Error> readNumber(const char* field, const std::string& text, const NumberParser& parse)
{
    const std::optional<double> v = parse(text);
    if (!v || !std::isfinite(*v))
        return Error{std::string(field) + " must be a finite number, not \"" + text + "\"."};
    return *v;
}

std::variant<double, Error> readCoordinate(const char* field, const std::string& text, const NumberParser& parse,
                                           int reach)
{
    auto v = readNumber(field, text, parse);
    if (std::holds_alternative<Error>(v)) return v;
    const double d = std::get<double>(v);
    const double lo = -reach, hi = reach - 1;
    if (nearest(d) < lo || nearest(d) > hi || std::floor(d) < lo || std::floor(d) > hi)
        return Error{std::string(field) + " must lie between " + std::to_string(-reach) + " and " + std::to_string(reach - 1)
                     + ", not \"" + text + "\"."};
    return d;
}

} // namespace

std::variant<ShadowParams, Error> readShadowParams(const Controls& c, const NumberParser& parse, bool usesSun, int reach)
{
    ShadowParams p;
    if (usesSun) {
        auto x = readCoordinate("X0", c.x0, parse, reach);
        if (auto* e = std::get_if<Error>(&x)) return *e;
        auto y = readCoordinate("Y0", c.y0, parse, reach);
        if (auto* e = std::get_if<Error>(&y)) return *e;
        p.x0 = std::get<double>(x);
        p.y0 = std::get<double>(y);
    }
    auto decay = readNumber("Decay", c.alt, parse);
    if (auto* e = std::get_if<Error>(&decay)) return *e;
    p.decay = std::get<double>(decay);
    p.darkness = c.darkness < 0 ? 0 : (c.darkness > 255 ? 255 : c.darkness);
    return p;
}

} // namespace gloamery
