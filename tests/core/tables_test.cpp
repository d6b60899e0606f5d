// The operation table and the control schema hold together: every mode and
// every control has one row, no two rows share a name in any front end,
// and what a row says agrees with what the core does.

#include "inputs/control_schema.h"
#include "inputs/control_values.h"
#include "inputs/operations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <set>
#include <string>

using namespace gloamery;

namespace {

template <class Rows, class Field>
void expectUnique(const Rows& rows, Field field, const char* what)
{
    std::set<std::string> seen;
    for (const auto& row : rows) {
        const std::string name(field(row));
        if (name.empty()) continue;
        EXPECT_TRUE(seen.insert(name).second) << what << " " << name << " is given twice";
    }
}

} // namespace

TEST(OperationTable, EveryModeAndButtonHasOneRowAndNamesAreUnique)
{
    const auto rows = operationRows();
    for (const ShadowModeInfo& m : kShadowModes)
        EXPECT_EQ(std::count_if(rows.begin(), rows.end(), [&](const OperationRow& r) { return r.shadow == m.mode; }), 1);
    for (TextureButton b : {TextureButton::MakeTexture, TextureButton::MakeTexture2})
        EXPECT_TRUE(operationOf(b).texture == b);
    expectUnique(rows, [](const OperationRow& r) { return r.name; }, "batch name");
    expectUnique(rows, [](const OperationRow& r) { return r.caption; }, "caption");
    expectUnique(rows, [](const OperationRow& r) { return r.python; }, "Python method");
    for (const OperationRow& r : rows) {
        EXPECT_EQ(operationNamed(r.name), &r);
        EXPECT_NE(r.run, nullptr) << r.name;
        EXPECT_FALSE(r.help.empty() || r.doc.empty()) << r.name;
        // A Python method is the batch name in Python's spelling, unless a
        // control's attribute already has that name ("sun").
        std::string spelled(r.name);
        std::replace(spelled.begin(), spelled.end(), '-', '_');
        const bool taken = std::any_of(controlRows().begin(), controlRows().end(),
                                       [&](const ControlRow& c) { return c.python == spelled; });
        if (!taken) {
            EXPECT_EQ(r.python, spelled);
        }
        EXPECT_NE(r.writes, 0u) << r.name;
    }
}

TEST(OperationTable, ShadowRowsAgreeWithTheCoresModes)
{
    for (const OperationRow& r : operationRows()) {
        EXPECT_EQ(r.kind == OperationKind::Shadow, r.shadow.has_value()) << r.name;
        // A texture rule makes a texture row; "tint" is one without a rule of the two buttons.
        if (r.texture) EXPECT_EQ(r.kind, OperationKind::Texture) << r.name;
        if (!r.shadow) continue;
        EXPECT_EQ(&operationOf(*r.shadow), &r);
        // Whether the row offers X0, Y0 is whether the rays start there.
        EXPECT_EQ(holds(r.controls, ControlId::SunPosition), usesSunPosition(*r.shadow)) << r.name;
        EXPECT_TRUE(holds(r.reads, Slot::Height) && holds(r.writes, Slot::Shadow) && holds(r.writes, Slot::Colour));
        EXPECT_EQ(&progressSteps(r), &shadowSteps(*r.shadow));
    }
    for (const OperationRow* r : sweepRows()) EXPECT_TRUE(r->shadow != ShadowMode::Sun) << r->name;
    EXPECT_EQ(sweepRows().size() + 1, kShadowModes.size());
}

TEST(OperationTable, NameListsReadAsSentences)
{
    EXPECT_EQ(operationNameList(), "linear, linear-sim, sin, cos, embossed, sun, sky-view, openness, openness-negative, "
                                   "multi-hillshade, sun-hours, direct-light, make-texture, make-texture2, tint or clear");
    EXPECT_EQ(operationNameList("shadow"), "linear, linear-sim, sin, cos, embossed, sun, shadow, sky-view, openness, "
                                           "openness-negative, multi-hillshade, sun-hours, direct-light, make-texture, "
                                           "make-texture2, tint or clear");
}

