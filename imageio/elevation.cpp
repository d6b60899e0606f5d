#include "elevation.h"

#include "workspace/numeric.h"

#include <cmath>
#include <charconv>

namespace gloamery {

namespace {

bool holdsData(const ElevationGrid& g, std::size_t i) { return g.valid[i] != 0 && std::isfinite(g.values[i]); }

std::optional<ElevationRange> extent(const ElevationGrid& g)
{
    std::optional<ElevationRange> r;
    for (std::size_t i = 0; i < g.cells(); ++i) {
        if (!holdsData(g, i)) continue;
        const double v = g.values[i];
        if (!r) r = ElevationRange{v, v};
        else r = widened(*r, v);
    }
    return r;
}

} // namespace

std::uint16_t elevationSample(double v, const ElevationRange& r)
{
    if (!(r.high > r.low)) return 0;
    // A range wider than the largest double (as from -1.7e308 to 1.7e308)
    // is measured in halves, which cannot overflow; any other range as
    // written.
    const bool wide = !std::isfinite(r.high - r.low);
    const double s = wide ? nearest((v * 0.5 - r.low * 0.5) / (r.high * 0.5 - r.low * 0.5) * 65535.0)
                          : nearest((v - r.low) / (r.high - r.low) * 65535.0);
    if (!(s > 0)) return 0;
    return s >= 65535 ? 65535 : static_cast<std::uint16_t>(s);
}

std::variant<MappedElevations, Error> mapElevations(const ElevationGrid& grid,
                                                    const std::optional<ElevationRange>& pinned)
{
    const std::optional<ElevationRange> found = extent(grid);
    if (!found) return Error{"Every cell of the raster is no-data: there are no heights to read."};
    const ElevationRange range = pinned ? *pinned : *found;
    HeightSamples samples(grid.width, grid.height, std::uint16_t{0});
    for (std::size_t i = 0; i < grid.cells(); ++i)
        if (holdsData(grid, i)) samples.data()[i] = elevationSample(grid.values[i], range);
    return MappedElevations{std::move(samples), range};
}

namespace {

// Shortest form that reads back as the same double, whatever the locale.
std::string number(double v)
{
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, v).ptr;
    return std::string(text, end);
}

} // namespace

std::string rangeNote(const ElevationRange& r)
{
    return "heights from " + number(r.low) + " to " + number(r.high) + " mapped onto 0..65535";
}

} // namespace gloamery
