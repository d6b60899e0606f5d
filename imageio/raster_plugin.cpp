#include "raster_plugin.h"

#include "plugins.h"

namespace gloamery {

namespace {

std::vector<std::string>& sourceFolders()
{
    static std::vector<std::string> folders;
    return folders;
}

template <class F>
F symbol(void* library, const char* name)
{
    return reinterpret_cast<F>(pluginSymbol(library, name));
}

} // namespace

const RasterPlugin& rasterPlugin()
{
    static const RasterPlugin plugin = [] {
        void* library = openPlugin("libgloamery-gdal.so", "GLOAMERY_ELEVATION_PLUGIN");
        RasterPlugin p{symbol<GloameryOpenRaster>(library, "gloamery_open_raster"),
                       symbol<GloameryOpenElevations>(library, "gloamery_open_elevations"),
                       symbol<GloameryReadRasterWindow>(library, "gloamery_read_raster_window"),
                       symbol<GloameryCloseRaster>(library, "gloamery_close_raster")};
        auto allow = symbol<GloameryAllowSourceFolders>(library, "gloamery_allow_source_folders");
        if (!p.loaded() || !allow) return RasterPlugin{};
        std::vector<const char*> names;
        for (const std::string& f : sourceFolders()) names.push_back(f.c_str());
        allow(names.data(), static_cast<int>(names.size()));
        return p;
    }();
    return plugin;
}

void allowRasterSourceFolders(const std::vector<std::string>& folders) { sourceFolders() = folders; }

} // namespace gloamery
