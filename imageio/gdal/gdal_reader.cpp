// The elevation-raster plugin: reads one band of any raster GDAL opens
// (GeoTIFF, SRTM .hgt, ESRI ASCII grid, ...) as doubles with a no-data
// flag per cell. Loaded by the program only when a file needs it.

#include "../gdal_plugin.h"

#include <gdal.h>
#include <cpl_conv.h>
#include <cpl_error.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

int refuse(char* message, int size, const char* text)
{
    std::snprintf(message, static_cast<std::size_t>(size), "%s", text);
    return 1;
}

// Raster files are read from the disk only: no network, no other files
// named inside a file's text.
void setUp()
{
    static std::once_flag once;
    std::call_once(once, [] {
        CPLSetConfigOption("GDAL_HTTP_TIMEOUT", "1");
        CPLSetConfigOption("CPL_VSIL_CURL_ALLOWED_EXTENSIONS", "none");
        CPLSetConfigOption("GDAL_DISABLE_READDIR_ON_OPEN", "EMPTY_DIR");
        GDALAllRegister();
    });
}

// The drivers of elevation files; anything else is not opened.
const char* const kDrivers[] = {"GTiff", "SRTMHGT", "AAIGrid", "USGSDEM", "GSAG", "GSBG", "EHdr", "XYZ", nullptr};

// A world may also be a mosaic of rasters (a VRT naming its tiles), the
// form large worlds come in; it is opened only when asked for as a world.
const char* const kWorldDrivers[] = {"GTiff", "VRT", "SRTMHGT", "AAIGrid", "USGSDEM", "GSAG", "GSBG", "EHdr", "XYZ", nullptr};

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

int readBand(GDALRasterBandH band, int w, int h, GloameryElevations* out, char* message, int size)
{
    const std::size_t cells = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    auto* values = static_cast<double*>(std::malloc(cells * sizeof(double)));
    auto* valid = static_cast<unsigned char*>(std::malloc(cells));
    if (!values || !valid) {
        std::free(values);
        std::free(valid);
        return refuse(message, size, "Not enough memory for the raster's cells.");
    }
    if (GDALRasterIO(band, GF_Read, 0, 0, w, h, values, w, h, GDT_Float64, 0, 0) != CE_None) {
        std::free(values);
        std::free(valid);
        std::snprintf(message, static_cast<std::size_t>(size), "The raster's cells cannot be read: %s",
                      CPLGetLastErrorMsg());
        return 1;
    }
    markValid(band, values, valid, cells);
    *out = GloameryElevations{w, h, values, valid};
    return 0;
}

} // namespace

extern "C" __attribute__((visibility("default"))) int gloamery_read_elevations(const char* path, int maxSide,
                                                                                GloameryElevations* out,
                                                                                char* message, int size)
{
    setUp();
    // Reasons go back to the caller, not onto the program's error stream.
    CPLErrorReset();
    CPLPushErrorHandler(CPLQuietErrorHandler);
    struct PopHandler {
        ~PopHandler() { CPLPopErrorHandler(); }
    } pop;
    GDALDatasetH ds = GDALOpenEx(path, GDAL_OF_RASTER | GDAL_OF_READONLY, kDrivers, nullptr, nullptr);
    if (!ds) {
        std::snprintf(message, static_cast<std::size_t>(size), "The file is not an elevation raster this program reads%s%s",
                      *CPLGetLastErrorMsg() ? ": " : ".", CPLGetLastErrorMsg());
        return 1;
    }
    int result = 0;
    const int bands = GDALGetRasterCount(ds);
    const int w = GDALGetRasterXSize(ds), h = GDALGetRasterYSize(ds);
    if (bands < 1) {
        result = refuse(message, size, "The raster has no band: there are no heights to read.");
    } else if (bands > 1) {
        std::snprintf(message, static_cast<std::size_t>(size),
                      "The raster has %d bands; an elevation raster has one.", bands);
        result = 1;
    } else if (w < 1 || h < 1 || w > maxSide || h > maxSide) {
        std::snprintf(message, static_cast<std::size_t>(size),
                      "The raster is %d x %d cells; each side must be 1 to %d.", w, h, maxSide);
        result = 1;
    } else {
        result = readBand(GDALGetRasterBand(ds, 1), w, h, out, message, size);
    }
    GDALClose(ds);
    return result;
}

extern "C" __attribute__((visibility("default"))) void gloamery_free_elevations(GloameryElevations* e)
{
    std::free(e->values);
    std::free(e->valid);
    e->values = nullptr;
    e->valid = nullptr;
}

extern "C" __attribute__((visibility("default"))) void* gloamery_open_raster(const char* path, int* width, int* height,
                                                                            char* message, int size)
{
    setUp();
    QuietErrors quiet;
    GDALDatasetH ds = GDALOpenEx(path, GDAL_OF_RASTER | GDAL_OF_READONLY, kWorldDrivers, nullptr, nullptr);
    if (!ds) {
        std::snprintf(message, static_cast<std::size_t>(size), "The file is not an elevation raster this program reads%s%s",
                      *CPLGetLastErrorMsg() ? ": " : ".", CPLGetLastErrorMsg());
        return nullptr;
    }
    if (GDALGetRasterCount(ds) != 1) {
        std::snprintf(message, static_cast<std::size_t>(size), "The raster has %d bands; an elevation raster has one.",
                      GDALGetRasterCount(ds));
        GDALClose(ds);
        return nullptr;
    }
    *width = GDALGetRasterXSize(ds);
    *height = GDALGetRasterYSize(ds);
    return ds;
}

extern "C" __attribute__((visibility("default"))) int gloamery_read_raster_window(void* raster, int x, int y, int w, int h,
                                                                                 double* values, unsigned char* valid,
                                                                                 char* message, int size)
{
    QuietErrors quiet;
    GDALRasterBandH band = GDALGetRasterBand(static_cast<GDALDatasetH>(raster), 1);
    if (GDALRasterIO(band, GF_Read, x, y, w, h, values, w, h, GDT_Float64, 0, 0) != CE_None) {
        std::snprintf(message, static_cast<std::size_t>(size), "The raster's cells cannot be read: %s", CPLGetLastErrorMsg());
        return 1;
    }
    markValid(band, values, valid, static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    return 0;
}

extern "C" __attribute__((visibility("default"))) void gloamery_close_raster(void* raster)
{
    GDALClose(static_cast<GDALDatasetH>(raster));
}
