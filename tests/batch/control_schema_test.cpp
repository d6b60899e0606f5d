// Every row of the control schema, through the batch tool's reader and a
// settings file: the start value reads back as the panel's default, a value
// out of range is refused with the row's words, and a file written with
// the controls changed reads back the same.

#include "batch_plan.h"
#include "inputs/control_schema.h"
#include "inputs/control_values.h"
#include "settings/settings_file.h"

#include <gtest/gtest.h>

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
        EXPECT_EQ(std::get<UsageError>(read).message, batchRefusal(row, text));
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
        setControlValue(s.controls, row.id, v);
    }
    ASSERT_NE(s.controls, Controls{});
    const auto read = parseSettings(settingsText(s), Settings{});
    ASSERT_TRUE(std::holds_alternative<Settings>(read)) << std::get<Error>(read).message;
    EXPECT_EQ(std::get<Settings>(read), s);
}
