#pragma once
// The five ray procedures. Each casts one ray towards the border pixel
// (x, y) and shades what it finds in the shadow picture.

#include "../workspace/heights.h"
#include "../workspace/map_grid.h"
#include "../workspace/picture.h"
#include "pixel_writer.h"
#include "shadow_params.h"

#include <cstddef>
#include <cstdint>

namespace gloamery {

struct StampedRay; // ray.h

// "Linear": the shade follows the ray level linearly.
template <class Grid>
void f3(double x, double y, const Grid& heights, const ShadowParams& p, PixelWriter shadow);
// "Linear sim": as f3, from the start point (x - y, 0) or (0, y - x) on the
// top or left edge that makes every ray a 45-degree diagonal; the sun
// position is not used.
template <class Grid>
void f4(double x, double y, const Grid& heights, const ShadowParams& p, PixelWriter shadow);

// The start point of a "Linear sim" ray to (x, y).
struct RayOrigin {
    double x;
    double y;
};
inline RayOrigin simStart(double x, double y) { return x > y ? RayOrigin{x - y, 0.0} : RayOrigin{0.0, y - x}; }

// "Sin func": the shade follows a sine of the ray level, written a step late.
template <class Grid>
void f5(double x, double y, const Grid& heights, const ShadowParams& p, PixelWriter shadow);
// "Cos func": the shade follows a cosine of the shadow distance, a step late.
template <class Grid>
void f6(double x, double y, const Grid& heights, const ShadowParams& p, PixelWriter shadow);
// "Embossed": lights rises, shades behind them until the shadow fades out.
template <class Grid>
void f7(double x, double y, const Grid& heights, const ShadowParams& p, PixelWriter shadow);

// The same procedures for a sweep that casts its rays into a layer of
// stamped shades (see traceBundles in ray.h): each casts `count` rays from
// their origins to their targets, walking neighbours together. f3Stamped
// serves "Linear sim" too.
template <class Grid>
void f3Stamped(const StampedRay* rays, std::size_t count, LayerTarget layer, const Grid& heights, const ShadowParams& p);
template <class Grid>
void f5Stamped(const StampedRay* rays, std::size_t count, LayerTarget layer, const Grid& heights, const ShadowParams& p);
template <class Grid>
void f6Stamped(const StampedRay* rays, std::size_t count, LayerTarget layer, const Grid& heights, const ShadowParams& p);
template <class Grid>
void f7Stamped(const StampedRay* rays, std::size_t count, LayerTarget layer, const Grid& heights, const ShadowParams& p);

// The 8-bit height grid of a picture: the red byte of every pixel, the
// extra row and column holding 255 (a read outside the picture). A
// workspace's heights, of either depth, come from readHeights(Workspace).
ByteGrid readHeights(const Picture& heightMap);

} // namespace gloamery
