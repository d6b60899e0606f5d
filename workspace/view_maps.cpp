#include "view_maps.h"

#include <array>

namespace gloamery {

void CalculateMaps(Workspace& ws, Reporter& report)
{
    BusyScope busy(report);
    report.progress(0.0);
    report.status(status::kCalculating);

    const Picture& colour = ws.picture(Slot::Colour);
    const Picture& detail = ws.picture(Slot::Detail);
    const Picture& height = ws.picture(Slot::Height);
    FloatGrid& hm = ws.heightGrid();
    auto& cm = ws.colorGrid();
    auto& cm2 = ws.colorGrid2();

    // Every value is one of 256 per channel: the divisions are done once.
    static const auto tables = [] {
        struct {
            std::array<float, 256> height, unit;
        } t{};
        for (int v = 0; v < 256; ++v) {
            t.height[v] = static_cast<float>((v - 128) / 64.0);
            t.unit[v] = static_cast<float>(v / 255.0);
        }
        return t;
    }();

    // Blocks of columns are filled row by row, so the reads and writes run
    // along memory; the bar still steps once per column, in order.
    constexpr int kBlock = 16;
    for (int x0 = 0; x0 < kGridSize; x0 += kBlock) {
        const int x1 = x0 + kBlock < kGridSize ? x0 + kBlock : kGridSize;
        for (int y = 0; y < kGridSize; ++y) {
            for (int x = x0; x < x1; ++x) {
                const std::size_t i = FloatGrid::index(x, y);
                const Channels c = split(colour.pixel(x, y));
                const Channels d = split(detail.pixel(x, y));
                hm.data()[i] = tables.height[red(height.pixel(x, y))];
                cm[0].data()[i] = tables.unit[c.r];
                cm[1].data()[i] = tables.unit[c.g];
                cm[2].data()[i] = tables.unit[c.b];
                cm2[0].data()[i] = static_cast<std::uint8_t>(d.r);
                cm2[1].data()[i] = static_cast<std::uint8_t>(d.g);
                cm2[2].data()[i] = static_cast<std::uint8_t>(d.b);
            }
        }
        for (int x = x0; x < x1; ++x) report.progress(x / 256.0);
    }

    report.status(status::kDone);
}

} // namespace gloamery
