#pragma once
// Picture and height files read straight into NumPy arrays, through the
// batch tool's readers.

#include "imageio/elevation.h"

#include <pybind11/numpy.h>

#include <optional>
#include <string>
#include <utility>

namespace gloamery::python {

// The file as an array: a file of more than 8 bits a sample (16-bit PNG or
// TIFF, deep PGM, raw .r16, elevation rasters) as (H, W) uint16, anything
// else as (H, W, 3) uint8. `heights` pins the elevations of a raster;
// `size` (W, H) gives a raw file's map size, which its bytes cannot tell.
// Throws FileError with the batch tool's message.
pybind11::array loadArray(const std::string& path, const std::optional<ElevationRange>& heights,
                          const std::optional<std::pair<int, int>>& size);

// "LO,HI" checked as --heights checks it (std::invalid_argument).
ElevationRange checkedRange(double low, double high);

} // namespace gloamery::python
