// Each operation of the control panel on scenes of 256 x 256 (the default
// pictures), 1024 x 1024 and 4096 x 4096 (a generated fractal terrain with
// the default textures repeated): the shadow buttons end to end (sweep,
// merge, blend), the merge with and without blur, each blend mode, each
// texture synthesis and the view maps.

#include "compose/blend.h"
#include "compose/merge.h"
#include "compose/texture.h"
#include "shadow/ray.h"
#include "shadow/sun.h"
#include "shadow/sun_sums.h"
#include "shadow/sweep.h"
#include "workspace/parallel.h"
#include "inputs/shadow_inputs.h"
#include "workspace/view_maps.h"

#ifdef GLOAMERY_BENCH_DEFAULT_PICTURES
#include "imageio/qt/picture_io.h"
#endif

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>
#include <random>

using namespace gloamery;

namespace {

#ifndef GLOAMERY_BENCH_DEFAULT_PICTURES
void fillSynthetic(Workspace& ws)
{
    std::mt19937 rng(1234);
    std::uniform_int_distribution<int> noise(0, 30);
    Picture heights = ws.heightPicture();
    for (int y = 0; y < Picture::kSize; ++y)
        for (int x = 0; x < Picture::kSize; ++x) {
            const int hill = 200 - ((x - 120) * (x - 120) + (y - 140) * (y - 140)) / 100;
            heights.setPixel(x, y, grey(std::max(0, hill) + noise(rng)));
            ws.picture(Slot::Grass).setPixel(x, y, compose(40 + noise(rng), 120 + noise(rng), 30));
            ws.picture(Slot::Stone).setPixel(x, y, grey(110 + noise(rng)));
            ws.picture(Slot::Detail).setPixel(x, y, grey(100 + 4 * noise(rng)));
        }
    ws.setHeightPicture(heights);
}
#endif

// Fractal heights: octaves of smoothed lattice noise, each half the size
// and half the weight of the one before, with a fixed seed; about 0..2.
std::vector<double> fractalSum(const Picture& p)
{
    std::mt19937 rng(99);
    std::vector<double> sum(static_cast<std::size_t>(p.width()) * p.height(), 0.0);
    double weight = 1.0;
    for (int cell = std::max(p.width(), p.height()) / 2; cell >= 2; cell /= 2, weight /= 2) {
        const int cols = p.width() / cell + 2, rows = p.height() / cell + 2;
        std::vector<double> lattice(static_cast<std::size_t>(cols) * rows);
        for (double& v : lattice) v = std::uniform_real_distribution<double>(0, 1)(rng);
        for (int y = 0; y < p.height(); ++y)
            for (int x = 0; x < p.width(); ++x) {
                const int cx = x / cell, cy = y / cell;
                const double fx = double(x % cell) / cell, fy = double(y % cell) / cell;
                auto at = [&](int i, int j) { return lattice[static_cast<std::size_t>(j) * cols + i]; };
                const double top = at(cx, cy) * (1 - fx) + at(cx + 1, cy) * fx;
                const double bottom = at(cx, cy + 1) * (1 - fx) + at(cx + 1, cy + 1) * fx;
                sum[static_cast<std::size_t>(y) * p.width() + x] += weight * (top * (1 - fy) + bottom * fy);
            }
    }
    return sum;
}

void fillFractalHeights(Picture& p)
{
    const std::vector<double> sum = fractalSum(p);
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x)
            p.setPixel(x, y, grey(std::clamp(static_cast<int>(sum[static_cast<std::size_t>(y) * p.width() + x] * 128), 0, 255)));
}

// The sun of a scene: up and to the left of the map, as at 256 x 256.
Controls sunFor(int size)
{
    Controls c;
    c.x0 = std::to_string(40 * size / 256);
    c.y0 = std::to_string(30 * size / 256);
    return c;
}

