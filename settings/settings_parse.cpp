// Reading a settings file's text: every value is checked against the range
// its control accepts before anything is taken, and the first fault is
// reported with the key it lies under.

#include "settings_file.h"

#include "imageio/printable_text.h"
#include "inputs/control_values.h"
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

// Keys and values come from the file: their control characters are shown
// escaped, never sent to a terminal, and a long one is cut between characters.
std::string keyName(std::string_view key) { return "\"" + printable(key, 60) + "\""; }

// The value as the file wrote it, shortened to fit in a message.
std::string shown(const json& v)
{
    const std::string text = v.dump();
    return text.size() > 40 ? printable(text, 37) : printable(text);
}


double number(const json& v, const std::string& key, double lo, double hi)
{
    if (!v.is_number() || !(v.get<double>() >= lo && v.get<double>() <= hi))
        throw Refused{keyName(key) + " must be a number from " + boundText(lo) + " to " + boundText(hi) + ", not "
                      + shown(v)};
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

// Calls read(key, value) for each key of an object; `path` names it in messages.
void eachKey(const json& object, const std::string& path,
             const std::function<bool(const std::string&, const json&)>& read)
{
    if (!object.is_object()) throw Refused{keyName(path) + " must be an object { ... }, not " + shown(object)};
    for (const auto& [key, value] : object.items())
        if (!read(key, value)) throw Refused{"unknown key " + keyName(path.empty() ? key : path + "." + key)};
}

// The schema's row a key stands for and which of its parts (-1: the whole
// value, a list of two for a pair).
struct KeyOf {
    const ControlRow* row = nullptr;
    int part = -1;
};
KeyOf keyOf(std::string_view key)
{
    for (const ControlRow& row : controlRows()) {
        if (row.key == key) return {&row, row.count == 1 ? 0 : -1};
        for (int i = 0; i < row.count; ++i)
            if (!row.parts[static_cast<std::size_t>(i)].key.empty()
                && row.parts[static_cast<std::size_t>(i)].key == key)
                return {&row, i};
    }
    return {};
}

std::string choiceList(const ControlRow& row)
{
    std::string list;
    for (std::string_view name : row.choices) list += (list.empty() ? "\"" : ", \"") + std::string(name) + "\"";
    return list;
}

// One part of a control's value, checked against the row's range for it.
void readPart(const json& v, const std::string& key, const ControlRow& row, int part, ControlValue& value)
{
    const auto i = static_cast<std::size_t>(part);
    const ControlPart& p = row.parts[i];
    switch (row.kind) {
    case ControlKind::NumberText: value.texts[i] = numberText(v, key); return;
    case ControlKind::Whole: value.numbers[i] = whole(v, key, static_cast<int>(p.lo), static_cast<int>(p.hi)); return;
    case ControlKind::Number: value.numbers[i] = number(v, key, p.lo, p.hi); return;
    case ControlKind::Flag: value.flag = flag(v, key); return;
    case ControlKind::Choice: {
        const auto choice = v.is_string() ? choiceIndex(row, v.get<std::string>()) : std::nullopt;
        if (!choice) throw Refused{keyName(key) + " must be one of " + choiceList(row) + ", not " + shown(v)};
        value.choice = *choice;
        return;
    }
    case ControlKind::Text:
        if (!v.is_string() || !row.accepts(v.get<std::string>()))
            throw Refused{keyName(key) + " must be " + std::string(row.needs) + ", not " + shown(v)};
        value.texts[i] = v.get<std::string>();
        return;
    case ControlKind::Time:
    case ControlKind::Period:
    case ControlKind::Place: {
        // A time as text; a period as [FROM, TO, STEP] and a place as
        // [LAT, LON], read as --period and --place read them.
        const bool period = row.kind == ControlKind::Period, place = row.kind == ControlKind::Place;
        const bool ok = period
                            ? v.is_array() && v.size() == 3 && v[0].is_string() && v[1].is_string() && v[2].is_number()
                        : place ? v.is_array() && v.size() == 2 && v[0].is_number() && v[1].is_number()
                                : v.is_string();
        if (!ok) throw Refused{keyName(key) + " must be " + std::string(row.needs) + ", not " + shown(v)};
        const std::string text = period ? v[0].get<std::string>() + "," + v[1].get<std::string>() + "," + v[2].dump()
                               : place  ? v[0].dump() + "," + v[1].dump()
                                        : v.get<std::string>();
        auto read = readTypedText(row, text);
        if (const Error* e = std::get_if<Error>(&read))
            throw Refused{keyName(key) + " must be " + std::string(row.needs) + ", not " + shown(v) + ": "
                          + e->message};
        const ControlValue& got = std::get<ControlValue>(read);
        value.time = got.time;
        value.period = got.period;
        value.place = got.place;
        return;
    }
    }
}

// "\"make-texture\", \"make-texture2\"": the operation table's texture buttons.
std::string textureNames()
{
    std::string list;
    for (const OperationRow& row : operationRows())
        if (row.texture) list += (list.empty() ? "\"" : ", \"") + std::string(row.name) + "\"";
    return list;
}

// A control's key: false when no control has it.
bool readControlKey(const std::string& key, const json& v, Controls& c)
{
    const KeyOf at = keyOf(key);
    if (!at.row) return false;
    ControlValue value = controlValue(c, at.row->id);
    value.none = false;
    if (at.row->unset && v.is_null()) { // null: unset, as the row starts
        value.none = true;
    } else if (at.part >= 0) {
        readPart(v, key, *at.row, at.part, value);
    } else {
        if (!v.is_array() || v.size() != 2)
            throw Refused{keyName(key) + " must be a list of two values, not " + shown(v)};
        readPart(v[0], key + "[0]", *at.row, 0, value);
        readPart(v[1], key + "[1]", *at.row, 1, value);
    }
    setControlValue(c, at.row->id, value);
    return true;
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
        if (!key.starts_with("sun.") && readControlKey(key, v, c)) return true;
        if (key == "shadow") s.shadow = named(v, key, &shadowButtonFromName, "the shadow operations (\"linear\"...)");
        else if (key == "texture") s.texture = named(v, key, &textureButtonFromName, textureNames().c_str());
        else if (key == "map") readMap(v, s);
        else if (key == "sun")
            eachKey(v, "sun", [&](const std::string& k, const json& x) { return readControlKey("sun." + k, x, c); });
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
        if (e.byte >= text.size())
            return Error{"the file ends early, at " + placeOf(text, text.size()) + ": it was cut short"};
        return Error{"not JSON: a syntax error at " + placeOf(text, e.byte > 0 ? e.byte - 1 : 0)};
    } catch (const json::exception& e) {
        return Error{std::string("not a settings file: ") + e.what()};
    }
}

} // namespace gloamery
