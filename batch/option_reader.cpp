#include "option_reader.h"

#include "argument_vetting.h"
#include "settings_options.h"
#include "settings/settings.h"
#include "shadow/shadow_params.h"
#include "shadow/sun.h"
#include "imageio/map_files.h"
#include "imageio/native_io.h"
#include "imageio/world_heights.h"
#include "workspace/window_grid.h"
#include "inputs/sun_time.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <string_view>
#include <tuple>

namespace gloamery::batch {

std::vector<std::string> splitAtCommas(const std::string& text)
{
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == ',') parts.emplace_back();
        else parts.back() += c;
    }
    return parts;
}


// --load or --save with its slot and file; nothing after a usage error.
std::optional<Step> readPictureStep(const std::string& option, Reader& in)
{
    const auto slot = in.slot(option);
    const auto path = slot ? in.file(option) : std::nullopt;
    if (!slot || !path) return std::nullopt;
    if (option == "--load") return LoadStep{*slot, *path, false, std::nullopt};
    if (option == "--tile") return LoadStep{*slot, *path, true, std::nullopt};
    const auto format = saveFormatOf(*path);
    if (!format) {
        in.fail("cannot save " + quoted(*path) + ": the name must end in .bmp, .png, .tif, .tiff, .r16 or .raw");
        return std::nullopt;
    }
    if (*format == "r16" && *slot != Slot::Height) {
        in.fail("cannot save " + quoted(*path) + ": only the height map saves as raw 16-bit heights (.r16, .raw)");
        return std::nullopt;
    }
    return SaveStep{*slot, *path, *format};
}

// "LO,HI": two finite numbers, LO below HI.
std::optional<ElevationRange> readRange(const std::string& option, Reader& in)
{
    const auto text = in.value(option, "LO,HI");
    if (!text) return std::nullopt;
    const std::vector<std::string> parts = splitAtCommas(*text);
    const auto lo = parts.size() == 2 ? parseCNumber(parts[0]) : std::nullopt;
    const auto hi = parts.size() == 2 ? parseCNumber(parts[1]) : std::nullopt;
    if (!lo || !hi || !(*lo < *hi)) {
        in.fail(option + " needs two finite numbers LO,HI with LO below HI (as in -20,850.5), not "
                + quoted(*text));
        return std::nullopt;
    }
    return ElevationRange{*lo, *hi};
}

// Whole numbers separated by commas, one within each of the ranges.
std::optional<std::vector<int>> readNumbers(const std::string& option, Reader& in, const char* form,
                                            const std::vector<std::pair<int, int>>& ranges, const char* example)
{
    const auto text = in.value(option, form);
    if (!text) return std::nullopt;
    const std::vector<std::string> parts = splitAtCommas(*text);
    std::vector<int> values;
    for (std::size_t i = 0; i < parts.size() && parts.size() == ranges.size(); ++i) {
        const auto v = parseCNumber(parts[i]);
        if (!v || *v != std::floor(*v) || *v < ranges[i].first || *v > ranges[i].second) break;
        values.push_back(static_cast<int>(*v));
    }
    if (values.size() != ranges.size() || values.empty()) {
        in.fail(option + " needs " + form + " (as in " + example + "), not " + quoted(*text));
        return std::nullopt;
    }
    return values;
}

// "W,H" with both whole numbers within 1..16384.
std::optional<SizeStep> readSize(const std::string& option, Reader& in)
{
    const std::string form = "two whole numbers W,H from 1 to " + std::to_string(kMaxMapSize);
    const auto v = readNumbers(option, in, form.c_str(), {{1, kMaxMapSize}, {1, kMaxMapSize}}, "1024,768");
    if (!v) return std::nullopt;
    return SizeStep{(*v)[0], (*v)[1]};
}

// NUMBER or NUMBER,NUMBER, each finite and within lo..hi; `second` says
// whether a second number may (or, when required, must) follow.
enum class Second { None, Optional, Required };
std::optional<std::pair<double, double>> readReals(const std::string& option, Reader& in, const std::string& form,
                                                   double lo, double hi, Second second, double lo2 = 0, double hi2 = 0)
{
    const auto text = in.value(option, form.c_str());
    if (!text) return std::nullopt;
    const std::vector<std::string> parts = splitAtCommas(*text);
    const bool countOk = parts.size() == 1 ? second != Second::Required : parts.size() == 2 && second != Second::None;
    const auto a = countOk ? parseCNumber(parts[0]) : std::nullopt;
    const auto b = countOk && parts.size() == 2 ? parseCNumber(parts[1]) : a;
    if (parts.size() == 1) lo2 = lo, hi2 = hi;
    if (!a || !b || *a < lo || *a > hi || *b < lo2 || *b > hi2) {
        in.fail(option + " needs " + form + ", not " + quoted(*text));
        return std::nullopt;
    }
    return std::make_pair(*a, *b);
}

