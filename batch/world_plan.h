#pragma once
// The checks a world's plan passes once the whole command line is read.

#include "batch_plan.h"

#include <optional>
#include <vector>

namespace gloamery::batch {

// Places --region X,Y,w,h in the world (or the whole world, when it is
// small enough to be lit at once); refuses a region that does not fit.
std::optional<UsageError> placeRegion(Plan& plan, const std::optional<std::vector<int>>& region);

// What a world's steps cannot do: resize it, or load what its runs compute.
std::optional<UsageError> worldRefuses(const Plan& plan);

} // namespace gloamery::batch
