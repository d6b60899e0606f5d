#pragma once
// A real-valued layer of the map: a value a pixel, kept in double, made by
// one of the relief or sun-over-time operations, and saved as 32-bit
// floats. The shadow map is lit from it through q = value / divisor, a
// share of full light (see shadow/layer_light.h).

#include "large_buffer.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace gloamery {

// A layer's values. Sized without a value they are left unwritten, for the
// run that writes every one of them to fault its pages in on every thread
// (a zero-fill first took a third of a 4096 x 4096 hillshade, on one).
using LayerValues = std::vector<double, LargePageAllocator<double>>;

enum class LayerKind { SkyView, Openness, OpennessNegative, MultiHillshade, SunHours, DirectLight };

struct ValueLayer {
    LayerKind kind = LayerKind::SkyView;
    int width = 0;
    int height = 0;
    // q = value / divisor; q = 0 everywhere when the divisor is 0 (no sun
    // at all over the period, say).
    double divisor = 1.0;
    LayerValues values; // row-major, width x height

    double at(int x, int y) const
    {
        return values[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    }
};

// The divisor that turns a layer's values into shares of full light where
// it does not depend on the run: the sky-view factor is one, openness is
// in degrees of 180, the hillshade in bytes of 255. The sun over a period
// divides by what that period gave.
inline double layerDivisor(LayerKind kind)
{
    switch (kind) {
    case LayerKind::Openness:
    case LayerKind::OpennessNegative: return 180.0;
    case LayerKind::MultiHillshade: return 255.0;
    default: return 1.0;
    }
}

// The batch tool's and settings files' name of a layer's kind.
inline std::string_view layerKindName(LayerKind kind)
{
    switch (kind) {
    case LayerKind::SkyView: return "sky-view";
    case LayerKind::Openness: return "openness";
    case LayerKind::OpennessNegative: return "openness-negative";
    case LayerKind::MultiHillshade: return "multi-hillshade";
    case LayerKind::SunHours: return "sun-hours";
    case LayerKind::DirectLight: return "direct-light";
    }
    return "";
}

// A workspace holds at most one layer, shared between copies (an undo's
// snapshot copies no values).
using SharedLayer = std::shared_ptr<const ValueLayer>;

} // namespace gloamery
