#pragma once
// A height map's elevation raster, read only where the map takes it: the
// top-left window of the map's size, in blocks of rows, never whole, each
// thread reading a band of the rows through its own handle. The range,
// when not given, still runs over the whole raster (least and greatest),
// found block by block.

#include "elevation.h"

#include <string>
#include <variant>

namespace gloamery {

struct WindowedElevations {
    MappedElevations mapped; // the window's samples and the range used
    int fileWidth;           // the raster's own size
    int fileHeight;
};

// Reads the raster at path (a file name as the system takes it) through
// the raster plugin, up to maxWidth x maxHeight cells from its top-left.
std::variant<WindowedElevations, Error> readElevationWindow(const std::string& path, int maxWidth, int maxHeight,
                                                            const std::optional<ElevationRange>& pinned);

} // namespace gloamery
