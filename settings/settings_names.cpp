#include "settings.h"

#include <array>

namespace gloamery {

namespace {

template <class Value>
struct Named {
    Value value;
    std::string_view name;
};

// The shadow buttons' names are the core's table of them (shadow_modes.h).
constexpr auto kShadowButtons = [] {
    std::array<Named<ShadowMode>, kShadowModes.size()> t{};
    for (std::size_t i = 0; i < t.size(); ++i) t[i] = {kShadowModes[i].mode, kShadowModes[i].name};
    return t;
}();

constexpr std::array<Named<TextureButton>, 2> kTextureButtons = {{
    {TextureButton::MakeTexture, "make-texture"},
    {TextureButton::MakeTexture2, "make-texture2"},
}};

constexpr std::array<Named<BlendMode>, 7> kBlends = {{
    {BlendMode::Half, "50/50"},
    {BlendMode::Multiply, "multiply"},
    {BlendMode::MultiplyHalf, "multiply/2"},
    {BlendMode::Multiply3, "multiply/3"},
    {BlendMode::Overlay, "overlay"},
    {BlendMode::SoftLight, "soft-light"},
    {BlendMode::Screen, "screen"},
}};

constexpr std::array<Named<ColourEntries>, 3> kColourEntries = {{
    {ColourEntries::Interpolate, "interpolate"},
    {ColourEntries::Exact, "exact"},
    {ColourEntries::Nearest, "nearest"},
}};

template <class Table, class Value>
std::string_view nameIn(const Table& table, Value v)
{
    for (const auto& entry : table)
        if (entry.value == v) return entry.name;
    return {};
}

template <class Table>
auto valueIn(const Table& table, std::string_view name) -> std::optional<decltype(table[0].value)>
{
    for (const auto& entry : table)
        if (entry.name == name) return entry.value;
    return std::nullopt;
}

} // namespace

std::string_view shadowButtonName(ShadowMode mode) { return nameIn(kShadowButtons, mode); }
std::optional<ShadowMode> shadowButtonFromName(std::string_view name) { return valueIn(kShadowButtons, name); }
std::string_view textureButtonName(TextureButton button) { return nameIn(kTextureButtons, button); }
std::optional<TextureButton> textureButtonFromName(std::string_view name) { return valueIn(kTextureButtons, name); }
std::string_view blendName(BlendMode mode) { return nameIn(kBlends, mode); }
std::optional<BlendMode> blendFromName(std::string_view name) { return valueIn(kBlends, name); }
std::string_view colourEntriesName(ColourEntries e) { return nameIn(kColourEntries, e); }
std::optional<ColourEntries> colourEntriesFromName(std::string_view name) { return valueIn(kColourEntries, name); }

} // namespace gloamery
