#pragma once
// What kind of file this is, from its name and first bytes: the one answer
// the panel, the batch tool and the Python module share, and the one list
// of the names that tell a kind.

#include <span>
#include <string>
#include <vector>

namespace gloamery {

enum class FileKind {
    Picture,         // decoded from its bytes by a picture reader (PNG, BMP, PGM, ...)
    Raw8,            // 8-bit samples the map's size (.r8)
    Raw16,           // 16-bit little-endian samples the map's size (.r16)
    RawEither,       // samples of either depth, told by the file's length (.raw)
    ElevationRaster, // opened by name through the raster plugin, its bytes unread (.hgt, .asc, .dem)
    Tiff,            // elevations when it carries the tags placing it on the Earth, else a picture
};

// The kind by the name's extension (any case) and, past the kinds a name
// alone tells, by the bytes' signature (head may be empty or the whole file).
FileKind fileKind(const std::string& name, std::span<const unsigned char> head = {});

// Raw samples of either depth.
inline bool isRaw(FileKind k) { return k == FileKind::Raw8 || k == FileKind::Raw16 || k == FileKind::RawEither; }
// Kinds only a name tells, which no picture reader takes.
inline bool toldByName(FileKind k) { return isRaw(k) || k == FileKind::ElevationRaster; }

// The extensions of the files read for their heights (deep pictures among
// them), without the dot, for open dialogs.
std::vector<std::string> heightFileExtensions();

} // namespace gloamery
