// Writing settings files, and reading them from disk.

#include "settings_file.h"

#include "inputs/control_values.h"
#include "inputs/sun_time.h"

#include "imageio/input_file.h"
#include "imageio/native_io.h"

#include <nlohmann/json.hpp>


namespace gloamery {

namespace {

using nlohmann::ordered_json;

ordered_json partJson(const ControlRow& row, const ControlValue& v, int part)
{
    const auto i = static_cast<std::size_t>(part);
    switch (row.kind) {
    case ControlKind::NumberText:
    case ControlKind::Text: return v.texts[i];
    case ControlKind::Whole: return static_cast<int>(v.numbers[i]);
    case ControlKind::Number: return v.numbers[i];
    case ControlKind::Flag: return v.flag;
    case ControlKind::Choice: return std::string(row.choices[static_cast<std::size_t>(v.choice)]);
    case ControlKind::Time: return utcText(v.time);
    case ControlKind::Period: return {utcText(v.period.from), utcText(v.period.to), v.period.stepMinutes};
    case ControlKind::Place: return {v.place.latitude, v.place.longitude};
    }
    return {};
}

// The controls whose keys do or do not lie in "sun", in the schema's order.
void writeControls(ordered_json& doc, const Controls& c, bool sun)
{
    for (const ControlRow& row : controlRows()) {
        const ControlValue v = controlValue(c, row.id);
        if (v.none) continue; // an unset row: files without it stay as they were
        for (int i = 0; i < row.count; ++i) {
            const std::string_view key = row.key.empty() ? row.parts[static_cast<std::size_t>(i)].key : row.key;
            if (key.starts_with("sun.") != sun) continue;
            const std::string name(sun ? key.substr(4) : key);
            if (!row.key.empty() && row.count == 2) {
                doc[name] = {partJson(row, v, 0), partJson(row, v, 1)};
                break;
            }
            doc[name] = partJson(row, v, i);
        }
    }
}

} // namespace

std::string settingsText(const Settings& s)
{
    // ordered_json keeps the keys in the order written here.
    ordered_json doc;
    doc["format"] = kSettingsFormat;
    doc["version"] = kSettingsVersion;
    writeControls(doc, s.controls, false);
    if (s.map) doc["map"] = ordered_json{{"width", s.map->width}, {"height", s.map->height}};
    doc["shadow"] = shadowButtonName(s.shadow);
    doc["texture"] = textureButtonName(s.texture);
    ordered_json sun = ordered_json::object();
    writeControls(sun, s.controls, true);
    doc["sun"] = sun;
    return doc.dump(2) + "\n";
}

std::variant<Settings, Error> readSettingsFile(const std::string& path, const Settings& base)
{
    // Opened as a picture is: a pipe nobody writes to is refused after a
    // while instead of holding the run for ever, a device at once.
    auto read = readInputFile(path, kMaxSettingsFileBytes);
    if (const Error* e = std::get_if<Error>(&read)) {
        if (e->message == tooLongError(kMaxSettingsFileBytes).message)
            return Error{"larger than " + std::to_string(kMaxSettingsFileBytes / 1024) + " KiB: not a settings file"};
        return *e;
    }
    const auto& bytes = std::get<std::vector<unsigned char>>(read);
    return parseSettings(std::string(bytes.begin(), bytes.end()), base);
}

Refusal writeSettingsFile(const std::string& path, const Settings& settings)
{
    const std::string text = settingsText(settings);
    return writeFileAtomically(path, std::vector<unsigned char>(text.begin(), text.end()));
}

} // namespace gloamery
