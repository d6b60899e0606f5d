// The elevation-raster plugin: reads one band of any raster GDAL opens
// (GeoTIFF, SRTM .hgt, ESRI ASCII grid, ...) a window at a time, as
// doubles with a no-data flag per cell. Loaded by the program only when a
// file needs it.

#include "../gdal_plugin.h"
#include "gdal_drivers.h"
#include "vrt_sources.h"
#include "../printable_text.h"

#include <gdal.h>
#include <cpl_conv.h>
#include <cpl_error.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

using gloamery::gdal::setUpGdal;

namespace {

int refuse(char* message, int size, const char* text)
{
    std::snprintf(message, static_cast<std::size_t>(size), "%s", text);
    return 1;
}

// The cells' no-data flags: 0 where the band says no data, or NaN.
void markValid(GDALRasterBandH band, const double* values, unsigned char* valid, std::size_t cells)
{
    int hasNoData = 0;
    const double noData = GDALGetRasterNoDataValue(band, &hasNoData);
    for (std::size_t i = 0; i < cells; ++i) valid[i] = std::isfinite(values[i]) && !(hasNoData && values[i] == noData);
}

// Errors go back to the caller, not onto the program's error stream.
struct QuietErrors {
    QuietErrors()
    {
        CPLErrorReset();
        CPLPushErrorHandler(CPLQuietErrorHandler);
    }
    ~QuietErrors() { CPLPopErrorHandler(); }
};

using gloamery::gdal::CheckedMosaic;

// The user's file opened once, as a plain file (so that GDAL's several
// opens of it all see the same bytes and none of them waits on a pipe),
// and its name as nothing GDAL would read as a URL, a virtual file or a
// driver's connection string. -1 with the reason in `why`.
int openPlainFile(const char* path, std::string& name, std::string& why)
{
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        why = std::strerror(errno);
        if (fd >= 0) ::close(fd);
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        why = S_ISDIR(st.st_mode) ? "It is a folder, not a file."
                                  : "An elevation raster must be a plain file, not a pipe or a device.";
        ::close(fd);
        return -1;
    }
    name = path[0] == '/' ? std::string(path) : "./" + std::string(path);
    return fd;
}

// What each open dataset reads through, kept until it closes.
std::mutex heldMutex;
std::map<GDALDatasetH, std::unique_ptr<CheckedMosaic>> heldFiles;

bool allowsMosaics(const char* const* drivers)
{
    for (; *drivers; ++drivers)
        if (std::strcmp(*drivers, "VRT") == 0) return true;
    return false;
}

// The file as GDAL is to open it: a mosaic as its checked copy; any other
// file through the descriptor opened here, so that GDAL reads that file
// and no side file beside it (.prj, .aux.xml, world files), whatever the
// format; the few formats read by name by a link of their name to that
// descriptor. Null with the reason.
std::unique_ptr<CheckedMosaic> heldFile(const char* path, const char* const* drivers, std::string& why)
{
    std::string name;
    const int fd = openPlainFile(path, name, why);
    if (fd < 0) return nullptr;
    auto held = std::make_unique<CheckedMosaic>();
    held->files.push_back(fd);
    held->name = "/proc/self/fd/" + std::to_string(fd);
    if (allowsMosaics(drivers) && gloamery::gdal::isMosaic(held->name)) return gloamery::gdal::checkMosaic(name, why);
    if (gloamery::gdal::readByName(path) && (held->name = gloamery::gdal::namedLink(*held, fd, path, why)).empty())
        return nullptr;
    return held;
}

GDALDatasetH openRaster(const char* path, const char* const* drivers, char* message, int size)
{
    std::string why;
    std::unique_ptr<CheckedMosaic> held = heldFile(path, drivers, why);
    if (!held) {
        std::snprintf(message, static_cast<std::size_t>(size), "%s%s", why.c_str(), why.back() == '.' ? "" : ".");
        return nullptr;
    }
    GDALDatasetH ds = GDALOpenEx(held->name.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, drivers, nullptr, nullptr);
    if (!ds) {
        const std::string said = gloamery::printable(CPLGetLastErrorMsg(), 300);
        std::snprintf(message, static_cast<std::size_t>(size), "The file is not an elevation raster this program reads%s%s",
                      said.empty() ? "." : ": ", said.c_str());
        return nullptr;
    }
    const std::lock_guard<std::mutex> lock(heldMutex);
    heldFiles[ds] = std::move(held);
    return ds;
}

// One band, or null with the reason.
GDALDatasetH openOneBand(const char* path, const char* const* drivers, int* width, int* height, char* message, int size)
{
    setUpGdal();
    QuietErrors quiet;
    GDALDatasetH ds = openRaster(path, drivers, message, size);
    if (!ds) return nullptr;
    if (GDALGetRasterCount(ds) != 1) {
        if (GDALGetRasterCount(ds) < 1) refuse(message, size, "The raster has no band: there are no heights to read.");
        else
            std::snprintf(message, static_cast<std::size_t>(size), "The raster has %d bands; an elevation raster has one.",
                          GDALGetRasterCount(ds));
        GDALClose(ds);
        return nullptr;
    }
    *width = GDALGetRasterXSize(ds);
    *height = GDALGetRasterYSize(ds);
    return ds;
}

} // namespace

extern "C" __attribute__((visibility("default"))) void* gloamery_open_raster(const char* path, int* width, int* height,
                                                                            char* message, int size)
{
    return openOneBand(path, gloamery::gdal::kWorldDrivers, width, height, message, size);
}

extern "C" __attribute__((visibility("default"))) void* gloamery_open_elevations(const char* path, int* width, int* height,
                                                                                char* message, int size)
{
    return openOneBand(path, gloamery::gdal::kMapDrivers, width, height, message, size);
}

extern "C" __attribute__((visibility("default"))) int gloamery_read_raster_window(void* raster, int x, int y, int w, int h,
                                                                                 double* values, unsigned char* valid,
                                                                                 char* message, int size)
{
    QuietErrors quiet;
    GDALRasterBandH band = GDALGetRasterBand(static_cast<GDALDatasetH>(raster), 1);
    if (GDALRasterIO(band, GF_Read, x, y, w, h, values, w, h, GDT_Float64, 0, 0) != CE_None) {
        std::snprintf(message, static_cast<std::size_t>(size), "The raster's cells cannot be read: %s",
                      gloamery::printable(CPLGetLastErrorMsg(), 300).c_str());
        return 1;
    }
    markValid(band, values, valid, static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    return 0;
}

extern "C" __attribute__((visibility("default"))) void gloamery_close_raster(void* raster)
{
    GDALClose(static_cast<GDALDatasetH>(raster));
    const std::lock_guard<std::mutex> lock(heldMutex);
    heldFiles.erase(static_cast<GDALDatasetH>(raster));
}

extern "C" __attribute__((visibility("default"))) void gloamery_allow_source_folders(const char* const* folders, int count)
{
    std::vector<std::string> list(folders, folders + count);
    gloamery::gdal::allowSourceFolders(std::move(list));
}
