// The toolkit picture plugin: loadSlotFile for programs that load the
// toolkit only when a file needs it.

#include "qt_fallback.h"

#include "height_files.h"

extern "C" __attribute__((visibility("default"))) void
gloamery_qt_load_slot_file(gloamery::Workspace& ws, gloamery::Slot slot, const std::string& path, bool tile,
                           const std::optional<gloamery::ElevationRange>& heights,
                           std::variant<gloamery::LoadedFile, gloamery::Error>& out)
{
    out = gloamery::loadSlotFile(ws, slot, QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size())),
                                 tile, heights);
}
