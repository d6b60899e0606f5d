#include "normal_map.h"

#include "../workspace/numeric.h"
#include "../workspace/parallel.h"

// Built as sun_light.cpp is (see CMakeLists.txt): the same operations on
// each pixel, several at a time.

namespace gloamery {

namespace {

// nearest((c + 1) x half) for a component c of a unit vector: within
// 0..top, so adding and removing 1.5 x 2^52 rounds as nearest() does.
inline std::uint16_t stored(double c, double half)
{
    constexpr double kShifter = 6755399441055744.0;
    return static_cast<std::uint16_t>(((c + 1) * half + kShifter) - kShifter);
}

} // namespace

void normalComponents(const std::vector<double>* const (&z)[3], int width, const NormalOptions& o, std::uint16_t* out)
{
    const double* a = z[0]->data();
    const double* m = z[1]->data();
    const double* b = z[2]->data();
    const double half = o.bits == 16 ? 32767.5 : 127.5;
    // y up the map is -(down the map): the slope q, read downwards, gives
    // the normal's y as it is; DirectX's y runs down.
    const double ySign = o.convention == NormalConvention::OpenGL ? 1.0 : -1.0;
    for (int i = 0; i < width; ++i) {
        const auto [p, q] = gradientAt(a, m, b, i, o.groundX, o.groundY);
        const double length = std::sqrt(1 + p * p + q * q);
        out[3 * i] = stored(-p / length, half);
        out[3 * i + 1] = stored((ySign * q) / length, half);
        out[3 * i + 2] = stored(1 / length, half);
    }
}

void workspaceNormalRow(const Workspace& ws, const NormalOptions& o, int y, std::uint16_t* out)
{
    readHeights(ws).visit([&](const auto& grid) { normalRow(grid, ws.width(), ws.height(), o, y, 0, ws.width(), out); });
}

void regionNormalRow(const HeightWindow& heights, const WorldRegion& held, const NormalOptions& o, int y, std::uint16_t* out)
{
    std::visit([&](const auto& grid) {
        normalRow(grid, held.worldWidth, held.worldHeight, o, held.area.y0 + y, held.area.x0, held.area.width, out);
    }, heights);
}

std::vector<std::uint16_t> normalMap(const Workspace& ws, const NormalOptions& o)
{
    const std::size_t w = static_cast<std::size_t>(ws.width());
    std::vector<std::uint16_t> out(3 * w * static_cast<std::size_t>(ws.height()));
    readHeights(ws).visit([&](const auto& grid) {
        forEachRow(ws.height(), out.size(), [&](int y) {
            normalRow(grid, ws.width(), ws.height(), o, y, 0, ws.width(), out.data() + 3 * w * static_cast<std::size_t>(y));
        });
    });
    return out;
}

} // namespace gloamery
