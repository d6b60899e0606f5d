// The "Linear" shadow: the edge sweep and a single ray.

#include "shadow/ray.h"
#include "shadow/shadings.h"
#include "inputs/shadow_inputs.h"
#include "test_pictures.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

using namespace gloamery;
using namespace gloamery::testing;

namespace {

constexpr int kUnshaded = -1;
// What the shadow map holds before a test's run: no shade is ever this.
constexpr Colour kStart = compose(1, 2, 3);

// Red byte of a shadow pixel, or kUnshaded while it still holds kStart.
int shadeAt(const Picture& shadow, int x, int y)
{
    const Colour v = shadow.pixel(x, y);
    return v == kStart ? kUnshaded : red(v);
}

// A zero height map with a few raised pixels, shaded by "Linear".
struct Scene {
    Workspace ws;
    Controls controls;

    Scene()
    {
        ws.editHeightPicture([&](Picture& p) { fill(p, kBlack); });
        fill(ws.picture(Slot::Shadow), kStart);
        controls.darkness = 255;
    }
    void raise(int x, int y, int h)
    {
        ws.editHeightPicture([&](Picture& p) { p.setPixel(x, y, grey(h)); });
    }
    void sun(std::string x, std::string y)
    {
        controls.x0 = std::move(x);
        controls.y0 = std::move(y);
    }
    void run()
    {
        SilentReporter quiet;
        ASSERT_FALSE(runShadowButton(ws, ShadowMode::Linear, controls, parseCNumber, quiet).has_value());
    }
    const Picture& shadow() const { return ws.picture(Slot::Shadow); }
    int shade(int x, int y) const { return shadeAt(shadow(), x, y); }
};

// One ray over a height grid read from a picture (row and column 256 = 255).
struct Ray {
    Picture heightMap{kBlack};
    Picture shadow{kStart};

    void cast(double x, double y, ShadowParams p) { castRay<LinearShading>(x, y, readHeights(heightMap), p, shadow); }
    int shade(int x, int y) const { return shadeAt(shadow, x, y); }
};

} // namespace

TEST(LinearSweep, SingleOccluderShades39PixelsBehindIt)
{
    // Sun (0, 0): only the diagonal ray meets the occluder at (100, 100).
    struct Row {
        int darkness;
        int first, second, last; // shades at 1, 2 and 39 steps behind it
    };
    const Row rows[] = {{255, 60, 65, 250}, {128, 157, 160, 252}, {0, 255, 255, 255}};
    for (const Row& r : rows) {
        Scene s;
        s.controls.darkness = r.darkness;
        s.raise(100, 100, 200);
        s.run();
        SCOPED_TRACE("darkness " + std::to_string(r.darkness));
        EXPECT_EQ(s.shade(101, 101), r.first);
        EXPECT_EQ(s.shade(102, 102), r.second);
        EXPECT_EQ(s.shade(139, 139), r.last);
        EXPECT_EQ(s.shade(140, 140), kUnshaded) << "level 0 draws nothing";
        if (r.darkness == 255) {
            for (int k = 1; k <= 39; ++k) EXPECT_EQ(s.shade(100 + k, 100 + k), 55 + 5 * k) << "at step " << k;
        }
        EXPECT_EQ(countOther(s.shadow(), kStart), 39);
        EXPECT_EQ(s.shadow().pixel(101, 101) & 0xFFFFFF, grey(r.first)) << "shades are grey";
    }
}

TEST(LinearRay, HeightEqualToTheLevelIsShadow)
{
    // Occluder 200 at (10, 10); the next pixel meets the ray at level 195.
    struct Row {
        int nextHeight;
        int shadeNext, shadeAfter;
    };
    const Row rows[] = {
        {195, 60, 65},        // equal: shaded
        {196, kUnshaded, 64}, // one above: lit, the ray is lifted to 196
    };
    for (const Row& r : rows) {
        Ray ray;
        ray.heightMap.setPixel(10, 10, grey(200));
        ray.heightMap.setPixel(11, 10, grey(r.nextHeight));
        ray.cast(255, 10, {0, 10, 5, 255, {}});
        EXPECT_EQ(ray.shade(11, 10), r.shadeNext) << "height " << r.nextHeight;
        EXPECT_EQ(ray.shade(12, 10), r.shadeAfter) << "height " << r.nextHeight;
    }
}

TEST(LinearSweep, FlatMapsLeaveTheShadowMapUnchanged)
{
    struct Row {
        int height;
        const char* decay;
        const char* x0;
        const char* y0;
    };
    const Row rows[] = {{0, "5", "0", "0"},     {0, "0", "100", "100"}, {1, "1", "37", "201"},
                        {128, "5", "0", "0"},   {255, "1", "255", "7"}, {0, "5", "-20", "100"}};
    for (const Row& r : rows) {
        Scene s;
        s.ws.editHeightPicture([&](Picture& p) { fill(p, grey(r.height)); });
        s.sun(r.x0, r.y0);
        s.controls.alt = r.decay;
        s.run();
        EXPECT_EQ(countOther(s.shadow(), kStart), 0)
            << "height " << r.height << " decay " << r.decay << " sun " << r.x0 << "," << r.y0;
    }
}

