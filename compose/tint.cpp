#include "tint.h"

#include "../workspace/numeric.h"
#include "../workspace/parallel.h"

#include <algorithm>
#include <cmath>

namespace gloamery {

namespace {

struct Placed {
    double z;
    TableColour c;
};

Colour packed(const TableColour& c) { return compose(c.r, c.g, c.b); }

// The entries at their elevations, in order; those at one elevation keep
// the table's order.
std::vector<Placed> placedEntries(const ColourTable& t, double low, double high)
{
    std::vector<Placed> out;
    out.reserve(t.entries.size());
    for (const ColourEntry& e : t.entries)
        out.push_back({e.percent ? low + (high - low) * e.elevation / 100 : e.elevation, e.colour});
    std::stable_sort(out.begin(), out.end(), [](const Placed& a, const Placed& b) { return a.z < b.z; });
    return out;
}

// A channel between two entries: .55 and above rounds up, as gdaldem's
// colour relief rounds, so that both give the same colours.
int between(int c0, int c1, double ratio)
{
    const double v = 0.45 + c0 + ratio * (c1 - c0);
    return clampChannel(floorToInt(v));
}

// The first entry above z (entries.size() when none is).
std::size_t firstAbove(const std::vector<Placed>& entries, double z)
{
    return static_cast<std::size_t>(
        std::upper_bound(entries.begin(), entries.end(), z, [](double v, const Placed& p) { return v < p.z; })
        - entries.begin());
}

// The colour beyond either end, when it is not the end entry's own.
std::optional<Colour> beyondEnds(const ColourTable& t, const std::vector<Placed>& entries, double z, std::size_t i)
{
    if (i == 0) return packed(t.below.value_or(entries.front().c));
    if (i == entries.size()) return packed(z > entries.back().z && t.above ? *t.above : entries.back().c);
    return std::nullopt;
}

Colour interpolated(const ColourTable& t, const std::vector<Placed>& entries, double z)
{
    const std::size_t i = firstAbove(entries, z);
    if (const auto end = beyondEnds(t, entries, z, i)) return *end;
    const Placed& a = entries[i - 1];
    const Placed& b = entries[i];
    const double ratio = (z - a.z) / (b.z - a.z);
    return compose(between(a.c.r, b.c.r, ratio), between(a.c.g, b.c.g, ratio), between(a.c.b, b.c.b, ratio));
}

Colour nearestEntry(const ColourTable& t, const std::vector<Placed>& entries, double z)
{
    const std::size_t i = firstAbove(entries, z);
    if (const auto end = beyondEnds(t, entries, z, i)) return *end;
    const Placed& a = entries[i - 1];
    const Placed& b = entries[i];
    return packed(z - a.z < b.z - z ? a.c : b.c);
}

// The sample an elevation loads as, when it lies in the samples' range.
std::optional<int> entrySample(const TintElevations& e, double z, bool deep)
{
    const int top = deep ? 65535 : 255;
    double s;
    if (e.low && e.high) s = *e.high > *e.low ? nearest((z - *e.low) / (*e.high - *e.low) * 65535) : 0.0;
    else s = nearest(deep ? z / e.vertical * 257 : z / e.vertical);
    if (!(s >= 0 && s <= top)) return std::nullopt;
    return static_cast<int>(s);
}

// Every sample black but those an entry's elevation loads as: the first
// such entry's colour.
void exactColours(const std::vector<Placed>& entries, const TintElevations& e, bool deep, std::vector<Colour>& out)
{
    std::fill(out.begin(), out.end(), kBlack);
    std::vector<bool> taken(out.size(), false);
    for (const Placed& p : entries)
        if (const auto s = entrySample(e, p.z, deep); s && !taken[static_cast<std::size_t>(*s)]) {
            taken[static_cast<std::size_t>(*s)] = true;
            out[static_cast<std::size_t>(*s)] = packed(p.c);
        }
}

template <class Grid>
std::pair<int, int> sampleRange(const Grid& h, int w, int rows)
{
    int lo = Depth<typename Grid::value_type>::kTop, hi = 0;
    for (int y = 0; y < rows; ++y) {
        const auto* row = h.row(y);
        const auto [a, b] = std::minmax_element(row, row + w);
        lo = std::min(lo, static_cast<int>(*a));
        hi = std::max(hi, static_cast<int>(*b));
    }
    return {lo, hi};
}

// Writes the texture rows from heights h(x + dx, y + dy); noData is the
// workspace's size.
template <class Heights>
void fillTexture(Workspace& ws, const TintLookup& lookup, const unsigned char* noData, Reporter& report,
                 const Heights& h)
{
    BusyScope busy(report);
    report.progress(0.0);
    report.status(status::kCalculating);
    const int w = ws.width();
    Colour* out = ws.overwritable(Slot::Texture).data();
    const Colour* colours = lookup.colours.data();
    forEachRow(ws.height(), static_cast<std::size_t>(w) * static_cast<std::size_t>(ws.height()), [&](int y) {
        const std::size_t row = static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
        Colour* o = out + row;
        h(y, [&](int x, int sample) { o[x] = colours[sample]; });
        if (noData)
            for (int x = 0; x < w; ++x)
                if (noData[row + static_cast<std::size_t>(x)]) o[x] = lookup.noData;
    });
    reportColumns(0, w + 1, w, report);
    report.status(status::kDone);
}

} // namespace

double sampleElevation(const TintElevations& e, int sample, bool deep)
{
    if (e.low && e.high) return *e.low + (*e.high - *e.low) * sample / 65535;
    const double level = deep ? sample / 257.0 : sample;
    return level * e.vertical;
}

TintLookup tintLookup(const ColourTable& table, ColourEntries mode, const TintElevations& e, bool deep, double rangeLow,
                      double rangeHigh)
{
    TintLookup out;
    out.colours.resize(deep ? 65536 : 256);
    out.noData = packed(table.noData.value_or(TableColour{0, 0, 0, 0}));
    if (table.entries.empty()) return out;
    const std::vector<Placed> entries = placedEntries(table, rangeLow, rangeHigh);
    if (mode == ColourEntries::Exact) {
        exactColours(entries, e, deep, out.colours);
        return out;
    }
    // A raster's sample stands for the elevations within half a step of
    // its own; when they hold a whole number (as every sample of a raster in
    // whole metres does), the sample takes it, so that such rasters get
    // the colours of their own values. Other heights are their levels exactly.
    const double slack = e.low && e.high ? (*e.high - *e.low) / 65535 / 2 : 0.0;
    for (std::size_t s = 0; s < out.colours.size(); ++s) {
        double z = sampleElevation(e, static_cast<int>(s), deep);
        if (slack > 0 && slack < 0.5 && std::fabs(z - nearest(z)) <= slack) z = nearest(z);
        out.colours[s] = mode == ColourEntries::Nearest ? nearestEntry(table, entries, z) : interpolated(table, entries, z);
    }
    return out;
}

std::pair<double, double> mapElevationRange(const Workspace& ws, const TintElevations& e)
{
    if (e.low && e.high) return {*e.low, *e.high};
    const bool deep = heightsAreDeep(ws);
    const auto [lo, hi] = readHeights(ws).visit([&](const auto& h) { return sampleRange(h, ws.width(), ws.height()); });
    return {sampleElevation(e, lo, deep), sampleElevation(e, hi, deep)};
}

void tint(Workspace& ws, const TintLookup& lookup, const unsigned char* noData, Reporter& report)
{
    const HeightGrid grid = readHeights(ws);
    grid.visit([&](const auto& h) {
        fillTexture(ws, lookup, noData, report, [&](int y, const auto& put) {
            const auto* row = h.row(y);
            for (int x = 0; x < ws.width(); ++x) put(x, row[x]);
        });
    });
}

std::vector<Rect> tintHeights(const WorldRegion& region)
{
    return {meet(region.area, Rect{0, 0, region.worldWidth, region.worldHeight})};
}

void tintRegion(Workspace& ws, const TintLookup& lookup, const WorldRegion& region, const HeightWindow& heights,
                const unsigned char* noData, Reporter& report)
{
    std::visit([&](const auto& h) {
        fillTexture(ws, lookup, noData, report, [&](int y, const auto& put) {
            for (int x = 0; x < ws.width(); ++x) put(x, h(x + region.area.x0, y + region.area.y0));
        });
    }, heights);
}

} // namespace gloamery
