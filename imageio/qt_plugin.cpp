#include "qt_plugin.h"

#include "native_io.h"
#include "plugins.h"

#include <cstring>
#include <string_view>

namespace gloamery {

void* qtPluginSymbol(const char* symbol)
{
#ifdef GLOAMERY_QT_READERS
    static void* const plugin = openPlugin(kQtPluginFile, "GLOAMERY_QTIO_PLUGIN");
    return pluginSymbol(plugin, symbol);
#else
    // Built without the toolkit: a plugin found elsewhere was built from
    // other sources, and the interface passes the workspace itself.
    (void)symbol;
    return nullptr;
#endif
}

namespace {

std::string formatName(const std::string& path, const unsigned char* head, std::size_t size)
{
    auto starts = [&](std::string_view magic, std::size_t at = 0) {
        return size >= at + magic.size() && std::memcmp(head + at, magic.data(), magic.size()) == 0;
    };
    if (namesRawOrRaster(path)) return "raw height and elevation raster";
    if (starts("\x89PNG")) return "PNG";
    if (starts("\xff\xd8\xff")) return "JPEG";
    if (starts("GIF8")) return "GIF";
    if (starts("BM")) return "BMP";
    if (starts("II*") || starts(std::string_view("MM\0*", 4))) return "TIFF";
    if (starts("RIFF") && starts("WEBP", 8)) return "WebP";
    if (size >= 2 && head[0] == 'P' && head[1] >= '1' && head[1] <= '7') return "PBM/PGM/PPM";
    const std::string ext = lowerExtension(path);
    if (ext.empty()) return "such";
    std::string upper;
    for (const char c : ext) upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return upper;
}

} // namespace

Error qtReadersMissing(const std::string& path, const unsigned char* head, std::size_t size)
{
    const std::string format = formatName(path, head, size);
#ifdef GLOAMERY_QT_READERS
    return Error{format + " files are read by the " + kQtPluginFile
                 + " plugin, which is not installed (plain PNG files are read without it)."};
#else
    return Error{format + " files are read through Qt's readers, which this build leaves out (GLOAMERY_GUI=OFF); "
                 + "it reads plain PNG files (opaque grey, RGB or palette, and 16-bit grey)."};
#endif
}

} // namespace gloamery
