#include "raster_window.h"

#include "raster_plugin.h"
#include "workspace/parallel.h"
#include "workspace/workspace.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <vector>

namespace gloamery {

namespace {

// Cells read at a time by each thread: 2 MiB of doubles.
constexpr std::size_t kBlockCells = std::size_t{1} << 18;

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

// The raster's size as first opened.
struct RasterSize {
    int width;
    int height;
};

// Rows [0, h) of the columns [0, w) as `parts` bands one after another,
// each read on a thread of its own through a handle of its own (a handle
// reads on one thread at a time): use(part, row, values, valid). The first
// band reads through `first`, the others through the raster opened again,
// which must still be of the size first opened. The first band's reason,
// in order, when one cannot be read.
template <class Use>
Refusal eachBand(const std::string& path, const OpenRaster& first, RasterSize size, int w, int h, int parts,
                 const Use& use)
{
    std::vector<Refusal> refused(static_cast<std::size_t>(parts));
    forEachRow(parts, static_cast<std::size_t>(w) * static_cast<std::size_t>(h), [&](int part) {
        const int y0 = static_cast<int>(static_cast<long long>(h) * part / parts);
        const int y1 = static_cast<int>(static_cast<long long>(h) * (part + 1) / parts);
        auto read = [&](const OpenRaster& raster) {
            return raster.eachRow(w, y0, y1, [&](int y, const double* v, const unsigned char* ok) {
                use(part, y, v, ok);
                return true;
            });
        };
        Refusal& r = refused[static_cast<std::size_t>(part)];
        try {
            if (part == 0) {
                r = read(first);
                return;
            }
            int w2 = 0, h2 = 0;
            char message[512] = {};
            void* handle = rasterPlugin().openMap(path.c_str(), &w2, &h2, message, sizeof message);
            if (!handle) {
                r = Error{message};
                return;
            }
            const OpenRaster again(handle);
            r = w2 == size.width && h2 == size.height ? read(again) : Error{"The raster changed while it was read."};
        } catch (const std::bad_alloc&) {
            // Said on this thread: no exception may leave a parallel loop.
            r = Error{"There is not enough memory to read it."};
        }
    });
    for (const Refusal& r : refused)
        if (r) return r;
    return std::nullopt;
}

// Bands worth reading side by side: one a thread, at least a row each.
int bandsFor(int w, int h)
{
    return std::min(h, threadsFor(static_cast<std::size_t>(w) * static_cast<std::size_t>(h)));
}

// The least and greatest valid values, the whole raster's in the order
// mapElevations takes them (row after row), so the range is the same to
// the last bit: each band's, joined in order.
std::variant<std::optional<ElevationRange>, Error> extent(const std::string& path, const OpenRaster& raster, int w,
                                                          int h)
{
    const int parts = bandsFor(w, h);
    std::vector<std::optional<ElevationRange>> found(static_cast<std::size_t>(parts));
    const Refusal e = eachBand(path, raster, {w, h}, w, h, parts, [&](int part, int, const double* v,
                                                                      const unsigned char* ok) {
        std::optional<ElevationRange>& r = found[static_cast<std::size_t>(part)];
        int x = 0;
        if (!r) {
            while (x < w && !holdsData(v[x], ok[x])) ++x;
            if (x == w) return;
            r = ElevationRange{v[x], v[x]};
        }
        // Without a branch a cell, which the compiler makes vector code of.
        double low = r->low, high = r->high;
        for (; x < w; ++x) {
            const bool held = holdsData(v[x], ok[x]);
            low = held && v[x] < low ? v[x] : low;
            high = held && v[x] > high ? v[x] : high;
        }
        r = ElevationRange{low, high};
    });
    if (e) return *e;
    std::optional<ElevationRange> whole;
    for (const auto& r : found)
        if (r) whole = whole ? joined(*whole, *r) : *r;
    return whole;
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
        auto found = extent(path, raster, w, h);
        if (const Error* e = std::get_if<Error>(&found)) return *e;
        range = std::get<std::optional<ElevationRange>>(found);
        if (!range) return kNoData;
    }
    const int ww = std::min(w, maxWidth), wh = std::min(h, maxHeight);
    HeightSamples samples = HeightSamples::unwritten(ww, wh);
    const int parts = bandsFor(ww, wh);
    std::vector<char> anyIn(static_cast<std::size_t>(parts), 0);
    const Refusal e = eachBand(path, raster, {w, h}, ww, wh, parts, [&](int part, int y, const double* v,
                                                                        const unsigned char* ok) {
        std::uint16_t* out = samples.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(ww);
        char any = 0;
        for (int x = 0; x < ww; ++x) {
            const bool held = holdsData(v[x], ok[x]);
            out[x] = held ? elevationSample(v[x], *range) : std::uint16_t{0};
            any |= static_cast<char>(held);
        }
        anyIn[static_cast<std::size_t>(part)] |= any;
    });
    const bool any = std::find(anyIn.begin(), anyIn.end(), 1) != anyIn.end();
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
