#pragma once
// The normal map a game engine lights its terrain with: each pixel's unit
// normal from the same slope the Lambert term reads (the eight around it,
// each side weighted 1, 2, 1, in ground units), its components stored as
// 8- or 16-bit samples.

#include "../workspace/controls.h"
#include "../workspace/window_grid.h"
#include "../workspace/workspace.h"
#include "sun_light.h"

#include <cstdint>
#include <vector>

namespace gloamery {

struct NormalOptions {
    NormalConvention convention = NormalConvention::OpenGL;
    int bits = 8; // 8 or 16 a component
    double groundX = 1.0, groundY = 1.0, vertical = 1.0; // as the Sun controls have them
};

// The top sample of a component: 255 or 65535.
inline double normalTop(int bits) { return bits == 16 ? 65535.0 : 255.0; }

// The three components (x, y, z) of `width` pixels from their elevation
// rows, as elevationRow gives them (entry i + 1 is the pixel's column):
// nearest((c + 1) x top / 2) each, into out[3 i .. 3 i + 2].
void normalComponents(const std::vector<double>* const (&z)[3], int width, const NormalOptions& o, std::uint16_t* out);

// Row y of the normal map of a w x h map (or world), columns x0 ..
// x0 + width - 1: the map's edge repeats. The heights must hold the rows
// y - 1 .. y + 1 and the columns x0 - 1 .. x0 + width that lie on the map.
template <class Grid>
void normalRow(const Grid& heights, int w, int h, const NormalOptions& o, int y, int x0, int width, std::uint16_t* out)
{
    std::vector<double> rows[3];
    for (int i = 0; i < 3; ++i) elevationRow(heights, w, h, o.vertical, y - 1 + i, x0, width, rows[i]);
    const std::vector<double>* const z[3] = {&rows[0], &rows[1], &rows[2]};
    normalComponents(z, width, o, out);
}

// Row y of the workspace's normal map, 3 W components.
void workspaceNormalRow(const Workspace& ws, const NormalOptions& o, int y, std::uint16_t* out);

// Row y (the workspace's) of the normal map of a region of a world, held
// as `held` says, from the heights textureHeights(held) reads.
void regionNormalRow(const HeightWindow& heights, const WorldRegion& held, const NormalOptions& o, int y, std::uint16_t* out);

// The whole normal map, row-major, 3 components a pixel (for the Python
// module; the batch tool writes it a row at a time).
std::vector<std::uint16_t> normalMap(const Workspace& ws, const NormalOptions& o);

} // namespace gloamery
