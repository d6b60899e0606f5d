#include "sun_run.h"

#include "batch_run.h"
#include "inputs/sun_time.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <ostream>

namespace gloamery::batch {

namespace {

constexpr const char* kTool = "gloamery-batch";

std::string figure(double v)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.3f", v);
    return text;
}

} // namespace

bool takesRealSun(const RunStep& step)
{
    if (step.op->layer) return gloamery::takesRealSun(*step.op->layer);
    return step.op->shadow && gloamery::takesRealSun(step.controls, *step.op->shadow);
}

std::variant<MapPlace, Error> realSunWhere(const Controls& c, const std::optional<GeoPlace>& place, int w, int h)
{
    std::optional<MapPlace> fromRaster;
    std::string why = "the height map lies nowhere known";
    if (place) {
        auto p = mapPlaceOf(*place, w, h);
        if (const auto* m = std::get_if<MapPlace>(&p)) fromRaster = *m;
        else why = std::get<Error>(p).message;
    }
    if (c.place) return MapPlace{*c.place, fromRaster ? fromRaster->gridNorth : 0.0};
    if (fromRaster) return *fromRaster;
    return Error{"the place the sun is seen from is not known (" + why + ")"};
}

std::string placeFlag()
{
    const ControlRow& row = controlRow(ControlId::Place);
    return std::string(row.flag) + " " + std::string(row.metavar);
}

std::string realSunNotes(const RunStep& step, const MapPlace& where, const Workspace& ws)
{
    const Controls& c = step.controls;
    if (step.op->shadow) {
        if (!c.when) return {};
        return "note: " + sunNote(where, *c.when, mapSun(where, *c.when)) + "\n";
    }
    const ValueLayer* layer = ws.layer();
    if (!layer || layer->values.empty()) return {};
    const bool hours = layer->kind == LayerKind::SunHours;
    const auto [lo, hi] = std::minmax_element(layer->values.begin(), layer->values.end());
    return "note: " + operationName(step.op) + " at " + placeText(where.place) + ": " + figure(*lo) + " to "
         + figure(*hi) + (hours ? " hours, of " : " kWh/m2, of ") + figure(layer->divisor)
         + (hours ? " hours with the sun up\n" : " kWh/m2 on flat open ground\n");
}

int runFrames(const FramesStep& frames, std::ostream& err,
              const std::function<Refusal(const Controls&)>& lightAt,
              const std::function<Refusal(const std::string& path)>& saveColour)
{
    const Controls& given = frames.sun.controls;
    std::error_code ec;
    std::filesystem::create_directories(frames.dir, ec);
    if (ec) {
        err << kTool << ": cannot make the folder " << quoted(frames.dir) << ": " << ec.message() << '\n';
        return kExitFileError;
    }
    const SunPeriod& period = *given.period;
    for (std::int64_t k = 0; k < periodTimes(period); ++k) {
        Controls c = given;
        c.when = periodTime(period, k);
        if (const Refusal r = lightAt(c)) {
            err << kTool << ": --frames: " << r->message << '\n';
            return kExitUsage;
        }
        const std::string path = (std::filesystem::path(frames.dir) / (frameStem(*c.when) + ".png")).string();
        if (const Refusal r = saveColour(path)) {
            err << kTool << ": cannot write " << quoted(path) << ": " << r->message << '\n';
            return kExitFileError;
        }
    }
    return kExitOk;
}

} // namespace gloamery::batch
