#pragma once
// Saving one slot's map in the format its file name asks for: BMP, PNG,
// a Cloud Optimized GeoTIFF (through the raster plugin) that keeps the
// heights' place on the Earth, or raw 16-bit heights as terrain engines
// import them. Maps whose heights held no data get an alpha channel, clear
// there, where the format has one (PNG, GeoTIFF).

#include "geo_place.h"
#include "workspace/controls.h"
#include "workspace/heights.h"
#include "workspace/picture.h"
#include "workspace/value_layer.h"
#include "workspace/workspace.h"

#include <optional>
#include <string>

namespace gloamery {

// "bmp", "png", "tif" (for .tif and .tiff) or "r16" (for .r16 and .raw)
// by the file name's extension; nothing for any other.
std::optional<std::string> saveFormatOf(const std::string& path);

// What a slot's save writes: its picture, and for the height slot its deep
// samples (empty for an 8-bit map).
struct SlotMap {
    Slot slot;
    const Picture& picture;
    const HeightSamples& deep;
    const MapOrigin& origin;
};

// Writes the map atomically in the format (from saveFormatOf). Raw
// heights are the height slot's alone: 16-bit little-endian samples, row
// by row, an 8-bit map's as its values x 257.
Refusal saveSlotMap(const SlotMap& map, const std::string& path, const std::string& format);
// The same for a workspace's slot (a deep height map's samples but in a
// BMP), read from what the slot keeps a row at a time: nothing of the
// map's size is made for a PNG, BMP or raw file.
Refusal saveWorkspaceSlot(const Workspace& ws, Slot slot, const MapOrigin& origin, const std::string& path,
                          const std::string& format);

// A real-valued layer as a Cloud Optimized GeoTIFF of 32-bit floats
// (nearest to each value) with the heights' place; the cells that held no
// data get kLayerNoData, which the file declares. Only .tif and .tiff
// names are taken (a layer has no picture to show in other formats).
constexpr double kLayerNoData = -9999.0;
Refusal saveLayer(const ValueLayer& layer, const MapOrigin& origin, const std::string& path);

// Whether GeoTIFF files can be written (the raster plugin is there), and
// the reason when they cannot.
bool geoTiffWriterAvailable();
std::string geoTiffWriterMissing();

} // namespace gloamery
