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

} // extern "C"
