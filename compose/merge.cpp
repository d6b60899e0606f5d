#include "merge.h"

#include "../workspace/numeric.h"
#include "blend.h"

#include <algorithm>

namespace gloamery {

namespace {

// nearest(S / 8.0) for a neighbour sum S >= 0, in integers so the loop below
// can work on many pixels at once: S / 8 is exact in double, and rounding
// it half to even adds one when the remainder is above 4, or is 4 with an
// odd quotient.
constexpr std::uint8_t eighth(int sum)
{
    return static_cast<std::uint8_t>((sum + 3 + ((sum >> 3) & 1)) >> 3);
}
static_assert(eighth(4) == 0 && eighth(12) == 2 && eighth(13) == 2 && eighth(11) == 1 && eighth(2040) == 255);

// Both copies fill blocks of columns row by row, which keeps reads and
// writes along memory; the bar still steps once per column, in order.
constexpr int kBlock = 16;

void smoothedCopy(const Picture& shadow, ByteGrid& tmat, Reporter& report)
{
    const ByteGrid l = redGrid(shadow); // the light of every pixel
    // Row 0 and column 0, the corner included, are copied unsmoothed.
    for (int i = 0; i < 256; ++i) {
        tmat(i, 0) = l(i, 0);
        tmat(0, i) = l(0, i);
    }
    for (int i0 = 1; i0 < 256; i0 += kBlock) {
        const int i1 = i0 + kBlock < 256 ? i0 + kBlock : 256;
        for (int j = 1; j < 256; ++j) {
            // The eight neighbours, never the centre; those at 256 read as 255.
            const std::uint8_t* up = l.data() + ByteGrid::index(0, j - 1);
            const std::uint8_t* mid = up + kGridSize;
            const std::uint8_t* down = mid + kGridSize;
            std::uint8_t* out = tmat.data() + ByteGrid::index(0, j);
            for (int i = i0; i < i1; ++i) {
                const int sum = up[i - 1] + up[i] + up[i + 1] + mid[i + 1] + down[i + 1] + down[i] + down[i - 1] + mid[i - 1];
                out[i] = eighth(sum);
            }
        }
        for (int i = i0; i < i1; ++i) report.progress(i / 255.0);
    }
}

void plainCopy(const Picture& shadow, ByteGrid& tmat, Reporter& report)
{
    const ByteGrid l = redGrid(shadow); // the light of every pixel
    for (int i0 = 0; i0 < 256; i0 += kBlock) {
        for (int j = 0; j < 256; ++j)
            std::copy_n(l.data() + ByteGrid::index(i0, j), kBlock, tmat.data() + ByteGrid::index(i0, j));
        for (int i = i0; i < i0 + kBlock; ++i) report.progress(i / 255.0);
    }
}

} // namespace

ByteGrid shadowPlane(const Picture& shadow, bool blur, Reporter& report)
{
    ByteGrid tmat;
    if (blur) smoothedCopy(shadow, tmat, report);
    else plainCopy(shadow, tmat, report);
    return tmat;
}

void Merge(Workspace& ws, bool blur, BlendMode mode, Reporter& report)
{
    report.status(status::kBuffering);
    const ByteGrid tmat = shadowPlane(ws.picture(Slot::Shadow), blur, report);
    report.status(status::kMerging);

    const Picture& texture = ws.picture(Slot::Texture);
    Picture& colour = ws.picture(Slot::Colour);
    switch (mode) {
    case BlendMode::Half: MergeDetNor(tmat, texture, colour, report); break;
    case BlendMode::Multiply: MergeDetMul(tmat, texture, colour, report); break;
    case BlendMode::MultiplyHalf: MergeDetDiv(tmat, texture, colour, report); break;
    case BlendMode::Multiply3: MergeDetMul3(tmat, texture, colour, report); break;
    }
    report.status(status::kDone);
}

} // namespace gloamery