TEST(ControlSchema, EveryControlHasOneRowWithItsNamesUnique)
{
    const auto rows = controlRows();
    for (int id = 0; id <= static_cast<int>(ControlId::Period); ++id)
        EXPECT_EQ(std::count_if(rows.begin(), rows.end(), [&](const ControlRow& r) { return r.id == ControlId(id); }), 1)
            << "control " << id;
    expectUnique(rows, [](const ControlRow& r) { return r.flag; }, "batch flag");
    expectUnique(rows, [](const ControlRow& r) { return r.python; }, "Python attribute");
    std::set<std::string> keys;
    for (const ControlRow& r : rows) {
        EXPECT_TRUE(r.flag.starts_with("--")) << r.flag;
        EXPECT_EQ(controlRowOfFlag(r.flag), &r);
        EXPECT_TRUE(r.count == 1 || r.count == 2) << r.flag;
        EXPECT_TRUE(r.kind != ControlKind::Choice || !r.choices.empty()) << r.flag;
        // A settings file names each value once: by the row's key or its parts'.
        for (int i = 0; i < r.count; ++i) {
            const std::string_view key = r.key.empty() ? r.parts[static_cast<std::size_t>(i)].key : r.key;
            EXPECT_FALSE(key.empty()) << r.flag;
            if (!r.key.empty() && i > 0) continue;
            EXPECT_TRUE(keys.insert(std::string(key)).second) << key;
            EXPECT_FALSE(r.captions[static_cast<std::size_t>(i)].empty()) << r.flag;
        }
    }
}

TEST(ControlSchema, RangesAcceptTheirEndsAndRefuseBeyond)
{
    for (const ControlRow& r : controlRows()) {
        if (r.kind != ControlKind::Number && r.kind != ControlKind::Whole) continue;
        for (int i = 0; i < r.count; ++i) {
            const ControlPart& p = r.parts[static_cast<std::size_t>(i)];
            EXPECT_TRUE(partAccepts(r, i, p.lo) && partAccepts(r, i, p.hi)) << r.flag;
            EXPECT_FALSE(partAccepts(r, i, p.lo - 1) || partAccepts(r, i, p.hi * 2 + 1)) << r.flag;
            EXPECT_FALSE(partAccepts(r, i, std::nan(""))) << r.flag;
            if (r.kind == ControlKind::Whole) {
                EXPECT_FALSE(partAccepts(r, i, p.lo + 0.5)) << r.flag;
            }
        }
    }
}

// The start values are the Controls' own, and a value read back is the
// value set, for every row.
TEST(ControlSchema, ValuesGoInAndOutOfTheControlsUnchanged)
{
    const Controls start;
    for (const ControlRow& r : controlRows()) {
        Controls c;
        const ControlValue v = controlValue(start, r.id);
        setControlValue(c, r.id, v);
        EXPECT_EQ(c, start) << r.flag;
        ControlValue changed = v;
        // A part that starts at its top changes to its bottom.
        changed.numbers = {v.numbers[0] == r.parts[0].hi ? r.parts[0].lo : r.parts[0].hi, r.parts[1].hi};
        changed.texts = {"7", "8"};
        changed.flag = !v.flag;
        changed.choice = r.choices.empty() ? 0 : static_cast<int>(r.choices.size()) - 1;
        // A row that starts unset takes a value, of its kind.
        changed.none = !v.none && r.unset;
        changed.time = std::chrono::sys_seconds{std::chrono::seconds{1782025200}};
        changed.period = SunPeriod{changed.time, changed.time + std::chrono::hours{5}, 20};
        changed.place = SunPlace{46.5, -7.9};
        setControlValue(c, r.id, changed);
        EXPECT_NE(c, start) << r.flag;
        const ControlValue back = controlValue(c, r.id);
        EXPECT_TRUE(back.numbers == changed.numbers || r.kind != ControlKind::Number) << r.flag;
        EXPECT_TRUE(back.time == changed.time || r.kind != ControlKind::Time) << r.flag;
        EXPECT_TRUE(back.period == changed.period || r.kind != ControlKind::Period) << r.flag;
        EXPECT_TRUE(back.place == changed.place || r.kind != ControlKind::Place) << r.flag;
        EXPECT_EQ(back.none, changed.none) << r.flag;
        // Unset again, it is as it started.
        if (r.unset) {
            changed.none = true;
            setControlValue(c, r.id, changed);
            EXPECT_EQ(c, start) << r.flag;
        }
    }
}

