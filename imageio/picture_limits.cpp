#include "picture_limits.h"

#include <string>

namespace gloamery {

bool exceedsLimit(std::int64_t width, std::int64_t height, int limitMiB)
{
    if (width <= 0 || height <= 0) return false;
    // No map is wider or taller, so no picture needs to be.
    if (width > kMaxMapSize || height > kMaxMapSize) return true;
    // Counted as 32 bits a pixel, the size every picture is placed at. By
    // division: the product of two 31-bit sizes and 4 overflows 64 bits.
    const std::int64_t pixels = static_cast<std::int64_t>(limitMiB) * 1024 * 1024 / 4;
    return width > pixels / height;
}

Error tooLargeError(std::int64_t width, std::int64_t height, int limitMiB)
{
    const std::string size = std::to_string(width) + " x " + std::to_string(height) + " pixels, too large to load";
    if (width > kMaxMapSize || height > kMaxMapSize)
        return Error{"The picture is " + size + " (the largest map is " + std::to_string(kMaxMapSize) + " x "
                     + std::to_string(kMaxMapSize) + " pixels)."};
    return Error{"The picture is " + size + " (a picture may take at most " + std::to_string(limitMiB)
                 + " MiB once decoded)."};
}

} // namespace gloamery
