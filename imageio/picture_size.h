#pragma once
// The size of a height file's map, read from the file's header (or the
// raster's description) before any pixel is decoded, so that a map can
// take the file's size and a file too large for any map is refused
// without decoding it.

#include "qt_plugin.h"

#include <optional>
#include <string>
#include <variant>

namespace gloamery {

// PNG from its header; elevation rasters and TIFF through the raster
// plugin; every other picture through the toolkit plugin's reader. Raw
// height files do not tell their size and are refused.
std::variant<PictureSize, Error> heightFileSize(const std::string& path);

// An elevation raster's size as the raster plugin opens it; nothing when
// it is none (or the plugin is missing).
std::optional<PictureSize> rasterFileSize(const std::string& path);

} // namespace gloamery
