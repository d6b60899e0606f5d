// Each operation of the control panel on one 256 x 256 scene: the shadow
// buttons end to end (sweep, merge, blend), the merge with and without
// blur, each blend mode, each texture synthesis and the view maps.

#include "compose/blend.h"
#include "compose/merge.h"
#include "compose/texture.h"
#include "shadow/rays.h"
#include "shadow/sweep.h"
#include "workspace/view_maps.h"

#ifdef GLOAMERY_BENCH_DEFAULT_PICTURES
#include "imageio/picture_io.h"
#endif

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>

using namespace gloamery;

namespace {

#ifndef GLOAMERY_BENCH_DEFAULT_PICTURES
void fillSynthetic(Workspace& ws)
{
    std::mt19937 rng(1234);
    std::uniform_int_distribution<int> noise(0, 30);
    for (int y = 0; y < Picture::kSize; ++y)
        for (int x = 0; x < Picture::kSize; ++x) {
            const int hill = 200 - ((x - 120) * (x - 120) + (y - 140) * (y - 140)) / 100;
            ws.picture(Slot::Height).setPixel(x, y, grey(std::max(0, hill) + noise(rng)));
            ws.picture(Slot::Grass).setPixel(x, y, compose(40 + noise(rng), 120 + noise(rng), 30));
            ws.picture(Slot::Stone).setPixel(x, y, grey(110 + noise(rng)));
            ws.picture(Slot::Detail).setPixel(x, y, grey(100 + 4 * noise(rng)));
        }
}
#endif

// The start state, a texture map and one linear run: what a user has after
// a first few clicks.
const Workspace& scene()
{
    static const Workspace ws = [] {
        Workspace w;
#ifdef GLOAMERY_BENCH_DEFAULT_PICTURES
        loadDefaultPictures(w);
#else
        fillSynthetic(w);
#endif
        SilentReporter quiet;
        makeTexture(w, 50, quiet);
        Controls c;
        c.x0 = "40";
        c.y0 = "30";
        if (runShadow(w, ShadowMode::Linear, c, parseCNumber, quiet)) std::abort();
        return w;
    }();
    return ws;
}

void shadowButton(benchmark::State& state, ShadowMode mode)
{
    Workspace ws = scene();
    Controls c;
    c.x0 = "40";
    c.y0 = "30";
    SilentReporter quiet;
    // Every press casts the same rays, so the map it builds on does not
    // change the work.
    for (auto _ : state) {
        if (runShadow(ws, mode, c, parseCNumber, quiet)) state.SkipWithError("refused");
        benchmark::DoNotOptimize(ws.picture(Slot::Colour).data());
    }
}

void merge(benchmark::State& state)
{
    Workspace ws = scene();
    const bool blur = state.range(0) != 0;
    SilentReporter quiet;
    for (auto _ : state) {
        Merge(ws, blur, BlendMode::Multiply, quiet);
        benchmark::DoNotOptimize(ws.picture(Slot::Colour).data());
    }
}

using BlendFn = void (*)(const ByteGrid&, const Picture&, Picture&, Reporter&);

void blendMode(benchmark::State& state, BlendFn fn)
{
    Workspace ws = scene();
    SilentReporter quiet;
    const ByteGrid tmat = shadowPlane(ws.picture(Slot::Shadow), true, quiet);
    for (auto _ : state) {
        fn(tmat, ws.picture(Slot::Texture), ws.picture(Slot::Colour), quiet);
        benchmark::DoNotOptimize(ws.picture(Slot::Colour).data());
    }
}

using TextureFn = void (*)(Workspace&, int, Reporter&);

void texture(benchmark::State& state, TextureFn fn)
{
    Workspace ws = scene();
    SilentReporter quiet;
    for (auto _ : state) {
        fn(ws, 50, quiet);
        benchmark::DoNotOptimize(ws.picture(Slot::Texture).data());
    }
}

void calculateMaps(benchmark::State& state)
{
    Workspace ws = scene();
    SilentReporter quiet;
    for (auto _ : state) {
        CalculateMaps(ws, quiet);
        benchmark::DoNotOptimize(ws.heightGrid().data());
    }
}

// The parts of a shadow press, to tell where its time goes.
void readHeightGrid(benchmark::State& state)
{
    const Workspace& ws = scene();
    for (auto _ : state) {
        ByteGrid g = readHeights(ws.picture(Slot::Height));
        benchmark::DoNotOptimize(g.data());
    }
}

} // namespace

constexpr auto kUs = benchmark::kMicrosecond;

BENCHMARK_CAPTURE(shadowButton, linear, ShadowMode::Linear)->Unit(kUs);
BENCHMARK_CAPTURE(shadowButton, linear_sim, ShadowMode::LinearSim)->Unit(kUs);
BENCHMARK_CAPTURE(shadowButton, sin, ShadowMode::Sin)->Unit(kUs);
BENCHMARK_CAPTURE(shadowButton, cos, ShadowMode::Cos)->Unit(kUs);
BENCHMARK_CAPTURE(shadowButton, embossed, ShadowMode::Embossed)->Unit(kUs);
BENCHMARK(merge)->ArgName("blur")->Arg(0)->Arg(1)->Unit(kUs);
BENCHMARK_CAPTURE(blendMode, MergeDetNor, MergeDetNor)->Unit(kUs);
BENCHMARK_CAPTURE(blendMode, MergeDetMul, MergeDetMul)->Unit(kUs);
BENCHMARK_CAPTURE(blendMode, MergeDetDiv, MergeDetDiv)->Unit(kUs);
BENCHMARK_CAPTURE(blendMode, MergeDetMul3, MergeDetMul3)->Unit(kUs);
BENCHMARK_CAPTURE(texture, makeTexture, makeTexture)->Unit(kUs);
BENCHMARK_CAPTURE(texture, makeTexture2, makeTexture2)->Unit(kUs);
BENCHMARK(calculateMaps)->Unit(kUs);
BENCHMARK(readHeightGrid)->Unit(kUs);

BENCHMARK_MAIN();
