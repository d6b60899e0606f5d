// The least bytes of the formats the toolkit's plugins decode, for the
// picture their headers declare. Each decoder takes a picture's memory as
// soon as it has read the header, so a few bytes that declare 16384 x 16384
// would cost a gigabyte before the decoder finds the data missing.

#include "header_length_parts.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace gloamery::header_length {

namespace {

// Sides beyond this are over the size limit whatever the format, and their
// products would overflow the sums below.
constexpr std::uint64_t kSideMost = std::uint64_t{1} << 20;

bool plausible(std::uint64_t w, std::uint64_t h) { return w > 0 && h > 0 && w <= kSideMost && h <= kSideMost; }

std::string_view text(const unsigned char* d, std::size_t size)
{
    return {reinterpret_cast<const char*>(d), size};
}

// A bitmap's side, which may be stated negative (rows top down).
std::uint64_t magnitude(std::int32_t v)
{
    return v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
}

// An icon's bitmap: its header's size and the rows of its colour part
// (half the stated height; the mask below it is not counted).
Refusal checkIconBitmap(const unsigned char* p, std::size_t held)
{
    if (held < 16) return std::nullopt;
    const std::uint64_t headerBytes = littleEndian32(p);
    const auto w = static_cast<std::int32_t>(littleEndian32(p + 4));
    const auto twice = static_cast<std::int32_t>(littleEndian32(p + 8));
    const std::uint64_t bits = littleEndian16(p + 14);
    const std::uint64_t width = magnitude(w), height = magnitude(twice) / 2;
    if (!plausible(width, height) || bits == 0 || bits > 32) return std::nullopt;
    const std::uint64_t needed = headerBytes + (width * bits + 31) / 32 * 4 * height;
    return cutShort("ICO", width, height, needed, held);
}

} // namespace

// Windows icons and cursors: every entry of the directory, a PNG or a
// bitmap, within the bytes the file holds for it.
Refusal checkIcon(const unsigned char* d, std::size_t size)
{
    if (size < 6 || d[0] != 0 || d[1] != 0 || (d[2] != 1 && d[2] != 2) || d[3] != 0) return std::nullopt;
    const std::size_t entries = littleEndian16(d + 4);
    for (std::size_t e = 0; e < entries && 6 + 16 * (e + 1) <= size; ++e) {
        const unsigned char* entry = d + 6 + 16 * e;
        const std::uint64_t bytes = littleEndian32(entry + 8), offset = littleEndian32(entry + 12);
        if (offset >= size) continue; // nothing to decode, nothing taken
        const std::size_t held = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, size - offset));
        const unsigned char* p = d + offset;
        if (Refusal r = startsWithPng(p, held) ? checkPng(p, held, "ICO") : checkIconBitmap(p, held)) return r;
    }
    return std::nullopt;
}

// Apple icons: each element's PNG within the element. (The raw elements
// have sizes fixed by their kind, 128 x 128 at most.)
Refusal checkAppleIcon(const unsigned char* d, std::size_t size)
{
    if (size < 8 || std::memcmp(d, "icns", 4) != 0) return std::nullopt;
    for (std::uint64_t at = 8; at + 8 <= size;) {
        const std::uint64_t length = bigEndian32(d + at + 4);
        if (length < 8) break;
        const std::size_t held = static_cast<std::size_t>(std::min<std::uint64_t>(length, size - at) - 8);
        if (startsWithPng(d + at + 8, held))
            if (Refusal r = checkPng(d + at + 8, held, "ICNS")) return r;
        at += length;
    }
    return std::nullopt;
}

// Animated PNGs' elder: the decoder takes the frame that MHDR declares, which
// the file's pictures must paint. At deflate's best and a bit a pixel that
// is at least one byte for every 8256 pixels of the frame.
Refusal checkMng(const unsigned char* d, std::size_t size)
{
    static const unsigned char mng[8] = {0x8A, 'M', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size < 24 || std::memcmp(d, mng, 8) != 0 || std::memcmp(d + 12, "MHDR", 4) != 0) return std::nullopt;
    const std::uint64_t w = bigEndian32(d + 16), h = bigEndian32(d + 20);
    if (!plausible(w, h)) return std::nullopt;
    const std::uint64_t needed = w * h / 8 / kDeflateMostRatio;
    return cutShort("MNG", w, h, needed, size);
}

