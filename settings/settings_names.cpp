#include "settings.h"

namespace gloamery {

std::string_view shadowButtonName(ShadowMode mode) { return operationOf(mode).name; }

std::optional<ShadowMode> shadowButtonFromName(std::string_view name)
{
    const OperationRow* row = operationNamed(name);
    if (!row || !row->shadow) return std::nullopt;
    return row->shadow;
}

std::string_view textureButtonName(TextureButton button) { return operationOf(button).name; }

std::optional<TextureButton> textureButtonFromName(std::string_view name)
{
    const OperationRow* row = operationNamed(name);
    if (!row || !row->texture) return std::nullopt;
    return row->texture;
}

std::string_view blendName(BlendMode mode)
{
    return controlRow(ControlId::Blend).choices[static_cast<std::size_t>(mode)];
}

std::optional<BlendMode> blendFromName(std::string_view name)
{
    if (const auto i = choiceIndex(controlRow(ControlId::Blend), name)) return static_cast<BlendMode>(*i);
    return std::nullopt;
}

} // namespace gloamery
