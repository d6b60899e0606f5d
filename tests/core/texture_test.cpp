// "Make Texture" and "Make Texture2": grass and stone mixed by height or
// by slope into the texture map.

#include "compose/texture.h"
#include "recording_reporter.h"
#include "workspace/numeric.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

using namespace gloamery;
using gloamery::testing::RecordingReporter;
using gloamery::testing::Report;

namespace {

using Synthesis = void (*)(Workspace&, int, Reporter&);

Colour rgb(int r, int g, int b) { return compose(r, g, b); }

Picture randomPicture(unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> c(0, 255);
    Picture p(kBlack);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) p.setPixel(x, y, rgb(c(rng), c(rng), c(rng)));
    return p;
}

Picture heightsFrom(const std::function<int(int, int)>& h)
{
    Picture p(kBlack);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) p.setPixel(x, y, grey(h(x, y)));
    return p;
}

struct Inputs {
    Picture height;
    Picture grass;
    Picture stone;
};

Picture synthesise(Synthesis make, const Inputs& in, int contrast)
{
    Workspace ws;
    ws.setHeightPicture(in.height);
    ws.picture(Slot::Grass) = in.grass;
    ws.picture(Slot::Stone) = in.stone;
    SilentReporter r;
    make(ws, contrast, r);
    return ws.picture(Slot::Texture);
}

std::string rgbText(Colour c)
{
    const Channels ch = split(c);
    return "(" + std::to_string(ch.r) + ", " + std::to_string(ch.g) + ", " + std::to_string(ch.b) + ")";
}

TEST(MakeTexture, ContrastZeroCopiesGrassOnLowAndStoneOnHighGround)
{
    const Picture grass = randomPicture(11);
    const Picture stone = randomPicture(12);
    for (const int h : {0, 255}) {
        const Picture texture = synthesise(makeTexture, {Picture(grey(h)), grass, stone}, 0);
        const Picture& want = h == 0 ? grass : stone;
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x)
                ASSERT_EQ(texture.pixel(x, y), want.pixel(x, y)) << "height " << h << " at " << x << "," << y;
    }
}

struct PixelCase {
    const char* name;
    Synthesis make;
    int contrast;
    int height;
    Colour grass;
    Colour stone;
    Colour want;
};

TEST(MakeTexture, HeightWeightAndContrast)
{
    const PixelCase cases[] = {
        // t = 2: mixes 400, 200, 100; the red channel counts as 255.
        {"t = 2", makeTexture, 100, 255, rgb(0, 0, 0), rgb(200, 100, 50), rgb(255, 200, 100)},
        // t = 128/255 is above 0.5 and is doubled; 127/255 is not.
        {"H 128", makeTexture, 100, 128, grey(100), grey(200), grey(200)},
        {"H 127", makeTexture, 100, 127, grey(100), grey(200), grey(150)},
        {"H 128 contrast 0", makeTexture, 0, 128, grey(100), grey(200), grey(150)},
        // A negative mix is written by its size: -200 as 200.
        {"negative mix", makeTexture, 100, 255, grey(200), grey(0), grey(200)},
    };
    for (const auto& c : cases) {
        const Picture t = synthesise(c.make, {Picture(grey(c.height)), Picture(c.grass), Picture(c.stone)}, c.contrast);
        for (const auto& [x, y] : {std::pair{0, 0}, {128, 77}, {255, 255}})
            EXPECT_EQ(t.pixel(x, y), c.want) << c.name << " at " << x << "," << y << ": got " << rgbText(t.pixel(x, y))
                                             << ", want " << rgbText(c.want);
    }
}

// -- Make Texture2 ---------------------------------------------------------

const Colour kGrass = rgb(100, 60, 20);
const Colour kStone = rgb(30, 90, 150);

// Expected pixels over regions of the map.
struct Region {
    const char* name;
    int x0, x1, y0, y1; // inclusive
    Colour want;
};

void expectRegions(const Picture& t, const std::vector<Region>& regions, const std::string& what)
{
    for (const Region& r : regions)
        for (int x = r.x0; x <= r.x1; ++x)
            for (int y = r.y0; y <= r.y1; ++y)
                ASSERT_EQ(t.pixel(x, y), r.want) << what << ", " << r.name << " at " << x << "," << y << ": got "
                                                 << rgbText(t.pixel(x, y)) << ", want " << rgbText(r.want);
}

