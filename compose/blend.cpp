#include "blend.h"

#include "../workspace/numeric.h"
#include "../workspace/parallel.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace gloamery {

namespace {

// Result channel for every (light level s, texture channel v), limited to
// 255: 64 KiB per mode, so a blend is three look-ups a pixel. Worked out
// while compiling: built at run time, the table took a fresh process's
// first blend of a 256 x 256 map twice as long as the next.
template <class Formula>
constexpr BlendTable makeTable(Formula w)
{
    BlendTable t{};
    for (int s = 0; s < 256; ++s)
        for (int v = 0; v < 256; ++v) t[s * 256 + v] = static_cast<std::uint8_t>(clampChannel(static_cast<int>(w(s, v))));
    return t;
}

// Each mode's result before rounding; the four original modes round it
// (nearest) to give their channel.
constexpr double halfRaw(int s, int v) { return (s + v) / 2.0; }
constexpr double multiplyRaw(int s, int v)
{
    const double k = s / 255.0 + 0.1;
    return v * k;
}
constexpr double multiplyHalfRaw(int s, int v)
{
    const double k = s / 512.0 + 0.5;
    return v * k;
}
constexpr double multiply3Raw(int s, int v)
{
    const double k = s <= 128 ? s / 255.0 + 0.1 : s / 128.0;
    return v * k;
}

constexpr double half(int s, int v) { return nearest(halfRaw(s, v)); }
constexpr double multiply(int s, int v) { return nearest(multiplyRaw(s, v)); }
constexpr double multiplyHalf(int s, int v) { return nearest(multiplyHalfRaw(s, v)); }
constexpr double multiply3(int s, int v) { return nearest(multiply3Raw(s, v)); }

// The compositing blends over channels 0..1: b the backdrop (texture),
// c the source (light).
double screenOf(double b, double c) { return b + c - b * c; }

double overlayRaw(int s, int v)
{
    const double b = v / 255.0, c = s / 255.0;
    const double r = b <= 0.5 ? c * (2 * b) : screenOf(c, 2 * b - 1);
    return 255 * r;
}

double softLightRaw(int s, int v)
{
    const double b = v / 255.0, c = s / 255.0;
    if (c <= 0.5) return 255 * (b - (1 - 2 * c) * b * (1 - b));
    const double d = b <= 0.25 ? ((16 * b - 12) * b + 4) * b : std::sqrt(b);
    return 255 * (b + (2 * c - 1) * (d - b));
}

double screenRaw(int s, int v) { return 255 * screenOf(v / 255.0, s / 255.0); }

using RawRule = double (*)(int, int);

RawRule rawRule(BlendMode mode)
{
    switch (mode) {
    case BlendMode::Half: return halfRaw;
    case BlendMode::Multiply: return multiplyRaw;
    case BlendMode::MultiplyHalf: return multiplyHalfRaw;
    case BlendMode::Multiply3: return multiply3Raw;
    case BlendMode::Overlay: return overlayRaw;
    case BlendMode::SoftLight: return softLightRaw;
    case BlendMode::Screen: break;
    }
    return screenRaw;
}

// The table of a rule at the share p (0..1) of its result over the texture.
std::shared_ptr<BlendTable> mixedTable(RawRule rule, double p)
{
    auto t = std::make_shared<BlendTable>();
    for (int s = 0; s < 256; ++s)
        for (int v = 0; v < 256; ++v) {
            const double w = std::clamp(rule(s, v), 0.0, 255.0);
            (*t)[s * 256 + v] = static_cast<std::uint8_t>(nearestChannel((1 - p) * v + p * w));
        }
    return t;
}

// One row of a blend: three look-ups a pixel.
void blendRow(const BlendTable& table, const std::uint8_t* __restrict light, const Colour* __restrict in,
              Colour* __restrict out, int first, int last)
{
    for (int x = first; x < last; ++x) {
        const std::uint8_t* t = &table[static_cast<std::size_t>(light[x]) * 256];
        // Without its sign bit (nearly every colour) a value splits by plain
        // shifts, as the division does.
        const Colour v = in[x];
        if (v >= 0) {
            const auto u = static_cast<std::uint32_t>(v);
            out[x] = t[u & 255] | (t[(u >> 8) & 255] << 8) | (t[(u >> 16) & 255] << 16);
            continue;
        }
        const Channels c = split(v);
        out[x] = t[c.r] | (t[c.g] << 8) | (t[c.b] << 16);
    }
}

// The family's loop: columns x = 0..W with the bar at x / W after each;
// the outside column and row lie outside the colour map, so nothing
// computed there could be stored and they are not computed.
void blend(const BlendTable& table, const ByteGrid& tmat, const SlotView& texture, Picture& colour, Reporter& report)
{
    const int w = colour.width(), h = colour.height();
    const bool sameSize = texture.width() == w && texture.height() == h && tmat.mapWidth() == w && tmat.mapHeight() == h;
    const std::size_t pixels = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    forEachRow(h, pixels, [&](int y) {
        Colour* out = colour.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
        if (!sameSize) {
            // Pictures of other sizes (never the workspace's own) are read
            // through their outside rules.
            for (int x = 0; x < w; ++x) {
                const Channels c = split(texture.pixel(x, y));
                const int s = tmat.contains(x, y) ? tmat(x, y) : 0;
                const std::uint8_t* row = &table[static_cast<std::size_t>(s) * 256];
                out[x] = compose(row[c.r], row[c.g], row[c.b]);
            }
            return;
        }
        constexpr int kStretch = 1024;
        Colour run[kStretch];
        for (int first = 0; first < w; first += kStretch) {
            const int n = std::min(kStretch, w - first);
            blendRow(table, tmat.row(y) + first, texture.span(first, y, n, run), out + first, 0, n);
        }
    });
    reportColumns(0, w + 1, w, report);
}

// Each mode's table is built once, while compiling.
template <double (*rule)(int, int)>
const BlendTable& tableOf()
{
    static constexpr BlendTable table = makeTable(rule);
    return table;
}

template <double (*rule)(int, int)>
void blendBy(const ByteGrid& tmat, const SlotView& texture, Picture& colour, Reporter& report)
{
    blend(tableOf<rule>(), tmat, texture, colour, report);
}

} // namespace

