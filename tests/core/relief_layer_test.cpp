// The map's real-valued layer and the shadow map lit from it; the
// multi-directional hillshade against gdaldem's on a real DEM.

#include "shadow/layer_light.h"
#include "shadow/relief.h"
#include "workspace/workspace.h"
#include "../scratch_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

using namespace gloamery;

namespace {

std::shared_ptr<ValueLayer> layerOf(LayerKind kind, int w, int h, std::vector<double> values, double divisor)
{
    auto l = std::make_shared<ValueLayer>();
    l->kind = kind;
    l->width = w;
    l->height = h;
    l->divisor = divisor;
    l->values.assign(values.begin(), values.end());
    return l;
}

TEST(ValueLayer, KeptUntilTheMapChangesSize)
{
    Workspace ws(4, 3);
    EXPECT_EQ(ws.layer(), nullptr);
    ws.setLayer(layerOf(LayerKind::SkyView, 4, 3, std::vector<double>(12, 0.5), 1));
    ASSERT_NE(ws.layer(), nullptr);
    const Workspace copy = ws; // an undo's snapshot shares it
    EXPECT_EQ(copy.layer(), ws.layer());
    EXPECT_THROW(ws.setLayer(layerOf(LayerKind::SkyView, 3, 4, std::vector<double>(12, 0.5), 1)), std::invalid_argument);
    ws.resize(5, 3);
    EXPECT_EQ(ws.layer(), nullptr);
    EXPECT_NE(copy.layer(), nullptr);
}

TEST(ValueLayer, LightsTheShadowMapAsAShareOfFullLight)
{
    struct Case {
        LayerKind kind;
        double divisor;
        double value;
        int darkness;
        int grey; // nearest((255 - D) + D q)
    } cases[] = {
        {LayerKind::SkyView, 1, 1.0, 200, 255},        {LayerKind::SkyView, 1, 0.5, 200, 155},
        {LayerKind::SkyView, 1, 0.0, 255, 0},          {LayerKind::Openness, 180, 90, 100, 205},
        {LayerKind::OpennessNegative, 180, 45, 101, 179}, // 154 + 25.25
        {LayerKind::MultiHillshade, 255, 128, 255, 128}, {LayerKind::SunHours, 0, 7, 255, 0},
        {LayerKind::DirectLight, 4, 1, 3, 253},        // 252 + 0.75 rounds up
        {LayerKind::SkyView, 1, 0.5, 5, 252},          // 250 + 2.5: a half goes to the even neighbour
    };
    for (const Case& c : cases) {
        Workspace ws(3, 2);
        const auto layer = layerOf(c.kind, 3, 2, std::vector<double>(6, c.value), c.divisor);
        lightFromLayer(ws, *layer, c.darkness);
        const Picture& shadow = ws.picture(Slot::Shadow);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x) EXPECT_EQ(red(shadow.at(x, y)), c.grey) << layerKindName(c.kind) << " " << c.value;
    }
}

TEST(ValueLayer, EachReliefRunKeepsItsKind)
{
    for (LayerKind kind : {LayerKind::SkyView, LayerKind::Openness, LayerKind::OpennessNegative, LayerKind::MultiHillshade}) {
        Workspace ws(20, 10);
        SilentReporter quiet;
        ASSERT_FALSE(runRelief(ws, kind, SunControls{}, ReliefControls{}, 255, quiet));
        ASSERT_NE(ws.layer(), nullptr);
        EXPECT_EQ(ws.layer()->kind, kind);
        EXPECT_EQ(ws.layer()->divisor, layerDivisor(kind));
        // The default heights are flat: open all round, lit from above.
        const double flat = kind == LayerKind::SkyView ? 1 : kind == LayerKind::MultiHillshade ? 181 : 90;
        for (double v : ws.layer()->values) ASSERT_EQ(v, flat) << layerKindName(kind);
    }
    Workspace ws(5, 5);
    SilentReporter quiet;
    EXPECT_TRUE(runRelief(ws, LayerKind::SunHours, SunControls{}, ReliefControls{}, 255, quiet));
    const Refusal r = runRelief(ws, LayerKind::SkyView, SunControls{}, ReliefControls{0, {}}, 255, quiet);
    ASSERT_TRUE(r);
    EXPECT_EQ(ws.layer(), nullptr) << "a refused run changes nothing";
}

// gdaldem on the heights the program holds: within one level at every pixel
// off the edge, the same byte at 99.9 % of them.
TEST(MultiHillshade, AsGdaldemOnARealDem)
{
    ScratchDir dir;
    ASSERT_TRUE(dir.isValid());
    struct Case {
        double altitude, gx, gy;
    } cases[] = {{45, 74.5, 92.6}, {30, 30, 30}};
    for (const Case& c : cases) {
        // The sanitizers' runtime, preloaded for this program, would report the
        // interpreter's own leaks as a failure of the script.
        const std::string command = "env -u LD_PRELOAD " GLOAMERY_TEST_PYTHON " " GLOAMERY_TEST_SOURCE_DIR "/gdaldem_multi.py '" + dir.path() + "' " +
                                    std::to_string(c.altitude) + " " + std::to_string(c.gx) + " " + std::to_string(c.gy);
        const int status = std::system(command.c_str());
        if (WIFEXITED(status) && WEXITSTATUS(status) == 77) GTEST_SKIP() << "no gdaldem, GDAL's Python or the DEM";
        ASSERT_EQ(status, 0) << command;
        std::ifstream in(dir.filePath("heights.u16"), std::ios::binary);
        std::string header;
        std::getline(in, header);
        int w = 0, h = 0;
        double vertical = 0;
        std::istringstream(header) >> w >> h >> vertical;
        ASSERT_GT(w, 2);
        std::vector<std::uint16_t> samples(static_cast<std::size_t>(w) * h);
        in.read(reinterpret_cast<char*>(samples.data()), static_cast<std::streamsize>(samples.size() * 2));
        std::vector<unsigned char> gdal(samples.size());
        std::ifstream(dir.filePath("gdaldem.u8"), std::ios::binary).read(reinterpret_cast<char*>(gdal.data()), static_cast<std::streamsize>(gdal.size()));

        DeepGrid grid(w, h, 65535);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) grid(x, y) = samples[static_cast<std::size_t>(y) * w + x];
        SunControls sun;
        sun.altitude = c.altitude;
        sun.groundX = c.gx;
        sun.groundY = c.gy;
        sun.vertical = vertical;
        SilentReporter quiet;
        const auto ours = reliefValues(LayerKind::MultiHillshade, sun, ReliefControls{},
                                       HeightGrid(std::make_shared<const DeepGrid>(std::move(grid))), w, h, Rect{0, 0, w, h}, quiet);
        ASSERT_TRUE(ours);
        int inner = 0, same = 0, worst = 0;
        for (int y = 1; y < h - 1; ++y)
            for (int x = 1; x < w - 1; ++x) {
                const std::size_t i = static_cast<std::size_t>(y) * w + x;
                const int diff = std::abs(static_cast<int>((*ours)[i]) - gdal[i]);
                ++inner;
                same += diff == 0;
                worst = std::max(worst, diff);
            }
        EXPECT_LE(worst, 1) << "altitude " << c.altitude;
        EXPECT_GE(same, inner * 0.999) << same << " of " << inner << " the same";
        for (double v : *ours) ASSERT_TRUE(v >= 1 && v <= 255 && v == static_cast<int>(v));
    }
}

} // namespace
