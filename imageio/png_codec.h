#pragma once
// PNG files read with libpng directly, without the toolkit, for the
// programs that must start fast (the batch tool); png_writer.h writes them.
// Only the kinds of PNG whose every pixel the toolkit's reader takes as it
// stands are decoded here: opaque grey, RGB and palette pictures of up to 8 bits a sample, and
// 16-bit grey. Anything else (alpha, transparency chunks, colour-space
// chunks but the gamma, 16-bit colour), and any file libpng complains
// about, is declined so the caller hands it to the toolkit, whose checks
// and messages then decide. What is decoded here is exactly what the
// toolkit gives (which keeps the samples as stored whatever the gamma).
//
// The rows are handed on one at a time as they are decoded, so a large map
// is never held whole besides where it goes.

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

// How a file's rows come: 8-bit grey (from grey of 1 to 8 bits), 16-bit
// grey samples, or colour values (RGB and palette pictures).
enum class PngRowKind { Grey, Deep, Colour };

// Takes a file's rows, each once, top to bottom, after its size and kind.
// A file found damaged or declined after some rows were handed on ends
// the decoding with nothing: what the rows went into is to be dropped.
class PngRowSink {
public:
    virtual ~PngRowSink() = default;
    // False declines the file.
    virtual bool start(int width, int height, PngRowKind kind) = 0;
    virtual void grey(int, const std::uint8_t*) {}
    virtual void deep(int, const std::uint16_t*) {}
    virtual void colour(int, const Colour*) {}
};

// Whether the file was one of the kinds above, whole, within limitMiB at
// 32 bits a pixel, and every row went to the sink.
bool decodePlainPngRows(const unsigned char* data, std::size_t size, int limitMiB, PngRowSink& sink);

// Nothing when the file is not one of the kinds above, is damaged, or
// declares a picture over limitMiB at 32 bits a pixel.
std::optional<DecodedPng> decodePlainPng(const unsigned char* data, std::size_t size, int limitMiB);

} // namespace gloamery
