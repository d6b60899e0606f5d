#pragma once
// NumPy arrays in and out of the workspace's slots. An array given to a
// slot is read where it lies, through its strides (a slice, a transposed
// or Fortran-ordered array is read as it is, never copied first); its
// dtype must equal the slot's, however the array was made (a pickled
// array's dtype is equal without being the same object), and its shape
// the map's, or the mistake is named rather than guessed at.

#include "imageio/elevation.h"
#include "workspace/workspace.h"

#include <pybind11/numpy.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace gloamery::python {

// What a checked array's samples are.
enum class SampleKind { Bytes, Words, Float32, Float64 };

// A checked array: height x width samples of `channels` values (1 or 3),
// the steps between rows, columns and channels in bytes (any sign).
struct SlotArray {
    const unsigned char* data = nullptr;
    int width = 0;
    int height = 0;
    int channels = 1;
    SampleKind kind = SampleKind::Bytes;
    std::ptrdiff_t rowStep = 0;
    std::ptrdiff_t columnStep = 0;
    std::ptrdiff_t channelStep = 0;

    bool elevations() const { return kind == SampleKind::Float32 || kind == SampleKind::Float64; }
};

// Checks an array for the slot of a map of mapWidth x mapHeight: the
// height takes (H, W) uint8, uint16, float32 or float64, or (H, W, 3)
// uint8; every other slot (H, W, 3) uint8. Throws std::invalid_argument
// naming what is wrong.
SlotArray checkedSlotArray(const pybind11::array& a, Slot slot, int mapWidth, int mapHeight);

// Puts a checked array of whole samples into the slot: 16-bit samples
// make the height map deep, anything else makes it 8-bit again. Needs no
// interpreter lock.
void putSlotArray(Workspace& ws, Slot slot, const SlotArray& a);

// Float elevations made into deep samples as a raster's are: over the
// range given or their own least and greatest, NaN and the infinities
// counting as no-data (the low end).
struct MappedArray {
    HeightSamples samples;
    ElevationRange range;
    std::vector<unsigned char> noData; // 1 where a cell held none; empty when every cell held data
};
// Throws std::invalid_argument when no cell holds data. Needs no
// interpreter lock.
MappedArray mappedElevations(const SlotArray& a, const std::optional<ElevationRange>& pinned);

// A new array of the slot's contents: the height as the runs read it,
// (H, W) uint16 when deep, else the (H, W) uint8 red bytes; every other
// slot (H, W, 3) uint8.
pybind11::array slotArray(const Workspace& ws, Slot slot);

// A picture's colour values as (H, W, 3) bytes.
void picturePixels(const Picture& p, std::uint8_t* rgb);

// The slot's Python name ("height", "grass", ...); std::invalid_argument
// for anything else, with the batch tool's list.
Slot slotNamed(const std::string& name);

} // namespace gloamery::python
