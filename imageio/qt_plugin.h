#pragma once
// The interface of the toolkit picture plugin (gloamery-qtio): every load
// the plain reader declines, for programs that do not link the toolkit.
// Plugin and program are built together from the same sources, so the
// interface passes the workspace itself.

#include "elevation.h"
#include "native_io.h"

#include <cstddef>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace gloamery {

// Exactly loadSlotFile (qt/height_files.h), result in `out`.
using QtLoadSlotFile = void (*)(Workspace& ws, Slot slot, const std::string& path, bool tile,
                                const std::optional<ElevationRange>& heights, std::variant<LoadedFile, Error>& out);
constexpr const char* kQtLoadSlotFileSymbol = "gloamery_qt_load_slot_file";
// Exactly loadSlotBytes: the file's bytes read once by the program, path
// its name as the system takes it (any bytes, not only UTF-8).
using QtLoadSlotBytes = void (*)(Workspace& ws, Slot slot, const std::string& path, const std::vector<unsigned char>& bytes,
                                 bool tile, const std::optional<ElevationRange>& heights,
                                 std::variant<LoadedFile, Error>& out);
constexpr const char* kQtLoadSlotBytesSymbol = "gloamery_qt_load_slot_bytes";
constexpr const char* kQtPluginFile = "libgloamery-qtio.so";
// The plugin carries its own copy of the core, and so keeps the large
// blocks it frees apart from the program's: keepLargeBlocks for its copy.
using QtKeepLargeBlocks = void (*)(std::size_t bytes);
constexpr const char* kQtKeepLargeBlocksSymbol = "gloamery_qt_keep_large_blocks";

// A picture file's size, read from its header without decoding its pixels.
struct PictureSize {
    int width;
    int height;
};
using QtPictureSize = void (*)(const std::string& path, std::variant<PictureSize, Error>& out);
constexpr const char* kQtPictureSizeSymbol = "gloamery_qt_picture_size";

// The plugin's entry `symbol`, loaded the first time one is asked for;
// null when the plugin is missing or this build has no toolkit readers.
void* qtPluginSymbol(const char* symbol);

// Why a file the plain reader declined cannot be read without the plugin,
// naming its format from its first bytes (or, without them, its name).
Error qtReadersMissing(const std::string& path, const unsigned char* head, std::size_t size);

} // namespace gloamery
