// "Sin func" and "Cos func": the linear ray's traversal with a curved shade
// that is worked out at the end of every step and written one step late.

#include "rays.h"

#include "ray.h"
#include "shade_tables.h"
#include "../workspace/colour.h"

#include <atomic>
#include <bit>
#include <cmath>
#include <cstdint>
#include <memory>

namespace gloamery {

namespace {

// A curve over the arguments a ray commonly meets, each value worked out
// the first time a ray needs it and kept for the rest of the process, with
// the very expression used off the table, so a value from the table is bit
// for bit the value computed on the spot. Worked out whole at the first
// run, the 5120 values took longer than the run itself on a small map,
// where it meets a few hundred of them. Threads that meet an argument at
// once both work it out and store the same bits.
class ShadeCurve {
public:
    using Fn = double (*)(std::int32_t);
    ShadeCurve(Fn f, std::int32_t lo, std::int32_t hi)
        : f_(f), lo_(lo), size_(static_cast<std::uint32_t>(hi - lo + 1)),
          values_(std::make_unique<std::atomic<std::uint64_t>[]>(size_))
    {
        for (std::uint32_t i = 0; i < size_; ++i) values_[i].store(kNotYet, std::memory_order_relaxed);
    }
    double operator()(std::int32_t v) const
    {
        const std::uint32_t i = static_cast<std::uint32_t>(v) - static_cast<std::uint32_t>(lo_);
        if (i >= size_) return f_(v);
        const std::uint64_t bits = values_[i].load(std::memory_order_relaxed);
        if (bits != kNotYet) return std::bit_cast<double>(bits);
        const double c = f_(v);
        values_[i].store(std::bit_cast<std::uint64_t>(c), std::memory_order_relaxed);
        return c;
    }

private:
    // A NaN: no value of a curve of finite arguments.
    static constexpr std::uint64_t kNotYet = 0x7ff8'0000'dead'beefULL;

    Fn f_;
    std::int32_t lo_;
    std::uint32_t size_;
    std::unique_ptr<std::atomic<std::uint64_t>[]> values_;
};

// g = nearest(c x D + E) for a curve value c. A negative g (a sine below 0
// at a high darkness) is composed as 0, one above 255 as 255.
struct CurveShade {
    double d; // D and E = 255 - D, whole numbers 0..255
    double e;
    explicit CurveShade(int darkness) : d(darkness), e(255 - darkness) {}
    int operator()(double c) const { return nearestChannel(c * d + e); }
};

// The curve constants are these decimals, not pi/2 and its neighbours.
constexpr double kSinScale = 1.6;
constexpr double kCosScale = 1.5708;

// The level in 8-bit steps: L / 257 for deep heights.
template <class Sample>
double sinOfLevel(std::int32_t level)
{
    return std::sin(level / Depth<Sample>::kUnit / 255.0 * kSinScale + kSinScale);
}
double cosOfDistance(std::int32_t k) { return std::cos((255.0 - k) / 255.0 * kCosScale); }

// The shade of a level after the lift test: 0..top on the map (tabled),
// negative on the steps of a ray that comes in from outside it.
template <class Sample>
int sinShade(int darkness, std::int32_t level)
{
    return CurveShade(darkness)(sinOfLevel<Sample>(level));
}

// Shadow distances: 0 or 50 after a lift, then growing by the decay at each
// pixel at or below the ray; a ray reaches at most 257 pixels, so this
// covers decays up to about 15.
const ShadeCurve& cosCurve()
{
    static const ShadeCurve curve(cosOfDistance, -1024, 4095);
    return curve;
}

// The pending shade, kept as the curve's argument and shaded only when a
// step writes it. Until the end of a ray's first step it is black; that is
// never written, as the first step has L = 0.
struct Pending {
    std::int32_t arg = 0;
    bool set = false;
};

template <class Sample, class Writer>
struct SinRule {
    Writer shadow;
    ShadeTable<Sample, sinShade<Sample>> shade;
    Pending pending;

