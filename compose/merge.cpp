#include "merge.h"

#include "../workspace/numeric.h"
#include "blend.h"
#include "../workspace/parallel.h"

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

// The bar runs i / (W - 1) over the columns each copy fills.
double barDivisor(const Picture& shadow) { return shadow.width() > 1 ? shadow.width() - 1 : 1; }

std::size_t pixelsOf(const ByteGrid& g) { return static_cast<std::size_t>(g.columns()) * static_cast<std::size_t>(g.rows()); }

// One row of the blur: the eight neighbours, never the centre. The rows
// are told apart from the output, so the compiler takes many pixels at once.
void blurRow(const std::uint8_t* __restrict up, const std::uint8_t* __restrict mid,
             const std::uint8_t* __restrict down, std::uint8_t* __restrict out, int first, int last)
{
    for (int i = first; i < last; ++i) {
        const int sum = up[i - 1] + up[i] + up[i + 1] + mid[i + 1] + down[i + 1] + down[i] + down[i - 1] + mid[i - 1];
        out[i] = eighth(sum);
    }
}

void smoothedCopy(const Picture& shadow, ByteGrid& tmat, Reporter& report)
{
    const ByteGrid l = redGrid(shadow); // the light of every pixel
    const int w = shadow.width(), h = shadow.height();
    // Row 0 and column 0, the corner included, are copied unsmoothed.
    for (int x = 0; x < w; ++x) tmat(x, 0) = l(x, 0);
    for (int y = 0; y < h; ++y) tmat(0, y) = l(0, y);
    // Neighbours in the outside row and column read as 255.
    forEachRow(h, pixelsOf(l), [&](int j) {
        if (j > 0) blurRow(l.row(j - 1), l.row(j), l.row(j + 1), tmat.row(j), 1, w);
    });
    reportColumns(1, w, barDivisor(shadow), report);
}

void plainCopy(const Picture& shadow, ByteGrid& tmat, Reporter& report)
{
    const ByteGrid l = redGrid(shadow); // the light of every pixel
    const int w = shadow.width();
    forEachRow(shadow.height(), pixelsOf(l), [&](int j) { std::copy(l.row(j), l.row(j) + w, tmat.row(j)); });
    reportColumns(0, w, barDivisor(shadow), report);
}

} // namespace

ByteGrid shadowPlane(const Picture& shadow, bool blur, Reporter& report)
{
    ByteGrid tmat(shadow.width(), shadow.height());
    if (blur) smoothedCopy(shadow, tmat, report);
    else plainCopy(shadow, tmat, report);
    return tmat;
}

void Merge(Workspace& ws, bool blur, BlendMode mode, Reporter& report)
{
    report.status(status::kBuffering);
    const ByteGrid tmat = shadowPlane(ws.picture(Slot::Shadow), blur, report);
    report.status(status::kMerging);

    // A texture never made is read as its background, not made here.
    const SlotView texture = ws.image(Slot::Texture).view();
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
