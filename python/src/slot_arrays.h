#pragma once
// NumPy arrays in and out of the workspace's slots. An array given to a
// slot is read where it lies: its dtype and shape must be exact and its
// layout C-contiguous, so nothing is converted or copied behind the
// caller's back, and a mistake is named rather than guessed at.

#include "workspace/workspace.h"

#include <pybind11/numpy.h>

#include <cstdint>
#include <string>

namespace gloamery::python {

// A checked array: rows of `width` samples of `channels` bytes (1 or 3)
// or 16-bit samples (deep), one row after another.
struct SlotArray {
    const void* data = nullptr;
    int width = 0;
    int height = 0;
    int channels = 1;
    bool deep = false;
};

// Checks an array for the slot of a map of mapWidth x mapHeight: the
// height takes (H, W) uint8 or uint16 or (H, W, 3) uint8, every other slot
// (H, W, 3) uint8. Throws std::invalid_argument naming what is wrong.
SlotArray checkedSlotArray(const pybind11::array& a, Slot slot, int mapWidth, int mapHeight);

// Puts a checked array into the slot: 16-bit samples make the height map
// deep, anything else makes it 8-bit again. Needs no interpreter lock.
void putSlotArray(Workspace& ws, Slot slot, const SlotArray& a);

// A new array of the slot's contents: the height as the runs read it,
// (H, W) uint16 when deep, else the (H, W) uint8 red bytes; every other
// slot (H, W, 3) uint8.
pybind11::array slotArray(const Workspace& ws, Slot slot);

// A picture's colour values as (H, W, 3) bytes, and back.
void picturePixels(const Picture& p, std::uint8_t* rgb);
void putPixels(Picture& p, const std::uint8_t* data, int channels);

// The slot's Python name ("height", "grass", ...); std::invalid_argument
// for anything else, with the batch tool's list.
Slot slotNamed(const std::string& name);

} // namespace gloamery::python
