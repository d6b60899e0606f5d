#pragma once
// Elevations (metres, or whatever unit a raster holds) made into deep
// height samples: a linear map of a range onto 0..65535. Plain C++, shared
// by the reader that loads the raster library and by the tests.

#include "workspace/controls.h"
#include "workspace/heights.h"

#include <optional>
#include <string>
#include <variant>
#include <cstddef>
#include <cstdint>

namespace gloamery {

// The elevations that become samples 0 and 65535.
struct ElevationRange {
    double low;
    double high;
};

// A one-band raster as read: w x h values, row-major, with a flag per
// cell telling whether it holds data. Views of the reader's arrays, which
// can be large.
struct ElevationGrid {
    int width = 0;
    int height = 0;
    const double* values = nullptr;
    const unsigned char* valid = nullptr;
    std::size_t cells() const { return static_cast<std::size_t>(width) * static_cast<std::size_t>(height); }
};

// The range grown to take in v, a value that holds data. Where v equals an
// end the end held stays, as std::fmin and fmax keep their first argument
// here: between -0 and +0 the first one seen. So the ranges of a raster's
// parts, joined in order, are the range of the whole to the last bit.
inline ElevationRange widened(const ElevationRange& r, double v)
{
    return {v < r.low ? v : r.low, v > r.high ? v : r.high};
}
inline ElevationRange joined(const ElevationRange& first, const ElevationRange& then)
{
    return widened(widened(first, then.low), then.high);
}

struct MappedElevations {
    HeightSamples samples;
    ElevationRange range; // the range used
};

// sample = nearest((v - low) / (high - low) x 65535), saturated to
// 0..65535; no-data cells (and NaN) count as the low end. Without a
// range, it runs from the least to the greatest valid value (a flat
// raster maps to 0). Refused when no cell holds data.
std::variant<MappedElevations, Error> mapElevations(const ElevationGrid& grid,
                                                    const std::optional<ElevationRange>& pinned);

// The sample of one elevation over a range, as mapElevations makes it.
std::uint16_t elevationSample(double v, const ElevationRange& r);

// "heights from LO to HI mapped onto 0..65535", the range told to the user.
std::string rangeNote(const ElevationRange& r);

} // namespace gloamery