TEST(LinearSweep, PixelsOnNoRayKeepTheirColour)
{
    // A negative decay shades every pixel a ray reaches after the sun's own,
    // so pixels that differ between two runs from different start contents
    // are the ones no ray reached (the sun's pixel among them).
    struct Row {
        const char* x0;
        const char* y0;
        int onNoRay;
    };
    const Row rows[] = {{"0", "0", 108}, {"100", "100", 302}};
    for (const Row& r : rows) {
        Scene white, tinted;
        fill(white.ws.picture(Slot::Shadow), kWhite);
        for (Scene* s : {&white, &tinted}) {
            s->sun(r.x0, r.y0);
            s->controls.alt = "-1";
            s->run();
        }
        EXPECT_EQ(countDifferent(white.shadow(), tinted.shadow()), r.onNoRay + 1) << "sun " << r.x0 << "," << r.y0;
    }
}

TEST(LinearRay, FractionalSunRoundsTheMajorCounterAndFloorsTheMinor)
{
    // Ray down column 5 from x 5.75 (floor 5, nearest 6); occluder at (5, 11).
    struct Row {
        double y0;
        int firstShadedY; // kUnshaded: the ray starts past the occluder
    };
    const Row rows[] = {{10.5, 12}, {11.5, kUnshaded}, {10.49, 12}};
    for (const Row& r : rows) {
        Ray ray;
        ray.heightMap.setPixel(5, 11, grey(200));
        ray.cast(5, 255, {5.75, r.y0, 5, 255, {}});
        if (r.firstShadedY == kUnshaded) {
            EXPECT_EQ(countOther(ray.shadow, kStart), 0) << "y0 " << r.y0;
        } else {
            EXPECT_EQ(ray.shade(5, r.firstShadedY), 60) << "y0 " << r.y0;
            EXPECT_EQ(countOther(ray.shadow, kStart), 39) << "y0 " << r.y0;
        }
    }
}

TEST(LinearRay, EqualDistancesMakeYTheMajorAxis)
{
    // From (3.5, 3.5) the y counter starts at 4 and x at floor 3.5, so the
    // diagonal runs through (k - 1, k); with x major it would be (k, k - 1).
    Ray ray;
    ray.heightMap.setPixel(10, 11, grey(200));
    ray.cast(255, 255, {3.5, 3.5, 5, 255, {}});
    EXPECT_EQ(ray.shade(11, 12), 60);
    EXPECT_EQ(ray.shade(49, 50), 250);
    EXPECT_EQ(countOther(ray.shadow, kStart), 39);
}

TEST(LinearRay, MinorCoordinateIsClampedAfterEachStep)
{
    // From (-3, 0) towards (10, 255): the first step is off the map; the
    // clamp puts the ray on column 0 for the second, and it stays displaced.
    Ray ray;
    ray.heightMap.setPixel(0, 1, grey(200));
    ray.cast(10, 255, {-3, 0, 5, 255, {}});
    EXPECT_EQ(ray.shade(0, 1), kUnshaded) << "the occluder itself is lit";
    EXPECT_EQ(ray.shade(0, 2), 60);
    EXPECT_EQ(ray.shade(1, 40), 250);
    EXPECT_EQ(countOther(ray.shadow, kStart), 39);
}

TEST(LinearRay, LevelDecaysOnSkippedSteps)
{
    // 20 steps left of the map with decay -5 raise the level to 100 before
    // column 0 is reached.
    Ray ray;
    ray.cast(255, 10, {-20, 10, -5, 255, {}});
    EXPECT_EQ(ray.shade(0, 10), 155);
    EXPECT_EQ(ray.shade(1, 10), 150);
}

TEST(LinearSweep, SunOutsideTheMap)
{
    // Beyond 256 the steps past the extra row or column are skipped; the ray
    // then meets that row or column (height 255) and shades the far edge.
    // Below 0 the ray enters low and is lifted at its first pixel.
    struct Row {
        const char* x0;
        const char* y0;
        bool transposed; // read columns instead of rows
    };
    const Row rows[] = {{"300", "100", false}, {"100", "300", true}};
    for (const Row& r : rows) {
        Scene s;
        s.sun(r.x0, r.y0);
        s.run();
        auto at = [&](int along) { return r.transposed ? s.shade(100, along) : s.shade(along, 100); };
        for (int along = 206; along <= 255; ++along)
            EXPECT_EQ(at(along), 5 * (256 - along)) << "sun " << r.x0 << "," << r.y0 << " at " << along;
        EXPECT_EQ(at(205), kUnshaded) << "sun " << r.x0 << "," << r.y0;
    }

    Scene below;
    below.sun("-20", "100");
    below.raise(10, 100, 200);
    below.run();
    for (int k = 1; k <= 39; ++k) EXPECT_EQ(below.shade(10 + k, 100), 55 + 5 * k) << "at " << 10 + k << ",100";
    EXPECT_EQ(below.shade(9, 100), kUnshaded);
    EXPECT_EQ(below.shade(50, 100), kUnshaded);
}