// A static table, shared without being owned.
std::shared_ptr<const BlendTable> shared(const BlendTable& t) { return {std::shared_ptr<void>{}, &t}; }

std::shared_ptr<const BlendTable> blendTable(BlendMode mode, double opacity)
{
    if (!(opacity < kFullOpacity)) {
        switch (mode) {
        case BlendMode::Half: return shared(tableOf<half>());
        case BlendMode::Multiply: return shared(tableOf<multiply>());
        case BlendMode::MultiplyHalf: return shared(tableOf<multiplyHalf>());
        case BlendMode::Multiply3: return shared(tableOf<multiply3>());
        case BlendMode::Overlay: {
            static const auto t = mixedTable(overlayRaw, 1.0);
            return t;
        }
        case BlendMode::SoftLight: {
            static const auto t = mixedTable(softLightRaw, 1.0);
            return t;
        }
        case BlendMode::Screen: break;
        }
        static const auto t = mixedTable(screenRaw, 1.0);
        return t;
    }
    const double p = opacity > 0.0 ? opacity / kFullOpacity : 0.0;
    return mixedTable(rawRule(mode), p);
}

void mergeByTable(const BlendTable& table, const ByteGrid& tmat, const SlotView& texture, Picture& colour,
                  Reporter& report)
{
    blend(table, tmat, texture, colour, report);
}

void blendStretch(const BlendTable& table, const std::uint8_t* light, const Colour* in, Colour* out, int n)
{
    blendRow(table, light, in, out, 0, n);
}

void blendStretch(BlendMode mode, const std::uint8_t* light, const Colour* in, Colour* out, int n)
{
    blendRow(*blendTable(mode), light, in, out, 0, n);
}

void MergeDetNor(const ByteGrid& tmat, const SlotView& texture, Picture& colour, Reporter& report)
{
    blendBy<half>(tmat, texture, colour, report);
}

void MergeDetMul(const ByteGrid& tmat, const SlotView& texture, Picture& colour, Reporter& report)
{
    blendBy<multiply>(tmat, texture, colour, report);
}

void MergeDetDiv(const ByteGrid& tmat, const SlotView& texture, Picture& colour, Reporter& report)
{
    blendBy<multiplyHalf>(tmat, texture, colour, report);
}

void MergeDetMul3(const ByteGrid& tmat, const SlotView& texture, Picture& colour, Reporter& report)
{
    blendBy<multiply3>(tmat, texture, colour, report);
}

} // namespace gloamery
