#include "header_length.h"

#include "picture_limits.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace gloamery {

namespace {

constexpr std::uint64_t kDeflateMostRatio = 1032;

std::uint32_t bigEndian32(const unsigned char* p)
{
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// A picture over the size limit is refused as too large instead, which
// tells the user more.
Refusal cutShort(const char* format, std::uint64_t w, std::uint64_t h, std::uint64_t needed, std::size_t held)
{
    if (exceedsLimit(static_cast<std::int64_t>(w), static_cast<std::int64_t>(h), kDecodeLimitMiB)) return std::nullopt;
    return Error{std::string("The ") + format + " file is cut short: a picture of " + std::to_string(w) + " x "
                 + std::to_string(h) + " pixels needs at least " + std::to_string(needed)
                 + " bytes, and the file holds "
                 + std::to_string(held) + "."};
}

// The least bytes of a PNG file for its header's picture: its rows'
// bytes (filter bytes aside) deflated as tightly as deflate can.
Refusal checkPng(const unsigned char* d, std::size_t size)
{
    if (size < 33 || std::string(reinterpret_cast<const char*>(d + 12), 4) != "IHDR") return std::nullopt;
    const std::uint64_t w = bigEndian32(d + 16), h = bigEndian32(d + 20);
    const int depth = d[24], type = d[25];
    const int channels = type == 2 ? 3 : type == 4 ? 2 : type == 6 ? 4 : 1;
    const std::uint64_t rowBytes = (w * static_cast<std::uint64_t>(channels * depth) + 7) / 8;
    const std::uint64_t needed = rowBytes * h / kDeflateMostRatio;
    if (needed > size) return cutShort("PNG", w, h, needed, size);
    return std::nullopt;
}

// Reads a whole number of a portable pixmap's header, after blanks and
// comments; false when there is none.
bool headerNumber(const unsigned char* d, std::size_t size, std::size_t& at, std::uint64_t& v)
{
    for (;;) {
        while (at < size && d[at] != '\0' && std::strchr(" \t\n\r\f\v", d[at])) ++at;
        if (at < size && d[at] == '#') {
            while (at < size && d[at] != '\n' && d[at] != '\r') ++at;
            continue;
        }
        break;
    }
    if (at >= size || d[at] < '0' || d[at] > '9') return false;
    v = 0;
    for (; at < size && d[at] >= '0' && d[at] <= '9'; ++at)
        if ((v = v * 10 + (d[at] - '0')) > (1u << 31)) return false;
    return true;
}

// The least bytes after a PBM, PGM or PPM header: every sample stored, in
// binary at its size, in text as at least one digit and a blank between.
Refusal checkPortable(const unsigned char* d, std::size_t size)
{
    if (size < 3 || d[0] != 'P' || d[1] < '1' || d[1] > '6') return std::nullopt;
    const int kind = d[1] - '0';
    std::size_t at = 2;
    std::uint64_t w = 0, h = 0, maxval = 1;
    if (!headerNumber(d, size, at, w) || !headerNumber(d, size, at, h)) return std::nullopt;
    if (kind != 1 && kind != 4 && !headerNumber(d, size, at, maxval)) return std::nullopt;
    const std::uint64_t samples = w * h * (kind == 3 || kind == 6 ? 3 : 1);
    const std::uint64_t bytes = maxval > 255 ? 2 : 1;
    const std::uint64_t needed = kind == 4 ? (w + 7) / 8 * h
                               : kind >= 5 ? samples * bytes
                               : kind == 1 ? samples
                                           : (samples > 0 ? 2 * samples - 1 : 0);
    // One blank ends the header.
    const std::size_t held = size > at ? size - at - 1 : 0;
    const char* names[] = {"PBM", "PGM", "PPM"};
    if (needed > held) return cutShort(names[(kind - 1) % 3], w, h, needed, held);
    return std::nullopt;
}

} // namespace

Refusal headerBeyondLength(const unsigned char* data, std::size_t size)
{
    static const unsigned char png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size >= 8 && std::char_traits<char>::compare(reinterpret_cast<const char*>(data),
                                                     reinterpret_cast<const char*>(png), 8) == 0)
        return checkPng(data, size);
    return checkPortable(data, size);
}

} // namespace gloamery
