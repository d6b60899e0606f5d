#pragma once
// The elevation-raster plugin (gloamery-gdal) as the program uses it:
// loaded the first time a raster is opened, never before.

#include "gdal_plugin.h"

#include <string>
#include <vector>

namespace gloamery {

struct RasterPlugin {
    GloameryOpenRaster openWorld = nullptr;
    GloameryOpenElevations openMap = nullptr;
    GloameryReadRasterWindow readWindow = nullptr;
    GloameryCloseRaster close = nullptr;
    bool loaded() const { return openWorld && openMap && readWindow && close; }
};

// The plugin, its folders for mosaic sources set (empty when not installed).
const RasterPlugin& rasterPlugin();

// Folders, besides a VRT mosaic's own, whose plain files its sources may
// name; before the first raster is opened.
void allowRasterSourceFolders(const std::vector<std::string>& folders);

} // namespace gloamery
