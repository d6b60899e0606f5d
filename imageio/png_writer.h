#pragma once
// A PNG writer for the maps the program computes: 8-bit RGB, no alpha, the
// colour values' channels as split() reads them.
//
// A 4096 x 4096 colour map is 48 MiB of samples, and compressing them was
// most of a whole batch run. So the rows are compressed in bands, each band
// on its own and the bands side by side on every core, and the bands' deflate
// streams joined into the one the format wants; the band height depends on
// the picture alone, so the bytes never depend on the number of threads.
#include "../workspace/picture.h"

#include <functional>
#include <string_view>

namespace gloamery {

// Takes the file's bytes in order; false stops the writing.
using PngSink = std::function<bool(std::string_view)>;

enum class PngResult { Written, OutOfMemory, WriteFailed };

// The whole file, signature to end marker, through `put`. Nothing is handed
// on when memory runs out, as the rows are compressed first.
PngResult writePng(const Picture& picture, const PngSink& put);

} // namespace gloamery
