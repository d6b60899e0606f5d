#include "sun.h"

#include "../workspace/numeric.h"
#include "point_sun.h"
#include "sun_light.h"
#include "sun_walk.h"

#include <cmath>
#include <string>
#include <variant>
#include <vector>

namespace gloamery {

namespace {

constexpr int kDiscSamples = 16; // altitudes across the sun's disc

// The samples of a run: the sun's own (one azimuth, one altitude or
// sixteen across its disc) first, then the sky's, one group an azimuth.
std::vector<SunGroup> sunGroups(const SunControls& c, int w, int h)
{
    std::vector<SunGroup> groups{sunOwnGroup(c, w, h)};
    if (c.sky > 0) {
        for (int n = 0; n < c.skyAzimuths; ++n) {
            const double a = c.azimuth + 360.0 * n / c.skyAzimuths;
            const SunRays rays(a, c.groundX, c.groundY, w, h);
            SunGroup g{a, {}, {}};
            for (int m = 0; m < c.skyAltitudes; ++m) {
                g.drops.push_back(sunDrop(rays, skyAltitude(m, c.skyAltitudes), c.vertical));
                g.planes.push_back(m);
            }
            groups.push_back(g);
        }
    }
    return groups;
}

// Counts the lit samples of every group over `box`: the sun's in one
// plane, the sky's in one plane an altitude. Empty when the reporter asks
// to stop.
template <class Grid>
std::optional<std::pair<LitPlanes, LitPlanes>> countLight(const std::vector<SunGroup>& groups, const SunControls& c,
                                                          const Grid& heights, int w, int h, const Rect& box,
                                                          Reporter& report, bool sunUp)
{
    LitPlanes sun(box, 1);
    LitPlanes sky(c.sky > 0 ? box : Rect{0, 0, 0, 0}, c.sky > 0 ? c.skyAltitudes : 0);
    // Each azimuth adds one count, at the pixel's lowest lit ring. The walk
    // of every ring at once beats one from the horizons (see horizons.h),
    // whose cost is the same at any ring count, at every count the sky may
    // have: at 16 rings it took half the time (4096 x 4096).
    sky.lowestRings = true;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        if (report.cancelled()) return std::nullopt;
        const SunRays rays(groups[g].azimuth, c.groundX, c.groundY, w, h);
        // A sun below the horizon lights nothing of its own: its plane stays 0.
        if (g == 0) {
            if (sunUp) walkGroup(rays, groups[g], heights, sun);
        } else {
            walkGroup(rays, groups[g], heights, sky);
        }
        report.progress(static_cast<double>(g + 1) / static_cast<double>(groups.size() + 1));
    }
    return std::make_pair(std::move(sun), std::move(sky));
}

// Counts, lights and writes the shadow map over `box`, whose pixel (0, 0)
// is the map's (box.x0, box.y0).
template <class Grid>
Refusal lightBox(Workspace& ws, const SunControls& c, int darkness, const Grid& heights, int w, int h,
                 const Rect& box, Reporter& report, bool sunUp)
{
    const std::vector<SunGroup> groups = sunGroups(c, w, h);
    if (groups.size() == 1 && groups[0].drops.size() == 1) {
        // A point sun and no sky: its walk writes the shadow map itself,
        // reporting as the counting walk does.
        if (report.cancelled()) return Error{"Stopped: the shadow map is as it was."};
        withShadeTarget(ws,
                        [&](auto shadow) { lightPointSun(shadow, groups[0], heights, w, h, c, darkness, box, sunUp); });
        report.progress(0.5);
        report.progress(1.0);
        return std::nullopt;
    }
    auto counts = countLight(groups, c, heights, w, h, box, report, sunUp);
    if (!counts) return Error{"Stopped: the shadow map is as it was."};
    withShadeTarget(ws, [&](auto shadow) { writeSunLight(shadow, counts->first, counts->second, heights, w, h, c, darkness); });
    report.progress(1.0);
    return std::nullopt;
}

// The part of the world's grid a region's run reads: every pixel a walk
// over the region passes, and one around the region for the slopes.
Rect regionFootprint(const std::vector<SunGroup>& groups, const SunControls& c, const WorldRegion& r)
{
    const Rect& box = r.area;
    const Rect world{0, 0, r.worldWidth, r.worldHeight};
    Rect reads = meet(grown(box, 1), world);
    for (const SunGroup& g : groups) {
        const Rect f = walkFootprint(SunRays(g.azimuth, c.groundX, c.groundY, r.worldWidth, r.worldHeight), g, box);
        if (!f.empty()) reads = unite(reads, f);
    }
    return reads;
}

} // namespace

SunGroup sunOwnGroup(const SunControls& c, int w, int h)
{
    const SunRays sunRays(c.azimuth, c.groundX, c.groundY, w, h);
    SunGroup sun{c.azimuth, {}, {}};
    if (c.size > 0) {
        for (int j = 0; j < kDiscSamples; ++j) {
            const double e = c.altitude + c.size * ((j + 0.5) / kDiscSamples - 0.5);
            sun.drops.push_back(sunDrop(sunRays, e, c.vertical));
            sun.planes.push_back(0);
        }
    } else {
        sun.drops.push_back(sunDrop(sunRays, c.altitude, c.vertical));
        sun.planes.push_back(0);
    }
    return sun;
}

const char* sunControlsFault(const SunControls& c)
{
    using namespace sun_range;
    auto within = [](double v, double lo, double hi) { return std::isfinite(v) && v >= lo && v <= hi; };
    if (!within(c.azimuth, -kAzimuth, kAzimuth)) return "sun.azimuth";
    if (!within(c.altitude, 0.0, kAltitudeMax)) return "sun.altitude";
    if (!within(c.size, 0.0, kSizeMax)) return "sun.size";
    if (!within(c.sky, 0.0, 1.0)) return "sun.sky";
    if (c.skyAzimuths < 1 || c.skyAzimuths > kSkyAzimuthsMax) return "sun.skyAzimuths";
    if (c.skyAltitudes < 1 || c.skyAltitudes > kSkyAltitudesMax) return "sun.skyAltitudes";
    if (!within(c.groundX, kUnitMin, kUnitMax)) return "sun.groundX";
    if (!within(c.groundY, kUnitMin, kUnitMax)) return "sun.groundY";
    if (!within(c.vertical, kUnitMin, kUnitMax)) return "sun.vertical";
    return nullptr;
}

Refusal runSun(Workspace& ws, const SunControls& sun, int darkness, Reporter& report, bool sunUp)
{
    if (const char* field = sunControlsFault(sun)) return faultRefusal(field);
    report.status(status::kCalculating);
    const HeightGrid heights = readHeights(ws);
    const int w = ws.width(), h = ws.height();
    return heights.visit([&](const auto& grid) { return lightBox(ws, sun, darkness, grid, w, h, Rect{0, 0, w, h}, report, sunUp); });
}

Refusal runSunRegion(Workspace& ws, const WorldRegion& region, const HeightSource& source, const SunControls& sun,
                     int darkness, Reporter& report, bool sunUp)
{
    if (const char* field = sunControlsFault(sun)) return faultRefusal(field);
    report.status(status::kCalculating);
    const int w = region.worldWidth, h = region.worldHeight;
    const Rect reads = regionFootprint(sunGroups(sun, w, h), sun, region);
    auto window = source.read({reads});
    if (const Error* e = std::get_if<Error>(&window)) return *e;
    const Rect& box = region.area;
    return std::visit([&](const auto& grid) { return lightBox(ws, sun, darkness, grid, w, h, box, report, sunUp); },
                      std::get<HeightWindow>(window));
}

} // namespace gloamery
