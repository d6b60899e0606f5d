// The engine maps from the batch tool, in-process: the files decode to the
// core's maps in every convention and depth, the occlusion to the sky-view
// layer's bytes, a world's regions join into the whole run's map, --fit
// makes the engine's size, bad values refused.

#include "batch_run.h"
#include "compose/texture.h"
#include "shadow/normal_map.h"
#include "shadow/relief.h"
#include "workspace/numeric.h"

#include "../scratch_dir.h"

#include <png.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

using namespace gloamery;
using namespace gloamery::batch;

namespace {

// A PNG's size, channels, depth and samples, as libpng reads them.
struct Decoded {
    int width = 0, height = 0, channels = 0, bits = 0;
    std::vector<std::uint16_t> samples;
};

Decoded decode(const std::string& path)
{
    Decoded d;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return d;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(f);
        return Decoded{};
    }
    png_init_io(png, f);
    png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    d.width = static_cast<int>(png_get_image_width(png, info));
    d.height = static_cast<int>(png_get_image_height(png, info));
    d.channels = png_get_channels(png, info);
    d.bits = png_get_bit_depth(png, info);
    png_bytepp rows = png_get_rows(png, info);
    for (int y = 0; y < d.height; ++y)
        for (int i = 0; i < d.width * d.channels; ++i)
            d.samples.push_back(d.bits == 16 ? static_cast<std::uint16_t>(rows[y][2 * i] << 8 | rows[y][2 * i + 1]) : rows[y][i]);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    return d;
}

int run(const std::vector<std::string>& args, std::string* said = nullptr)
{
    std::ostringstream out, err;
    const int status = runTool(args, out, err);
    if (said) *said = err.str();
    return status;
}

// The built-in height map, as the tool starts with it.
Workspace startingMap()
{
    Workspace ws;
    loadBuiltInDefaults(ws, {Slot::Height, Slot::Grass, Slot::Stone, Slot::Detail});
    return ws;
}

TEST(EngineMaps, NormalFilesHoldTheCoresMapInEachConventionAndDepth)
{
    ScratchDir dir;
    const Workspace ws = startingMap();
    for (const auto& [conv, name] : {std::pair{NormalConvention::OpenGL, "opengl"}, std::pair{NormalConvention::DirectX, "directx"}})
        for (const int bits : {8, 16}) {
            const std::string file = dir.filePath(std::string(name) + std::to_string(bits) + ".png");
            ASSERT_EQ(run({"--ground", "2,3", "--vertical", "0.5", "--normal-convention", name, "--normal-depth",
                           std::to_string(bits), "--save", "normal", file}), kExitOk);
            const Decoded d = decode(file);
            EXPECT_EQ(d.channels, 3);
            EXPECT_EQ(d.bits, bits);
            EXPECT_EQ(d.samples, normalMap(ws, NormalOptions{conv, bits, 2, 3, 0.5})) << name << " " << bits;
        }
}

TEST(EngineMaps, SplatFilesFollowTheLastTextureRunAndAreRefusedBefore)
{
    ScratchDir dir;
    const std::string file = dir.filePath("splat.png");
    std::string said;
    EXPECT_EQ(run({"--save", "splat", file}, &said), kExitFileError);
    EXPECT_NE(said.find("Make Texture"), std::string::npos) << said;
    EXPECT_FALSE(std::filesystem::exists(file));

    ASSERT_EQ(run({"--contrast", "30", "make-texture", "--contrast", "80", "make-texture2", "--contrast", "0",
                   "--save", "splat", file}), kExitOk);
    Workspace ws = startingMap();
    SilentReporter quiet;
    makeTexture2(ws, 80, quiet);
    std::vector<std::uint16_t> want(4 * 256 * 256);
    for (int y = 0; y < 256; ++y) (*ws.splatRows())(y, want.data() + 4 * 256 * y);
    const Decoded d = decode(file);
    EXPECT_EQ(d.channels, 4);
    EXPECT_EQ(d.samples, want);
}

