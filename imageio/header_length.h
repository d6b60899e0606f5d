#pragma once
// A picture's header against the file's length: a few bytes that declare
// a huge picture are refused before any memory is taken for it. Each
// format's data has a least size for the pixels it declares (PNG's deflate
// packs at most 1032 bytes into one, GIF's LZW 4096 pixels into 12 bits,
// JPEG's coding a unit of blocks into a bit, TIFF's as its compression
// allows; the portable pixmaps store every sample), and a file shorter
// than that is cut short, whatever it holds.

#include "workspace/controls.h"

#include <cstddef>

namespace gloamery {

// The refusal when the file (PNG, GIF, JPEG, TIFF, PBM, PGM or PPM) cannot hold the picture
// its header declares; nothing for any other file, or one that can.
Refusal headerBeyondLength(const unsigned char* data, std::size_t size);

} // namespace gloamery
