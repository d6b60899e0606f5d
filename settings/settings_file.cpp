// Writing settings files, and reading them from disk.

#include "settings_file.h"

#include "imageio/input_file.h"
#include "imageio/native_io.h"

#include <nlohmann/json.hpp>


namespace gloamery {

std::string settingsText(const Settings& s)
{
    // ordered_json keeps the keys in the order written here.
    using nlohmann::ordered_json;
    const Controls& c = s.controls;
    const SunControls& sun = c.sun;
    ordered_json doc;
    doc["format"] = kSettingsFormat;
    doc["version"] = kSettingsVersion;
    doc["x0"] = c.x0;
    doc["y0"] = c.y0;
    doc["decay"] = c.alt;
    doc["darkness"] = c.darkness;
    doc["contrast"] = c.contrast;
    doc["blur"] = c.blur;
    doc["blend"] = blendName(c.blend);
    if (s.map) doc["map"] = ordered_json{{"width", s.map->width}, {"height", s.map->height}};
    doc["shadow"] = shadowButtonName(s.shadow);
    doc["texture"] = textureButtonName(s.texture);
    doc["sun"] = ordered_json{{"azimuth", sun.azimuth},
                              {"altitude", sun.altitude},
                              {"size", sun.size},
                              {"lambert", sun.lambert},
                              {"sky", sun.sky},
                              {"sky-rays", {sun.skyAzimuths, sun.skyAltitudes}},
                              {"ground", {sun.groundX, sun.groundY}},
                              {"vertical", sun.vertical}};
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
