// Slots kept compact: a picture given at its own size and the rule that
// spreads it over the map must read, and compute, exactly as the picture
// expanded to the map's size.

#include "compose/merge.h"
#include "compose/texture.h"
#include "recording_reporter.h"
#include "workspace/view_maps.h"
#include "workspace/workspace.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace gloamery;
using gloamery::testing::RecordingReporter;

namespace {

Picture randomPicture(int w, int h, unsigned seed, Colour background = kInputBackground)
{
    std::mt19937 rng(seed);
    Picture p(background, w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.at(x, y) = static_cast<Colour>(rng() & 0xFFFFFF);
    return p;
}

// What the map shows at (x, y), straight from the rule's words.
Colour byRule(const Picture& given, bool repeat, int x, int y)
{
    if (given.width() == 0 || given.height() == 0) return given.background();
    if (repeat) return given.at(x % given.width(), y % given.height());
    return x < given.width() && y < given.height() ? given.at(x, y) : given.background();
}

struct Case {
    int gw, gh; // the given picture, 0 x 0 for a slot never filled
    int w, h;   // the map
    bool repeat;
};

std::string name(const Case& c)
{
    return std::to_string(c.gw) + "x" + std::to_string(c.gh) + (c.repeat ? " repeated over " : " placed in ")
         + std::to_string(c.w) + "x" + std::to_string(c.h);
}

const Case kCases[] = {
    {0, 0, 40, 30, false}, {1, 1, 17, 9, true},    {3, 5, 40, 31, true},   {7, 7, 64, 64, true},
    {3, 5, 40, 31, false}, {50, 20, 33, 41, true}, {50, 20, 33, 41, false}, {33, 41, 33, 41, true},
    {256, 256, 300, 257, true}, {13, 300, 257, 255, false},
};

TEST(SlotImage, ReadsAsTheExpandedPictureEverywhere)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(name(c));
        const Picture given = randomPicture(c.gw, c.gh, static_cast<unsigned>(c.gw * 31 + c.w));
        const SlotImage image(given, c.w, c.h, c.repeat);
        const Picture whole = image.expanded();
        ASSERT_EQ(whole.width(), c.w);
        ASSERT_EQ(whole.height(), c.h);
        const SlotView view = image.view();
        std::vector<Colour> scratch(static_cast<std::size_t>(c.w));
        for (int y = 0; y < c.h; ++y) {
            for (int x = 0; x < c.w; ++x) {
                ASSERT_EQ(whole.at(x, y), byRule(given, c.repeat, x, y)) << x << "," << y;
                ASSERT_EQ(view.pixel(x, y), whole.at(x, y)) << x << "," << y;
            }
            // Spans of every start and length a row allows, a few of each.
            for (int x0 = 0; x0 < c.w; x0 += 1 + c.w / 7) {
                const int n = c.w - x0 - (y % 3);
                if (n <= 0) continue;
                const Colour* s = view.span(x0, y, n, scratch.data());
                for (int i = 0; i < n; ++i) ASSERT_EQ(s[i], whole.at(x0 + i, y)) << x0 + i << "," << y;
            }
        }
        EXPECT_EQ(view.pixel(-1, 0), -1);
        EXPECT_EQ(view.pixel(c.w, 0), -1);
        // The part of a larger picture that never shows is not kept.
        EXPECT_LE(image.bytes(), sizeof(Colour) * std::min(c.gw, c.w) * std::min(c.gh, c.h));
    }
}

TEST(SlotImage, ResizingRepeatsWhatTheMapShowed)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(name(c));
        const SlotImage image(randomPicture(c.gw, c.gh, 7), c.w, c.h, c.repeat);
        for (auto [w, h] : {std::pair{1, 1}, {c.w * 2, c.h * 3}, {c.w + 5, c.h - c.h / 2}, {3 * c.w + 1, 2}}) {
            const SlotImage resized = image.resized(w, h);
            EXPECT_EQ(resized.expanded(), tiled(image.expanded(), w, h)) << w << "x" << h;
        }
    }
}

TEST(SlotImage, EditingMakesTheWholePictureAndLeavesCopiesAlone)
{
    SlotImage image(randomPicture(5, 3, 1), 12, 7, true);
    const SlotImage copy = image;
    const Picture before = copy.expanded();
    Picture& whole = image.editable();
    EXPECT_EQ(whole, before);
    whole.at(11, 6) = kBlack;
    EXPECT_TRUE(image.whole());
    EXPECT_EQ(copy.expanded(), before);
    EXPECT_EQ(image.view().pixel(11, 6), kBlack);
}

// A workspace's slots: nothing held for a slot never filled, and what the
// accessors give is what the rule shows.
TEST(SlotImage, WorkspaceHoldsNothingForSlotsNeverFilled)
{
    Workspace ws(300, 200);
    for (Slot s : {Slot::Shadow, Slot::Colour, Slot::Texture, Slot::Grass, Slot::Stone, Slot::Detail}) {
        SCOPED_TRACE(std::string(slotName(s)));
        EXPECT_EQ(ws.image(s).bytes(), 0u);
        const Workspace& reading = ws;
        EXPECT_EQ(reading.picture(s), Picture(slotBackground(s), 300, 200));
        EXPECT_EQ(ws.image(s).bytes(), 0u); // reading makes a copy beside it, not the slot's own
        ws.picture(s).at(0, 0) = kBlack;
        EXPECT_EQ(ws.image(s).view().pixel(0, 0), kBlack);
        EXPECT_EQ(reading.picture(s).at(0, 0), kBlack);
    }
    EXPECT_THROW(ws.setImage(Slot::Grass, SlotImage(kWhite, 299, 200)), std::invalid_argument);
}

