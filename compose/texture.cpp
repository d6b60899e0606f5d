#include "texture.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace gloamery {

namespace {

constexpr int kSize = Picture::kSize;

// The colour values of a source picture, row-major, 256 x 256. Workspace
// slots are always that size, so this is the picture's own storage; any
// other picture is read through its out-of-bounds rule into scratch.
const Colour* sourcePixels(const Picture& p, std::vector<Colour>& scratch)
{
    if (p.width() == kSize && p.height() == kSize) return p.data();
    scratch.resize(static_cast<std::size_t>(kSize) * kSize);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) scratch[static_cast<std::size_t>(y) * kSize + x] = p.pixel(x, y);
    return scratch.data();
}

// The red channel of the height map over the whole grid, 0..256 on both
// axes; column and row 256 lie outside the picture and read as 255.
using HeightPlane = std::array<std::uint8_t, kGridSamples>;

void readHeightPlane(const Picture& heightMap, HeightPlane& h)
{
    std::vector<Colour> scratch;
    const Colour* src = sourcePixels(heightMap, scratch);
    for (int y = 0; y < kGridSize; ++y)
        for (int x = 0; x < kGridSize; ++x)
            h[ByteGrid::index(x, y)] = static_cast<std::uint8_t>(
                x < kSize && y < kSize ? red(src[static_cast<std::size_t>(y) * kSize + x]) : 255);
}

// One channel of the mix, narrowed to 16 bits and made non-negative. The
// mix stays below 2750 in size, where adding and removing 1.5 x 2^52
// rounds exactly as nearest() does, without its range test.
inline int mixChannel(double t, int grass, int stone, double gain)
{
    constexpr double kShifter = 6755399441055744.0; // 1.5 * 2^52
    const double mix = ((1 - t) * grass + t * stone) * gain;
    return std::abs(static_cast<int>((mix + kShifter) - kShifter));
}

inline Colour mixPixel(double t, Colour grass, Colour stone, double gain)
{
    const Channels g = split(grass);
    const Channels s = split(stone);
    return compose(mixChannel(t, g.r, s.r, gain), mixChannel(t, g.g, s.g, gain), mixChannel(t, g.b, s.b, gain));
}

// The frame both syntheses share. weight(x, y) gives the stone weight of a
// pixel; every picture pixel is written, and the 257th column and row,
// whose writes fall outside the picture, only count for the progress bar.
template <class Weight>
void synthesise(Workspace& ws, double gain, Reporter& report, Weight weight)
{
    BusyScope busy(report);
    report.progress(0.0);
    report.status(status::kCalculating);

    std::vector<Colour> grassScratch, stoneScratch;
    const Colour* grass = sourcePixels(ws.picture(Slot::Grass), grassScratch);
    const Colour* stone = sourcePixels(ws.picture(Slot::Stone), stoneScratch);
    Picture& texture = ws.picture(Slot::Texture);
    const bool fullSize = texture.width() == kSize && texture.height() == kSize;
    std::vector<Colour> outScratch(fullSize ? 0 : static_cast<std::size_t>(kSize) * kSize);
    Colour* out = fullSize ? &texture.at(0, 0) : outScratch.data();

    // Blocks of columns are filled row by row, which keeps the reads
    // sequential; the bar still steps once per column, in order.
    constexpr int kBlock = 16;
    for (int x0 = 0; x0 < kGridSize; x0 += kBlock) {
        const int x1 = x0 + kBlock < kSize ? x0 + kBlock : kSize;
        for (int y = 0; y < kSize; ++y) {
            const std::size_t row = static_cast<std::size_t>(y) * kSize;
            double w[kBlock];
            for (int x = x0; x < x1; ++x) w[x - x0] = weight(x, y);
            for (int x = x0; x < x1; ++x) out[row + x] = mixPixel(w[x - x0], grass[row + x], stone[row + x], gain);
        }
        for (int x = x0; x < x0 + kBlock && x < kGridSize; ++x) report.progress(x / 256.0);
    }
    if (!fullSize)
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x) texture.setPixel(x, y, outScratch[static_cast<std::size_t>(y) * kSize + x]);

    report.status(status::kDone);
}

// The contrast scroll bar runs 0..100; kept there so no weight can carry a
// mix out of the 16-bit range.
int contrastValue(int contrast) { return contrast < 0 ? 0 : (contrast > 100 ? 100 : contrast); }

} // namespace

void makeTexture(Workspace& ws, int contrast, Reporter& report)
{
    const double v = contrastValue(contrast);
    HeightPlane h;
    readHeightPlane(ws.picture(Slot::Height), h);

    // The weight depends on the height alone: one value per height.
    std::array<double, 256> weightOf{};
    for (int H = 0; H < 256; ++H) {
        double t = H / 255.0;
        if (t > 0.5) t = (v / 100 + 1) * t;
        weightOf[H] = t;
    }

    synthesise(ws, 1.0, report, [&](int x, int y) { return weightOf[h[ByteGrid::index(x, y)]]; });
}

void makeTexture2(Workspace& ws, int contrast, Reporter& report)
{
    const double v = contrastValue(contrast);
    HeightPlane h;
    readHeightPlane(ws.picture(Slot::Height), h);
    auto H = [&](int x, int y) { return static_cast<int>(h[ByteGrid::index(x, y)]); };

    // Columns 0, 1 and 256 are weighted by height, as no slope is taken there.
    std::array<double, 256> edgeWeightOf{};
    for (int k = 0; k < 256; ++k) {
        double t = k / 255.0;
        if (t > 0.5) t = v / 100 + t;
        else t = (v / 100 + 1) * t / 2;
        edgeWeightOf[k] = t;
    }

    // Elsewhere the steeper of the two central differences, each over 32;
    // rows 0, 1 and 256 take the one across the columns only. The larger
    // difference over 32 is the larger of the two quotients, exactly.
    std::array<double, 256> slopeWeightOf{};
    for (int d = 0; d < 256; ++d) slopeWeightOf[d] = d / 32.0;

    auto weight = [&](int x, int y) {
        if (x < 2 || x > 255) return edgeWeightOf[H(x, y)];
        int d = std::abs(H(x + 1, y) - H(x - 1, y));
        if (y >= 2 && y <= 255) {
            const int dy = std::abs(H(x, y + 1) - H(x, y - 1));
            if (d < dy) d = dy;
        }
        return slopeWeightOf[d];
    };
    synthesise(ws, 1.35, report, weight);
}

} // namespace gloamery
