#include "sun_sums.h"

#include "../workspace/numeric.h"
#include "../workspace/parallel.h"
#include "pixel_writer.h"
#include "point_sun.h"
#include "sun.h"
#include "sun_light.h"
#include "sun_walk.h"

#include <algorithm>
#include <cmath>

namespace gloamery {

namespace {

constexpr int kBand = 32; // rows a thread takes at once in a pass over the map

// The sums of one run over a box of a w x h map (the whole map, or a
// region of a world), kept in `acc`, row-major over the box: lit counts for
// the hours, light for the direct light.
// A point sun's walk writes only where it finds shadow, as "Sun"'s does
// (point_sun.h): the plane then counts each pixel's unlit times for the
// hours, or marks the pixels unlit at this time for the direct light, and
// the lit pixels, most of the map by day, cost no write.
template <class Grid>
class SumRun {
public:
    SumRun(const Grid& heights, int w, int h, const Rect& box, const SunControls& c, SunSum what, int step,
           LayerValues& acc)
        : heights_(heights), w_(w), h_(h), box_(box), c_(c), what_(what), step_(step), acc_(acc), lit_(box, 1),
          samples_(c.size > 0 ? 16 : 1)
    {
        fillFresh(acc_, static_cast<std::size_t>(box.width) * static_cast<std::size_t>(box.height), 0.0);
    }

    // One time with the sun up at (azimuth, altitude) on the map.
    void add(double azimuth, double altitude)
    {
        SunControls c = c_;
        c.azimuth = azimuth;
        c.altitude = altitude;
        const SunRays rays(azimuth, c.groundX, c.groundY, w_, h_);
        const SunGroup group = sunOwnGroup(c, w_, h_);
        if (pointSun()) {
            const ShadeTarget<std::uint16_t> plane{lit_.plane(0), lit_.stride, box_.width, box_.height};
            if (what_ == SunSum::Hours) markUnlit(rays, group, heights_, plane, box_, [](std::uint16_t& n) { ++n; });
            else markUnlit(rays, group, heights_, plane, box_, [](std::uint16_t& n) { n = 1; });
        } else {
            walkGroup(rays, group, heights_, lit_);
        }
        ++upTimes_;
        if (what_ == SunSum::Hours) {
            // The counts wait in their 16-bit plane until it could overflow.
            if (++pending_ == 65535 / samples_) flushCounts();
            return;
        }
        const double beam = clearSkyBeam(altitude);
        addLight(c, beam);
        const double flat = c.lambert ? std::max(0.0, std::sin(altitude * kPi / 180.0)) : 1.0;
        flat_ = flat_ + (((flat * 1.0) * beam) * step_) / 60;
    }

    // Turns the sums into the layer's values and returns the most a pixel
    // could have had.
    double finish()
    {
        if (what_ == SunSum::DirectLight) return flat_;
        flushCounts();
        const double samples = samples_, step = step_;
        forEachRow(box_.height, acc_.size(), [&](int y) {
            double* row = accRow(y);
            for (int x = 0; x < box_.width; ++x) row[x] = ((row[x] / samples) * step) / 60;
        });
        return (static_cast<double>(upTimes_) * step) / 60;
    }

private:
    bool pointSun() const { return samples_ == 1; }

    double* accRow(int y) { return acc_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(box_.width); }

    // A plane's count of lit samples, or for a point sun of unlit times
    // among those since the last flush.
    int litCount(std::uint16_t n) const { return pointSun() ? pending_ - n : n; }

    void flushCounts()
    {
        forEachRow(box_.height, acc_.size(), [&](int y) {
            std::uint16_t* n = lit_.plane(0) + lit_.at(0, y);
            double* row = accRow(y);
            for (int x = 0; x < box_.width; ++x) row[x] = row[x] + litCount(n[x]);
            std::fill(n, n + box_.width, std::uint16_t{0});
        });
        pending_ = 0;
    }

    // Adds lambda v B STEP / 60 of every pixel and clears the counts.
    void addLight(const SunControls& c, double beam)
    {
        const LambertTerm lambert(c);
        const double samples = samples_, step = step_;
        const int bw = box_.width;
        forEachRow((box_.height + kBand - 1) / kBand, acc_.size(), [&](int band) {
            std::vector<double> ring[3], lambda(static_cast<std::size_t>(bw), 1.0);
            const int first = band * kBand, last = std::min(box_.height, first + kBand);
            auto elevationsOf = [&](int row, std::vector<double>& z) {
                elevationRow(heights_, w_, h_, c.vertical, box_.y0 + row, box_.x0, bw, z);
            };
            if (c.lambert) {
                elevationsOf(first - 1, ring[0]);
                elevationsOf(first, ring[1]);
            }
            for (int y = first; y < last; ++y) {
                if (c.lambert) {
                    std::vector<double>& below = ring[(y - first + 2) % 3];
                    elevationsOf(y + 1, below);
                    const std::vector<double>* const z[3] = {&ring[(y - first) % 3], &ring[(y - first + 1) % 3], &below};
                    lambert.row(z, bw, lambda.data());
                }
                std::uint16_t* n = lit_.plane(0) + lit_.at(0, y);
                double* row = accRow(y);
                for (int x = 0; x < bw; ++x) {
                    const double v = pointSun() ? 1 - n[x] : n[x] / samples;
                    row[x] = row[x] + (((lambda[static_cast<std::size_t>(x)] * v) * beam) * step) / 60;
                }
                std::fill(n, n + bw, std::uint16_t{0});
            }
        });
    }

