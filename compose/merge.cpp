#include "merge.h"

#include "../workspace/numeric.h"
#include "blend.h"

#include <array>

namespace gloamery {

namespace {

// nearest(S / 8.0) for every neighbour sum S, 0..2040.
const std::array<std::uint8_t, 2041>& eighths()
{
    static const auto table = [] {
        std::array<std::uint8_t, 2041> t{};
        for (int sum = 0; sum <= 2040; ++sum) t[sum] = static_cast<std::uint8_t>(nearest(sum / 8.0));
        return t;
    }();
    return table;
}

// Both copies fill blocks of columns row by row, which keeps reads and
// writes along memory; the bar still steps once per column, in order.
constexpr int kBlock = 16;

void smoothedCopy(const Picture& shadow, ByteGrid& tmat, Reporter& report)
{
    const ByteGrid l = redGrid(shadow); // the light of every pixel
    const auto& eighth = eighths();
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
                out[i] = eighth[sum];
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
            for (int i = i0; i < i0 + kBlock; ++i) tmat.data()[ByteGrid::index(i, j)] = l.data()[ByteGrid::index(i, j)];
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
