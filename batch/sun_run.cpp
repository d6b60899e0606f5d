#include "sun_run.h"

#include "batch_run.h"
#include "compose/merge.h"
#include "imageio/map_files.h"
#include "inputs/sun_time.h"
#include "shadow/sun.h"
#include "shadow/sun_sums.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <ostream>

namespace gloamery::batch {

namespace {

constexpr const char* kTool = "gloamery-batch";

// "Sun" at the instant t, then the merge.
Refusal sunAt(Workspace& ws, const Controls& c, const MapPlace& where, std::chrono::sys_seconds t, Reporter& report,
              MapSun& sun)
{
    sun = mapSun(where, t);
    SunControls lit = c.sun;
    lit.azimuth = sun.azimuth;
    lit.altitude = std::clamp(sun.altitude, 0.0, 90.0);
    if (Refusal r = runSun(ws, lit, c.darkness, report, sun.altitude > 0)) return r;
    Merge(ws, c.blur, c.blend, report);
    return std::nullopt;
}

std::string figure(double v)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.3f", v);
    return text;
}

} // namespace

std::variant<MapPlace, Error> realSunPlace(const Controls& c, const MapOrigin& origin, int w, int h)
{
    std::optional<MapPlace> fromRaster;
    std::string why = "the height map has no coordinate system.";
    if (origin.place && !origin.place->wkt.empty()) {
        auto p = mapPlaceOf(*origin.place, w, h);
        if (const auto* m = std::get_if<MapPlace>(&p))
            fromRaster = *m;
        else
            why = std::get<Error>(p).message;
    }
    if (c.place) return MapPlace{*c.place, fromRaster ? fromRaster->gridNorth : 0.0};
    if (fromRaster) return *fromRaster;
    return Error{"needs --place LAT,LON: " + why};
}

bool needsRealSun(const RunStep& step)
{
    return (step.op == Operation::Sun && step.controls.when) || step.op == Operation::SunHours ||
        step.op == Operation::DirectLight;
}

Refusal runRealSun(Workspace& ws, const RunStep& step, const MapPlace& where, Reporter& report, std::ostream& notes,
                   SunSumLayer* kept)
{
    const Controls& c = step.controls;
    if (step.op == Operation::Sun) {
        MapSun sun{};
        if (Refusal r = sunAt(ws, c, where, *c.when, report, sun)) return r;
        notes << "note: " << sunNote(where, *c.when, sun.trueAzimuth, sun.azimuth, sun.altitude) << '\n';
        return std::nullopt;
    }
    const bool hours = step.op == Operation::SunHours;
    SunSumLayer layer;
    if (Refusal r = runSunSum(ws, hours ? SunSum::Hours : SunSum::DirectLight, c.sun, where, *c.period, c.darkness,
                              layer, report))
        return r;
    Merge(ws, c.blur, c.blend, report);
    const auto [lo, hi] = std::minmax_element(layer.values.begin(), layer.values.end());
    notes << "note: " << operationName(step.op) << " at " << placeText(where.place) << ": " << figure(*lo) << " to "
          << figure(*hi) << (hours ? " hours, of " : " kWh/m2, of ") << figure(layer.most)
          << (hours ? " hours with the sun up\n" : " kWh/m2 on flat open ground\n");
    if (kept) *kept = std::move(layer);
    return std::nullopt;
}

int runFrames(Workspace& ws, const FramesStep& frames, const MapOrigin& origin, const MapPlace& where,
              std::ostream& err)
{
    const Controls& c = frames.sun.controls;
    std::error_code ec;
    std::filesystem::create_directories(frames.dir, ec);
    if (ec) {
        err << kTool << ": cannot make the folder " << quoted(frames.dir) << ": " << ec.message() << '\n';
        return kExitFileError;
    }
    for (std::int64_t k = 0; k < periodTimes(*c.period); ++k) {
        const auto t = periodTime(*c.period, k);
        SilentReporter quiet;
        MapSun sun{};
        if (Refusal r = sunAt(ws, c, where, t, quiet, sun)) {
            err << kTool << ": --frames: " << r->message << '\n';
            return kExitUsage;
        }
        const std::string path = (std::filesystem::path(frames.dir) / (frameStem(t) + ".png")).string();
        if (Refusal r = saveWorkspaceSlot(ws, Slot::Colour, origin, path, "png")) {
            err << kTool << ": cannot write " << quoted(path) << ": " << r->message << '\n';
            return kExitFileError;
        }
    }
    return kExitOk;
}

} // namespace gloamery::batch
