// Writing settings files, and reading them from disk.

#include "settings_file.h"

#include "imageio/native_io.h"
#include "inputs/sun_time.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

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
    // The real sun, only where set: files without it stay as they were.
    if (c.when) doc["when"] = utcText(*c.when);
    if (c.place) doc["place"] = {c.place->latitude, c.place->longitude};
    if (c.period)
        doc["period"] = ordered_json{{"from", utcText(c.period->from)}, {"to", utcText(c.period->to)},
                                     {"step", c.period->stepMinutes}};
    return doc.dump(2) + "\n";
}

std::variant<Settings, Error> readSettingsFile(const std::string& path, const Settings& base)
{
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) return Error{std::strerror(errno)};
    // One byte more than allowed tells a file that is too large.
    std::string text(kMaxSettingsFileBytes + 1, '\0');
    const std::size_t got = std::fread(text.data(), 1, text.size(), file.get());
    if (std::ferror(file.get())) return Error{std::strerror(errno != 0 ? errno : EIO)};
    if (got > kMaxSettingsFileBytes)
        return Error{"larger than " + std::to_string(kMaxSettingsFileBytes / 1024) + " KiB: not a settings file"};
    text.resize(got);
    return parseSettings(text, base);
}

Refusal writeSettingsFile(const std::string& path, const Settings& settings)
{
    const std::string text = settingsText(settings);
    return writeFileAtomically(path, std::vector<unsigned char>(text.begin(), text.end()));
}

} // namespace gloamery
