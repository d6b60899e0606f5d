#pragma once
// PNG files read with libpng directly, without the toolkit, for the
// programs that must start fast (the batch tool); png_writer.h writes them.
// Only the kinds of PNG whose every pixel the toolkit's reader takes as it
// stands are decoded here: opaque grey, RGB and palette pictures of up to 8 bits a sample, and
// 16-bit grey. Anything else (alpha, transparency chunks, colour-space
// chunks, 16-bit colour), and any file libpng complains about, is declined
// so the caller hands it to the toolkit, whose checks and messages then
// decide. What is decoded here is exactly what the toolkit gives.

#include "workspace/colour.h"
#include "workspace/heights.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace gloamery {

// A decoded picture at its own size: colour values, or 16-bit grey samples
// (the height slot keeps them; other slots show their high byte, rounded).
struct DecodedPng {
    int width = 0;
    int height = 0;
    std::vector<Colour> pixels; // width x height, row-major, when not deep
    HeightSamples deep;         // set for 16-bit grey
};

bool looksLikePng(const unsigned char* data, std::size_t size);

// Nothing when the file is not one of the kinds above, is damaged, or
// declares a picture over limitMiB at 32 bits a pixel.
std::optional<DecodedPng> decodePlainPng(const unsigned char* data, std::size_t size, int limitMiB);

} // namespace gloamery