TEST(LinearRay, DecayZeroCarriesTheShadowToTheBorder)
{
    Ray ray;
    ray.heightMap.setPixel(10, 10, grey(200));
    ray.heightMap.setPixel(100, 10, grey(201)); // rises above the ray: lit, shades after it
    ray.cast(255, 10, {0, 10, 0, 255, {}});
    for (int x = 11; x < 100; ++x) EXPECT_EQ(ray.shade(x, 10), 55) << "at " << x;
    EXPECT_EQ(ray.shade(100, 10), kUnshaded);
    for (int x = 101; x <= 255; ++x) EXPECT_EQ(ray.shade(x, 10), 54) << "at " << x;
}

TEST(LinearSweep, RunsAccumulateUntilClear)
{
    Scene s;
    s.raise(100, 100, 200);
    s.run(); // sun (0, 0): shades down-right of the occluder
    s.sun("255", "255");
    s.run(); // shades up-left
    EXPECT_EQ(s.shade(101, 101), 60);
    EXPECT_EQ(s.shade(99, 99), 60);
    clearShadow(s.ws);
    EXPECT_EQ(countOther(s.shadow(), kWhite), 0);
}

TEST(LinearRay, LevelSaturatesAtThe32BitLimits)
{
    // Decay -(2^31 - 1): the level reaches the limit at once and stays
    // there; wrapping would turn it negative and light the rest.
    Ray ray;
    ray.cast(255, 10, {0, 10, -2147483647.0, 255, {}});
    EXPECT_EQ(ray.shade(0, 10), kUnshaded) << "the sun's pixel";
    for (int x = 1; x <= 255; ++x) EXPECT_EQ(ray.shade(x, 10), 0) << "at " << x;

    // Huge decays either way run through without overflow.
    for (double decay : {1e300, -1e300}) {
        Ray huge;
        huge.heightMap.setPixel(10, 10, grey(200));
        huge.cast(255, 10, {0, 10, decay, 128, {}});
        EXPECT_EQ(huge.shade(11, 10), decay > 0 ? kUnshaded : 0) << "decay " << decay;
        EXPECT_EQ(huge.shade(10, 10), decay > 0 ? kUnshaded : 0) << "decay " << decay;
    }
}

TEST(LinearRay, ShadesBelowZeroAreBlack)
{
    // Decay -2 from (0, 10): level 2x at column x, shade 255 - 2x, never below 0.
    Ray ray;
    ray.cast(255, 10, {0, 10, -2, 255, {}});
    const int expected[][2] = {{1, 253}, {127, 1}, {128, 0}, {200, 0}, {255, 0}};
    for (const auto& e : expected) {
        EXPECT_EQ(ray.shade(e[0], 10), e[1]) << "at " << e[0] << ",10";
        EXPECT_EQ(ray.shadow.pixel(e[0], 10), grey(e[1])) << "at " << e[0] << ",10";
    }
}

TEST(LinearRay, WholeDecaysStepExactlyAsTheRoundedDifference)
{
    // A whole decay is stepped in integers; it must agree with
    // nearest(L - decay) saturated, on every side of the 32-bit limits.
    const std::int32_t levels[] = {0, 1, -1, 255, 2147483647, -2147483647 - 1, 2147483000, -2147483000};
    const double decays[] = {0, 5, -5, 1, 255, 2147483647.0, -2147483648.0, 4294967296.0, -4294967296.0,
                             4294967297.0, 2.5, -0.5, 1e10, -1e300};
    for (double d : decays) {
        const DecayStep step(d);
        for (std::int32_t v : levels)
            EXPECT_EQ(step(v), saturate32(nearest(static_cast<double>(v) - d))) << "level " << v << ", decay " << d;
    }
}

TEST(LinearRay, DarknessOutsideItsRangeCountsAsTheNearestEnd)
{
    // A "Linear" or "Linear sim" ray is open to any caller, not only to a checked run: a
    // darkness past either end shades as that end, as a checked run does.
    using RayFn = void (*)(double, double, const ByteGrid&, const ShadowParams&, PixelWriter);
    Picture h(kBlack);
    h.setPixel(10, 10, grey(200));
    const ByteGrid heights = readHeights(h);
    struct Row {
        int darkness, as;
    };
    for (const auto& [name, ray, y] : {std::tuple{"Linear", RayFn{castRay<LinearShading>}, 10}, std::tuple{"Linear sim", RayFn{castRay<LinearSimShading>}, 255}}) {
        for (const Row r : {Row{256, 255}, Row{300, 255}, Row{-1, 0}, Row{-70000, 0}}) {
            Picture got(kWhite), want(kWhite);
            ray(255, y, heights, ShadowParams{0, 10, 5, r.darkness, {}}, got);
            ray(255, y, heights, ShadowParams{0, 10, 5, r.as, {}}, want);
            EXPECT_TRUE(got == want) << name << " darkness " << r.darkness;
        }
    }
}
