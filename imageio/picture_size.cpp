#include "picture_size.h"

#include "file_kind.h"
#include "gdal_plugin.h"
#include "native_io.h"
#include "plugins.h"
#include "world_heights.h"

#include <fstream>

namespace gloamery {

namespace {

// The width and height of IHDR, the first chunk of every PNG.
std::optional<PictureSize> pngSize(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    unsigned char head[24] = {};
    if (!in.read(reinterpret_cast<char*>(head), sizeof head)) return std::nullopt;
    static const unsigned char kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    if (!std::equal(std::begin(kSignature), std::end(kSignature), head)) return std::nullopt;
    auto big = [&](int at) {
        return static_cast<long long>(head[at]) << 24 | head[at + 1] << 16 | head[at + 2] << 8 | head[at + 3];
    };
    const long long w = big(16), h = big(20);
    // Beyond any int: reported as the largest, which no map takes either.
    return PictureSize{static_cast<int>(std::min(w, 0x7fffffffLL)), static_cast<int>(std::min(h, 0x7fffffffLL))};
}

} // namespace

std::optional<PictureSize> rasterFileSize(const std::string& path)
{
    static void* const library = openPlugin("libgloamery-gdal.so", "GLOAMERY_ELEVATION_PLUGIN");
    const auto open = reinterpret_cast<GloameryOpenRaster>(pluginSymbol(library, "gloamery_open_raster"));
    const auto close = reinterpret_cast<GloameryCloseRaster>(pluginSymbol(library, "gloamery_close_raster"));
    if (!open || !close) return std::nullopt;
    int w = 0, h = 0;
    char message[512] = {};
    void* raster = open(path.c_str(), &w, &h, message, sizeof message);
    if (!raster) return std::nullopt;
    close(raster);
    return PictureSize{w, h};
}

std::variant<PictureSize, Error> heightFileSize(const std::string& path)
{
    if (isRawHeightFile(path))
        return Error{"a raw height file does not tell its size: give --size W,H, then --load height FILE"};
    if (auto png = pngSize(path)) return *png;
    if (const FileKind kind = fileKind(path); kind == FileKind::Tiff || kind == FileKind::ElevationRaster)
        if (auto raster = rasterFileSize(path)) return *raster;
    static const auto viaToolkit = reinterpret_cast<QtPictureSize>(qtPluginSymbol(kQtPictureSizeSymbol));
    if (!viaToolkit) {
        unsigned char head[16] = {};
        std::ifstream in(path, std::ios::binary);
        in.read(reinterpret_cast<char*>(head), sizeof head);
        return qtReadersMissing(path, head, static_cast<std::size_t>(in.gcount()));
    }
    std::variant<PictureSize, Error> size = Error{};
    viaToolkit(path, size);
    return size;
}

} // namespace gloamery
