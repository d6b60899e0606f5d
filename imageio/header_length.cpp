#include "header_length.h"

#include "header_length_parts.h"
#include "picture_limits.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

namespace gloamery {

namespace header_length {

std::uint32_t bigEndian32(const unsigned char* p)
{
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

std::uint32_t littleEndian16(const unsigned char* p) { return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8; }

std::uint32_t littleEndian32(const unsigned char* p) { return littleEndian16(p) | littleEndian16(p + 2) << 16; }

Refusal cutShort(const char* format, std::uint64_t w, std::uint64_t h, std::uint64_t needed, std::size_t held)
{
    if (needed <= held) return std::nullopt;
    if (exceedsLimit(static_cast<std::int64_t>(w), static_cast<std::int64_t>(h), kDecodeLimitMiB)) return std::nullopt;
    return Error{std::string("The ") + format + " file is cut short: a picture of " + std::to_string(w) + " x "
                 + std::to_string(h) + " pixels needs at least " + std::to_string(needed)
                 + " bytes, and the file holds "
                 + std::to_string(held) + "."};
}

bool startsWithPng(const unsigned char* d, std::size_t size)
{
    static const unsigned char png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return size >= 8 && std::memcmp(d, png, 8) == 0;
}

Refusal checkPng(const unsigned char* d, std::size_t size, const char* format)
{
    if (size < 33 || std::string(reinterpret_cast<const char*>(d + 12), 4) != "IHDR") return std::nullopt;
    const std::uint64_t w = bigEndian32(d + 16), h = bigEndian32(d + 20);
    const int depth = d[24], type = d[25];
    const int channels = type == 2 ? 3 : type == 4 ? 2 : type == 6 ? 4 : 1;
    const std::uint64_t rowBytes = (w * static_cast<std::uint64_t>(channels * depth) + 7) / 8;
    const std::uint64_t needed = rowBytes * h / kDeflateMostRatio;
    return cutShort(format, w, h, needed, size);
}

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

} // namespace header_length

namespace {

using namespace header_length;

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
    return cutShort(names[(kind - 1) % 3], w, h, needed, held);
}

// The least bytes of a GIF file for its first picture: LZW's longest code
// is 12 bits and stands for at most 4096 pixels.
Refusal checkGif(const unsigned char* d, std::size_t size)
{
    if (size < 13 || std::memcmp(d, "GIF", 3) != 0) return std::nullopt;
    std::size_t at = 13;
    if (d[10] & 0x80) at += std::size_t{3} << ((d[10] & 7) + 1);
    while (at < size && d[at] == 0x21) { // extension blocks, each a chain of sub-blocks
        at += 2;
        while (at < size && d[at] != 0) at += 1 + std::size_t{d[at]};
        ++at;
    }
    if (at + 10 > size || d[at] != 0x2C) return std::nullopt;
    const std::uint64_t w = littleEndian16(d + at + 5), h = littleEndian16(d + at + 7);
    const std::uint64_t needed = w * h * 12 / 8 / 4096;
    return cutShort("GIF", w, h, needed, size);
}

// The least bytes of a JPEG file for its frame: every unit of blocks the
// decoder fills costs at least one bit of entropy-coded data (the shortest
// code for an unchanged DC term, as a progressive file's first scan has it).
Refusal checkJpeg(const unsigned char* d, std::size_t size)
{
    if (size < 4 || d[0] != 0xFF || d[1] != 0xD8) return std::nullopt;
    std::size_t at = 2;
    while (at + 4 <= size && d[at] == 0xFF) {
        const int marker = d[at + 1];
        const std::size_t length = std::size_t{d[at + 2]} << 8 | d[at + 3];
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (at + 10 > size) return std::nullopt;
            const std::uint64_t h = std::uint64_t{d[at + 5]} << 8 | d[at + 6];
            const std::uint64_t w = std::uint64_t{d[at + 7]} << 8 | d[at + 8];
            const std::size_t components = d[at + 9];
            int hMost = 1, vMost = 1;
            for (std::size_t c = 0; c < components && at + 13 + 3 * c <= size; ++c) {
                hMost = std::max(hMost, d[at + 11 + 3 * c] >> 4);
                vMost = std::max(vMost, d[at + 11 + 3 * c] & 15);
            }
            const std::uint64_t unitW = 8u * hMost, unitH = 8u * vMost;
            const std::uint64_t needed = (w + unitW - 1) / unitW * ((h + unitH - 1) / unitH) / 8;
            return cutShort("JPEG", w, h, needed, size);
        }
        if (marker == 0xDA || length < 2) return std::nullopt; // a scan before any frame: not ours to judge
        at += 2 + length;
    }
    return std::nullopt;
}

// A number of `bytes` bytes in the file's byte order.
std::uint64_t tiffNumber(const unsigned char* p, int bytes, bool little)
{
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= std::uint64_t{p[little ? i : bytes - 1 - i]} << (8 * i);
    return v;
}

// TIFF's first picture: its strips or tiles (their byte counts are not
// trusted, the file's length is; a sparse file, which leaves some out,
// is no picture the decoders fill) can hold no more than the compression
// packs into a byte: 1 stored, 64 for PackBits (a run of 128 in two bytes),
// 2731 for LZW (4096 bytes a 12-bit code), 1032 for deflate, and JPEG a
// unit of 16 x 16 pixels into a bit. Other compressions are not judged.
Refusal checkTiff(const unsigned char* d, std::size_t size)
{
    if (size < 16 || !(d[0] == d[1] && (d[0] == 'I' || d[0] == 'M'))) return std::nullopt;
    const bool little = d[0] == 'I';
    const std::uint64_t version = tiffNumber(d + 2, 2, little);
    if (version != 42 && version != 43) return std::nullopt;
    const bool big = version == 43; // BigTIFF: 8-byte offsets and counts
    const int offsetBytes = big ? 8 : 4, countBytes = big ? 8 : 2, entryBytes = big ? 20 : 12;
    const std::uint64_t ifd = tiffNumber(d + (big ? 8 : 4), offsetBytes, little);
    if (ifd > size || size - ifd < std::uint64_t(countBytes)) return std::nullopt;
    const std::uint64_t entries = tiffNumber(d + ifd, countBytes, little);
    std::uint64_t w = 0, h = 0, bits = 1, samples = 1, compression = 1;
    for (std::uint64_t e = 0; e < entries; ++e) {
        const std::uint64_t at = ifd + countBytes + e * entryBytes;
        if (at > size || size - at < std::uint64_t(entryBytes)) break;
        const std::uint64_t tag = tiffNumber(d + at, 2, little), type = tiffNumber(d + at + 2, 2, little);
        const int valueBytes = type == 3 ? 2 : type == 4 ? 4 : type == 16 ? 8 : 0; // SHORT, LONG, LONG8
        if (valueBytes == 0) continue;
        // The first value: in the entry when all of them fit there, else where its offset points (bits a
        // sample has one value a sample, all alike for the pictures decoders read).
        std::uint64_t where = at + 4 + offsetBytes;
        if (tiffNumber(d + at + 4, offsetBytes, little) > std::uint64_t(offsetBytes / valueBytes)) {
            where = tiffNumber(d + where, offsetBytes, little);
            if (where > size || size - where < std::uint64_t(valueBytes)) continue;
        }
        const std::uint64_t v = tiffNumber(d + where, valueBytes, little);
        if (tag == 256) w = v;
        else if (tag == 257) h = v;
        else if (tag == 258) bits = v;
        else if (tag == 259) compression = v;
        else if (tag == 277) samples = v;
    }
    if (w == 0 || h == 0 || w > (1u << 20) || h > (1u << 20) || bits > 64 || samples > 64) return std::nullopt;
    const std::uint64_t raw = (w * bits * samples + 7) / 8 * h;
    std::uint64_t needed = 0;
    switch (compression) {
    case 1: needed = raw; break;
    case 32773: needed = raw / 64; break;
    case 5: needed = raw / 2731; break;
    case 8: case 32946: needed = raw / kDeflateMostRatio; break;
    case 7: needed = (w + 15) / 16 * ((h + 15) / 16) / 8; break;
    default: return std::nullopt;
    }
    return cutShort("TIFF", w, h, needed, size);
}

} // namespace

Refusal headerBeyondLength(const unsigned char* data, std::size_t size, std::string_view format)
{
    // These two have no signature: only the decoder that took the file tells.
    if (format == "tga") return checkTga(data, size);
    if (format == "wbmp") return checkWbmp(data, size);
    if (startsWithPng(data, size)) return checkPng(data, size);
    for (Refusal (*check)(const unsigned char*, std::size_t) :
         {checkGif, checkJpeg, checkTiff, checkPortable, checkIcon, checkAppleIcon, checkMng, checkWebp, checkXpm,
          checkXbm})
        if (Refusal r = check(data, size)) return r;
    return std::nullopt;
}

} // namespace gloamery
