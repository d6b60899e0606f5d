#include "relief.h"

#include "../workspace/large_buffer.h"
#include "../workspace/map_grid.h"
#include "../workspace/numeric.h"
#include "../workspace/parallel.h"
#include "horizons.h"
#include "layer_light.h"
#include "relief_lanes.h"
#include "sun.h"
#include "sun_light.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <variant>

namespace gloamery {

namespace {

// The azimuth of direction n of N: 360 n / N.
double directionAzimuth(int n, int count) { return 360.0 * n / count; }

HorizonSearch searchFor(LayerKind kind, const ReliefControls& c, const SunRays& rays)
{
    return {c.radius ? radiusSteps(*c.radius, rays.ground) : kNoLimit, kind == LayerKind::OpennessNegative};
}

// The term each direction adds to a pixel's sum: sin(beta) for the
// sky-view factor, 90 - atan(sigma) in degrees for openness. The slope
// sigma is the horizon point's rise over the pixel, (V / 257) (h_j - h_i),
// over its ground distance back x d (on negated heights the walk's
// top - own is h_i - h_j, as negative openness has it). The elevations are
// scaled once, not each one by itself: the same slope to a few units of
// the last place, and a division less at every pixel of every direction.
struct DirectionTerm {
    bool skyView;
    double scale; // V / 257
    double ground;
    double* sums;
    std::size_t stride;
    Lanes lanes = widestLanes();

    // Adds the terms of a run of pixels, worked out first in a loop of
    // their own.
    void operator()(const HorizonRun& r) const
    {
        double terms[horizon_walk::kBundle];
        if (skyView) {
            skyViewTerms(lanes, scale, ground, r.own, r.top, r.back, r.count, terms);
        } else {
            for (int k = 0; k < r.count; ++k) {
                const double rise = scale * (r.top[k] - r.own[k]), run = r.back[k] * ground;
                terms[k] = r.back[k] == 0 ? 90.0 : 90 - std::atan(rise / run) * (180 / kPi);
            }
        }
        double* out = sums + static_cast<std::size_t>(r.row) * stride + static_cast<std::size_t>(r.col);
        const std::size_t step = r.down ? stride : 1;
        for (int k = 0; k < r.count; ++k) out[k * step] = out[k * step] + terms[k];
    }
};

// The sums of every pixel of a box, one direction's terms added after
// another's. The rows are padded (see map_grid.h): a walk along x adds to
// a column of them at every step.
struct DirectionSums {
    std::size_t stride;
    std::vector<double, LargePageAllocator<double>> values;

    explicit DirectionSums(const Rect& box) : stride(static_cast<std::size_t>(paddedRow<double>(box.width)))
    {
        fillFresh(values, stride * static_cast<std::size_t>(box.height), 0.0);
    }
};

template <class Grid>
bool sumDirections(LayerKind kind, const SunControls& sun, const ReliefControls& relief, const Grid& heights, int w,
                   int h, const Rect& box, DirectionSums& sums, Reporter& report)
{
    const int n = relief.directions;
    for (int d = 0; d < n; ++d) {
        if (report.cancelled()) return false;
        const SunRays rays(directionAzimuth(d, n), sun.groundX, sun.groundY, w, h);
        const DirectionTerm term{kind == LayerKind::SkyView, sun.vertical / 257, rays.ground, sums.values.data(), sums.stride};
        walkHorizons(rays, heights, searchFor(kind, relief, rays), box, term);
        report.progress(static_cast<double>(d + 1) / static_cast<double>(n + 1));
    }
    return true;
}

// The multi-directional hillshade's byte of each pixel from its slopes p
// (rightwards) and q (downwards), as gdaldem weighs its four lights (after
// Mark, 1992): from azimuth 360 by q^2, from 270 by p^2, from 315 and 225
// by (p + q)^2 / 2 and (q - p)^2 / 2, which sum to 2 (p^2 + q^2). Flat
// ground gets the light of the sun's altitude alone.
struct MultiShade {
    double sinE, cosE;

    explicit MultiShade(double altitude)
        : sinE(std::sin(altitude * kPi / 180.0)), cosE(std::cos(altitude * kPi / 180.0))
    {
    }

