#pragma once
// Colour values: signed 32-bit 0x00BBGGRR, red in the low byte.

#include <cstdint>

namespace gloamery {

using Colour = std::int32_t;

struct Channels {
    int r = 0;
    int g = 0;
    int b = 0;
};

// The one channel-split rule: truncating division by 256 and 65536, each
// result taken modulo 256. So -1 (a read outside a picture) is (255, 0, 0).
constexpr Channels split(Colour v)
{
    return {v & 255, (v / 256) & 255, (v / 65536) & 255};
}

constexpr int red(Colour v) { return v & 255; }

constexpr int clampChannel(int c) { return c > 255 ? 255 : (c < 0 ? 0 : c); }

// The one compose rule: a channel above 255 counts as 255, below 0 as 0.
constexpr Colour compose(int r, int g, int b)
{
    return clampChannel(r) + 256 * clampChannel(g) + 65536 * clampChannel(b);
}

constexpr Colour grey(int g) { return compose(g, g, g); }

constexpr Colour kWhite = 0xFFFFFF;
constexpr Colour kBlack = 0x000000;
constexpr Colour kInputBackground = 0xF0F0F0; // (240, 240, 240)

} // namespace gloamery
