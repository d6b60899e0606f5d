#pragma once
// The size limits every picture reader holds files to, without the toolkit.

#include "workspace/controls.h"
#include "workspace/workspace.h"

#include <cstdint>

namespace gloamery {

// Decoding refuses images that would take more than this many megabytes,
// so a small file that declares a huge image is never decoded: the largest
// map, 16384 x 16384 at 32 bits a pixel, and no more.
// The fuzz targets are built with a lower one (GLOAMERY_DECODE_LIMIT_MIB):
// under the sanitizers a few bytes declaring a picture near the largest
// took longer to decode than the fuzzer allows an input.
#ifdef GLOAMERY_DECODE_LIMIT_MIB
constexpr int kDecodeLimitMiB = GLOAMERY_DECODE_LIMIT_MIB;
#else
constexpr int kDecodeLimitMiB = kMaxMapSize / 1024 * kMaxMapSize / 1024 * 4;
#endif
// No picture within that limit needs a larger file (an uncompressed 32-bit
// BMP is the largest, a little over the limit), so larger files are
// refused unread.
constexpr std::int64_t kMaxPictureFileBytes = std::int64_t(kDecodeLimitMiB) * 1024 * 1024 * 5 / 4;

// The "too large" reason shared by every format: a side beyond the largest
// map, or more than limitMiB once decoded at 32 bits a pixel.
Error tooLargeError(std::int64_t width, std::int64_t height, int limitMiB);
bool exceedsLimit(std::int64_t width, std::int64_t height, int limitMiB);

} // namespace gloamery
