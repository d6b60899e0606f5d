#pragma once
// What the length checks of the different formats share: byte readers, the
// refusal's wording and the PNG check, which icons and animations embed.

#include "workspace/controls.h"

#include <cstddef>
#include <cstdint>

namespace gloamery::header_length {

// Deflate packs at most 1032 bytes into one (a run of 258 in two bits).
constexpr std::uint64_t kDeflateMostRatio = 1032;

std::uint32_t bigEndian32(const unsigned char* p);
std::uint32_t littleEndian16(const unsigned char* p);
std::uint32_t littleEndian32(const unsigned char* p);

// "The <format> file is cut short: ..." when the `held` bytes are fewer than
// the `needed`; nothing when they are not, or for a picture over the size
// limit, which is refused as too large instead and so tells the user more.
Refusal cutShort(const char* format, std::uint64_t w, std::uint64_t h, std::uint64_t needed, std::size_t held);

// Reads a whole number of a text header at `at` (a portable pixmap's, an X
// pixmap's), after blanks and # comments; false when there is none.
bool headerNumber(const unsigned char* d, std::size_t size, std::size_t& at, std::uint64_t& v);

bool startsWithPng(const unsigned char* d, std::size_t size);
// The least bytes of a PNG file for its header's picture: its rows' bytes
// (filter bytes aside) deflated as tightly as deflate can. `format` names
// the file in the refusal (an icon holds PNGs).
Refusal checkPng(const unsigned char* d, std::size_t size, const char* format = "PNG");

// The formats the toolkit's plugins decode (header_length_plugins.cpp):
// each is nothing for a file that is not of its format.
Refusal checkIcon(const unsigned char* d, std::size_t size);
Refusal checkAppleIcon(const unsigned char* d, std::size_t size);
Refusal checkMng(const unsigned char* d, std::size_t size);
Refusal checkWebp(const unsigned char* d, std::size_t size);
Refusal checkXpm(const unsigned char* d, std::size_t size);
Refusal checkXbm(const unsigned char* d, std::size_t size);
Refusal checkTga(const unsigned char* d, std::size_t size);
Refusal checkWbmp(const unsigned char* d, std::size_t size);

} // namespace gloamery::header_length
