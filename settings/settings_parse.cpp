// Reading a settings file's text: every value is checked against the range
// its control accepts before anything is taken, and the first fault is
// reported with the key it lies under.

#include "settings_file.h"

#include "inputs/sun_time.h"
#include "workspace/workspace.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cmath>
#include <functional>
#include <string>

namespace gloamery {

namespace {

using nlohmann::json;

// A value refused; caught once, at the top, and turned into an Error.
struct Refused {
    std::string message;
};

// Deeper than a settings file ever nests: refused while parsing, before a
// hostile file can build a structure deep enough to exhaust the stack.
constexpr int kMaxDepth = 8;
constexpr double kSkyMax = 1.0;

std::string keyName(std::string_view key) { return "\"" + std::string(key) + "\""; }

// The value as the file wrote it, shortened to fit in a message.
std::string shown(const json& v)
{
    std::string text = v.dump();
    if (text.size() > 40) text = text.substr(0, 37) + "...";
    return text;
}

// "90", "1e-09": a bound as short as it can be written.
std::string bound(double v)
{
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, v).ptr);
}

double number(const json& v, const std::string& key, double lo, double hi)
{
    if (!v.is_number() || !(v.get<double>() >= lo && v.get<double>() <= hi))
        throw Refused{keyName(key) + " must be a number from " + bound(lo) + " to " + bound(hi) + ", not " + shown(v)};
    return v.get<double>();
}

int whole(const json& v, const std::string& key, int lo, int hi)
{
    const bool ok = v.is_number() && v.get<double>() == std::floor(v.get<double>()) && v.get<double>() >= lo
                 && v.get<double>() <= hi;
    if (!ok)
        throw Refused{keyName(key) + " must be a whole number from " + std::to_string(lo) + " to " + std::to_string(hi)
                      + ", not " + shown(v)};
    return static_cast<int>(v.get<double>());
}

bool flag(const json& v, const std::string& key)
{
    if (!v.is_boolean()) throw Refused{keyName(key) + " must be true or false, not " + shown(v)};
    return v.get<bool>();
}

// A text box's number: the text itself, or a JSON number written as the
// shortest text that reads back as it.
std::string numberText(const json& v, const std::string& key)
{
    const std::string text = v.is_string() ? v.get<std::string>() : v.is_number() ? v.dump() : std::string();
    if ((!v.is_string() && !v.is_number()) || !parseCNumber(text))
        throw Refused{keyName(key) + " must be a finite number in the C locale (as \"10.5\"), not " + shown(v)};
    return text;
}

template <class T>
T named(const json& v, const std::string& key, std::optional<T> (*fromName)(std::string_view), const char* choices)
{
    const std::optional<T> value = v.is_string() ? fromName(v.get<std::string>()) : std::nullopt;
    if (!value) throw Refused{keyName(key) + " must be one of " + choices + ", not " + shown(v)};
    return *value;
}

// [a, b]: two values, each read by `each`.
template <class T>
std::pair<T, T> pair(const json& v, const std::string& key, const std::function<T(const json&, const std::string&)>& each)
{
    if (!v.is_array() || v.size() != 2) throw Refused{keyName(key) + " must be a list of two values, not " + shown(v)};
    return {each(v[0], key + "[0]"), each(v[1], key + "[1]")};
}

// Calls read(key, value) for each key of an object; `path` names it in messages.
void eachKey(const json& object, const std::string& path, const std::function<bool(const std::string&, const json&)>& read)
{
    if (!object.is_object()) throw Refused{keyName(path) + " must be an object { ... }, not " + shown(object)};
    for (const auto& [key, value] : object.items())
        if (!read(key, value)) throw Refused{"unknown key " + keyName(path.empty() ? key : path + "." + key)};
}

void readSun(const json& object, SunControls& sun)
{
    using namespace sun_range;
    eachKey(object, "sun", [&](const std::string& key, const json& v) {
        const std::string name = "sun." + key;
        auto unit = [](const json& x, const std::string& k) { return number(x, k, kUnitMin, kUnitMax); };
        if (key == "azimuth") sun.azimuth = number(v, name, -kAzimuth, kAzimuth);
        else if (key == "altitude") sun.altitude = number(v, name, 0.0, kAltitudeMax);
        else if (key == "size") sun.size = number(v, name, 0.0, kSizeMax);
        else if (key == "lambert") sun.lambert = flag(v, name);
        else if (key == "sky") sun.sky = number(v, name, 0.0, kSkyMax);
        else if (key == "vertical") sun.vertical = unit(v, name);
        else if (key == "ground") std::tie(sun.groundX, sun.groundY) = pair<double>(v, name, unit);
        else if (key == "sky-rays") {
            const auto [n, m] = pair<int>(v, name, [](const json& x, const std::string& k) {
                return whole(x, k, 1, k.ends_with("[0]") ? kSkyAzimuthsMax : kSkyAltitudesMax);
            });
            sun.skyAzimuths = n;
            sun.skyAltitudes = m;
        } else return false;
        return true;
    });
}

// A time with its zone, read as --when reads it.
std::chrono::sys_seconds instant(const json& v, const std::string& key)
{
    if (!v.is_string()) throw Refused{keyName(key) + " must be a date and time with its zone as text, not " + shown(v)};
    auto t = parseSunTime(v.get<std::string>());
    if (const Error* e = std::get_if<Error>(&t)) throw Refused{keyName(key) + ": " + e->message};
    return std::get<std::chrono::sys_seconds>(t);
}

