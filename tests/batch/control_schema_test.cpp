// Every row of the control schema, through the batch tool's reader and a
// settings file: the start value reads back as the panel's default, a value
// out of range is refused with the row's words, and a file written with
// the controls changed reads back the same.

#include "batch_plan.h"
#include "inputs/control_schema.h"
#include "inputs/control_values.h"
#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

using namespace gloamery;
using namespace gloamery::batch;

namespace {

std::variant<Command, UsageError> parse(const ControlRow& row, const std::string& value)
{
    return parseArguments(std::vector<std::string>{std::string(row.flag), value, "clear"});
}

// A value the row refuses, as the batch tool is given it.
std::string refusedText(const ControlRow& row)
{
    switch (row.kind) {
    case ControlKind::Flag: return "maybe";
    case ControlKind::Choice: return "color-dodge";
    case ControlKind::NumberText: return row.count == 2 ? "1,abc" : "abc";
    // "abc" where the row's test refuses it (a radius), else nothing (a colour table's name).
    case ControlKind::Text: return row.accepts && !row.accepts("abc") ? "abc" : "";
    // Read into typed values: a time without its zone, a period without a step, a place off the globe.
    case ControlKind::Time: return "2026-06-21T09:00";
    case ControlKind::Period: return "2026-06-21T00:00Z,2026-06-22T00:00Z";
    case ControlKind::Place: return "95,0";
    default: break;
    }
    const std::string beyond = boundText(row.parts[0].hi * 2 + 1);
    return row.count == 2 && !row.secondOptional ? boundText(row.parts[0].lo) + "," + beyond : beyond;
}

// The settings key of a row's first part, as it stands in the file.
std::string settingsKey(const ControlRow& row)
{
    return std::string(row.key.empty() ? row.parts[0].key : row.key);
}

} // namespace

TEST(ControlSchemaFrontEnds, TheBatchStartValueIsThePanelsDefault)
{
    for (const ControlRow& row : controlRows()) {
        const auto read = parse(row, std::string(row.start));
        ASSERT_TRUE(std::holds_alternative<Command>(read)) << row.flag << ": " << std::get<UsageError>(read).message;
        const auto& step = std::get<RunStep>(std::get<Command>(read).plan.steps.at(0));
        EXPECT_EQ(step.controls, Controls{}) << row.flag;
    }
}

TEST(ControlSchemaFrontEnds, TheBatchToolRefusesInTheRowsWords)
{
    for (const ControlRow& row : controlRows()) {
        const std::string text = refusedText(row);
        const auto read = parse(row, text);
        ASSERT_TRUE(std::holds_alternative<UsageError>(read)) << row.flag << " " << text;
        // A typed row says too what is wrong with the text, naming it.
        const std::string& said = std::get<UsageError>(read).message;
        if (readsTyped(row)) {
            EXPECT_EQ(said.rfind(batchRefusal(row, text) + ": ", 0), 0u) << said;
            EXPECT_NE(said.find(row.kind == ControlKind::Place ? "not 95" : text.substr(0, 16)), std::string::npos) << said;
        } else {
            EXPECT_EQ(said, batchRefusal(row, text));
        }
        // Every control flag takes a value (the vetting of the arguments knows it from the schema).
        const auto missing = parseArguments(std::vector<std::string>{std::string(row.flag)});
        ASSERT_TRUE(std::holds_alternative<UsageError>(missing)) << row.flag;
        EXPECT_EQ(std::get<UsageError>(missing).message, "Missing value after '" + std::string(row.flag) + "'.");
    }
}

TEST(ControlSchemaFrontEnds, SettingsFilesRefuseOutOfRangeByKey)
{
    for (const ControlRow& row : controlRows()) {
        if (row.kind != ControlKind::Number && row.kind != ControlKind::Whole) continue;
        const std::string key = settingsKey(row);
        const bool list = !row.key.empty() && row.count == 2;
        const std::string value = boundText(row.parts[0].hi * 2 + 1);
        const std::string inner = "\"" + key.substr(key.starts_with("sun.") ? 4 : 0) + "\": "
                                + (list ? "[" + value + ", " + boundText(row.parts[1].lo) + "]" : value);
        const std::string entry = key.starts_with("sun.") ? "\"sun\": {" + inner + "}" : inner;
        const std::string text = "{\"format\": \"gloamery-settings\", \"version\": 1, " + entry + "}";
        const auto read = parseSettings(text, Settings{});
        ASSERT_TRUE(std::holds_alternative<Error>(read)) << text;
        const std::string expected = "\"" + key + (list ? "[0]" : "") + "\" must be " + partRangeWords(row, 0);
        EXPECT_EQ(std::get<Error>(read).message.rfind(expected, 0), 0u) << std::get<Error>(read).message;
    }
}

TEST(ControlSchemaFrontEnds, SettingsFilesKeepEveryControlChanged)
{
    Settings s;
    s.map = MapSize{256, 256};
    for (const ControlRow& row : controlRows()) {
        ControlValue v = controlValue(s.controls, row.id);
        v.numbers = {row.parts[0].hi, row.parts[1].lo};
        v.texts = {"-12.5", "40"};
        if (row.kind == ControlKind::Text) v.texts = {"12.5", "40"}; // a text the row takes (a radius)
        v.flag = !v.flag;
        v.choice = 0;
        // The real sun's rows, set: an instant, a period across a change of the clocks, a place.
        v.none = false;
        v.time = std::chrono::sys_days{std::chrono::year{2026} / 6 / 21} + std::chrono::hours{7};
        v.period = SunPeriod{v.time - std::chrono::days{84}, v.time - std::chrono::days{83}, 7};
        v.place = SunPlace{-33.875, 151.25};
        setControlValue(s.controls, row.id, v);
    }
    ASSERT_NE(s.controls, Controls{});
    const auto read = parseSettings(settingsText(s), Settings{});
    ASSERT_TRUE(std::holds_alternative<Settings>(read)) << std::get<Error>(read).message;
    EXPECT_EQ(std::get<Settings>(read), s);
}
