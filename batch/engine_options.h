#pragma once
// The batch tool's options for game engines: --save normal|splat|occlusion
// FILE.png (with the controls as they stand) and --fit W,H.

#include "batch_plan.h"
#include "option_reader.h"

#include <string>
#include <utility>
#include <vector>

namespace gloamery::batch {

// The controls as they stand, and whether --ground, --vertical came after
// the last height map (see RunStep).
struct EngineUnits {
    const Controls& controls;
    std::pair<bool, bool> given;
};

// Reads one of the options above into a step; false when the argument is
// none of them (a --save of a slot is left to be read).
bool readEngineOption(const std::string& arg, Reader& in, const EngineUnits& units, std::vector<Step>& steps);

} // namespace gloamery::batch
