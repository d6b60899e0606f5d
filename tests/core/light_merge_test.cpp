// The merge of a shadow map kept as greys, smoothed and blended a stretch
// at a time, against the shadow plane made whole and then blended.

#include "compose/blend.h"
#include "compose/merge.h"
#include "recording_reporter.h"
#include "test_pictures.h"
#include "workspace/parallel.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

using namespace gloamery;
using namespace gloamery::testing;

namespace {

// A w x h workspace with random greys in the shadow map (its outside row
// and column left at 255), and a random texture and colour map, sign bits
// included.
Workspace randomScene(int w, int h, unsigned seed)
{
    Workspace ws(w, h);
    std::mt19937 rng(seed);
    ByteGrid& greys = *ws.greys(Slot::Shadow);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) greys(x, y) = static_cast<std::uint8_t>(rng());
    for (Slot s : {Slot::Texture, Slot::Colour}) {
        Picture& p = ws.picture(s);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) p.setPixel(x, y, static_cast<Colour>(rng()));
    }
    return ws;
}

using BlendFn = void (*)(const ByteGrid&, const SlotView&, Picture&, Reporter&);

struct Mode {
    BlendMode mode;
    BlendFn separate;
};

} // namespace

// Sizes across a stretch's edge (1024 columns) and down to one pixel, every
// mode, with and without the blur, on one, two and eight threads: the same
// colours and the same reports as the plane made whole and then blended,
// into a colour map of its own.
TEST(LightMerge, EqualsThePlaneMadeWholeThenBlended)
{
    const int threads = threadCount();
    const std::size_t grain = parallelGrain();
    const Mode modes[] = {{BlendMode::Half, MergeDetNor},
                          {BlendMode::Multiply, MergeDetMul},
                          {BlendMode::MultiplyHalf, MergeDetDiv},
                          {BlendMode::Multiply3, MergeDetMul3}};
    struct Size {
        int w, h;
    };
    unsigned seed = 1;
    for (const Size s : {Size{1, 1}, Size{2, 3}, Size{37, 19}, Size{1024, 3}, Size{1025, 4}, Size{2300, 5}})
        for (bool blur : {false, true})
            for (const Mode& m : modes) {
                const Workspace start = randomScene(s.w, s.h, seed++);
                const Picture before = start.picture(Slot::Colour);
                // The separate way, on one thread.
                setThreadCount(1);
                RecordingReporter expected;
                expected.status(status::kBuffering);
                const ByteGrid tmat = shadowPlane(*start.image(Slot::Shadow).view().greys(), blur, expected);
                expected.status(status::kMerging);
                Picture want(kBlack, s.w, s.h);
                m.separate(tmat, start.image(Slot::Texture).view(), want, expected);
                expected.status(status::kDone);
                for (int n : {1, 2, 8}) {
                    setThreadCount(n);
                    setParallelGrain(1);
                    Workspace ws = start;
                    RecordingReporter got;
                    Merge(ws, blur, m.mode, got);
                    const std::string what = std::to_string(s.w) + " x " + std::to_string(s.h) + (blur ? " blurred" : "") +
                                             ", mode " + std::to_string(static_cast<int>(m.mode)) + ", " +
                                             std::to_string(n) + " threads";
                    EXPECT_EQ(countDifferent(ws.picture(Slot::Colour), want), 0) << what;
                    EXPECT_EQ(got.log, expected.log) << what;
                    // The colour map the copy shared is left as it was.
                    EXPECT_EQ(countDifferent(start.picture(Slot::Colour), before), 0) << what;
                    setParallelGrain(grain);
                }
            }
    setThreadCount(threads);
}
