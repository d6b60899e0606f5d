#include "blend.h"

#include "../workspace/numeric.h"

#include <array>
#include <cstdint>

namespace gloamery {

namespace {

// Result channel for every (light level s, texture channel v), limited to
// 255: 64 KiB per mode, built once, so a blend is three look-ups a pixel.
using BlendTable = std::array<std::uint8_t, 256 * 256>;

template <class Formula>
BlendTable makeTable(Formula w)
{
    BlendTable t{};
    for (int s = 0; s < 256; ++s)
        for (int v = 0; v < 256; ++v) t[s * 256 + v] = static_cast<std::uint8_t>(clampChannel(static_cast<int>(w(s, v))));
    return t;
}

double half(int s, int v) { return nearest((s + v) / 2.0); }

double multiply(int s, int v)
{
    const double k = s / 255.0 + 0.1;
    return nearest(v * k);
}

double multiplyHalf(int s, int v)
{
    const double k = s / 512.0 + 0.5;
    return nearest(v * k);
}

double multiply3(int s, int v)
{
    const double k = s <= 128 ? s / 255.0 + 0.1 : s / 128.0;
    return nearest(v * k);
}

// The family's loop: columns x = 0..256 with the bar at x / 256 after each;
// the 257th column and row lie outside the colour map, so nothing computed
// there could be stored and they are not computed.
void blend(const BlendTable& table, const ByteGrid& tmat, const Picture& texture, Picture& colour, Reporter& report)
{
    constexpr int kSize = Picture::kSize;
    if (texture.width() != kSize || texture.height() != kSize || colour.width() != kSize || colour.height() != kSize) {
        for (int x = 0; x < kGridSize; ++x) {
            for (int y = 0; x < kSize && y < kSize; ++y) {
                const Channels c = split(texture.pixel(x, y));
                const std::uint8_t* row = &table[static_cast<std::size_t>(tmat(x, y)) * 256];
                colour.setPixel(x, y, compose(row[c.r], row[c.g], row[c.b]));
            }
            report.progress(x / 256.0);
        }
        return;
    }
    const Colour* in = texture.data();
    Colour* out = &colour.at(0, 0);
    // Blocks of columns are filled row by row, which keeps the reads
    // sequential; the bar still steps once per column, in order.
    constexpr int kBlock = 16;
    for (int x0 = 0; x0 < kGridSize; x0 += kBlock) {
        const int x1 = x0 + kBlock < kSize ? x0 + kBlock : kSize;
        for (int y = 0; y < kSize; ++y) {
            const std::size_t row = static_cast<std::size_t>(y) * kSize;
            const std::uint8_t* light = tmat.data() + ByteGrid::index(0, y);
            for (int x = x0; x < x1; ++x) {
                const Channels c = split(in[row + x]);
                const std::uint8_t* w = &table[static_cast<std::size_t>(light[x]) * 256];
                out[row + x] = w[c.r] | (w[c.g] << 8) | (w[c.b] << 16);
            }
        }
        for (int x = x0; x < x0 + kBlock && x < kGridSize; ++x) report.progress(x / 256.0);
    }
}

} // namespace

void MergeDetNor(const ByteGrid& tmat, const Picture& texture, Picture& colour, Reporter& report)
{
    static const BlendTable table = makeTable(half);
    blend(table, tmat, texture, colour, report);
}

void MergeDetMul(const ByteGrid& tmat, const Picture& texture, Picture& colour, Reporter& report)
{
    static const BlendTable table = makeTable(multiply);
    blend(table, tmat, texture, colour, report);
}

void MergeDetDiv(const ByteGrid& tmat, const Picture& texture, Picture& colour, Reporter& report)
{
    static const BlendTable table = makeTable(multiplyHalf);
    blend(table, tmat, texture, colour, report);
}

void MergeDetMul3(const ByteGrid& tmat, const Picture& texture, Picture& colour, Reporter& report)
{
    static const BlendTable table = makeTable(multiply3);
    blend(table, tmat, texture, colour, report);
}

} // namespace gloamery
