#pragma once
// The batch tool's options for game engines: --save normal|splat|occlusion
// FILE.png, --normal-convention, --normal-depth, --directions and --fit.

#include "batch_plan.h"
#include "option_reader.h"

#include <string>
#include <utility>
#include <vector>

namespace gloamery::batch {

// The engine maps' options as the command line has set them so far.
struct EngineChoices {
    NormalConvention convention = NormalConvention::OpenGL;
    int normalBits = 8;
    int directions = 16;
};

// The ground units as they stand, and whether --ground, --vertical came
// after the last height map (see RunStep).
struct EngineUnits {
    const SunControls& sun;
    std::pair<bool, bool> given;
};

// Reads one of the options above into the choices or a step; false when
// the argument is none of them (a --save of a slot is left to be read).
bool readEngineOption(const std::string& arg, Reader& in, EngineChoices& c, const EngineUnits& units,
                      std::vector<Step>& steps);

} // namespace gloamery::batch