    const Grid& heights_;
    int w_, h_;
    Rect box_;
    SunControls c_;
    SunSum what_;
    double step_;
    LayerValues& acc_;
    LitPlanes lit_;
    int samples_;
    int pending_ = 0;
    std::int64_t upTimes_ = 0;
    double flat_ = 0.0;
};

// The shadow map's grey of every pixel from its share of the most.
void writeShares(Workspace& ws, const SunSumLayer& layer, int darkness)
{
    const double d = darkness, most = layer.most;
    withShadeTarget(ws, [&](auto shadow) {
        using Pixel = std::remove_pointer_t<decltype(shadow.pixels)>;
        forEachRow(layer.height, layer.values.size(), [&](int y) {
            const double* v = layer.values.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(layer.width);
            Pixel* out = shadow.pixels + static_cast<std::size_t>(y) * shadow.stride;
            for (int x = 0; x < layer.width; ++x) {
                const double q = most == 0.0 ? 0.0 : v[x] / most;
                const double g = std::clamp(nearest((255 - d) + d * q), 0.0, 255.0);
                out[x] = shadeAs<Pixel>(static_cast<std::uint32_t>(g));
            }
        });
    });
}

} // namespace

MapSun mapSun(const MapPlace& where, std::chrono::sys_seconds t)
{
    const SolarPosition p = solarPosition(where.place.latitude, where.place.longitude, t);
    // On the map, as a bearing from its up direction: 0 .. 360.
    double onMap = std::fmod(p.azimuth - where.gridNorth, 360.0);
    if (onMap < 0) onMap += 360.0;
    return {p.azimuth, onMap, p.altitude};
}

double clearSkyBeam(double altitude)
{
    const double airMass = 1 / (std::sin(altitude * kPi / 180) + 0.50572 * std::pow(altitude + 6.07995, -1.6364));
    return 1.353 * std::pow(0.7, std::pow(airMass, 0.678));
}

namespace {

Refusal sumRefused(const SunControls& sun, const MapPlace& where, const SunPeriod& period)
{
    SunControls checked = sun;
    checked.azimuth = 0.0;
    checked.altitude = 45.0;
    if (const char* field = sunControlsFault(checked)) return faultRefusal(field);
    if (Refusal r = sunPlaceRefused(where.place)) return r;
    if (Refusal r = sunPeriodRefused(period)) return r;
    if (!std::isfinite(where.gridNorth)) return Error{"The map's grid north is not a number."};
    return std::nullopt;
}

// The sums over `box` of a w x h map whose heights `grid` reads, into
// `out`; false when the reporter asks to stop.
template <class Grid>
bool sumOver(const Grid& grid, int w, int h, const Rect& box, SunSum what, const SunControls& sun,
             const MapPlace& where, const SunPeriod& period, SunSumLayer& out, Reporter& report)
{
    const std::int64_t times = periodTimes(period);
    out = SunSumLayer{box.width, box.height, {}, 0.0};
    SumRun run(grid, w, h, box, sun, what, period.stepMinutes, out.values);
    for (std::int64_t k = 0; k < times; ++k) {
        if (report.cancelled()) return false;
        const MapSun s = mapSun(where, periodTime(period, k));
        if (s.altitude > 0) run.add(s.azimuth, std::min(s.altitude, 90.0));
        report.progress(static_cast<double>(k + 1) / static_cast<double>(times + 1));
    }
    out.most = run.finish();
    return true;
}

} // namespace

Refusal runSunSum(Workspace& ws, SunSum what, const SunControls& sun, const MapPlace& where, const SunPeriod& period,
                  int darkness, SunSumLayer& layer, Reporter& report)
{
    if (Refusal r = sumRefused(sun, where, period)) return r;
    report.status(status::kCalculating);
    const HeightGrid heights = readHeights(ws);
    const int w = ws.width(), h = ws.height();
    SunSumLayer out;
    const bool done = heights.visit([&](const auto& grid) {
        return sumOver(grid, w, h, Rect{0, 0, w, h}, what, sun, where, period, out, report);
    });
    if (!done) return Error{"Stopped: the shadow map is as it was."};
    writeShares(ws, out, darkness);
    layer = std::move(out);
    report.progress(1.0);
    return std::nullopt;
}

Refusal runSunSumRegion(Workspace& ws, const WorldRegion& region, const HeightSource& source, SunSum what,
                        const SunControls& sun, const MapPlace& where, const SunPeriod& period, int darkness,
                        SunSumLayer& layer, Reporter& report)
{
    if (Refusal r = sumRefused(sun, where, period)) return r;
    report.status(status::kCalculating);
    const int w = region.worldWidth, h = region.worldHeight;
    // Every pixel a walk of the period's suns passes over the region, and
    // one around it for the slopes.
    Rect reads = meet(grown(region.area, 1), Rect{0, 0, w, h});
    for (std::int64_t k = 0, times = periodTimes(period); k < times; ++k) {
        const MapSun s = mapSun(where, periodTime(period, k));
        if (s.altitude <= 0) continue;
        SunControls c = sun;
        c.azimuth = s.azimuth;
        c.altitude = std::min(s.altitude, 90.0);
        const Rect f = walkFootprint(SunRays(c.azimuth, c.groundX, c.groundY, w, h), sunOwnGroup(c, w, h), region.area);
        if (!f.empty()) reads = unite(reads, f);
    }
    auto window = source.read({reads});
    if (const Error* e = std::get_if<Error>(&window)) return *e;
    SunSumLayer out;
    const bool done = std::visit(
        [&](const auto& grid) { return sumOver(grid, w, h, region.area, what, sun, where, period, out, report); },
        std::get<HeightWindow>(window));
    if (!done) return Error{"Stopped: the shadow map is as it was."};
    writeShares(ws, out, darkness);
    layer = std::move(out);
    report.progress(1.0);
    return std::nullopt;
}

} // namespace gloamery
