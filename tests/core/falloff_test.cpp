// "Sin func" and "Cos func": shades written a step late, and how their
// buttons report.

#include "shadow/curves.h"
#include "shadow/shadings.h"
#include "inputs/shadow_inputs.h"
#include "recording_reporter.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <tuple>
#include <vector>

using namespace gloamery;
using gloamery::testing::RecordingReporter;
using gloamery::testing::Report;

namespace {

constexpr Colour kUntouched = 0x123456; // no rule ever writes this

using Ray = void (*)(double, double, const ByteGrid&, const ShadowParams&, PixelWriter);

// A zero height map with single occluders.
ByteGrid zeroHeightsWith(std::initializer_list<std::pair<std::pair<int, int>, int>> occluders)
{
    Picture h(kBlack);
    for (const auto& [at, height] : occluders) h.setPixel(at.first, at.second, grey(height));
    return readHeights(h);
}

// One ray along row 10 from a sun at (0, 10) to (255, 10).
Picture rayAlongRow10(Ray ray, const ByteGrid& heights, int darkness, double decay = 5)
{
    Picture shadow(kUntouched);
    ray(255, 10, heights, ShadowParams{0, 10, decay, darkness, {}}, shadow);
    return shadow;
}

struct Occluder200Case {
    const char* name;
    Ray ray;
    std::vector<int> shades; // of pixels (11, 10), (12, 10), ...
};

TEST(FalloffRay, ShadesBehindAnOccluderOf200)
{
    const Occluder200Case cases[] = {
        {"Sin", castRay<SinShading>, {72,  80,  87,  95,  102, 109, 117, 124, 131, 137, 144, 151, 157, 163, 169, 175, 181, 186, 192, 197,
                     202, 207, 211, 216, 220, 224, 228, 231, 234, 237, 240, 243, 245, 247, 249, 251, 252, 253, 254}},
        {"Cos", castRay<CosShading>, {77,  85,  92,  99,  107, 114, 121, 127, 134, 141, 147, 154, 160, 166, 172, 178, 183, 188, 194, 199,
                     203, 208, 213, 217, 221, 225, 228, 232, 235, 238, 241, 243, 245, 247, 249, 251, 252, 253, 254}},
    };
    const ByteGrid heights = zeroHeightsWith({{{10, 10}, 200}});
    for (const auto& c : cases) {
        ASSERT_EQ(c.shades.size(), 39u);
        const Picture shadow = rayAlongRow10(c.ray, heights, 255);
        for (int x = 0; x < 256; ++x) {
            const int k = x - 11;
            const Colour want = k >= 0 && k < 39 ? grey(c.shades[k]) : kUntouched;
            EXPECT_EQ(shadow.pixel(x, 10), want) << c.name << " at " << x << ",10";
        }
    }
}

// The first pixel behind an occluder gets the shade of the occluder's own
// step: from L = h under Sin, from K = 50 under Cos, whatever h is.
struct FirstShadeCase {
    const char* name;
    Ray ray;
    int occluder;
    int darkness;
    int first;  // shade of the pixel right behind
    int second; // and of the one after it
};

TEST(FalloffRay, FirstShadesBehindOccludersOfDifferentHeights)
{
    const FirstShadeCase cases[] = {
        // Cos: the same start behind any occluder.
        {"Cos 50", castRay<CosShading>, 50, 255, 77, 85},
        {"Cos 250", castRay<CosShading>, 250, 255, 77, 85},
        {"Cos 50 dark 128", castRay<CosShading>, 50, 128, 166, 170},
        {"Cos 250 dark 128", castRay<CosShading>, 250, 128, 166, 170},
        // Sin: the occluder's height decides.
        {"Sin 50", castRay<SinShading>, 50, 255, 240, 243},
        // From L = 250 the shade is -7, composed as 0; L = 245 gives 1.
        {"Sin 250", castRay<SinShading>, 250, 255, 0, 1},
        {"Sin 250 dark 128", castRay<SinShading>, 250, 128, 124, 128},
    };
    for (const auto& c : cases) {
        const ByteGrid heights = zeroHeightsWith({{{10, 10}, c.occluder}});
        const Picture shadow = rayAlongRow10(c.ray, heights, c.darkness);
        EXPECT_EQ(shadow.pixel(10, 10), kUntouched) << c.name << ": the occluder itself is lit";
        EXPECT_EQ(shadow.pixel(11, 10), grey(c.first)) << c.name << " at 11,10";
        EXPECT_EQ(shadow.pixel(12, 10), grey(c.second)) << c.name << " at 12,10";
    }
}

TEST(FalloffRay, PendingShadeLagsOneStepOverASecondOccluder)
{
    // A second occluder inside the first one's shadow (150 under a level of
    // 190) is shaded like flat ground and lifts nothing; a third above the
    // level (190 over 185) is lit, and the pixel behind it gets the shade
    // of the lit step: Cos from K = 50 again, Sin from L = 190.
    const ByteGrid heights = zeroHeightsWith({{{10, 10}, 200}, {{12, 10}, 150}, {{13, 10}, 190}});
    struct Case {
        const char* name;
        Ray ray;
        std::vector<int> shades; // of pixels 11..15
    };
    const Case cases[] = {
        {"Sin", castRay<SinShading>, {72, 80, kUntouched, 87, 95}},
        {"Cos", castRay<CosShading>, {77, 85, kUntouched, 77, 85}},
    };
    for (const auto& c : cases) {
        const Picture shadow = rayAlongRow10(c.ray, heights, 255);
        for (int i = 0; i < 5; ++i) {
            const Colour want = c.shades[i] == kUntouched ? kUntouched : grey(c.shades[i]);
            EXPECT_EQ(shadow.pixel(11 + i, 10), want) << c.name << " at " << 11 + i << ",10";
        }
    }
}

TEST(FalloffRay, FlatMapsLeaveNoShadow)
{
    // On a zero map the level is never above 0, and the initial black
    // pending shade is never written; on any other flat map the level is
    // lifted at every step.
    for (const int height : {0, 1, 77, 255}) {
        Picture h(grey(height));
        const ByteGrid heights = readHeights(h);
        for (const Ray ray : {Ray{castRay<SinShading>}, Ray{castRay<CosShading>}}) {
            Picture shadow(kUntouched);
            const ShadowParams p{100, 100, 5, 255, {}};
            for (int i = 0; i < 256; ++i) {
                ray(i, 0, heights, p, shadow);
                ray(0, i, heights, p, shadow);
                ray(i, 255, heights, p, shadow);
                ray(255, i, heights, p, shadow);
            }
            for (int y = 0; y < 256; ++y)
                for (int x = 0; x < 256; ++x)
                    ASSERT_EQ(shadow.pixel(x, y), kUntouched)
                        << (ray == &castRay<SinShading, ByteGrid> ? "Sin" : "Cos") << " height " << height << " at " << x << "," << y;
        }
    }
}

TEST(FalloffRay, SunOutsideTheMapEntersLitAndShadesAsUsual)
{
    // From (-20, 10) the first 20 steps are skipped: the level falls to
    // -100 and is lifted to the terrain at the first pixel inside. The
    // pending shade of the skipped steps is never written.
    const ByteGrid heights = zeroHeightsWith({{{10, 10}, 200}});
    for (const auto& [name, ray, first] : {std::tuple{"Sin", Ray{castRay<SinShading>}, 72}, std::tuple{"Cos", Ray{castRay<CosShading>}, 77}}) {
        Picture shadow(kUntouched);
        ray(255, 10, heights, ShadowParams{-20, 10, 5, 255, {}}, shadow);
        for (int x = 0; x <= 10; ++x) EXPECT_EQ(shadow.pixel(x, 10), kUntouched) << name << " at " << x << ",10";
        EXPECT_EQ(shadow.pixel(11, 10), grey(first)) << name << " at 11,10";
        EXPECT_EQ(shadow.pixel(50, 10), kUntouched) << name << " at 50,10";
    }
}

TEST(FalloffRay, NegativeDecayShadesBelowZeroComposeAsBlack)
{
    // With the decay -7 the level climbs from 250 and, under Cos, the
    // distance falls below 0: twenty pixels on, both curves are well below
    // zero (Sin from L = 390, Cos from K = -90) and the shade is black.
    const ByteGrid heights = zeroHeightsWith({{{10, 10}, 250}});
    for (const auto& [name, ray] : {std::pair{"Sin", Ray{castRay<SinShading>}}, std::pair{"Cos", Ray{castRay<CosShading>}}}) {
        const Picture shadow = rayAlongRow10(ray, heights, 255, -7);
        EXPECT_EQ(shadow.pixel(31, 10), kBlack) << name << " at 31,10";
    }
}

// -- How the buttons report --------------------------------------------


// What a button reports up to the merge's first status.
std::vector<Report> sweepEvents(ShadowMode mode)
{
    Workspace ws;
    RecordingReporter r;
    EXPECT_FALSE(runShadowButton(ws, mode, Controls{}, parseCNumber, r).has_value());
    std::vector<Report> out;
    for (const auto& e : r.log) {
        if (e == Report::status(status::kBuffering)) break;
        out.push_back(e);
    }
    return out;
}

// The tables written while building hold, bit for bit, what the maths
// library gives on the spot (the compiler's own values differ for a few
// cosines), and the lookups leave them at both ends of their ranges.
TEST(FalloffCurves, TablesHoldTheCurvesOnTheSpot)
{
    volatile std::int32_t arg = 0; // never a constant the compiler could fold
    for (std::int32_t v = -3; v < kSinTableLevels + 3; ++v) {
        arg = v;
        EXPECT_EQ(sinOfLevel(v), sinCurve(arg)) << "sine at level " << v;
    }
    for (std::int32_t k = kCosTableLo - 3; k <= kCosTableHi + 3; ++k) {
        arg = k;
        EXPECT_EQ(cosOfDistance(k), cosCurve(arg)) << "cosine at distance " << k;
    }
}

TEST(ShadowButtonReports, StatusAndProgressOfEachButton)
{
    struct Case {
        ShadowMode mode;
        const char* name;
        bool barResetAfterHeights;
        double divisor;
    };
    const Case cases[] = {
        {ShadowMode::LinearSim, "Linear sim", false, 256},
        // "Sin func" zeroes the bar after reading the heights and ends full.
        {ShadowMode::Sin, "Sin func", true, 255},
        {ShadowMode::Cos, "Cos func", false, 256},
        {ShadowMode::Embossed, "Embossed", false, 256},
    };
    for (const auto& c : cases) {
        std::vector<Report> want = {Report::status("Calculating...")};
        if (c.barResetAfterHeights) want.push_back(Report::progress(0));
        gloamery::testing::appendProgress(want, 0, 255, c.divisor);
        EXPECT_EQ(sweepEvents(c.mode), want) << c.name;
    }
}

// Paints an occluder into the height map when "Calculating..." appears, so
// a run shows whether it read the heights before or after that status.
class PaintOnCalculating final : public Reporter {
public:
    PaintOnCalculating(Workspace& ws, bool paint) : ws_(ws), paint_(paint) {}
    void status(std::string_view text) override
    {
        if (paint_ && text == status::kCalculating) ws_.editHeightPicture([](Picture& p) { p.setPixel(10, 10, grey(200)); });
    }
    void progress(double) override {}
    void busy(bool) override {}

private:
    Workspace& ws_;
    bool paint_;
};

Picture shadowAfter(ShadowMode mode, bool paintOnCalculating)
{
    Workspace ws;
    ws.setHeightPicture(Picture(kBlack));
    PaintOnCalculating r(ws, paintOnCalculating);
    Controls ctl;
    ctl.darkness = 255;
    EXPECT_FALSE(runShadowButton(ws, mode, ctl, parseCNumber, r).has_value());
    return ws.picture(Slot::Shadow);
}

TEST(ShadowButtonReports, CalculatingComesBeforeOrAfterReadingTheHeights)
{
    struct Case {
        ShadowMode mode;
        const char* name;
        bool statusBeforeHeights;
    };
    const Case cases[] = {
        {ShadowMode::LinearSim, "Linear sim", true},
        {ShadowMode::Sin, "Sin func", true},
        {ShadowMode::Cos, "Cos func", false},
        {ShadowMode::Embossed, "Embossed", false},
    };
    for (const auto& c : cases) {
        const bool sawOccluder = shadowAfter(c.mode, true) != shadowAfter(c.mode, false);
        EXPECT_EQ(sawOccluder, c.statusBeforeHeights) << c.name;
    }
}

} // namespace