// The computations that read grass, stone, detail and an unmade texture
// through the rule give what they give on the expanded pictures.
TEST(SlotImage, ComputationsReadThroughTheRule)
{
    const std::pair<int, int> sizes[] = {{37, 23}, {256, 256}, {600, 301}};
    for (auto [w, h] : sizes) {
        for (bool repeat : {true, false}) {
            SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + (repeat ? " repeated" : " placed"));
            Workspace compact(w, h), expanded(w, h);
            std::mt19937 rng(static_cast<unsigned>(w));
            Picture heights(kInputBackground, w, h);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) heights.at(x, y) = grey(static_cast<int>(rng() % 256));
            for (Workspace* ws : {&compact, &expanded}) ws->setHeightPicture(heights);
            const std::pair<Slot, Picture> given[] = {{Slot::Grass, randomPicture(7, 5, 1)},
                                                      {Slot::Stone, randomPicture(33, 13, 2)},
                                                      {Slot::Detail, randomPicture(19, 64, 3)}};
            for (const auto& [slot, p] : given) {
                compact.setImage(slot, SlotImage(p, w, h, repeat));
                expanded.picture(slot) = SlotImage(p, w, h, repeat).expanded();
            }
            RecordingReporter r;
            // A merge over a texture never made reads it as its background.
            Merge(compact, true, BlendMode::Multiply, r);
            Merge(expanded, true, BlendMode::Multiply, r);
            EXPECT_EQ(compact.image(Slot::Texture).bytes(), 0u);
            EXPECT_EQ(compact.picture(Slot::Colour), expanded.picture(Slot::Colour));
            // A texture the user gave, small and repeated, is written over
            // whole; a copy that shares it keeps it.
            compact.setImage(Slot::Texture, SlotImage(randomPicture(5, 3, 4), w, h, true));
            expanded.picture(Slot::Texture) = SlotImage(randomPicture(5, 3, 4), w, h, true).expanded();
            for (auto synthesis : {makeTexture, makeTexture2}) {
                const Workspace before = compact;
                const Picture held = before.picture(Slot::Texture);
                synthesis(compact, 40, r);
                synthesis(expanded, 40, r);
                ASSERT_EQ(compact.picture(Slot::Texture), expanded.picture(Slot::Texture));
                EXPECT_EQ(before.picture(Slot::Texture), held);
            }
            const ViewGrids a = CalculateMaps(compact, r), b = CalculateMaps(expanded, r);
            for (int k = 0; k < 3; ++k) {
                EXPECT_TRUE(a.colour[k] == b.colour[k]);
                EXPECT_TRUE(a.detail[k] == b.detail[k]);
            }
            EXPECT_LT(compact.image(Slot::Grass).bytes(), expanded.image(Slot::Grass).bytes());
        }
    }
}

} // namespace

namespace {

// The shadow map as a byte a pixel: kept so while every pixel is a grey,
// shown and merged exactly as the picture of those greys.
TEST(SlotImage, ShadowMapKeepsGreysWhileEveryPixelIsGrey)
{
    const int w = 45, h = 31;
    Workspace greys(w, h), colours(w, h);
    ByteGrid* g = greys.greys(Slot::Shadow);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(greys.image(Slot::Shadow).bytes(), static_cast<std::size_t>(g->stride()) * (h + 1));
    std::mt19937 rng(5);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) (*g)(x, y) = static_cast<std::uint8_t>(rng() % 256);
    EXPECT_EQ((*g)(w, 0), 255); // the outside column reads as outside a picture does
    const Workspace& shown = greys;
    const Picture picture = shown.picture(Slot::Shadow);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) ASSERT_EQ(picture.at(x, y), grey((*g)(x, y)));
    colours.picture(Slot::Shadow) = picture; // the same greys, as colour values
    RecordingReporter r;
    for (bool blur : {false, true}) {
        Merge(greys, blur, BlendMode::Half, r);
        Merge(colours, blur, BlendMode::Half, r);
        EXPECT_EQ(greys.picture(Slot::Colour), colours.picture(Slot::Colour)) << "blur " << blur;
    }
    // A picture of greys becomes greys again; one tinted pixel keeps it whole.
    ByteGrid* again = colours.greys(Slot::Shadow);
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(*again == *greys.greys(Slot::Shadow));
    Picture tinted = picture;
    tinted.at(3, 4) = compose(1, 2, 3);
    colours.picture(Slot::Shadow) = tinted;
    EXPECT_EQ(colours.greys(Slot::Shadow), nullptr);
    EXPECT_EQ(colours.picture(Slot::Shadow), tinted);
}

} // namespace
