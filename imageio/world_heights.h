#pragma once
// A world's heights on disk, read a window at a time, never whole: raw
// samples (.r8 bytes, .r16 16-bit little-endian, .raw either, told by its
// length) or an elevation raster through the raster plugin (GeoTIFF, tiled
// or not, a VRT mosaic of them, ...), whose elevations map onto 0..65535
// over a range given beforehand, as the whole world's least and greatest
// are not known from a window.

#include "elevation.h"
#include "workspace/window_grid.h"

#include <memory>
#include <optional>
#include <string>
#include <variant>

namespace gloamery {

// Whether the file is read as raw samples (by its name).
bool isRawHeightFile(const std::string& path);

// Opens a w x h world's height file, checking that it holds exactly that
// many samples (a raster, that many cells). Rasters need the range.
std::variant<std::unique_ptr<HeightSource>, Error> openWorldHeights(const std::string& path, int w, int h,
                                                                    const std::optional<ElevationRange>& range);

} // namespace gloamery