void readPlace(const json& v, Controls& c)
{
    const auto [lat, lon] = pair<double>(v, "place", [](const json& x, const std::string& k) {
        return number(x, k, -180.0, 180.0);
    });
    const SunPlace p{lat, lon};
    if (Refusal r = sunPlaceRefused(p)) throw Refused{keyName("place") + ": " + r->message};
    c.place = p;
}

void readPeriod(const json& object, Controls& c)
{
    SunPeriod p;
    bool from = false, to = false;
    eachKey(object, "period", [&](const std::string& key, const json& v) {
        if (key == "from") p.from = instant(v, "period.from"), from = true;
        else if (key == "to") p.to = instant(v, "period.to"), to = true;
        else if (key == "step") p.stepMinutes = whole(v, "period.step", 1, period_range::kStepMax);
        else return false;
        return true;
    });
    if (!from || !to) throw Refused{keyName("period") + " needs \"from\" and \"to\""};
    if (Refusal r = sunPeriodRefused(p)) throw Refused{keyName("period") + ": " + r->message};
    c.period = p;
}

void readMap(const json& object, Settings& s)
{
    MapSize size = s.map.value_or(MapSize{kDefaultMapSize, kDefaultMapSize});
    eachKey(object, "map", [&](const std::string& key, const json& v) {
        if (key == "width") size.width = whole(v, "map.width", 1, kMaxMapSize);
        else if (key == "height") size.height = whole(v, "map.height", 1, kMaxMapSize);
        else return false;
        return true;
    });
    s.map = size;
}

void checkMarker(const json& doc)
{
    if (!doc.is_object()) throw Refused{"not a settings file: its text is not a JSON object { ... }"};
    const auto format = doc.find("format");
    if (format == doc.end()) throw Refused{"not a settings file: \"format\" is missing"};
    if (*format != kSettingsFormat)
        throw Refused{"\"format\" must be \"" + std::string(kSettingsFormat) + "\", not " + shown(*format)};
    const auto version = doc.find("version");
    if (version == doc.end()) throw Refused{"\"version\" is missing"};
    if (!version->is_number_integer() || *version != kSettingsVersion)
        throw Refused{"\"version\" " + shown(*version) + " is not known: this program reads version "
                      + std::to_string(kSettingsVersion)};
}

Settings read(const json& doc, Settings s)
{
    checkMarker(doc);
    Controls& c = s.controls;
    eachKey(doc, "", [&](const std::string& key, const json& v) {
        if (key == "format" || key == "version") return true;
        if (key == "x0") c.x0 = numberText(v, key);
        else if (key == "y0") c.y0 = numberText(v, key);
        else if (key == "decay") c.alt = numberText(v, key);
        else if (key == "darkness") c.darkness = whole(v, key, 0, 255);
        else if (key == "contrast") c.contrast = whole(v, key, 0, 100);
        else if (key == "blur") c.blur = flag(v, key);
        else if (key == "blend") c.blend = named(v, key, &blendFromName, "\"50/50\", \"multiply\", \"multiply/2\", \"multiply/3\"");
        else if (key == "shadow") s.shadow = named(v, key, &shadowButtonFromName, "the shadow operations (\"linear\"...)");
        else if (key == "texture") s.texture = named(v, key, &textureButtonFromName, "\"make-texture\", \"make-texture2\"");
        else if (key == "map") readMap(v, s);
        else if (key == "sun") readSun(v, c.sun);
        else if (key == "when") c.when = instant(v, key);
        else if (key == "place") readPlace(v, c);
        else if (key == "period") readPeriod(v, c);
        else return false;
        return true;
    });
    return s;
}

// Line and column (from 1) of a byte offset, for a syntax error.
std::string placeOf(std::string_view text, std::size_t byte)
{
    std::size_t line = 1, column = 1;
    for (std::size_t i = 0; i < byte && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

} // namespace

std::variant<Settings, Error> parseSettings(std::string_view text, const Settings& base)
{
    std::string lastKey; // names the value a number too large for a double stands under
    try {
        const json doc = json::parse(text, [&lastKey](int depth, json::parse_event_t event, json& parsed) {
            if (depth > kMaxDepth) throw Refused{"not a settings file: nested too deeply"};
            if (event == json::parse_event_t::key) lastKey = parsed.get<std::string>();
            return true;
        });
        return read(doc, base);
    } catch (const Refused& r) {
        return Error{r.message};
    } catch (const json::out_of_range&) {
        return Error{keyName(lastKey) + " holds a number too large for any control"};
    } catch (const json::parse_error& e) {
        if (text.find_first_not_of(" \t\r\n") == std::string_view::npos) return Error{"the file is empty"};
        // The parser reports where it stopped; at the very end, the text ran out.
        if (e.byte >= text.size()) return Error{"the file ends early, at " + placeOf(text, text.size()) + ": it was cut short"};
        return Error{"not JSON: a syntax error at " + placeOf(text, e.byte > 0 ? e.byte - 1 : 0)};
    } catch (const json::exception& e) {
        return Error{std::string("not a settings file: ") + e.what()};
    }
}

} // namespace gloamery
