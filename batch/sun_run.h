#pragma once
// The batch tool's runs of the real sun: "sun" at a date and time,
// sun-hours and direct light over a period, and the frames of a period.

#include "batch_plan.h"
#include "imageio/geo_place.h"
#include "shadow/sun_period.h"
#include "shadow/sun_sums.h"
#include "workspace/reporter.h"

#include <iosfwd>
#include <variant>

namespace gloamery::batch {

// Where a real sun is seen from: --place, else the centre of the height
// raster; the grid north from the raster's coordinate system either way
// (0 without one).
std::variant<MapPlace, Error> realSunPlace(const Controls& c, const MapOrigin& origin, int w, int h);

// Whether the step needs the sun's place: "sun" with --when, sun-hours,
// direct-light.
bool needsRealSun(const RunStep& step);

// Runs such a step at `where`, then the merge; what it has to say (the
// sun's position, the range of the sums) goes to `notes`, and the sums, when
// `layer` is given, there.
Refusal runRealSun(Workspace& ws, const RunStep& step, const MapPlace& where, Reporter& report, std::ostream& notes,
                   SunSumLayer* layer = nullptr);

// --frames: at every time of the period, the sun's light merged into the
// colour map, saved as DIR/YYYYMMDDTHHMMZ.png. Stops at the first file
// that cannot be written (exit status 1) or refusal (2).
int runFrames(Workspace& ws, const FramesStep& frames, const MapOrigin& origin, const MapPlace& where,
              std::ostream& err);

} // namespace gloamery::batch
