#pragma once
// The one place that says which GDAL drivers this program lets run and how
// GDAL is set up before any of them is registered: a reader (and writer)
// of local files only, never of the network, of memory or of other
// programs.

namespace gloamery::gdal {

// Registers the allowed drivers and switches off every network, memory
// and scripting source, once per process; every entry point of the plugin
// calls it first.
void setUpGdal();

// The drivers a height map may be opened with (null-terminated, for
// GDALOpenEx): elevation rasters, without mosaics.
extern const char* const kMapDrivers[];
// The same plus VRT mosaics, for a world's heights.
extern const char* const kWorldDrivers[];
// The drivers rasters are written with.
extern const char* const kWriterDrivers[];

} // namespace gloamery::gdal
