#include "rays.h"

#include "ray.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace gloamery {

namespace {

struct Darkness {
    double d; // D and E = 255 - D (single floats in the design, exact here)
    double e;
    explicit Darkness(int darkness) : d(darkness), e(255 - darkness) {}
};

// A table of shades for levels 0..255 at every darkness, built once per
// process; levels outside that range (negative decays) are computed on the
// spot by the same formula.
template <class Formula>
class ShadeTables {
public:
    explicit ShadeTables(Formula f) : f_(f)
    {
        for (int dark = 0; dark < 256; ++dark)
            for (int v = 0; v < 256; ++v) tables_[dark][v] = static_cast<std::uint8_t>(f_(Darkness(dark), v));
    }
    int operator()(const Darkness& k, int darkness, std::int32_t v) const
    {
        return static_cast<std::uint32_t>(v) < 256u ? tables_[darkness][v] : f_(k, v);
    }

private:
    Formula f_;
    std::array<std::array<std::uint8_t, 256>, 256> tables_{};
};

// f3 and f4: a shadowed pixel gets nearest((255 - L) / 255 x D + E).
int linearShade(const Darkness& k, std::int32_t level)
{
    return nearestChannel((255.0 - level) / 255.0 * k.d + k.e);
}

const auto& linearTables()
{
    static const ShadeTables tables(linearShade);
    return tables;
}

struct LinearRule {
    PixelWriter shadow;
    int darkness;
    Darkness k{darkness};
    decltype(linearTables()) tables = linearTables(); // looked up once a ray, not once a step

    void lit(int, int, int, std::int32_t) {}
    void shaded(int px, int py, int, std::int32_t level)
    {
        if (level != 0) shadow.setShade(px, py, tables(k, darkness, level));
    }
    void after(int, int, bool, std::int32_t&) {}
};

// The shade tables hold darknesses 0..255 only; a checked run never passes
// more, but f3 and f4 are open to any caller.
int tableDarkness(int darkness) { return std::clamp(darkness, 0, 255); }

} // namespace

void f3(double x, double y, const ByteGrid& heights, const ShadowParams& p, PixelWriter shadow)
{
    LinearRule rule{shadow, tableDarkness(p.darkness)};
    traceRay(x, y, p.x0, p.y0, heights, p.decay, rule);
}

void f4(double x, double y, const ByteGrid& heights, const ShadowParams& p, PixelWriter shadow)
{
    double sx0 = 0.0, sy0 = 0.0;
    if (x > y) sx0 = x - y;
    else sy0 = y - x;
    LinearRule rule{shadow, tableDarkness(p.darkness)};
    traceRay(x, y, sx0, sy0, heights, p.decay, rule);
}

ByteGrid readHeights(const Picture& heightMap)
{
    return redGrid(heightMap);
}

} // namespace gloamery
