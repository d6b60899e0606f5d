#pragma once
// Every option of the batch tool, in the order --help lists them: its name,
// how many arguments follow it (the values it takes whatever they look
// like: "--load height -v" loads the file "-v"), and its lines in --help.
// A new option is an entry here.

#include <span>
#include <string_view>

namespace gloamery::batch {

// The part of --help an option is listed in; Hidden for the other names
// of an option listed once ("-h", "--help-all", "-v").
enum class HelpGroup { Pictures, DeepHeights, MapSize, World, Controls, Sun, Settings, Running, Hidden };

struct OptionInfo {
    std::string_view name;  // without its dashes
    int values;             // the arguments that follow it
    HelpGroup group;
    std::string_view shown; // the left column of its help: "--load SLOT FILE"
    std::string_view help;  // what it does, its lines separated by '\n'
};

std::span<const OptionInfo> batchOptions();

} // namespace gloamery::batch
