#pragma once
// The interface of the toolkit picture plugin (gloamery-qtio): every load
// the plain reader declines, for programs that do not link the toolkit.
// Plugin and program are built together from the same sources, so the
// interface passes the workspace itself.

#include "elevation.h"
#include "native_io.h"

#include <optional>
#include <string>
#include <variant>

namespace gloamery {

// Exactly loadSlotFile (height_files.h), result in `out`.
using QtLoadSlotFile = void (*)(Workspace& ws, Slot slot, const std::string& path, bool tile,
                                const std::optional<ElevationRange>& heights, std::variant<LoadedFile, Error>& out);
constexpr const char* kQtLoadSlotFileSymbol = "gloamery_qt_load_slot_file";
constexpr const char* kQtPluginFile = "libgloamery-qtio.so";

} // namespace gloamery
