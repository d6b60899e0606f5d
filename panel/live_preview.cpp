#include "live_preview.h"

#include "fitted_image.h"
#include "shadow/shadow_params.h"
#include "workspace/parallel.h"

#include <algorithm>
#include <cstdint>
#include <variant>

namespace gloamery::panel {

namespace {

// First source index of each of `to` blocks over `from` samples, and the end.
std::vector<int> blockStarts(int from, int to)
{
    std::vector<int> s(static_cast<std::size_t>(to) + 1);
    for (int i = 0; i <= to; ++i) s[static_cast<std::size_t>(i)] = static_cast<int>(static_cast<long long>(i) * from / to);
    return s;
}

// Deep heights sampled down, read where the slot keeps them: each the
// rounded mean of the samples it covers.
HeightSamples meanSamples(const DeepGrid& s, QSize to)
{
    HeightSamples out(to.width(), to.height(), std::uint16_t{0});
    const std::vector<int> cols = blockStarts(s.mapWidth(), to.width()), rows = blockStarts(s.mapHeight(), to.height());
    forEachRow(to.height(), static_cast<std::size_t>(s.mapWidth()) * static_cast<std::size_t>(s.mapHeight()), [&](int j) {
        const int y0 = rows[static_cast<std::size_t>(j)], y1 = rows[static_cast<std::size_t>(j) + 1];
        for (int i = 0; i < to.width(); ++i) {
            const int x0 = cols[static_cast<std::size_t>(i)], x1 = cols[static_cast<std::size_t>(i) + 1];
            std::uint64_t sum = 0;
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x) sum += s.row(y)[x];
            const std::uint64_t n = static_cast<std::uint64_t>(x1 - x0) * static_cast<std::uint64_t>(y1 - y0);
            out.data()[static_cast<std::size_t>(j) * static_cast<std::size_t>(to.width()) + static_cast<std::size_t>(i)] =
                static_cast<std::uint16_t>((sum + n / 2) / n);
        }
    });
    return out;
}

} // namespace

QSize LivePreview::sampledSize(int w, int h, int side)
{
    const int k = (std::max(w, h) + side - 1) / side;
    return QSize((w + k - 1) / k, (h + k - 1) / k);
}

void LivePreview::take(const Workspace& ws, QSize size)
{
    sample_.emplace(size.width(), size.height());
    // Read through the slots as they are kept: no picture of the map's size.
    if (const DeepGrid* deep = ws.heights().grid().deepGrid()) sample_->setDeepHeights(meanSamples(*deep, size));
    else sample_->setHeightPicture(meanPicture(rowsOf(ws.heights()), size));
    sample_->setImage(Slot::Texture, SlotImage(meanPicture(rowsOf(ws.image(Slot::Texture)), size), size.width(),
                                               size.height(), false));
    from_ = QSize(ws.width(), ws.height());
}

Refusal LivePreview::relight(const Workspace& ws, int side, const ShadowParams& params, const Controls& c,
                             ShadowMode mode)
{
    if (Refusal refused = shadowParamsRefused(params, mode, kMapSunReach)) return refused;
    if (!sample_ || from_ != QSize(ws.width(), ws.height())) take(ws, sampledSize(ws.width(), ws.height(), side));
    // A sample pixel spans f map pixels: the sun moves to where the centre
    // of its map pixel falls, and a ray loses f steps' decay per step;
    // under "Sun" a pixel is f times as large on the ground.
    const double fx = double(ws.width()) / sample_->width(), fy = double(ws.height()) / sample_->height();
    ShadowParams scaled = params;
    scaled.sun.groundX = params.sun.groundX * fx;
    scaled.sun.groundY = params.sun.groundY * fy;
    if (mode != ShadowMode::Sun) {
        if (usesSunPosition(mode)) {
            scaled.x0 = (params.x0 - (fx - 1) / 2) / fx;
            scaled.y0 = (params.y0 - (fy - 1) / 2) / fy;
        }
        scaled.decay = params.decay * std::max(fx, fy);
    }
    clearShadow(*sample_);
    SilentReporter quiet;
    return runShadowAndMerge(*sample_, mode, scaled, c, quiet);
}

} // namespace gloamery::panel
