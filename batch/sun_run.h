#pragma once
// The batch tool's side of the real sun: where it is seen from (the place
// given, or the height raster's centre, with the raster's grid north), the
// notes a run gives of it, and the frames of a period.

#include "batch_plan.h"
#include "imageio/geo_place.h"
#include "workspace/reporter.h"

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <variant>

namespace gloamery::batch {

// Whether the step takes the real sun: "sun" with --when, --frames'
// runs, sun-hours and direct-light.
bool takesRealSun(const RunStep& step);

// Where the real sun of a w x h map (or world) placed at `place` is seen
// from: --place with the raster's grid north (0 without a coordinate
// system), else the raster's centre; an error saying why neither can be
// had (each front end adds how to give the place).
std::variant<MapPlace, Error> realSunWhere(const Controls& c, const std::optional<GeoPlace>& place, int w, int h);

// "--place LAT,LON", as the control schema has it.
std::string placeFlag();

// What a run of the real sun says once it is done: the sun's place,
// azimuths and altitude for "sun"; the range of the sums beside the most
// a pixel could have had for the period's layers. Empty for other runs.
std::string realSunNotes(const RunStep& step, const MapPlace& where, const Workspace& ws);

// --frames: "sun" at every time of the period, each colour map saved as
// DIR/YYYYMMDDTHHMMZ.png (atomically). Stops at the first file that cannot
// be written (exit status 1) or refusal (2). `lightAt` runs "sun" with the
// controls at one time (over the map, or a region), `saveColour` saves.
int runFrames(const FramesStep& frames, std::ostream& err,
              const std::function<Refusal(const Controls&)>& lightAt,
              const std::function<Refusal(const std::string& path)>& saveColour);

} // namespace gloamery::batch
