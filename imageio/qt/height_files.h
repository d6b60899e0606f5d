#pragma once
// Height files with more than 8 bits a sample, and loading any picture file
// into a slot with the workspace's height depth kept in step: 16-bit PNG
// and TIFF (grey or red samples), PGM with a maxval above 255, raw 16-bit
// little-endian files (.r16, .raw) the map's size, and elevation rasters
// through the raster plugin (GeoTIFF, .hgt, ASCII grids...).

#include "imageio/elevation.h"
#include "imageio/native_io.h"
#include "workspace/controls.h"
#include "workspace/heights.h"
#include "workspace/workspace.h"

#include <QImage>
#include <QString>

#include <optional>
#include <string>
#include <variant>

namespace gloamery {

// A file read at more than 8 bits a sample.
struct DeepPicture {
    HeightSamples samples; // the grey (or red) samples, all 16 bits
    QImage shown;          // every channel nearest(v / 257): the file in any other slot
    std::string note;      // the range of elevations used, for rasters
    int fileWidth = 0;     // a raster's own size, when only the part the
    int fileHeight = 0;    // map takes was read (0: the samples' size)
    MapOrigin origin;      // a raster's place and no-data cells
};

struct HeightReadOptions {
    int mapWidth = kDefaultMapSize; // a raw file holds exactly a map's samples; of a
                                    // raster, only this much is read
    int mapHeight = kDefaultMapSize;
    std::optional<ElevationRange> heights; // pins the elevations read as 0 and 65535
};

// An 8-bit picture, a deep one, or the reason the file was refused.
using AnyPicture = std::variant<QImage, DeepPicture, Error>;

// Reads any picture or height file, with every check loadPicture makes.
AnyPicture readAnyPicture(const QString& path, const HeightReadOptions& options);
// The same from the file's bytes, already read (a file is opened once: a
// pipe cannot be read twice); path gives the name only, as the system
// takes it, and is opened again only for an elevation raster.
AnyPicture readAnyPictureBytes(const std::string& path, const QByteArray& bytes, const HeightReadOptions& options);
// The same from bytes in memory, for what the bytes alone tell: PNG, TIFF
// and PGM (no raw files, no rasters).
AnyPicture readAnyPictureData(const QByteArray& bytes);

// The deep picture of a decoded image of 16 bits a channel; nothing for an
// image of 8 bits or fewer.
std::optional<DeepPicture> deepPictureOf(const QImage& image);

// A binary PGM with a maxval above 255 (or an impossible one): its samples,
// or the refusal. Nothing when the bytes are not such a PGM.
std::optional<std::variant<DeepPicture, Error>> readDeepPgm(const QByteArray& bytes);

// Puts the file into the slot, at the top-left or tiled: a deep file makes
// the height map deep, any other file makes it 8-bit again. On refusal the
// workspace is unchanged.
std::variant<LoadedFile, Error> loadSlotFile(Workspace& ws, Slot slot, const QString& path, bool tile = false,
                                              const std::optional<ElevationRange>& heights = std::nullopt);

// The same from the file's bytes, already read (readAnyPictureBytes).
std::variant<LoadedFile, Error> loadSlotBytes(Workspace& ws, Slot slot, const std::string& path, const QByteArray& bytes,
                                              bool tile = false,
                                              const std::optional<ElevationRange>& heights = std::nullopt);

// Writes deep heights as a 16-bit grey PNG, atomically (as saveDeepHeightsFile).
Refusal saveDeepHeights(const HeightSamples& samples, const QString& path);

// Whether the elevation-raster plugin could be loaded.
bool elevationReaderAvailable();

} // namespace gloamery
