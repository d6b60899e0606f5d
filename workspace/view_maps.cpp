#include "view_maps.h"

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

    for (int x = 0; x < kGridSize; ++x) {
        for (int y = 0; y < kGridSize; ++y) {
            const Channels c = split(colour.pixel(x, y));
            const Channels d = split(detail.pixel(x, y));
            const int h = red(height.pixel(x, y));
            hm(x, y) = static_cast<float>((h - 128) / 64.0);
            cm[0](x, y) = static_cast<float>(c.r / 255.0);
            cm[1](x, y) = static_cast<float>(c.g / 255.0);
            cm[2](x, y) = static_cast<float>(c.b / 255.0);
            cm2[0](x, y) = static_cast<std::uint8_t>(d.r);
            cm2[1](x, y) = static_cast<std::uint8_t>(d.g);
            cm2[2](x, y) = static_cast<std::uint8_t>(d.b);
        }
        report.progress(x / 256.0);
    }

    report.status(status::kDone);
}

} // namespace gloamery
