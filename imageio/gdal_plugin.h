#pragma once
// The interface of the elevation-raster plugin (gloamery-gdal), plain C so
// the plugin can be loaded by name only when a file needs it: programs that
// read ordinary pictures never load the raster library behind it.

extern "C" {

// A world's raster, kept open and read a window at a time: opens it
// (reporting its size) or returns null with the reason; reads the w x h
// cells from (x, y) into values and valid (0 where no data), returning
// non-zero with the reason on failure; closes it.
typedef void* (*GloameryOpenRaster)(const char* path, int* width, int* height, char* message, int messageSize);
typedef int (*GloameryReadRasterWindow)(void* raster, int x, int y, int w, int h, double* values, unsigned char* valid,
                                        char* message, int messageSize);
typedef void (*GloameryCloseRaster)(void* raster);
// Opens a height map's raster (no mosaics) the same way, to be read a
// window at a time.
typedef void* (*GloameryOpenElevations)(const char* path, int* width, int* height, char* message, int messageSize);

// The folders, besides each mosaic's own, whose plain files a VRT mosaic
// may name as sources; set before a mosaic is opened.
typedef void (*GloameryAllowSourceFolders)(const char* const* folders, int count);

} // extern "C"

extern "C" {

// Where an open raster (from GloameryOpenRaster) lies on the Earth: its six
// geotransform numbers and, when it names one, its coordinate system as
// WKT (always terminated, empty when none or longer than wktSize).
// Returns 1 when the raster is georeferenced, else 0.
typedef int (*GloameryRasterPlace)(void* raster, double transform[6], char* wkt, int wktSize);
// The latitude and longitude of the point (col, row) in pixels of a raster
// with this geotransform and coordinate system (WKT), and the angle from
// true north to the raster's up direction there, degrees clockwise.
// Returns 0, or non-zero with the reason in message.
typedef int (*GloameryMapNorth)(const double transform[6], const char* wkt, double col, double row, double* latitude,
                                double* longitude, double* gridNorth, char* message, int messageSize);
// Whether the open raster's band declares a no-data value: 1 or 0.
typedef int (*GloameryRasterDeclaresNoData)(void* raster);

// A picture to write as a Cloud Optimized GeoTIFF: bands samples a pixel
// (1 grey, 2 grey and alpha, 3 RGB, 4 RGBA) of 8 or 16 bits, interleaved,
// row by row; or one band of 32-bit floats (bits 32), with a no-data value
// when hasNoData is 1.
struct GloameryImage {
    int width;
    int height;
    int bands;
    int bits;
    const void* samples;
    const double* transform; // six geotransform numbers, or null
    const char* wkt;         // the coordinate system, or null
    int hasNoData = 0;
    double noData = 0.0;
};

// Writes the picture to path (replacing any file there). Returns 0, or
// non-zero with the reason in message (always terminated).
typedef int (*GloameryWriteGeoTiff)(const char* path, const GloameryImage* image, char* message, int messageSize);

} // extern "C"
