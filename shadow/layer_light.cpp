#include "layer_light.h"

#include "../workspace/numeric.h"
#include "../workspace/parallel.h"
#include "pixel_writer.h"

#include <type_traits>

namespace gloamery {

int layerGrey(double q, int darkness)
{
    const double d = darkness;
    return nearestChannel((255 - d) + d * q);
}

void lightFromLayer(Workspace& ws, const ValueLayer& layer, int darkness)
{
    withShadeTarget(ws, [&](auto shadow) {
        using Pixel = std::remove_pointer_t<decltype(shadow.pixels)>;
        const std::size_t pixels = static_cast<std::size_t>(layer.width) * static_cast<std::size_t>(layer.height);
        forEachRow(layer.height, pixels, [&](int y) {
            Pixel* out = shadow.pixels + static_cast<std::size_t>(y) * shadow.stride;
            for (int x = 0; x < layer.width; ++x) {
                const int grey = layerGrey(layerShare(layer, layer.at(x, y)), darkness);
                out[x] = shadeAs<Pixel>(static_cast<std::uint32_t>(grey));
            }
        });
    });
}

} // namespace gloamery
