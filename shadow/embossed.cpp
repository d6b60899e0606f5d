// "Embossed": every pixel a ray reaches is written. Rises are lit brighter
// the steeper they are; behind them a shade lightens with the shadow
// distance until it passes mid-grey, where the shadow ends and the ray
// drops back onto the terrain.

#include "rays.h"

#include "ray.h"

#include <cstdint>
#include <vector>

namespace gloamery {

namespace {

constexpr int kMidGrey = 128;

// The lit shade of a rise: nearest(rise / unit x 4 + 128), at most 255.
template <class Sample>
int riseShade(std::int64_t rise)
{
    const double u = nearest(static_cast<double>(rise) / Depth<Sample>::kUnit * 4 + 128);
    return u > 255 ? 255 : static_cast<int>(u);
}

// A rise of 32 8-bit steps or more is lit 255; below that the shades are
// looked up, as deep terrain lifts the ray at nearly every step.
template <class Sample>
const std::vector<std::uint8_t>& riseShades()
{
    static const std::vector<std::uint8_t> table = [] {
        std::vector<std::uint8_t> t(static_cast<std::size_t>(32 * Depth<Sample>::kUnit));
        for (std::size_t r = 0; r < t.size(); ++r) t[r] = static_cast<std::uint8_t>(riseShade<Sample>(static_cast<std::int64_t>(r)));
        return t;
    }();
    return table;
}

template <class Grid>
struct EmbossRule {
    PixelWriter shadow;
    const Grid& heights;
    double e; // E = 255 - D; the darkness itself is not used
    DecayStep grow; // k = nearest(decay + k)

    const std::vector<std::uint8_t>& litShades = riseShades<typename Grid::value_type>();

    std::int32_t k = 0;     // shadow distance
    int pending = 0; // black
    // What the end of a step makes of the current K; K changes far less
    // often than steps are taken, so this is worked out when it does.
    bool fadedOut = false;
    int next = 0;
    // The same for K = 0, to which every lift goes back.
    bool fadedOutAtZero = false;
    int nextAtZero = 0;

    EmbossRule(PixelWriter s, const Grid& h, int darkness, double a)
        : shadow(s), heights(h), e(255 - darkness), grow(-a)
    {
        setDistance(0);
        fadedOutAtZero = fadedOut;
        nextAtZero = next;
    }

    void setDistance(std::int32_t v)
    {
        k = v;
        const double r = nearest((k + 64.0) / 128.0 * e);
        fadedOut = r > 128;
        next = fadedOut ? kMidGrey : (r < 0 ? 0 : static_cast<int>(r)); // r <= 128 here
    }

    void lit(int px, int py, int h, std::int32_t level)
    {
        // The rise is taken in 64 bits, as a level far below the terrain (a
        // ray from far outside) may have saturated; it is above 0 here.
        const std::int64_t rise = static_cast<std::int64_t>(h) - level;
        if (k != 0) {
            k = 0;
            fadedOut = fadedOutAtZero;
            next = nextAtZero;
        }
        shadow.setShade(px, py, static_cast<std::uint64_t>(rise) < litShades.size() ? litShades[static_cast<std::size_t>(rise)] : 255);
    }

    void shaded(int px, int py, int, std::int32_t)
    {
        setDistance(grow(k));
        shadow.setShade(px, py, pending); // whatever the level, 0 included
    }

    void after(int px, int py, bool inGrid, std::int32_t& level)
    {
        pending = next;
        // The shadow has faded out: the ray drops onto this step's terrain.
        // K only grows on pixels inside the grid, and a ray that has entered
        // the grid never leaves it, so the step is always inside; a step
        // outside would have no terrain to drop onto and keeps its level.
        if (fadedOut && inGrid) level = heights(px, py);
    }
};

} // namespace

template <class Grid>
void f7(double x, double y, const Grid& heights, const ShadowParams& p, PixelWriter shadow)
{
    EmbossRule<Grid> rule(shadow, heights, p.darkness, p.decay);
    traceRay(x, y, p.x0, p.y0, heights, p.decay, rule);
}

// The two depths of heights.
template void f7(double, double, const ByteGrid&, const ShadowParams&, PixelWriter);
template void f7(double, double, const DeepGrid&, const ShadowParams&, PixelWriter);

} // namespace gloamery