TEST(MakeTexture2, FlatMapIsBrightenedGrassWithSteepEdgesAtColumnAndRow255)
{
    // One grey level 230 everywhere: no slope inside, but at x = 255 and
    // y = 255 the neighbour at 256 lies outside the picture and counts as
    // 255, so t = 25/32 there. Columns 0 and 1 follow the height rule.
    const Inputs in{Picture(grey(230)), Picture(kGrass), Picture(kStone)};
    struct Case {
        int contrast;
        Colour heightColumns;
    };
    for (const auto& c : {Case{0, rgb(50, 118, 185)}, Case{100, rgb(45, 158, 255)}}) {
        const Picture t = synthesise(makeTexture2, in, c.contrast);
        expectRegions(t,
                      {
                          {"inside", 2, 254, 0, 254, rgb(135, 81, 27)},
                          {"last column", 255, 255, 0, 255, rgb(61, 113, 164)},
                          {"last row", 2, 254, 255, 255, rgb(61, 113, 164)},
                          {"columns 0 and 1", 0, 1, 0, 255, c.heightColumns},
                      },
                      "contrast " + std::to_string(c.contrast));
    }
}

TEST(MakeTexture2, HeightRuleOnColumns0And1BelowHalfHeight)
{
    // t = (V / 100 + 1) x H / 255 / 2 at H = 100.
    const Inputs in{Picture(grey(100)), Picture(kGrass), Picture(kStone)};
    for (const auto& [contrast, want] : {std::pair{0, rgb(116, 89, 61)}, std::pair{100, rgb(98, 97, 96)}}) {
        const Picture t = synthesise(makeTexture2, in, contrast);
        expectRegions(t, {{"columns 0 and 1", 0, 1, 0, 255, want}}, "contrast " + std::to_string(contrast));
    }
}

TEST(MakeTexture2, RowsZeroAndOneTakeTheColumnDifferenceOnly)
{
    // Heights rise by 20 per row up to 240: rows 2 on see a slope of 40
    // across two rows (t = 1.25); rows 0 and 1 would too, but take dx = 0.
    const Inputs in{heightsFrom([](int, int y) { return y <= 12 ? 20 * y : 240; }), Picture(kGrass), Picture(kStone)};
    const Picture t = synthesise(makeTexture2, in, 0);
    expectRegions(t,
                  {
                      {"rows 0 and 1", 2, 254, 0, 1, rgb(135, 81, 27)},
                      {"rows 2 to 11", 2, 254, 2, 11, rgb(17, 132, 246)},
                  },
                  "vertical ramp");
}

TEST(MakeTexture2, GainRoundsHalvesToEvenAndNegativeMixesSaturate)
{
    struct Case {
        const char* name;
        int contrast;
        int height;
        Colour grass;
        Colour stone;
        Colour inside;  // 2 <= x <= 254, y <= 254
        Colour columns; // x = 0 and 1
    };
    const Case cases[] = {
        // 13.5, 40.5 and 148.5 after the gain.
        {"halves", 0, 0, rgb(10, 30, 110), kStone, rgb(14, 40, 148), rgb(14, 40, 148)},
        // t = 2 on the height columns: -200 x 1.35 = -270, written as 255.
        {"negative", 100, 255, grey(200), grey(0), grey(255), grey(255)},
    };
    for (const auto& c : cases) {
        const Picture t = synthesise(makeTexture2, {Picture(grey(c.height)), Picture(c.grass), Picture(c.stone)},
                                     c.contrast);
        expectRegions(t, {{"inside", 2, 254, 0, 254, c.inside}, {"columns 0 and 1", 0, 1, 0, 255, c.columns}},
                      c.name);
    }
}