TEST(ControlSchema, NumbersOutOfRangeAreRefusedByCaption)
{
    const struct {
        void (*spoil)(Controls&);
        const char* message;
    } cases[] = {
        {[](Controls& c) { c.sun.altitude = 95; }, "Altitude must be a number from 0 to 90, not 95."},
        {[](Controls& c) { c.sun.skyAltitudes = 17; }, "Sky altitudes must be a whole number from 1 to 16, not 17."},
        {[](Controls& c) { c.darkness = 300; }, "Darkness must be a whole number from 0 to 255, not 300."},
        {[](Controls& c) { c.sun.groundY = 0; }, "Ground size down must be a number from 1e-09 to 1e+09, not 0."},
    };
    for (const auto& k : cases) {
        Controls c;
        EXPECT_FALSE(numbersRefused(c, ~0ull));
        k.spoil(c);
        const Refusal refused = numbersRefused(c, ~0ull);
        ASSERT_TRUE(refused.has_value()) << k.message;
        EXPECT_EQ(refused->message, k.message);
    }
}

// The real sun's rows: its time and period read once from their text into
// typed values (the core sees no text), written back in UTC; "none" unsets.
TEST(ControlSchema, TimesAndPeriodsAreReadOnceIntoValues)
{
    const ControlRow& when = controlRow(ControlId::When);
    const ControlRow& period = controlRow(ControlId::Period);
    const ControlRow& place = controlRow(ControlId::Place);
    EXPECT_EQ(when.kind, ControlKind::Time);
    EXPECT_EQ(period.kind, ControlKind::Period);
    for (const ControlRow* r : {&when, &period, &place}) EXPECT_TRUE(r->unset && r->start == "none" && readsTyped(*r));
    const struct {
        const ControlRow* row;
        const char* text;
        const char* back; // empty: refused, `why` naming the value
    } cases[] = {
        {&when, "2026-06-21T09:00[Europe/Zurich]", "2026-06-21T07:00:00Z"},
        {&when, "2026-06-21T09:00+02:00", "2026-06-21T07:00:00Z"},
        {&when, "none", "none"},
        {&when, "2026-06-21T09:00", ""},
        {&period, "2026-10-25T00:00[Europe/Zurich],2026-10-25T04:00[Europe/Zurich],30",
         "2026-10-24T22:00:00Z,2026-10-25T03:00:00Z,30"},
        {&period, "2026-10-25T00:00Z,2026-10-25T04:00Z,1441", ""},
        {&place, "46.5,-7.25", "46.5,-7.25"},
        {&place, "none", "none"},
        {&place, "95,7", ""},
    };
    for (const auto& k : cases) {
        const auto v = readTypedText(*k.row, k.text);
        if (*k.back == 0) {
            ASSERT_TRUE(std::holds_alternative<Error>(v)) << k.text;
            const std::string text(k.text);
            const std::string named = k.row == &place ? "not 95" : k.row == &period ? "'1441'" : text;
            EXPECT_NE(std::get<Error>(v).message.find(named), std::string::npos)
                << std::get<Error>(v).message;
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<ControlValue>(v)) << k.text << ": " << std::get<Error>(v).message;
        EXPECT_EQ(typedText(*k.row, std::get<ControlValue>(v)), k.back);
    }
    EXPECT_EQ(batchRefusal(when, "9:00", "why"), std::string(when.flag) + " needs " + std::string(when.needs)
                                                     + ", not \"9:00\": why");
}
