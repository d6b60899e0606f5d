#include "raster_window.h"

#include "raster_plugin.h"
#include "workspace/workspace.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace gloamery {

namespace {

// Cells read at a time: 8 MiB of doubles.
constexpr std::size_t kBlockCells = std::size_t{1} << 20;

class OpenRaster {
public:
    explicit OpenRaster(void* raster) : raster_(raster) {}
    ~OpenRaster() { rasterPlugin().close(raster_); }
    OpenRaster(const OpenRaster&) = delete;
    OpenRaster& operator=(const OpenRaster&) = delete;

    // Calls use(row, values, valid) for each of rows [y0, y1) of the
    // columns [0, w), a block of rows at a time; stops when use returns
    // false. The reason when a block cannot be read.
    template <class Use>
    Refusal eachRow(int w, int y0, int y1, const Use& use) const
    {
        const int rows = static_cast<int>(std::max<std::size_t>(1, kBlockCells / static_cast<std::size_t>(w)));
        std::vector<double> values(static_cast<std::size_t>(w) * static_cast<std::size_t>(std::min(rows, y1 - y0)));
        std::vector<unsigned char> valid(values.size());
        for (int y = y0; y < y1; y += rows) {
            const int n = std::min(rows, y1 - y);
            char message[512] = {};
            if (rasterPlugin().readWindow(raster_, 0, y, w, n, values.data(), valid.data(), message, sizeof message) != 0)
                return Error{message};
            for (int r = 0; r < n; ++r) {
                const std::size_t at = static_cast<std::size_t>(r) * static_cast<std::size_t>(w);
                if (!use(y + r, values.data() + at, valid.data() + at)) return std::nullopt;
            }
        }
        return std::nullopt;
    }

private:
    void* raster_;
};

bool holdsData(double v, unsigned char valid) { return valid != 0 && std::isfinite(v); }

// The least and greatest valid values, in the order mapElevations takes
// them (row after row), so the range is the same to the last bit.
std::variant<std::optional<ElevationRange>, Error> extent(const OpenRaster& raster, int w, int h)
{
    std::optional<ElevationRange> r;
    const Refusal e = raster.eachRow(w, 0, h, [&](int, const double* v, const unsigned char* ok) {
        for (int x = 0; x < w; ++x) {
            if (!holdsData(v[x], ok[x])) continue;
            if (!r) r = ElevationRange{v[x], v[x]};
            else r = ElevationRange{std::fmin(r->low, v[x]), std::fmax(r->high, v[x])};
        }
        return true;
    });
    if (e) return *e;
    return r;
}

// Whether any cell outside the window holds data.
std::variant<bool, Error> dataOutside(const OpenRaster& raster, int w, int h, int ww, int wh)
{
    bool found = false;
    const Refusal e = raster.eachRow(w, 0, h, [&](int y, const double* v, const unsigned char* ok) {
        for (int x = y < wh ? ww : 0; x < w && !found; ++x) found = holdsData(v[x], ok[x]);
        return !found;
    });
    if (e) return *e;
    return found;
}

const Error kNoData{"Every cell of the raster is no-data: there are no heights to read."};

} // namespace

std::variant<WindowedElevations, Error> readElevationWindow(const std::string& path, int maxWidth, int maxHeight,
                                                            const std::optional<ElevationRange>& pinned)
{
    const RasterPlugin& plugin = rasterPlugin();
    if (!plugin.loaded()) return Error{"Elevation rasters are read by the gloamery-gdal plugin, which is not installed."};
    int w = 0, h = 0;
    char message[512] = {};
    void* handle = plugin.openMap(path.c_str(), &w, &h, message, sizeof message);
    if (!handle) return Error{message};
    const OpenRaster raster(handle);
    if (w < 1 || h < 1 || w > kMaxMapSize || h > kMaxMapSize)
        return Error{"The raster is " + std::to_string(w) + " x " + std::to_string(h) + " cells; each side must be 1 to "
                     + std::to_string(kMaxMapSize) + "."};
    std::optional<ElevationRange> range = pinned;
    if (!range) {
        auto found = extent(raster, w, h);
        if (const Error* e = std::get_if<Error>(&found)) return *e;
        range = std::get<std::optional<ElevationRange>>(found);
        if (!range) return kNoData;
    }
    const int ww = std::min(w, maxWidth), wh = std::min(h, maxHeight);
    HeightSamples samples(ww, wh, std::uint16_t{0});
    bool any = false;
    const Refusal e = raster.eachRow(ww, 0, wh, [&](int y, const double* v, const unsigned char* ok) {
        std::uint16_t* out = samples.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(ww);
        for (int x = 0; x < ww; ++x)
            if (holdsData(v[x], ok[x])) {
                out[x] = elevationSample(v[x], *range);
                any = true;
            }
        return true;
    });
    if (e) return *e;
    // A raster with no data at all is refused, as when it is read whole.
    if (!any && pinned) {
        auto outside = dataOutside(raster, w, h, ww, wh);
        if (const Error* err = std::get_if<Error>(&outside)) return *err;
        if (!std::get<bool>(outside)) return kNoData;
    }
    return WindowedElevations{MappedElevations{std::move(samples), *range}, w, h};
}

} // namespace gloamery