// The "sun" operation's controls. False when the argument is none of them.
bool readSunControl(const std::string& option, Reader& in, SunControls& c)
{
    using namespace sun_range;
    if (option == "--sun-angle") {
        if (auto v = readReals(option, in, "A,E: an azimuth from -1e6 to 1e6 and an altitude from 0 to 90 degrees (as in 315,45)",
                               -kAzimuth, kAzimuth, Second::Required, 0, kAltitudeMax))
            std::tie(c.azimuth, c.altitude) = *v;
    } else if (option == "--sun-size") {
        if (auto v = readReals(option, in, "the sun's size in degrees, from 0 to 10", 0, kSizeMax, Second::None)) c.size = v->first;
    } else if (option == "--lambert") {
        const auto text = in.value(option, "on or off");
        if (!text) return true;
        if (*text == "on" || *text == "off") c.lambert = *text == "on";
        else in.fail("--lambert needs on or off, not " + quoted(*text));
    } else if (option == "--sky") {
        if (auto v = readReals(option, in, "the sky's share of the light, from 0 to 1", 0, 1, Second::None)) c.sky = v->first;
    } else if (option == "--sky-rays") {
        if (auto v = readNumbers(option, in, "N,M: 1..256 azimuths and 1..16 altitudes", {{1, kSkyAzimuthsMax}, {1, kSkyAltitudesMax}}, "16,4")) {
            c.skyAzimuths = (*v)[0];
            c.skyAltitudes = (*v)[1];
        }
    } else if (option == "--ground") {
        if (auto v = readReals(option, in, "GX[,GY]: a pixel's ground size across and down, each from 1e-9 to 1e9", kUnitMin,
                               kUnitMax, Second::Optional, kUnitMin, kUnitMax))
            std::tie(c.groundX, c.groundY) = *v;
    } else if (option == "--vertical") {
        if (auto v = readReals(option, in, "the elevation of one 8-bit height level, from 1e-9 to 1e9", kUnitMin, kUnitMax, Second::None))
            c.vertical = v->first;
    } else {
        return false;
    }
    return true;
}

// --when, --place, --period. False when the argument is none of them.
bool readRealSun(const std::string& option, Reader& in, Controls& c)
{
    if (option != "--when" && option != "--place" && option != "--period") return false;
    const char* form = option == "--when" ? "a TIME" : option == "--place" ? "LAT,LON" : "FROM,TO,STEP";
    const auto text = in.value(option, form);
    if (!text) return true;
    auto fail = [&](const Error& e) { in.fail(option + ": " + e.message); };
    if (option == "--when") {
        auto t = parseSunTime(*text);
        if (const Error* e = std::get_if<Error>(&t)) fail(*e);
        else c.when = std::get<std::chrono::sys_seconds>(t);
    } else if (option == "--place") {
        auto p = parseSunPlace(*text);
        if (const Error* e = std::get_if<Error>(&p)) fail(*e);
        else c.place = std::get<SunPlace>(p);
    } else {
        auto p = parseSunPeriod(*text);
        if (const Error* e = std::get_if<Error>(&p)) fail(*e);
        else c.period = std::get<SunPeriod>(p);
    }
    return true;
}

// The control options. False when the argument is none of them; a bad value
// is recorded in the reader and leaves the controls as they were.
bool readControl(const std::string& option, Reader& in, Controls& c, ShadowNumbers& numbers)
{
    if (option == "--sun") {
        const auto text = in.value(option, "X,Y");
        if (!text) return true;
        const std::size_t comma = text->find(',');
        const bool none = comma == std::string::npos;
        NumberInput x = readNumberInput(none ? std::string() : text->substr(0, comma), parseCNumber);
        NumberInput y = readNumberInput(none ? std::string() : text->substr(comma + 1), parseCNumber);
        if (none || !x.value || !y.value) {
            in.fail("--sun needs two finite numbers X,Y (as in 40,30.5), not " + quoted(*text));
            return true;
        }
        c.x0 = x.text;
        c.y0 = y.text;
        numbers.x0 = std::move(x);
        numbers.y0 = std::move(y);
    } else if (option == "--decay") {
        const auto text = in.value(option, "a finite number");
        if (!text) return true;
        NumberInput decay = readNumberInput(*text, parseCNumber);
        if (!decay.value) {
            in.fail("--decay needs a finite number, not " + quoted(*text));
        } else {
            c.alt = decay.text;
            numbers.decay = std::move(decay);
        }
    } else if (option == "--darkness") {
        if (const auto v = in.integer(option, 0, 255)) c.darkness = *v;
    } else if (option == "--contrast") {
        if (const auto v = in.integer(option, 0, 100)) c.contrast = *v;
    } else if (option == "--blur") {
        const auto text = in.value(option, "on or off");
        if (!text) return true;
        if (*text == "on") c.blur = true;
        else if (*text == "off") c.blur = false;
        else in.fail("--blur needs on or off, not " + quoted(*text));
    } else if (option == "--blend") {
        const auto text = in.value(option, "a blend mode");
        if (!text) return true;
        if (const auto b = blendFromName(*text)) c.blend = *b;
        else in.fail("--blend needs 50/50, multiply, multiply/2 or multiply/3, not " + quoted(*text));
    } else {
        return readRealSun(option, in, c) || readSunControl(option, in, c.sun);
    }
    return true;
}

} // namespace gloamery::batch