TEST(EngineMaps, OcclusionFilesHoldTheSkyViewLayersBytes)
{
    ScratchDir dir;
    const struct {
        std::vector<std::string> args;
        ReliefControls relief;
    } cases[] = {
        {{}, {16, std::nullopt}},
        {{"--directions", "5", "--radius", "30"}, {5, 30.0}},
        {{"--directions", "64", "--radius", "7.5"}, {64, 7.5}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--ground", "2", "--vertical", "0.5"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const std::string file = dir.filePath("occlusion.png");
        args.insert(args.end(), {"--save", "occlusion", file});
        ASSERT_EQ(run(args), kExitOk);
        // The layer "sky-view" keeps, on the map the tool starts with.
        Workspace ws = startingMap();
        SunControls units;
        units.groundX = units.groundY = 2;
        units.vertical = 0.5;
        SilentReporter quiet;
        ASSERT_FALSE(runRelief(ws, LayerKind::SkyView, units, c.relief, 128, quiet));
        std::vector<std::uint16_t> want;
        for (double svf : ws.layer()->values) want.push_back(static_cast<std::uint16_t>(nearest(255 * svf)));
        const Decoded d = decode(file);
        EXPECT_EQ(d.channels, 1);
        EXPECT_EQ(d.bits, 8);
        EXPECT_EQ(d.samples, want) << c.relief.directions;
        // Not a flat grey: the hills hide some of the sky.
        EXPECT_LT(*std::min_element(want.begin(), want.end()), 250);
    }
}

TEST(EngineMaps, RegionsOfAWorldJoinIntoTheWholeRunsMaps)
{
    ScratchDir dir;
    const std::string heights = dir.filePath("world.r16");
    ASSERT_EQ(run({"--size", "40,30", "--save", "height", heights}), kExitOk);
    const auto maps = [&](const std::string& tag, std::vector<std::string> world) {
        std::vector<std::string> args = std::move(world);
        for (const char* a : {"make-texture2", "--normal-convention", "directx", "--ground", "3"}) args.push_back(a);
        for (const char* m : {"normal", "splat", "occlusion"})
            args.insert(args.end(), {"--save", m, dir.filePath(tag + m + ".png")});
        return run(args);
    };
    ASSERT_EQ(maps("whole-", {"--size", "40,30", "--load", "height", heights}), kExitOk);
    for (const auto& [x, y, w, h] : {std::array<int, 4>{0, 0, 17, 30}, {17, 0, 23, 11}, {17, 11, 23, 19}}) {
        std::vector<std::string> args = {"--world", "40,30", "--region",
                                         std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(w) + ","
                                             + std::to_string(h), "--load", "height", heights};
        ASSERT_EQ(maps("part-", args), kExitOk);
        for (const auto& [m, channels] : {std::pair{"normal", 3}, std::pair{"splat", 4}, std::pair{"occlusion", 1}}) {
            const Decoded whole = decode(dir.filePath(std::string("whole-") + m + ".png"));
            const Decoded part = decode(dir.filePath(std::string("part-") + m + ".png"));
            ASSERT_EQ(part.width, w);
            ASSERT_EQ(part.height, h);
            for (int yy = 0; yy < h; ++yy)
                for (int i = 0; i < w * channels; ++i)
                    ASSERT_EQ(part.samples[static_cast<std::size_t>(yy * w * channels + i)],
                              whole.samples[static_cast<std::size_t>((y + yy) * 40 * channels + x * channels + i)])
                        << m << " region " << x << "," << y << " at " << i / channels << "," << yy;
        }
    }
}

TEST(EngineMaps, FitMakesTheEnginesSizeWithTheCornersKept)
{
    ScratchDir dir;
    const std::string file = dir.filePath("fitted.png");
    ASSERT_EQ(run({"--fit", "513,257", "--save", "height", file, "--save", "colour", dir.filePath("c.png")}), kExitOk);
    const Decoded d = decode(file);
    ASSERT_EQ(d.width, 513);
    ASSERT_EQ(d.height, 257);
    EXPECT_EQ(d.bits, 16);
    const Workspace ws = startingMap();
    const auto at = [&](int x, int y) { return d.samples[static_cast<std::size_t>(y) * 513 + x]; };
    const Picture p = ws.heightPicture();
    EXPECT_EQ(at(0, 0), 257 * red(p.pixel(0, 0)));
    EXPECT_EQ(at(512, 256), 257 * red(p.pixel(255, 255)));
    EXPECT_EQ(decode(dir.filePath("c.png")).width, 513);
}

TEST(EngineMaps, BadValuesAreRefusedNamingThem)
{
    ScratchDir dir;
    const struct {
        std::vector<std::string> args;
        const char* named;
    } cases[] = {
        {{"--normal-convention", "vulkan"}, "\"vulkan\""},
        {{"--normal-depth", "12"}, "\"12\""},
        {{"--normal-convention", "OpenGL"}, "\"OpenGL\""},
        {{"--fit", "0,513"}, "\"0,513\""},
        {{"--fit", "513,16385"}, "\"513,16385\""},
        {{"--save", "normal", "n.bmp"}, "n.bmp"},
        {{"--save", "occlusion", "o.tif"}, "o.tif"},
        {{"--directions", "257", "--save", "occlusion", "o.png"}, "\"257\""},
        {{"--radius", "0", "--save", "occlusion", "o.png"}, "\"0\""},
        {{"--world", "64,64", "--fit", "33,33"}, "--fit"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--save", "colour", dir.filePath("never.png")});
        std::string said;
        EXPECT_EQ(run(args, &said), kExitUsage) << c.named;
        EXPECT_NE(said.find(c.named), std::string::npos) << said;
        EXPECT_FALSE(std::filesystem::exists(dir.filePath("never.png")));
    }
}

} // namespace