// The start state, a texture map and one linear run: what a user has after
// a first few clicks. At 256 the default pictures, above a fractal terrain
// with the default textures repeated.
const Workspace& scene(int size)
{
    static std::map<int, Workspace> scenes;
    auto found = scenes.find(size);
    if (found != scenes.end()) return found->second;
    Workspace w;
#ifdef GLOAMERY_BENCH_DEFAULT_PICTURES
    loadDefaultPictures(w);
#else
    fillSynthetic(w);
#endif
    if (size != w.width()) {
        w.resize(size, size);
        w.editHeightPicture(fillFractalHeights);
    }
    SilentReporter quiet;
    makeTexture(w, 50, quiet);
    if (runShadowButton(w, ShadowMode::Linear, sunFor(size), parseCNumber, quiet)) std::abort();
    return scenes.emplace(size, std::move(w)).first->second;
}

int sizeOf(const benchmark::State& state) { return static_cast<int>(state.range(0)); }

// The scene with deep heights: at 256 the default heights times 257 (the
// same work as the bytes: what depth itself costs), above the same
// fractal terrain at 16-bit precision.
const Workspace& deepScene(int size)
{
    static std::map<int, Workspace> scenes;
    auto found = scenes.find(size);
    if (found != scenes.end()) return found->second;
    Workspace w = scene(size);
    const Picture p = w.heightPicture();
    std::vector<std::uint16_t> samples(static_cast<std::size_t>(p.width()) * p.height());
    if (size == kDefaultMapSize) {
        for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::uint16_t>(257 * red(p.data()[i]));
    } else {
        const std::vector<double> sum = fractalSum(p);
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = static_cast<std::uint16_t>(std::clamp(static_cast<int>(sum[i] * 128 * 257), 0, 65535));
    }
    w.setDeepHeights(HeightSamples(p.width(), p.height(), samples.data()));
    return scenes.emplace(size, std::move(w)).first->second;
}

// Every press casts the same rays, so the map it builds on does not
// change the work.
void pressShadow(benchmark::State& state, Workspace ws, ShadowMode mode)
{
    const Controls c = sunFor(sizeOf(state));
    SilentReporter quiet;
    for (auto _ : state) {
        if (runShadowButton(ws, mode, c, parseCNumber, quiet)) state.SkipWithError("refused");
        benchmark::DoNotOptimize(ws.picture(Slot::Colour).data());
    }
}

void pressTexture(benchmark::State& state, Workspace ws, void (*fn)(Workspace&, int, Reporter&))
{
    SilentReporter quiet;
    for (auto _ : state) {
        fn(ws, 50, quiet);
        benchmark::DoNotOptimize(ws.picture(Slot::Texture).data());
    }
}

void shadowButton(benchmark::State& state, ShadowMode mode) { pressShadow(state, scene(sizeOf(state)), mode); }

// The same presses over deep heights, to set beside the 8-bit ones.
void deepShadowButton(benchmark::State& state, ShadowMode mode) { pressShadow(state, deepScene(sizeOf(state)), mode); }

void deepTexture(benchmark::State& state, void (*fn)(Workspace&, int, Reporter&))
{
    pressTexture(state, deepScene(sizeOf(state)), fn);
}

void merge(benchmark::State& state)
{
    Workspace ws = scene(sizeOf(state));
    const bool blur = state.range(1) != 0;
    SilentReporter quiet;
    for (auto _ : state) {
        Merge(ws, blur, BlendMode::Multiply, quiet);
        benchmark::DoNotOptimize(ws.picture(Slot::Colour).data());
    }
}

using BlendFn = void (*)(const ByteGrid&, const SlotView&, Picture&, Reporter&);

void blendMode(benchmark::State& state, BlendFn fn)
{
    Workspace ws = scene(sizeOf(state));
    SilentReporter quiet;
    const ByteGrid tmat = shadowPlane(ws.picture(Slot::Shadow), true, quiet);
    for (auto _ : state) {
        fn(tmat, ws.picture(Slot::Texture), ws.picture(Slot::Colour), quiet);
        benchmark::DoNotOptimize(ws.picture(Slot::Colour).data());
    }
}

