#pragma once
// The interface of the elevation-raster plugin (gloamery-gdal), plain C so
// the plugin can be loaded by name only when a file needs it: programs that
// read ordinary pictures never load the raster library behind it.

extern "C" {

// One band of elevations: width x height values, row-major, and a flag per
// cell, 0 where the raster holds no data. Both arrays belong to the plugin.
struct GloameryElevations {
    int width;
    int height;
    double* values;
    unsigned char* valid;
};

// Reads the file's single band. Returns 0 and fills out, or returns
// non-zero with the reason in message (always terminated). Rasters with a
// side above maxSide are refused before their cells are read.
typedef int (*GloameryReadElevations)(const char* path, int maxSide, GloameryElevations* out, char* message,
                                       int messageSize);
// Releases what a successful read filled in.
typedef void (*GloameryFreeElevations)(GloameryElevations* elevations);

// A world's raster, kept open and read a window at a time: opens it
// (reporting its size) or returns null with the reason; reads the w x h
// cells from (x, y) into values and valid (0 where no data), returning
// non-zero with the reason on failure; closes it.
typedef void* (*GloameryOpenRaster)(const char* path, int* width, int* height, char* message, int messageSize);
typedef int (*GloameryReadRasterWindow)(void* raster, int x, int y, int w, int h, double* values, unsigned char* valid,
                                        char* message, int messageSize);
typedef void (*GloameryCloseRaster)(void* raster);

} // extern "C"
