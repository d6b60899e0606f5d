#pragma once
// The engine maps' choices as the front ends spell them: the normal map's
// convention ("opengl", "directx") and depth (8 or 16 bits).

#include "shadow/normal_map.h"

#include <optional>
#include <string_view>

namespace gloamery {

inline std::optional<NormalConvention> normalConventionNamed(std::string_view name)
{
    if (name == "opengl") return NormalConvention::OpenGL;
    if (name == "directx") return NormalConvention::DirectX;
    return std::nullopt;
}

inline std::string_view normalConventionName(NormalConvention c)
{
    return c == NormalConvention::OpenGL ? "opengl" : "directx";
}

inline bool validNormalDepth(long long bits) { return bits == 8 || bits == 16; }

} // namespace gloamery
