#pragma once
// Runs a plan over a region of a world (--world, --region): the workspace
// holds the region and the ring of pixels around it that the blur reads,
// the heights come from the world's file a window at a time, and every
// save writes the region alone. Put side by side, the regions of any split
// are the bytes one run over the whole world saves.

#include "batch_plan.h"

#include <iosfwd>

namespace gloamery::batch {

int runWorld(const Plan& plan, std::ostream& err);

} // namespace gloamery::batch
