// The undo history on its own, without a window: states restored exactly,
// unchanged pictures shared between steps, the budget kept.

#include "panel/history.h"

#include <gtest/gtest.h>

using namespace gloamery;
using panel::History;

namespace {

constexpr std::size_t kPicture256 = 256 * 256 * sizeof(Colour);

void paint(Workspace& ws, Slot s, Colour c)
{
    const auto fill = [c](Picture& p) {
        for (int y = 0; y < p.height(); ++y)
            for (int x = 0; x < p.width(); ++x) p.at(x, y) = c + x + y;
    };
    if (s == Slot::Height) ws.editHeightPicture(fill);
    else fill(ws.picture(s));
}

// The height slot's samples: a byte each, in rows padded for the runs.
const std::size_t kHeights256 = Workspace().heights().bytes();

Settings withDarkness(int d)
{
    Settings s;
    s.controls.darkness = d;
    return s;
}

} // namespace

TEST(History, UndoAndRedoRestoreEveryKindOfState)
{
    Workspace ws;
    History h;
    ASSERT_TRUE(h.record(ws, Settings{}, ""));
    struct Change {
        const char* label;
        void (*apply)(Workspace&, Settings&);
    };
    const Change changes[] = {
        {"picture", [](Workspace& w, Settings&) { paint(w, Slot::Shadow, 0x102030); }},
        {"control", [](Workspace&, Settings& s) { s.controls.x0 = "12.5"; }},
        {"button", [](Workspace&, Settings& s) { s.shadow = ShadowMode::Sin; }},
        {"size", [](Workspace& w, Settings& s) {
             w.resize(300, 20);
             s.map = MapSize{300, 20};
         }},
        {"deep", [](Workspace& w, Settings&) { w.setDeepHeights(HeightSamples(300, 20, std::uint16_t{4097})); }},
        {"8-bit again", [](Workspace& w, Settings&) {
             paint(w, Slot::Height, 0x010101);
             w.clearDeepHeights();
         }},
    };
    std::vector<std::pair<Workspace, Settings>> seen = {{ws, Settings{}}};
    Settings s;
    for (const Change& c : changes) {
        c.apply(ws, s);
        ASSERT_TRUE(h.record(ws, s, c.label)) << c.label;
        seen.emplace_back(ws, s);
    }
    auto expectShown = [&](const panel::PanelState* state, std::size_t i, const char* label) {
        ASSERT_NE(state, nullptr) << label;
        Workspace restored(1, 1);
        History::restore(*state, restored);
        for (int slot = 0; slot < kSlotCount; ++slot)
            EXPECT_EQ(slotPicture(restored, Slot(slot)), slotPicture(seen[i].first, Slot(slot))) << label << " slot " << slot;
        EXPECT_EQ(heightsAreDeep(restored), heightsAreDeep(seen[i].first)) << label;
        EXPECT_EQ(restored.heightSamples(), seen[i].first.heightSamples()) << label;
        EXPECT_EQ(state->settings, seen[i].second) << label;
    };
    for (std::size_t i = std::size(changes); i > 0; --i) {
        EXPECT_EQ(h.undoLabel(), changes[i - 1].label);
        expectShown(h.undo(), i - 1, changes[i - 1].label);
    }
    EXPECT_FALSE(h.canUndo());
    EXPECT_EQ(h.undo(), nullptr);
    for (std::size_t i = 0; i < std::size(changes); ++i) {
        EXPECT_EQ(h.redoLabel(), changes[i].label);
        expectShown(h.redo(), i + 1, changes[i].label);
    }
    EXPECT_EQ(h.redo(), nullptr);
}

TEST(History, NothingChangedIsNoStepAndANewStepEndsRedo)
{
    Workspace ws;
    History h;
    h.record(ws, withDarkness(1), "");
    EXPECT_FALSE(h.record(ws, withDarkness(1), "same again"));
    EXPECT_EQ(h.states(), 1u);
    h.record(ws, withDarkness(2), "two");
    h.record(ws, withDarkness(3), "three");
    h.undo();
    h.undo();
    ASSERT_TRUE(h.record(ws, withDarkness(4), "four"));
    EXPECT_FALSE(h.canRedo());
    EXPECT_EQ(h.states(), 2u);
    EXPECT_EQ(h.undo()->settings.controls.darkness, 1);
}

