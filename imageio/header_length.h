#pragma once
// A picture's header against the file's length: a few bytes that declare
// a huge picture are refused before any memory is taken for it. Each
// format's data has a least size for the pixels it declares (PNG's deflate
// packs at most 1032 bytes into one, GIF's LZW 4096 pixels into 12 bits,
// JPEG's coding a unit of blocks into a bit, TIFF's as its compression
// allows; the portable pixmaps, TGA, WBMP and the text formats store every
// pixel; icons and animations hold PNGs and bitmaps; WebP says its length),
// and a file shorter than that is cut short, whatever it holds.

#include "workspace/controls.h"

#include <cstddef>
#include <string_view>

namespace gloamery {

// The refusal when the file cannot hold the picture its header declares;
// nothing for a file that can, or of a format not judged. Files are known
// by their signature; TGA and WBMP, which have none, only when `format`
// (the toolkit's name of the decoder that took the file: "tga", "wbmp")
// says so.
Refusal headerBeyondLength(const unsigned char* data, std::size_t size, std::string_view format = {});

} // namespace gloamery
