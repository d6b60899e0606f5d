#include "blend.h"

#include "../workspace/numeric.h"
#include "../workspace/parallel.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace gloamery {

namespace {

// Result channel for every (light level s, texture channel v), limited to
// 255: 64 KiB per mode, so a blend is three look-ups a pixel. Worked out
// while compiling: built at run time, the table took a fresh process's
// first blend of a 256 x 256 map twice as long as the next.
using BlendTable = std::array<std::uint8_t, 256 * 256>;

template <class Formula>
constexpr BlendTable makeTable(Formula w)
{
    BlendTable t{};
    for (int s = 0; s < 256; ++s)
        for (int v = 0; v < 256; ++v) t[s * 256 + v] = static_cast<std::uint8_t>(clampChannel(static_cast<int>(w(s, v))));
    return t;
}

constexpr double half(int s, int v) { return nearest((s + v) / 2.0); }

constexpr double multiply(int s, int v)
{
    const double k = s / 255.0 + 0.1;
    return nearest(v * k);
}

constexpr double multiplyHalf(int s, int v)
{
    const double k = s / 512.0 + 0.5;
    return nearest(v * k);
}

constexpr double multiply3(int s, int v)
{
    const double k = s <= 128 ? s / 255.0 + 0.1 : s / 128.0;
    return nearest(v * k);
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

void blendStretch(BlendMode mode, const std::uint8_t* light, const Colour* in, Colour* out, int n)
{
    switch (mode) {
    case BlendMode::Half: return blendRow(tableOf<half>(), light, in, out, 0, n);
    case BlendMode::Multiply: return blendRow(tableOf<multiply>(), light, in, out, 0, n);
    case BlendMode::MultiplyHalf: return blendRow(tableOf<multiplyHalf>(), light, in, out, 0, n);
    case BlendMode::Multiply3: return blendRow(tableOf<multiply3>(), light, in, out, 0, n);
    }
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