TEST(History, UnchangedPicturesAreSharedBetweenSteps)
{
    Workspace ws;
    History h;
    h.record(ws, Settings{}, "");
    // Slots never filled hold no pixels: the heights alone.
    const std::size_t start = h.bytes();
    EXPECT_EQ(start, kHeights256);
    h.record(ws, withDarkness(5), "a control alone");
    EXPECT_EQ(h.bytes(), start);
    paint(ws, Slot::Colour, 0x203040);
    h.record(ws, Settings{}, "one picture");
    EXPECT_EQ(h.bytes(), start + kPicture256);
    // Painted back, the picture equals the first one but is a copy of its own.
    ws.picture(Slot::Colour).clear();
    h.record(ws, withDarkness(5), "back");
    EXPECT_EQ(h.bytes(), start + 2 * kPicture256);
}

// A state keeps each slot as the workspace keeps it: recording costs the
// pixels the slot holds there, nothing for a slot never filled, a small
// picture's own for one repeated, and nothing again for any slot unchanged.
TEST(History, RecordingCostsWhatTheSlotHolds)
{
    constexpr int kSide = 4096;
    const Picture tile(kInputBackground, 64, 32);
    const struct {
        const char* name;
        SlotImage image;
        std::size_t bytes;
    } cases[] = {
        {"never filled", SlotImage(kWhite, kSide, kSide), 0},
        {"repeated small picture", SlotImage(tile, kSide, kSide, true), 64 * 32 * sizeof(Colour)},
        {"placed small picture", SlotImage(tile, kSide, kSide, false), 64 * 32 * sizeof(Colour)},
    };
    for (const auto& c : cases) {
        Workspace ws(kSide, kSide);
        History h;
        h.record(ws, Settings{}, "");
        const std::size_t start = h.bytes();
        ws.setImage(Slot::Texture, c.image);
        h.record(ws, withDarkness(1), "set");
        EXPECT_EQ(h.bytes(), start + c.bytes) << c.name;
        h.record(ws, withDarkness(2), "unchanged");
        EXPECT_EQ(h.bytes(), start + c.bytes) << c.name;
        // Restored, the slot is kept as compact and shows the same map.
        Workspace restored(1, 1);
        History::restore(*h.undo(), restored);
        EXPECT_EQ(restored.image(Slot::Texture).bytes(), c.bytes) << c.name;
        EXPECT_EQ(restored.image(Slot::Texture).expanded(), c.image.expanded()) << c.name;
    }
}

// Equal maps are one step however they are kept; unequal ones are not.
TEST(History, AStepIsTakenOnlyWhenAMapChanges)
{
    const Picture tile(kInputBackground, 64, 32);
    Picture painted = tile;
    painted.at(63, 31) = 0x010203;
    const struct {
        const char* name;
        SlotImage next;
        bool step;
    } cases[] = {
        {"the background again, never filled", SlotImage(kInputBackground, 256, 256), false},
        {"the background again, made whole", SlotImage(Picture(kInputBackground, 256, 256), 256, 256, false), false},
        {"another background", SlotImage(kWhite, 256, 256), true},
        {"the background placed as a small picture", SlotImage(tile, 256, 256, false), false},
        {"a pixel changed", SlotImage(painted, 256, 256, true), true},
    };
    for (const auto& c : cases) {
        Workspace ws;
        History h;
        h.record(ws, Settings{}, "");
        ws.setImage(Slot::Grass, c.next);
        EXPECT_EQ(h.record(ws, Settings{}, "next"), c.step) << c.name;
    }
}

TEST(History, TheBudgetDropsTheOldestStepsButKeepsOne)
{
    Workspace ws;
    const std::size_t start = kHeights256;
    History h(start + 4 * kPicture256);
    h.record(ws, Settings{}, "");
    for (int i = 1; i <= 6; ++i) {
        paint(ws, Slot::Shadow, static_cast<Colour>(i) << 16);
        h.record(ws, withDarkness(i), "step " + std::to_string(i));
        EXPECT_LE(h.bytes(), h.budget()) << i;
    }
    // Four states share the heights and hold a shadow map each: the
    // oldest went first, the newest stay, in order.
    EXPECT_EQ(h.states(), 4u);
    EXPECT_EQ(h.undo()->settings.controls.darkness, 5);
    EXPECT_EQ(h.undo()->settings.controls.darkness, 4);
    EXPECT_EQ(h.undo()->settings.controls.darkness, 3);
    EXPECT_FALSE(h.canUndo());

    // Even over budget, the step back from the current state stays.
    while (h.canRedo()) h.redo();
    h.setBudget(0);
    EXPECT_EQ(h.states(), 2u);
    EXPECT_EQ(h.undo()->settings.controls.darkness, 5);
}
