#include "geo_place.h"

#include "gdal_plugin.h"
#include "plugins.h"

#include <algorithm>

namespace gloamery {

GeoPlace windowPlace(const GeoPlace& whole, int x, int y)
{
    GeoPlace p = whole;
    const auto& t = whole.transform;
    p.transform[0] = t[0] + x * t[1] + y * t[2];
    p.transform[3] = t[3] + x * t[4] + y * t[5];
    return p;
}

MapOrigin resizedOrigin(const MapOrigin& origin, int w, int h, bool repeat)
{
    MapOrigin out{origin.place, w, h, {}, origin.units, origin.elevations};
    if (!origin.hasNoData()) return out;
    std::vector<unsigned char> mask(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
    bool any = false;
    for (int y = 0; y < h; ++y) {
        if (!repeat && y >= origin.height) break;
        const unsigned char* from = origin.noData.data() + static_cast<std::size_t>(y % origin.height) * origin.width;
        unsigned char* to = mask.data() + static_cast<std::size_t>(y) * w;
        for (int x = 0; x < w && (repeat || x < origin.width); ++x) {
            to[x] = from[x % origin.width];
            any = any || to[x];
        }
    }
    if (any) out.noData = std::move(mask);
    return out;
}

MapOrigin fittedOrigin(const MapOrigin& origin, int fromW, int fromH, int w, int h)
{
    MapOrigin out;
    out.units = origin.units;
    if (out.units) {
        if (w > 1 && fromW > 1) out.units->groundX = out.units->groundX * (fromW - 1) / (w - 1);
        if (h > 1 && fromH > 1) out.units->groundY = out.units->groundY * (fromH - 1) / (h - 1);
    }
    return out;
}

namespace {

struct RasterFacts {
    GloameryOpenRaster open = nullptr;
    GloameryRasterPlace place = nullptr;
    GloameryRasterDeclaresNoData declaresNoData = nullptr;
    GloameryReadRasterWindow read = nullptr;
    GloameryCloseRaster close = nullptr;
};

const RasterFacts& plugin()
{
    static const RasterFacts facts = [] {
        void* library = openPlugin("libgloamery-gdal.so", "GLOAMERY_ELEVATION_PLUGIN");
        RasterFacts f{reinterpret_cast<GloameryOpenRaster>(pluginSymbol(library, "gloamery_open_raster")),
                      reinterpret_cast<GloameryRasterPlace>(pluginSymbol(library, "gloamery_raster_place")),
                      reinterpret_cast<GloameryRasterDeclaresNoData>(pluginSymbol(library, "gloamery_raster_declares_nodata")),
                      reinterpret_cast<GloameryReadRasterWindow>(pluginSymbol(library, "gloamery_read_raster_window")),
                      reinterpret_cast<GloameryCloseRaster>(pluginSymbol(library, "gloamery_close_raster"))};
        return f.open && f.place && f.declaresNoData && f.read && f.close ? f : RasterFacts{};
    }();
    return facts;
}

// The raster opened for as long as the object lives.
struct OpenRaster {
    explicit OpenRaster(const std::string& path)
    {
        char message[512] = {};
        int w = 0, h = 0;
        if (plugin().open) handle = plugin().open(path.c_str(), &w, &h, message, sizeof message);
    }
    ~OpenRaster()
    {
        if (handle) plugin().close(handle);
    }
    OpenRaster(const OpenRaster&) = delete;
    OpenRaster& operator=(const OpenRaster&) = delete;
    void* handle = nullptr;
};

std::optional<GeoPlace> placeOf(void* raster)
{
    GeoPlace p;
    std::vector<char> wkt(64 * 1024);
    if (plugin().place(raster, p.transform.data(), wkt.data(), static_cast<int>(wkt.size())) == 0) return std::nullopt;
    p.wkt = wkt.data();
    return p;
}

} // namespace

std::optional<GeoPlace> rasterPlace(const std::string& path)
{
    const OpenRaster raster(path);
    if (!raster.handle) return std::nullopt;
    return placeOf(raster.handle);
}

std::optional<MapOrigin> worldRegionOrigin(const std::string& path, int x, int y, int w, int h)
{
    const OpenRaster raster(path);
    if (!raster.handle) return std::nullopt;
    MapOrigin origin{placeOf(raster.handle), w, h, {}, {}, {}};
    if (origin.place) origin.place = windowPlace(*origin.place, x, y);
    if (!plugin().declaresNoData(raster.handle)) return origin;
    // Row by row: a region's cells as doubles would take eight times its map.
    origin.noData.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    std::vector<double> values(static_cast<std::size_t>(w));
    std::vector<unsigned char> valid(static_cast<std::size_t>(w));
    char message[512] = {};
    for (int row = 0; row < h; ++row) {
        if (plugin().read(raster.handle, x, y + row, w, 1, values.data(), valid.data(), message, sizeof message) != 0)
            return std::nullopt;
        for (int i = 0; i < w; ++i)
            origin.noData[static_cast<std::size_t>(row) * w + i] = valid[static_cast<std::size_t>(i)] ? 0 : 1;
    }
    return origin;
}

std::variant<MapPlace, Error> mapPlaceOf(const GeoPlace& place, int w, int h)
{
    if (place.wkt.empty()) return Error{"the height raster names no coordinate system"};
    static const auto north = [] {
        void* library = openPlugin("libgloamery-gdal.so", "GLOAMERY_ELEVATION_PLUGIN");
        return reinterpret_cast<GloameryMapNorth>(pluginSymbol(library, "gloamery_map_north"));
    }();
    if (!north) return Error{"the elevation plugin (libgloamery-gdal.so) is missing"};
    char message[512] = {};
    MapPlace where;
    SunPlace& at = where.place;
    if (north(place.transform.data(), place.wkt.c_str(), w / 2.0, h / 2.0, &at.latitude, &at.longitude,
              &where.gridNorth, message, sizeof message) != 0)
        return Error{message};
    return where;
}

} // namespace gloamery