using TextureFn = void (*)(Workspace&, int, Reporter&);

void texture(benchmark::State& state, TextureFn fn) { pressTexture(state, scene(sizeOf(state)), fn); }

void calculateMaps(benchmark::State& state)
{
    Workspace ws = scene(sizeOf(state));
    SilentReporter quiet;
    for (auto _ : state) {
        const ViewGrids grids = CalculateMaps(ws, quiet);
        benchmark::DoNotOptimize(grids.height.data());
    }
}

// "Sun" as a map-maker sets it (315 degrees, 45 high): a point sun, soft
// shadows from a disc of 2 degrees, and a sky share of 16 x 4 directions.
void sunButton(benchmark::State& state, double size, double sky)
{
    Workspace ws = scene(sizeOf(state));
    Controls c;
    c.sun.size = size;
    c.sun.sky = sky;
    SilentReporter quiet;
    for (auto _ : state) {
        if (runShadowButton(ws, ShadowMode::Sun, c, parseCNumber, quiet)) state.SkipWithError("refused");
        benchmark::DoNotOptimize(ws.picture(Slot::Colour).data());
    }
}

// The sun followed over a period at 46.5 N, 7.9 E with a point sun and the
// Lambert term, over pixels of 30 m and levels of 4 m: a day of 21 June at
// 10-minute steps, or the year 2026 hourly.
void sunSum(benchmark::State& state, SunSum what, bool year)
{
    using namespace std::chrono;
    Workspace ws = scene(sizeOf(state));
    SunControls c;
    c.groundX = c.groundY = 30.0;
    c.vertical = 4.0;
    const SunPeriod period = year ? SunPeriod{sys_days{2026y / January / 1}, sys_days{2027y / January / 1}, 60}
                                  : SunPeriod{sys_days{2026y / June / 21}, sys_days{2026y / June / 22}, 10};
    SilentReporter quiet;
    for (auto _ : state) {
        SunSumLayer layer;
        if (runSunSum(ws, what, c, MapPlace{{46.5, 7.9}, 0.0}, period, 128, layer, quiet))
            state.SkipWithError("refused");
        benchmark::DoNotOptimize(layer.values.data());
    }
}

// The parts of a shadow press, to tell where its time goes.
void readHeightGrid(benchmark::State& state)
{
    const Workspace& ws = scene(sizeOf(state));
    for (auto _ : state) {
        const HeightGrid g = readHeights(ws);
        benchmark::DoNotOptimize(g.byteGrid());
    }
}

} // namespace

constexpr auto kMs = benchmark::kMillisecond;

// How long cutting a sweep into layers takes, and what the layers hold
// together (layer_MiB, on the machine's threads), with the sun where the
// batch benchmark puts it: (640, 480) on a 4096 map, scaled with the size.
void stampedLayers(benchmark::State& state)
{
    const int size = sizeOf(state);
    ShadowParams p;
    p.x0 = 640.0 * size / 4096;
    p.y0 = 480.0 * size / 4096;
    std::size_t values = 0;
    for (auto _ : state) {
        values = stampedLayerValues(size, size, ShadowMode::Linear, p, threadCount());
        benchmark::DoNotOptimize(values);
    }
    state.counters["layer_MiB"] = static_cast<double>(values) * sizeof(std::uint32_t) / (1 << 20);
}

// Every operation at each map size; the large ones in milliseconds.
void sizes(benchmark::internal::Benchmark* b)
{
    b->ArgName("size")->Arg(256)->Arg(1024)->Arg(4096)->Unit(kMs)->MeasureProcessCPUTime()->UseRealTime();
}

