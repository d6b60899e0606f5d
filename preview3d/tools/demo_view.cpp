#include "demo_view.h"

#include "compose/texture.h"
#include "imageio/qt/picture_io.h"
#include "inputs/shadow_inputs.h"
#include "workspace/view_maps.h"

#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

namespace gloamery {

namespace {

// Fractal heights: octaves of smoothed lattice noise, each half the size
// and half the weight of the one before, with a fixed seed.
void fillFractalHeights(Picture& p)
{
    std::mt19937 rng(99);
    const int w = p.width(), h = p.height();
    std::vector<double> sum(static_cast<std::size_t>(w) * h, 0.0);
    double weight = 1.0;
    for (int cell = std::max(w, h) / 2; cell >= 2; cell /= 2, weight /= 2) {
        const int cols = w / cell + 2;
        std::vector<double> lattice(static_cast<std::size_t>(cols) * (h / cell + 2));
        for (double& v : lattice) v = std::uniform_real_distribution<double>(0, 1)(rng);
        const auto at = [&](int i, int j) { return lattice[static_cast<std::size_t>(j) * cols + i]; };
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int cx = x / cell, cy = y / cell;
                const double fx = double(x % cell) / cell, fy = double(y % cell) / cell;
                const double top = at(cx, cy) * (1 - fx) + at(cx + 1, cy) * fx;
                const double bottom = at(cx, cy + 1) * (1 - fx) + at(cx + 1, cy + 1) * fx;
                sum[static_cast<std::size_t>(y) * w + x] += weight * (top * (1 - fy) + bottom * fy);
            }
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.setPixel(x, y, grey(std::clamp(static_cast<int>(sum[static_cast<std::size_t>(y) * w + x] * 128), 0, 255)));
}

} // namespace

Refusal prepareDemoMaps(Workspace& ws, int w, int h)
{
    SilentReporter quiet;
    const Controls controls;
    loadDefaultPictures(ws);
    if (w != ws.width() || h != ws.height()) {
        ws.resize(w, h);
        ws.editHeightPicture(fillFractalHeights);
    }
    makeTexture(ws, controls.contrast, quiet);
    return runShadowButton(ws, ShadowMode::Linear, controls, localeNumberParser(), quiet);
}

std::unique_ptr<frm3D> openDemoView(Workspace& ws)
{
    SilentReporter quiet;
    auto view = std::make_unique<frm3D>(ws, CalculateMaps(ws, quiet));
    view->messageBox = [](QMessageBox::Icon, const QString& title, const QString& text) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    };
    view->Form_Load();
    if (!view->GLReady()) return nullptr;
    view->Timer3->stop();
    return view;
}

} // namespace gloamery