TEST(MakeTexture2, SteepSlopeExtrapolatesPastStoneWhateverTheContrast)
{
    // A step of 64 between columns 99 and 100 gives columns 99 and 100 a
    // difference of 64 across two pixels, t = 2: grass 100 and stone 20 mix
    // to -60, x 1.35 = -81, written as 81. Flat ground is 135.
    const Inputs in{heightsFrom([](int x, int) { return x <= 99 ? 0 : 64; }), Picture(grey(100)), Picture(grey(20))};
    for (const int contrast : {0, 100}) {
        const Picture t = synthesise(makeTexture2, in, contrast);
        expectRegions(t,
                      {{"flat left", 2, 98, 0, 254, grey(135)},
                       {"step", 99, 100, 0, 254, grey(81)},
                       {"flat right", 101, 254, 0, 254, grey(135)}},
                      "contrast " + std::to_string(contrast));
    }
}

TEST(TextureSynthesis, EachPixelTakesItsOwnWeight)
{
    // Uneven heights, so a weight paired with the wrong pixel shows.
    const Inputs in{randomPicture(31), randomPicture(32), randomPicture(33)};
    const auto H = [&](int x, int y) { return red(in.height.pixel(x, y)); }; // 255 outside
    for (const int v : {0, 37, 100}) {
        const auto heightWeight = [&](int x, int y) {
            const double t = H(x, y) / 255.0;
            return t > 0.5 ? (v / 100.0 + 1) * t : t;
        };
        const auto slopeWeight = [&](int x, int y) {
            if (x < 2 || x > 255) {
                const double t = H(x, y) / 255.0;
                return t > 0.5 ? v / 100.0 + t : (v / 100.0 + 1) * t / 2;
            }
            double t = std::abs(H(x + 1, y) - H(x - 1, y)) / 32.0;
            if (y >= 2 && y <= 255) t = std::max(t, std::abs(H(x, y + 1) - H(x, y - 1)) / 32.0);
            return t;
        };
        struct Variant {
            const char* name;
            Synthesis make;
            double gain;
            std::function<double(int, int)> weight;
        };
        for (const Variant& s : {Variant{"Make Texture", makeTexture, 1.0, heightWeight},
                                 Variant{"Make Texture2", makeTexture2, 1.35, slopeWeight}}) {
            const Picture t = synthesise(s.make, in, v);
            for (int x = 0; x < 256; ++x)
                for (int y = 0; y < 256; ++y) {
                    const double w = s.weight(x, y);
                    const Channels g = split(in.grass.pixel(x, y)), st = split(in.stone.pixel(x, y));
                    const auto mix = [&](int gk, int sk) {
                        return std::abs(static_cast<int>(nearest(((1 - w) * gk + w * sk) * s.gain)));
                    };
                    const Colour want = compose(mix(g.r, st.r), mix(g.g, st.g), mix(g.b, st.b));
                    ASSERT_EQ(t.pixel(x, y), want) << s.name << " contrast " << v << " at " << x << "," << y << ": got "
                                                   << rgbText(t.pixel(x, y)) << ", want " << rgbText(want);
                }
        }
    }
}

// -- Reporting and what is written ---------------------------------------------


TEST(TextureSynthesis, ReportsAndWritesOnlyTheTextureMap)
{
    std::vector<Report> want = {Report::busy(true), Report::progress(0), Report::status("Calculating...")};
    gloamery::testing::appendProgress(want, 0, 256, 256.0);
    want.push_back(Report::status("Done"));
    want.push_back(Report::busy(false));

    for (const auto& [name, make] : {std::pair{"Make Texture", Synthesis{makeTexture}},
                                     std::pair{"Make Texture2", Synthesis{makeTexture2}}}) {
        Workspace ws;
        ws.setHeightPicture(randomPicture(21));
        ws.picture(Slot::Grass) = randomPicture(22);
        ws.picture(Slot::Stone) = randomPicture(23);
        ws.picture(Slot::Shadow) = randomPicture(24);
        const Workspace before = ws;
        RecordingReporter r;
        make(ws, 50, r);
        EXPECT_EQ(r.log, want) << name;
        for (int s = 0; s < kSlotCount; ++s) {
            const Slot slot = static_cast<Slot>(s);
            if (slot != Slot::Texture) {
                EXPECT_TRUE(slotPicture(ws, slot) == slotPicture(before, slot)) << name << " changed slot " << s;
            }
        }
        EXPECT_FALSE(ws.picture(Slot::Texture) == before.picture(Slot::Texture)) << name;
    }
}

} // namespace
