#pragma once
// What a settings file keeps: every control of the panel, the map size and
// the buttons last used. The front ends read and write it through
// settings_file.h; the computations only ever see the Controls.

#include "inputs/shadow_inputs.h"
#include "inputs/controls.h"
#include "inputs/operations.h"

#include <optional>
#include <string_view>

namespace gloamery {

struct MapSize {
    int width;
    int height;
    bool operator==(const MapSize&) const = default;
};

struct Settings {
    Controls controls;           // X0, Y0 and the decay as the text boxes hold them
    std::optional<MapSize> map;  // none for a world, which has no one map size
    ShadowMode shadow = ShadowMode::Linear;             // what a live run and the batch's
    TextureButton texture = TextureButton::MakeTexture; // "shadow" repeat

    bool operator==(const Settings&) const = default;
};

// The names the settings files and the batch tool give the buttons (the
// operation table's) and the blend modes (the control schema's): "linear",
// "make-texture2", "multiply/2"; nothing for a name that is none of them.
std::string_view shadowButtonName(ShadowMode mode);
std::optional<ShadowMode> shadowButtonFromName(std::string_view name);
std::string_view textureButtonName(TextureButton button);
std::optional<TextureButton> textureButtonFromName(std::string_view name);
std::string_view blendName(BlendMode mode);
std::optional<BlendMode> blendFromName(std::string_view name);

} // namespace gloamery
