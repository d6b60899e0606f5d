#pragma once
// Height files read without a picture reader: raw samples (.r8 bytes, .r16
// 16-bit little-endian, .raw either, told by its length) the map's size,
// and elevation rasters through the raster plugin (.hgt, .asc, .dem by
// name, GeoTIFF by its tags). The toolkit's readers load these through
// the same code, so both builds read them alike.

#include "elevation.h"
#include "file_kind.h"
#include "geo_place.h"
#include "native_io.h"
#include "workspace/controls.h"
#include "workspace/heights.h"
#include "workspace/workspace.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace gloamery {

enum class HeightFileKind { Other, Raw8, Raw16, Raster };

// What the file is, by its name and (for .raw and TIFF) its bytes; a
// raster named so is opened by name, its bytes unread, and so is a TIFF
// given without its bytes when its file says it is a GeoTIFF.
HeightFileKind heightFileKind(const std::string& path, std::span<const unsigned char> bytes, int mapWidth, int mapHeight);

// Raw samples of a w x h map, or why the length is wrong.
std::variant<std::vector<std::uint8_t>, Error> readRawBytes(std::span<const unsigned char> bytes, int w, int h);
std::variant<HeightSamples, Error> readRawHeights(std::span<const unsigned char> bytes, int w, int h);

// A raster's part the map takes, with what the load reports.
struct RasterHeights {
    HeightSamples samples;
    std::string note;   // the range of elevations used
    int fileWidth = 0;  // the raster's own size
    int fileHeight = 0;
    MapOrigin origin;   // its place and no-data cells
};
std::variant<RasterHeights, Error> readRasterHeights(const std::string& path, int mapWidth, int mapHeight,
                                                     const std::optional<ElevationRange>& heights);

// Classic TIFF or BigTIFF, and whether its first directory carries the
// tags that place it on the Earth (elevations, not grey levels).
bool isTiff(std::span<const unsigned char> bytes);
bool hasGeoTags(std::span<const unsigned char> bytes);
// Whether a plain file is such a TIFF, from its header and first directory
// alone.
bool isGeoTiffFile(const std::string& path);

// Whether the file is opened by name, its bytes never read whole: a raster
// named so, or a GeoTIFF. A large raster is then neither held twice nor
// refused for a size no picture has.
bool readsByName(const std::string& path);

// Puts such a file into the slot as loadSlotBytes does; nothing (and the
// workspace untouched) when the file is of another kind.
std::optional<std::variant<LoadedFile, Error>> loadHeightFile(Workspace& ws, Slot slot, const std::string& path,
                                                              std::span<const unsigned char> bytes, bool tile,
                                                              const std::optional<ElevationRange>& heights);

// Puts an elevation raster, opened by name, into the slot as loadHeightFile does.
std::variant<LoadedFile, Error> loadRasterFile(Workspace& ws, Slot slot, const std::string& path, bool tile,
                                               const std::optional<ElevationRange>& heights);

} // namespace gloamery
