#pragma once
// The program's one PNG writer: 8-bit RGB for the maps it computes (the
// colour values' channels as split() reads them), 8-bit RGBA for a map with
// holes, and 16-bit grey for deep heights.
//
// A 4096 x 4096 colour map is 48 MiB of samples, and compressing them was
// most of a whole batch run. So the rows are compressed in bands, each band
// on its own and the bands side by side on every core, and the bands' deflate
// streams joined into the one the format wants; the band height depends on
// the picture alone, so the bytes never depend on the number of threads.
#include "workspace/heights.h"
#include "workspace/picture.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

namespace gloamery {

// Takes the file's bytes in order; false stops the writing.
using PngSink = std::function<bool(std::string_view)>;

enum class PngResult { Written, OutOfMemory, WriteFailed };

// Row y of a w-wide map, from any thread: a pointer to its w values (into
// the picture, or into `scratch`, which has room for w).
using ColourRows = std::function<const Colour*(int y, Colour* scratch)>;
using SampleRows = std::function<const std::uint16_t*(int y)>;

// The whole file, signature to end marker, through `put`. Nothing is handed
// on when memory runs out, as the rows are compressed first.
PngResult writePng(const Picture& picture, const PngSink& put);
// The same with alpha 0 where clear[i] is set and 255 elsewhere: a map with
// holes where its heights held no data.
PngResult writeRgbaPng(const Picture& picture, const unsigned char* clear, const PngSink& put);
// 16-bit grey samples.
PngResult writeGrey16Png(const HeightSamples& samples, const PngSink& put);

// The same from rows, the map never held whole: the same bytes.
PngResult writePngRows(int w, int h, const ColourRows& rows, const PngSink& put);
PngResult writeRgbaPngRows(int w, int h, const ColourRows& rows, const unsigned char* clear, const PngSink& put);
PngResult writeGrey16PngRows(int w, int h, const SampleRows& rows, const PngSink& put);

// Maps of samples rather than colours (the normal, splat and occlusion
// maps): `channels` samples a pixel (1 grey, 3 RGB, 4 RGBA) of `bits` (8
// or 16) each, row y's channels x w of them from any thread, a pointer
// into the map or into `scratch`, which has room for a row.
using ChannelRows = std::function<const std::uint16_t*(int y, std::uint16_t* scratch)>;
PngResult writeChannelPngRows(int w, int h, int channels, int bits, const ChannelRows& rows, const PngSink& put);

} // namespace gloamery
