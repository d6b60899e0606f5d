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

std::variant<double, Error> readCoordinate(const char* field, const std::string& text, const NumberParser& parse)
{
    auto v = readNumber(field, text, parse);
    if (std::holds_alternative<Error>(v)) return v;
    const double d = std::get<double>(v);
    constexpr double lo = std::numeric_limits<std::int16_t>::min();
    constexpr double hi = std::numeric_limits<std::int16_t>::max();
    if (nearest(d) < lo || nearest(d) > hi || std::floor(d) < lo || std::floor(d) > hi)
        return Error{std::string(field) + " must lie between -32768 and 32767, not \"" + text + "\"."};
    return d;
}

} // namespace

std::variant<ShadowParams, Error> readShadowParams(const Controls& c, const NumberParser& parse, bool usesSun)
{
    ShadowParams p;
    if (usesSun) {
        auto x = readCoordinate("X0", c.x0, parse);
        if (auto* e = std::get_if<Error>(&x)) return *e;
        auto y = readCoordinate("Y0", c.y0, parse);
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