BENCHMARK_CAPTURE(shadowButton, linear, ShadowMode::Linear)->Apply(sizes);
BENCHMARK_CAPTURE(shadowButton, linear_sim, ShadowMode::LinearSim)->Apply(sizes);
BENCHMARK_CAPTURE(shadowButton, sin, ShadowMode::Sin)->Apply(sizes);
BENCHMARK_CAPTURE(shadowButton, cos, ShadowMode::Cos)->Apply(sizes);
BENCHMARK_CAPTURE(shadowButton, embossed, ShadowMode::Embossed)->Apply(sizes);
BENCHMARK_CAPTURE(sunButton, point, 0.0, 0.0)->Apply(sizes);
BENCHMARK_CAPTURE(sunButton, soft, 2.0, 0.0)->Apply(sizes);
BENCHMARK_CAPTURE(sunButton, sky, 0.0, 0.3)->Apply(sizes);
// Seconds a run: three repetitions give their median.
BENCHMARK_CAPTURE(sunSum, hours_day, SunSum::Hours, false)->ArgName("size")->Arg(1024)->Arg(4096)->Unit(kMs)
    ->UseRealTime()->Iterations(1)->Repetitions(3);
BENCHMARK_CAPTURE(sunSum, direct_day, SunSum::DirectLight, false)->ArgName("size")->Arg(1024)->Arg(4096)->Unit(kMs)
    ->UseRealTime()->Iterations(1)->Repetitions(3);
BENCHMARK_CAPTURE(sunSum, hours_year, SunSum::Hours, true)->ArgName("size")->Arg(1024)->Unit(kMs)->UseRealTime()
    ->Iterations(1)->Repetitions(3);
BENCHMARK(merge)->ArgNames({"size", "blur"})->ArgsProduct({{256, 1024, 4096}, {0, 1}})->Unit(kMs)->UseRealTime();
BENCHMARK_CAPTURE(blendMode, MergeDetNor, MergeDetNor)->Apply(sizes);
BENCHMARK_CAPTURE(blendMode, MergeDetMul, MergeDetMul)->Apply(sizes);
BENCHMARK_CAPTURE(blendMode, MergeDetDiv, MergeDetDiv)->Apply(sizes);
BENCHMARK_CAPTURE(blendMode, MergeDetMul3, MergeDetMul3)->Apply(sizes);
BENCHMARK_CAPTURE(texture, makeTexture, makeTexture)->Apply(sizes);
BENCHMARK_CAPTURE(texture, makeTexture2, makeTexture2)->Apply(sizes);
BENCHMARK(calculateMaps)->Apply(sizes);
BENCHMARK(readHeightGrid)->Apply(sizes);
BENCHMARK(stampedLayers)->ArgName("size")->Arg(4096)->Arg(16384)->Unit(kMs)->UseRealTime();

// Deep heights beside 8-bit ones, at the two sizes they are compared at.
void depthSizes(benchmark::internal::Benchmark* b)
{
    b->ArgName("size")->Arg(256)->Arg(4096)->Unit(kMs)->MeasureProcessCPUTime()->UseRealTime();
}
BENCHMARK_CAPTURE(deepShadowButton, linear, ShadowMode::Linear)->Apply(depthSizes);
BENCHMARK_CAPTURE(deepShadowButton, linear_sim, ShadowMode::LinearSim)->Apply(depthSizes);
BENCHMARK_CAPTURE(deepShadowButton, sin, ShadowMode::Sin)->Apply(depthSizes);
BENCHMARK_CAPTURE(deepShadowButton, cos, ShadowMode::Cos)->Apply(depthSizes);
BENCHMARK_CAPTURE(deepShadowButton, embossed, ShadowMode::Embossed)->Apply(depthSizes);
BENCHMARK_CAPTURE(deepTexture, makeTexture, makeTexture)->Apply(depthSizes);
BENCHMARK_CAPTURE(deepTexture, makeTexture2, makeTexture2)->Apply(depthSizes);

BENCHMARK_MAIN();
