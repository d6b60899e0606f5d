// The toolkit picture plugin: loadSlotFile for programs that load the
// toolkit only when a file needs it.

#include "qt_fallback.h"

#include "height_files.h"

#include <new>

// The program may carry its own copy of the C++ runtime, and an exception
// is not to pass from one copy to the other: every failure goes back as a
// value.
extern "C" __attribute__((visibility("default"))) void
gloamery_qt_load_slot_file(gloamery::Workspace& ws, gloamery::Slot slot, const std::string& path, bool tile,
                           const std::optional<gloamery::ElevationRange>& heights,
                           std::variant<gloamery::LoadedFile, gloamery::Error>& out) noexcept
{
    try {
        out = gloamery::loadSlotFile(ws, slot, QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size())),
                                     tile, heights);
    } catch (const std::bad_alloc&) {
        out = gloamery::Error{"There is not enough memory to read it."};
    } catch (...) {
        out = gloamery::Error{"The file could not be read."};
    }
}
