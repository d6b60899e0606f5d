#include "merge.h"

#include "../workspace/numeric.h"
#include "blend.h"

namespace gloamery {

namespace {

int light(const Picture& shadow, int x, int y) { return red(shadow.pixel(x, y)); }

void smoothedCopy(const Picture& shadow, ByteGrid& tmat, Reporter& report)
{
    // Row 0 and column 0, the corner included, are copied unsmoothed.
    tmat(0, 0) = static_cast<std::uint8_t>(light(shadow, 0, 0));
    for (int i = 1; i < 256; ++i) {
        tmat(i, 0) = static_cast<std::uint8_t>(light(shadow, i, 0));
        tmat(0, i) = static_cast<std::uint8_t>(light(shadow, 0, i));
        for (int j = 1; j < 256; ++j) {
            // The eight neighbours, never the centre; those at 256 read as 255.
            const int sum = light(shadow, i - 1, j - 1) + light(shadow, i, j - 1) + light(shadow, i + 1, j - 1)
                          + light(shadow, i + 1, j) + light(shadow, i + 1, j + 1) + light(shadow, i, j + 1)
                          + light(shadow, i - 1, j + 1) + light(shadow, i - 1, j);
            tmat(i, j) = static_cast<std::uint8_t>(nearest(sum / 8.0));
        }
        report.progress(i / 255.0);
    }
}

void plainCopy(const Picture& shadow, ByteGrid& tmat, Reporter& report)
{
    for (int i = 0; i < 256; ++i) {
        for (int j = 0; j < 256; ++j) tmat(i, j) = static_cast<std::uint8_t>(light(shadow, i, j));
        report.progress(i / 255.0);
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