    SinRule(Writer s, int darkness) : shadow(s), shade(darkness) {}

    void lit(const Cell&, int, std::int32_t) {}
    void shaded(const Cell& c, int, std::int32_t level)
    {
        if (level != 0) shadow.setShade(c, pending.set ? shade(pending.arg) : 0);
    }
    // The shade of the level as it stands after the lift test, before the
    // decay; only worked out when a later step writes it.
    void after(const Cell&, bool, int, std::int32_t& level) { pending = {level, true}; }
};

template <class Writer>
struct CosRule {
    Writer shadow;
    CurveShade shade;
    DecayStep grow; // k = nearest(decay + k)
    const ShadeCurve* curve = &cosCurve(); // not a reference, so that a walk can keep a copy
    std::int32_t k = 0; // shadow distance
    Pending pending;

    CosRule(Writer s, int darkness, double a) : shadow(s), shade(darkness), grow(-a) {}

    void lit(const Cell&, int, std::int32_t) { k = 50; }
    void shaded(const Cell& c, int, std::int32_t level)
    {
        k = grow(k);
        if (level != 0) shadow.setShade(c, pending.set ? shade((*curve)(pending.arg)) : 0);
    }
    void after(const Cell&, bool, int, std::int32_t&) { pending = {k, true}; }
};

} // namespace

template <class Grid>
void f5(double x, double y, const Grid& heights, const ShadowParams& p, PixelWriter shadow)
{
    SinRule<typename Grid::value_type, PixelWriter> rule(shadow, p.darkness);
    traceRay(x, y, p.x0, p.y0, heights, p.decay, rule);
}

// The shadow distance counts the decay in 8-bit steps at either depth.
template <class Grid>
void f6(double x, double y, const Grid& heights, const ShadowParams& p, PixelWriter shadow)
{
    CosRule<PixelWriter> rule(shadow, p.darkness, p.decay);
    traceRay(x, y, p.x0, p.y0, heights, p.decay, rule);
}

template <class Grid>
void f5Stamped(const StampedRay* rays, std::size_t count, LayerTarget layer, const Grid& heights, const ShadowParams& p)
{
    traceStampedRays(rays, count, layer, heights, p.decay,
                     [&](auto w) { return SinRule<typename Grid::value_type, decltype(w)>(w, p.darkness); });
}

template <class Grid>
void f6Stamped(const StampedRay* rays, std::size_t count, LayerTarget layer, const Grid& heights, const ShadowParams& p)
{
    traceStampedRays(rays, count, layer, heights, p.decay,
                     [&](auto w) { return CosRule<decltype(w)>(w, p.darkness, p.decay); });
}

// The two depths of heights, over a whole grid or a window of one.
template void f5(double, double, const ByteGrid&, const ShadowParams&, PixelWriter);
template void f5(double, double, const DeepGrid&, const ShadowParams&, PixelWriter);
template void f6(double, double, const ByteGrid&, const ShadowParams&, PixelWriter);
template void f6(double, double, const DeepGrid&, const ShadowParams&, PixelWriter);
template void f5Stamped(const StampedRay*, std::size_t, LayerTarget, const ByteGrid&, const ShadowParams&);
template void f5Stamped(const StampedRay*, std::size_t, LayerTarget, const DeepGrid&, const ShadowParams&);
template void f5Stamped(const StampedRay*, std::size_t, LayerTarget, const ByteWindow&, const ShadowParams&);
template void f5Stamped(const StampedRay*, std::size_t, LayerTarget, const DeepWindow&, const ShadowParams&);
template void f6Stamped(const StampedRay*, std::size_t, LayerTarget, const ByteGrid&, const ShadowParams&);
template void f6Stamped(const StampedRay*, std::size_t, LayerTarget, const DeepGrid&, const ShadowParams&);
template void f6Stamped(const StampedRay*, std::size_t, LayerTarget, const ByteWindow&, const ShadowParams&);
template void f6Stamped(const StampedRay*, std::size_t, LayerTarget, const DeepWindow&, const ShadowParams&);

} // namespace gloamery
