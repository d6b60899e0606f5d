#include "rays.h"

#include "ray.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <mutex>
#include <vector>

namespace gloamery {

namespace {

struct Darkness {
    double d; // D and E = 255 - D (single floats in the design, exact here)
    double e;
    explicit Darkness(int darkness) : d(darkness), e(255 - darkness) {}
};

// f3 and f4: a shadowed pixel gets nearest((255 - L / unit) / 255 x D + E),
// the unit being 1 for 8-bit heights and 257 for deep ones.
template <class Sample>
int linearShade(const Darkness& k, std::int32_t level)
{
    return nearestChannel((255.0 - level / Depth<Sample>::kUnit) / 255.0 * k.d + k.e);
}

// For each darkness, a table of the shades of levels 0..top, built the
// first time a ray of that darkness runs; levels outside that range
// (negative decays, rays from outside) are computed on the spot.
template <class Sample>
class ShadeTables {
public:
    static constexpr std::size_t kLevels = Depth<Sample>::kTop + 1;

    const std::uint8_t* table(int darkness)
    {
        auto& t = tables_[static_cast<std::size_t>(darkness)];
        std::call_once(built_[static_cast<std::size_t>(darkness)], [&] {
            t.resize(kLevels);
            const Darkness k(darkness);
            for (std::size_t v = 0; v < kLevels; ++v)
                t[v] = static_cast<std::uint8_t>(linearShade<Sample>(k, static_cast<std::int32_t>(v)));
        });
        return t.data();
    }

private:
    std::array<std::once_flag, 256> built_;
    std::array<std::vector<std::uint8_t>, 256> tables_;
};

template <class Sample>
ShadeTables<Sample>& linearTables()
{
    static ShadeTables<Sample> tables;
    return tables;
}

template <class Sample>
struct LinearRule {
    PixelWriter shadow;
    Darkness k;
    const std::uint8_t* table; // looked up once a ray, not once a step

    LinearRule(PixelWriter s, int darkness)
        : shadow(s), k(darkness), table(linearTables<Sample>().table(darkness))
    {
    }

    void lit(int, int, int, std::int32_t) {}
    void shaded(int px, int py, int, std::int32_t level)
    {
        if (level == 0) return;
        const int g = static_cast<std::uint32_t>(level) < ShadeTables<Sample>::kLevels ? table[level]
                                                                                         : linearShade<Sample>(k, level);
        shadow.setShade(px, py, g);
    }
    void after(int, int, bool, std::int32_t&) {}
};

// The shade tables hold darknesses 0..255 only; a checked run never passes
// more, but f3 and f4 are open to any caller.
int tableDarkness(int darkness) { return std::clamp(darkness, 0, 255); }

} // namespace

template <class Grid>
void f3(double x, double y, const Grid& heights, const ShadowParams& p, PixelWriter shadow)
{
    LinearRule<typename Grid::value_type> rule(shadow, tableDarkness(p.darkness));
    traceRay(x, y, p.x0, p.y0, heights, p.decay, rule);
}

template <class Grid>
void f4(double x, double y, const Grid& heights, const ShadowParams& p, PixelWriter shadow)
{
    double sx0 = 0.0, sy0 = 0.0;
    if (x > y) sx0 = x - y;
    else sy0 = y - x;
    LinearRule<typename Grid::value_type> rule(shadow, tableDarkness(p.darkness));
    traceRay(x, y, sx0, sy0, heights, p.decay, rule);
}

// The two depths of heights.
template void f3(double, double, const ByteGrid&, const ShadowParams&, PixelWriter);
template void f3(double, double, const DeepGrid&, const ShadowParams&, PixelWriter);
template void f4(double, double, const ByteGrid&, const ShadowParams&, PixelWriter);
template void f4(double, double, const DeepGrid&, const ShadowParams&, PixelWriter);

ByteGrid readHeights(const Picture& heightMap)
{
    return redGrid(heightMap);
}

} // namespace gloamery