// WebP states its own length (RIFF's, each chunk's, a lossy frame's first
// part), and a lossy frame's first part codes every macroblock's modes,
// from probabilities fixed for the key frames WebP holds, at well over half
// a bit each. (Lossless pictures can take no bits a pixel: only their
// lengths are judged.)
Refusal checkWebp(const unsigned char* d, std::size_t size)
{
    if (size < 12 || std::memcmp(d, "RIFF", 4) != 0 || std::memcmp(d + 8, "WEBP", 4) != 0) return std::nullopt;
    std::uint64_t w = 0, h = 0;
    std::uint64_t needed = std::uint64_t{littleEndian32(d + 4)} + 8;
    for (std::uint64_t at = 12; at + 8 <= size;) {
        const unsigned char* chunk = d + at;
        const std::uint64_t length = littleEndian32(chunk + 4);
        const std::uint64_t end = at + 8 + length + (length & 1);
        needed = std::max(needed, end);
        const std::uint64_t held = std::min<std::uint64_t>(length, size - at - 8);
        const unsigned char* data = chunk + 8;
        if (std::memcmp(chunk, "VP8X", 4) == 0 && held >= 10) {
            w = (data[4] | data[5] << 8 | data[6] << 16) + 1u;
            h = (data[7] | data[8] << 8 | data[9] << 16) + 1u;
        } else if (std::memcmp(chunk, "VP8 ", 4) == 0 && held >= 10) {
            const std::uint64_t firstPart = (data[0] | data[1] << 8 | data[2] << 16) >> 5;
            const std::uint64_t fw = littleEndian16(data + 6) & 0x3FFF, fh = littleEndian16(data + 8) & 0x3FFF;
            const std::uint64_t macroblocks = (fw + 15) / 16 * ((fh + 15) / 16);
            needed = std::max(needed, at + 8 + 10 + std::max(firstPart, macroblocks / 16));
            if (w == 0) w = fw, h = fh;
            break;
        } else if (std::memcmp(chunk, "VP8L", 4) == 0 && held >= 5 && data[0] == 0x2F) {
            const std::uint32_t bits = littleEndian32(data + 1);
            if (w == 0) w = (bits & 0x3FFF) + 1u, h = (bits >> 14 & 0x3FFF) + 1u;
            break;
        }
        at = end;
    }
    if (!plausible(w, h)) return std::nullopt;
    return cutShort("WEBP", w, h, needed, size);
}

// X pixmaps: "width height colours characters" and then every pixel as
// that many characters.
Refusal checkXpm(const unsigned char* d, std::size_t size)
{
    const std::string_view s = text(d, size);
    if (s.substr(0, 9) != "/* XPM */") return std::nullopt;
    const std::size_t brace = s.find('{');
    std::size_t at = brace == std::string_view::npos ? brace : s.find('"', brace);
    if (at == std::string_view::npos) return std::nullopt;
    ++at;
    std::uint64_t w = 0, h = 0, colours = 0, chars = 0;
    if (!headerNumber(d, size, at, w) || !headerNumber(d, size, at, h) || !headerNumber(d, size, at, colours)
        || !headerNumber(d, size, at, chars))
        return std::nullopt;
    if (!plausible(w, h) || chars == 0 || chars > 64) return std::nullopt;
    const std::uint64_t needed = w * h * chars;
    const std::size_t held = size - at;
    return cutShort("XPM", w, h, needed, held);
}

// X bitmaps: every 8 pixels of a row are a byte written "0x" and at least
// one digit.
Refusal checkXbm(const unsigned char* d, std::size_t size)
{
    const std::string_view s = text(d, size);
    if (s.substr(0, 7) != "#define") return std::nullopt;
    const std::size_t brace = s.find('{');
    const std::string_view header = s.substr(0, brace);
    const std::size_t wAt = header.find("_width"), hAt = header.find("_height");
    if (brace == std::string_view::npos || wAt == std::string_view::npos || hAt == std::string_view::npos)
        return std::nullopt;
    std::size_t at = wAt + 6, at2 = hAt + 7;
    std::uint64_t w = 0, h = 0;
    if (!headerNumber(d, size, at, w) || !headerNumber(d, size, at2, h) || !plausible(w, h)) return std::nullopt;
    const std::uint64_t needed = (w + 7) / 8 * h * 3;
    const std::size_t held = size - brace;
    return cutShort("XBM", w, h, needed, held);
}

// TGA: after the header, the picture's name and its colour map, every
// pixel stored, or in runs of at most 128 pixels that take a byte and one
// pixel each.
Refusal checkTga(const unsigned char* d, std::size_t size)
{
    if (size < 18) return std::nullopt;
    const int type = d[2];
    const std::uint64_t w = littleEndian16(d + 12), h = littleEndian16(d + 14), pixelBytes = (d[16] + 7u) / 8;
    const std::uint64_t mapBytes = d[1] != 0 ? littleEndian16(d + 5) * ((d[7] + 7u) / 8) : 0;
    const std::uint64_t start = 18 + d[0] + mapBytes;
    if (!plausible(w, h) || pixelBytes == 0) return std::nullopt;
    std::uint64_t needed = 0;
    if (type >= 1 && type <= 3) needed = w * h * pixelBytes;
    else if (type >= 9 && type <= 11) needed = (w * h + 127) / 128 * (1 + pixelBytes);
    else return std::nullopt;
    const std::size_t held = size > start ? static_cast<std::size_t>(size - start) : 0;
    return cutShort("TGA", w, h, needed, held);
}

// Wireless bitmaps: type 0, its sides as 7-bit groups, then a bit a pixel
// in rows of whole bytes.
Refusal checkWbmp(const unsigned char* d, std::size_t size)
{
    if (size < 4 || d[0] != 0 || d[1] != 0) return std::nullopt;
    std::size_t at = 2;
    std::uint64_t sides[2] = {0, 0};
    for (std::uint64_t& side : sides) {
        for (int i = 0;; ++i) {
            if (at >= size || i == 5) return std::nullopt;
            const unsigned char b = d[at++];
            side = side << 7 | (b & 0x7Fu);
            if (!(b & 0x80)) break;
        }
    }
    const std::uint64_t w = sides[0], h = sides[1];
    if (!plausible(w, h)) return std::nullopt;
    const std::uint64_t needed = (w + 7) / 8 * h;
    return cutShort("WBMP", w, h, needed, size - at);
}

} // namespace gloamery::header_length
