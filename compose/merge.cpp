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
double barDivisor(const ByteGrid& light) { return light.mapWidth() > 1 ? light.mapWidth() - 1 : 1; }

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

// l: the light of every pixel, its outside row and column 255.
void smoothedCopy(const ByteGrid& l, ByteGrid& tmat, Reporter& report)
{
    const int w = l.mapWidth(), h = l.mapHeight();
    // Row 0 and column 0, the corner included, are copied unsmoothed.
    for (int x = 0; x < w; ++x) tmat(x, 0) = l(x, 0);
    for (int y = 0; y < h; ++y) tmat(0, y) = l(0, y);
    // Neighbours in the outside row and column read as 255.
    forEachRow(h, pixelsOf(l), [&](int j) {
        if (j > 0) blurRow(l.row(j - 1), l.row(j), l.row(j + 1), tmat.row(j), 1, w);
    });
    reportColumns(1, w, barDivisor(l), report);
}

void plainCopy(const ByteGrid& l, ByteGrid& tmat, Reporter& report)
{
    const int w = l.mapWidth();
    forEachRow(l.mapHeight(), pixelsOf(l), [&](int j) { std::copy(l.row(j), l.row(j) + w, tmat.row(j)); });
    reportColumns(0, w, barDivisor(l), report);
}

// The light plane smoothed (or not) and blended a stretch at a time while
// its rows are in the cache: the colour map of shadowPlane followed by the
// mode's blend, without the plane.
void mergeLight(const ByteGrid& l, bool blur, const BlendTable& table, const SlotView& texture, Picture& colour)
{
    const int w = colour.width();
    forEachRow(colour.height(), static_cast<std::size_t>(w) * static_cast<std::size_t>(colour.height()), [&](int y) {
        constexpr int kStretch = 1024;
        std::uint8_t smooth[kStretch];
        Colour run[kStretch];
        Colour* out = colour.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
        for (int first = 0; first < w; first += kStretch) {
            const int n = std::min(kStretch, w - first);
            const std::uint8_t* light = l.row(y) + first;
            if (blur && y > 0) {
                smooth[0] = light[0]; // column 0 stays unsmoothed
                blurRow(l.row(y - 1) + first, light, l.row(y + 1) + first, smooth, first == 0 ? 1 : 0, n);
                light = smooth;
            }
            blendStretch(table, light, texture.span(first, y, n, run), out + first, n);
        }
    });
}

bool sameSize(const ByteGrid& l, const SlotView& texture, const SlotImage& colour)
{
    const int w = colour.width(), h = colour.height();
    return l.mapWidth() == w && l.mapHeight() == h && texture.width() == w && texture.height() == h;
}

} // namespace

ByteGrid shadowPlane(const ByteGrid& light, bool blur, Reporter& report)
{
    ByteGrid tmat(light.mapWidth(), light.mapHeight());
    if (blur) smoothedCopy(light, tmat, report);
    else plainCopy(light, tmat, report);
    return tmat;
}

ByteGrid shadowPlane(const Picture& shadow, bool blur, Reporter& report) { return shadowPlane(redGrid(shadow), blur, report); }

void Merge(Workspace& ws, bool blur, BlendMode mode, Reporter& report) { Merge(ws, blur, mode, kFullOpacity, report); }

void Merge(Workspace& ws, bool blur, BlendMode mode, double opacity, Reporter& report)
{
    report.status(status::kBuffering);
    const std::shared_ptr<const BlendTable> table = blendTable(mode, opacity);
    // A map of greys is its own light plane; a picture's is its red bytes.
    const ByteGrid* greys = ws.image(Slot::Shadow).view().greys();
    // A texture never made is read as its background, not made here.
    const SlotView texture = ws.image(Slot::Texture).view();
    if (greys && sameSize(*greys, texture, ws.image(Slot::Colour))) {
        // Every pixel of the colour map is written: nothing to fill first.
        Picture& colour = ws.overwritable(Slot::Colour);
        mergeLight(*greys, blur, *table, texture, colour);
        // The bar as the plane and the blend step it.
        reportColumns(blur ? 1 : 0, greys->mapWidth(), barDivisor(*greys), report);
        report.status(status::kMerging);
        reportColumns(0, colour.width() + 1, colour.width(), report);
        report.status(status::kDone);
        return;
    }
    Picture& colour = ws.picture(Slot::Colour);
    const ByteGrid tmat = greys ? shadowPlane(*greys, blur, report) : shadowPlane(ws.picture(Slot::Shadow), blur, report);
    report.status(status::kMerging);
    mergeByTable(*table, tmat, texture, colour, report);
    report.status(status::kDone);
}

} // namespace gloamery