    double operator()(double p, double q) const
    {
        const double pp = p * p, qq = q * q, slope = pp + qq;
        if (slope == 0.0) return nearest(1 + 254 * sinE);
        const double norm = std::sqrt(1 + slope);
        constexpr double kHalf = 0.7071067811865476; // sin 45, cos 45
        auto lit = [&](double sinA, double cosA) {
            return std::max(0.0, (sinE - p * sinA * cosE + q * cosA * cosE) / norm);
        };
        const double w225 = (q - p) * (q - p) / 2, w270 = pp, w315 = (p + q) * (p + q) / 2, w360 = qq;
        const double sum = w225 * lit(-kHalf, -kHalf) + w270 * lit(-1, 0) + w315 * lit(-kHalf, kHalf) + w360 * lit(0, 1);
        const double shade = sum / (2 * slope);
        return std::min(255.0, nearest(1 + 254 * shade));
    }
};

template <class Grid>
void multiHillshade(const SunControls& sun, const Grid& heights, int w, int h, const Rect& box, LayerValues& out)
{
    const MultiShade shade(sun.altitude);
    const std::size_t width = static_cast<std::size_t>(box.width);
    forEachRow(box.height, width * static_cast<std::size_t>(box.height), [&](int row) {
        std::vector<double> z[3];
        for (int r = 0; r < 3; ++r) elevationRow(heights, w, h, sun.vertical, box.y0 + row - 1 + r, box.x0, box.width, z[r]);
        const double* a = z[0].data();
        const double* m = z[1].data();
        const double* b = z[2].data();
        double* values = out.data() + static_cast<std::size_t>(row) * width;
        for (int i = 0; i < box.width; ++i) {
            const double p = ((a[i + 2] + 2 * m[i + 2] + b[i + 2]) - (a[i] + 2 * m[i] + b[i])) / (8 * sun.groundX);
            const double q = ((b[i] + 2 * b[i + 1] + b[i + 2]) - (a[i] + 2 * a[i + 1] + a[i + 2])) / (8 * sun.groundY);
            values[i] = shade(p, q);
        }
    });
}

// The layer's values from the sums, made in the sums' own room rather than
// in a fresh map-sized buffer, whose pages would cost more to fault in
// than the values to compute: each row made where it lies (side by side),
// then the rows moved up to close their padding, in order, each to where
// rows before it were.
LayerValues meanOfDirections(bool skyView, double n, const Rect& box, DirectionSums& sums)
{
    const std::size_t width = static_cast<std::size_t>(box.width);
    double* values = sums.values.data();
    forEachRow(box.height, sums.values.size(), [&](int row) {
        double* v = values + static_cast<std::size_t>(row) * sums.stride;
        for (std::size_t i = 0; i < width; ++i) v[i] = skyView ? 1 - v[i] / n : v[i] / n;
    });
    for (std::size_t row = 1; row < static_cast<std::size_t>(box.height); ++row)
        std::copy_n(values + row * sums.stride, width, values + row * width);
    sums.values.resize(width * static_cast<std::size_t>(box.height));
    return std::move(sums.values);
}

template <class Grid>
std::optional<LayerValues> valuesOver(LayerKind kind, const SunControls& sun, const ReliefControls& relief,
                                      const Grid& heights, int w, int h, const Rect& box, Reporter& report)
{
    if (kind == LayerKind::MultiHillshade) {
        // Left unwritten: every value is written below.
        LayerValues values(static_cast<std::size_t>(box.width) * static_cast<std::size_t>(box.height));
        multiHillshade(sun, heights, w, h, box, values);
        return values;
    }
    DirectionSums sums(box);
    if (!sumDirections(kind, sun, relief, heights, w, h, box, sums, report)) return std::nullopt;
    return meanOfDirections(kind == LayerKind::SkyView, relief.directions, box, sums);
}

// The part of the world a region's layer reads: every ray of every
// direction through the region, as far back as the search reaches, and one
// pixel around it for the slopes.
Rect reliefFootprint(LayerKind kind, const SunControls& sun, const ReliefControls& relief, const WorldRegion& r)
{
    const Rect world{0, 0, r.worldWidth, r.worldHeight};
    Rect reads = meet(grown(r.area, 1), world);
    if (kind == LayerKind::MultiHillshade) return reads;
    for (int d = 0; d < relief.directions; ++d) {
        const SunRays rays(directionAzimuth(d, relief.directions), sun.groundX, sun.groundY, r.worldWidth, r.worldHeight);
        const Rect f = spanFootprint(rays, horizonSpan(rays, searchFor(kind, relief, rays), r.area));
        if (!f.empty()) reads = unite(reads, f);
    }
    return reads;
}

Refusal refusedFor(LayerKind kind, const SunControls& sun, const ReliefControls& relief)
{
    if (!isReliefLayer(kind)) return faultRefusal("layer kind");
    if (const char* field = sunControlsFault(sun)) return faultRefusal(field);
    if (kind == LayerKind::MultiHillshade) return std::nullopt;
    if (const char* field = reliefControlsFault(relief)) return faultRefusal(field);
    return std::nullopt;
}

Refusal keepAndLight(Workspace& ws, LayerKind kind, std::optional<LayerValues> values, int darkness,
                     Reporter& report)
{
    if (!values) return Error{"Stopped: the shadow map is as it was."};
    auto layer = std::make_shared<ValueLayer>();
    layer->kind = kind;
    layer->width = ws.width();
    layer->height = ws.height();
    layer->divisor = layerDivisor(kind);
    layer->values = std::move(*values);
    ws.setLayer(layer);
    lightFromLayer(ws, *layer, darkness);
    report.progress(1.0);
    return std::nullopt;
}

} // namespace

bool isReliefLayer(LayerKind kind)
{
    return kind == LayerKind::SkyView || kind == LayerKind::Openness || kind == LayerKind::OpennessNegative ||
           kind == LayerKind::MultiHillshade;
}

const char* reliefControlsFault(const ReliefControls& c)
{
    using namespace relief_range;
    if (c.directions < 1 || c.directions > kDirectionsMax) return "relief.directions";
    if (c.radius && !(std::isfinite(*c.radius) && *c.radius >= kRadiusMin && *c.radius <= kRadiusMax))
        return "relief.radius";
    return nullptr;
}

std::optional<LayerValues> reliefValues(LayerKind kind, const SunControls& sun, const ReliefControls& relief,
                                        const HeightGrid& heights, int w, int h, const Rect& box, Reporter& report)
{
    return heights.visit([&](const auto& grid) { return valuesOver(kind, sun, relief, grid, w, h, box, report); });
}

Refusal runRelief(Workspace& ws, LayerKind kind, const SunControls& sun, const ReliefControls& relief, int darkness,
                  Reporter& report)
{
    if (Refusal refused = refusedFor(kind, sun, relief)) return refused;
    report.status(status::kCalculating);
    const HeightGrid heights = readHeights(ws);
    const int w = ws.width(), h = ws.height();
    return keepAndLight(ws, kind, reliefValues(kind, sun, relief, heights, w, h, Rect{0, 0, w, h}, report), darkness,
                        report);
}

namespace {

// A region's values over its area, its heights read as far around it as
// the horizons reach; nothing when the reporter asks to stop.
std::variant<std::optional<LayerValues>, Error> regionValues(const WorldRegion& region, const HeightSource& source,
                                                             LayerKind kind, const SunControls& sun,
                                                             const ReliefControls& relief, Reporter& report)
{
    auto window = source.read({reliefFootprint(kind, sun, relief, region)});
    if (const Error* e = std::get_if<Error>(&window)) return *e;
    const int w = region.worldWidth, h = region.worldHeight;
    return std::visit([&](const auto& grid) { return valuesOver(kind, sun, relief, grid, w, h, region.area, report); },
                      std::get<HeightWindow>(window));
}

std::variant<GreyMap, Error> occlusionGreys(const std::optional<LayerValues>& svf)
{
    if (!svf) return Error{"Stopped: nothing was written."};
    GreyMap grey(svf->size());
    // The sky-view factor lies in 0..1, so every grey is a byte.
    for (std::size_t i = 0; i < grey.size(); ++i) grey[i] = static_cast<std::uint8_t>(nearest(255 * (*svf)[i]));
    return grey;
}

} // namespace

Refusal runReliefRegion(Workspace& ws, const WorldRegion& region, const HeightSource& source, LayerKind kind,
                        const SunControls& sun, const ReliefControls& relief, int darkness, Reporter& report)
{
    if (Refusal refused = refusedFor(kind, sun, relief)) return refused;
    report.status(status::kCalculating);
    auto values = regionValues(region, source, kind, sun, relief, report);
    if (const Error* e = std::get_if<Error>(&values)) return *e;
    return keepAndLight(ws, kind, std::get<0>(std::move(values)), darkness, report);
}

std::variant<GreyMap, Error> occlusionMap(const Workspace& ws, const SunControls& sun, const ReliefControls& relief,
                                          Reporter& report)
{
    if (Refusal refused = refusedFor(LayerKind::SkyView, sun, relief)) return *refused;
    const HeightGrid heights = readHeights(ws);
    const int w = ws.width(), h = ws.height();
    return occlusionGreys(reliefValues(LayerKind::SkyView, sun, relief, heights, w, h, Rect{0, 0, w, h}, report));
}

std::variant<GreyMap, Error> occlusionMapRegion(const WorldRegion& region, const HeightSource& source,
                                                const SunControls& sun, const ReliefControls& relief, Reporter& report)
{
    if (Refusal refused = refusedFor(LayerKind::SkyView, sun, relief)) return *refused;
    auto values = regionValues(region, source, LayerKind::SkyView, sun, relief, report);
    if (const Error* e = std::get_if<Error>(&values)) return *e;
    return occlusionGreys(std::get<0>(values));
}

} // namespace gloamery
