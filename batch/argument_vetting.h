#pragma once
// The batch tool's options, and the vetting pass that sees the command
// line as a whole before it is read: the options that take values take
// the next arguments whatever they look like, --help and
// --version win wherever they stand, and unknown options are named the way
// the toolkit's command-line parser named them when the tool used it.

#include "batch_plan.h"

#include <optional>
#include <string>
#include <vector>

namespace gloamery::batch {

// --help or --version, or the first usage error; neither when the
// arguments are to be read.
struct Vetted {
    std::optional<Request> request; // --help or --version, wherever it stands
    std::optional<UsageError> error;
};

Vetted vetArguments(const std::vector<std::string>& args);

// "--name=value" as the two arguments it means; an option's values, and
// everything after "--", are kept as they are.
std::vector<std::string> unpackArguments(const std::vector<std::string>& args);

} // namespace gloamery::batch
