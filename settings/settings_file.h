#pragma once
// Settings files: a small JSON document that keeps every control, so a look
// made in the panel can be reopened there or rerun by the batch tool.
//
//   { "format": "gloamery-settings", "version": 1,
//     "x0": "120", "y0": "-40.5", "decay": "3", "darkness": 128, "contrast": 40,
//     "blur": true, "blend": "multiply", "map": { "width": 256, "height": 256 },
//     "shadow": "linear", "texture": "make-texture",
//     "sun": { "azimuth": 315.0, "altitude": 45.0, "size": 0.0, "lambert": true, "sky": 0.0,
//              "sky-rays": [16, 4], "ground": [1.0, 1.0], "vertical": 1.0 } }
//
// X0, Y0 and the decay are kept as the text the box held (in the C locale),
// so a run from the file reads the very number the panel read. Every key
// but "format" and "version" may be left out: it then keeps the value it
// had. The README lists the ranges.

#include "settings.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>

namespace gloamery {

constexpr std::string_view kSettingsFormat = "gloamery-settings";
constexpr int kSettingsVersion = 1;
// Larger files are refused unread: a settings file takes well under 1 KiB.
constexpr std::size_t kMaxSettingsFileBytes = 64 * 1024;

// The file's text: keys in a fixed order, two-space indents, a final newline.
std::string settingsText(const Settings& settings);

// The settings a file's text holds, over base: each key it has replaces
// base's value. Refused, with a message naming the key at fault, when the
// text is not JSON, is cut short, has another format or an unknown
// version, an unknown key, or a value of the wrong kind or out of range.
std::variant<Settings, Error> parseSettings(std::string_view text, const Settings& base);

// The same from a file, which is refused as well when it cannot be read or
// is larger than kMaxSettingsFileBytes.
std::variant<Settings, Error> readSettingsFile(const std::string& path, const Settings& base);

// Writes the file atomically: a failed save leaves an existing file as it was.
Refusal writeSettingsFile(const std::string& path, const Settings& settings);

} // namespace gloamery
