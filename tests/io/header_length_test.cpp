// Headers weighed against the file's length: a few bytes that declare a
// huge picture are refused before a decoder takes its memory, and files
// that hold what they declare are let through.

#include "imageio/header_length.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

using namespace gloamery;

namespace {

std::string sized(std::string b, std::size_t size)
{
    b.resize(size, '\0');
    return b;
}

std::string le16(std::uint32_t v) { return {static_cast<char>(v & 255), static_cast<char>(v >> 8 & 255)}; }
std::string le32(std::uint32_t v) { return le16(v & 0xFFFF) + le16(v >> 16); }
std::string be32(std::uint32_t v) { return {static_cast<char>(v >> 24), static_cast<char>(v >> 16 & 255),
                                            static_cast<char>(v >> 8 & 255), static_cast<char>(v & 255)}; }

// A PNG's signature and header of w x h 8-bit pixels of colour `type`.
std::string png(std::uint32_t w, std::uint32_t h, int type, std::size_t size)
{
    return sized(std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16) + be32(w) + be32(h)
                     + std::string{'\x08', static_cast<char>(type), 0, 0, 0},
                 size);
}

} // namespace

TEST(HeaderLength, HeadersThatDeclareMoreThanTheFileHoldsAreRefused)
{
    const auto gif = [&](std::uint32_t w, std::uint32_t h, std::size_t size) {
        std::string b = "GIF89a" + le16(w) + le16(h) + std::string(3, '\0') + "\x2c" + le16(0) + le16(0) + le16(w)
                      + le16(h) + std::string(1, '\0');
        b.resize(size, '\0');
        return b;
    };
    // A frame of three components, the first sampled at twice the others.
    const auto jpeg = [](std::uint32_t w, std::uint32_t h, std::size_t size) {
        std::string b = "\xff\xd8\xff\xe0" + std::string("\0\x04\0\0", 4) + "\xff\xc0" + std::string("\0\x11\x08", 3);
        for (std::uint32_t v : {h, w}) b += {static_cast<char>(v >> 8), static_cast<char>(v & 255)};
        b += std::string("\x03\x01\x22\0\x02\x11\x01\x03\x11\x01", 10);
        b.resize(size, '\0');
        return b;
    };
    // A TIFF of `samples` 8-bit samples a pixel (their bits a sample beyond the entry when more than two), in
    // either byte order.
    const auto tiff = [](std::uint32_t w, std::uint32_t h, int compression, int samples, bool little,
                         std::size_t size) {
        std::string b = little ? std::string("II\x2a\0\x08\0\0\0", 8) : std::string("MM\0\x2a\0\0\0\x08", 8);
        const auto put = [&](std::uint64_t v, int bytes) {
            for (int i = 0; i < bytes; ++i) b += static_cast<char>(v >> (8 * (little ? i : bytes - 1 - i)) & 255);
        };
        const auto entry = [&](int tag, int type, std::uint32_t count, std::uint32_t v) {
            put(tag, 2), put(type, 2), put(count, 4);
            if (type == 3 && count <= 2) put(v, 2), put(0, 2);
            else put(v, 4);
        };
        put(5, 2);
        entry(256, 4, 1, w), entry(257, 4, 1, h), entry(258, 3, samples, samples > 2 ? 200 : 8);
        entry(259, 3, 1, compression), entry(277, 3, 1, samples);
        b.resize(200, '\0');
        for (int s = 0; s < samples; ++s) put(8, 2);
        b.resize(size, '\0');
        return b;
    };
    const struct {
        std::string bytes;
        bool refused;
    } cases[] = {
        {png(16384, 16384, 2, 128), true},       // 768 MiB of rows in 128 bytes
        {png(16384, 16384, 0, 300000), false},  // zeros deflate 1032 to 1: it could hold them
        {png(16384, 16384, 0, 200000), true},
        {png(65535, 65535, 2, 80), false},       // over the size limit: refused as too large elsewhere
        {"P6 16384 16384 255\n\0\0\0", true},
        {"P6 2 2 255\n" + std::string(12, 'x'), false},
        {"P6 2 2 65535\n" + std::string(12, 'x'), true},   // two bytes a sample
        {"P3\n# a comment\n2 2 255\n1 2 3 4 5 6 7 8 9 10 11 12", false},
        {"P2 4 4 255\n1 2 3", true},
        {"P1 8 8\n0101", true},
        {"P4 9 2\n\xff\xff\xff\xff", false},   // rows are whole bytes
        {"P4 9 2\n\xff\xff\xff", true},
        {"GIF89a", false},
        {gif(16384, 16384, 200), true},          // 256 Mi pixels need 96 KiB of 12-bit codes
        {gif(16384, 16384, 100000), false},
        {gif(64, 64, 40), false},
        {jpeg(16384, 16384, 300), true},         // a million units of blocks, a bit each
        {jpeg(16384, 16384, 140000), false},
        {jpeg(64, 64, 40), false},
        {tiff(16384, 16384, 1, 3, true, 400), true},            // 768 MiB stored in 400 bytes
        {tiff(16384, 16384, 1, 3, false, 400), true},
        {tiff(64, 64, 1, 1, false, 4096 + 200), false},          // stored whole
        {tiff(64, 64, 1, 1, true, 4000), true},
        {tiff(16384, 16384, 8, 3, true, 700000), true},          // deflate: 780 336 bytes at least
        {tiff(16384, 16384, 8, 3, true, 800000), false},
        {tiff(16384, 16384, 5, 1, true, 90000), true},           // LZW: 98 292 bytes at least
        {tiff(16384, 16384, 5, 1, true, 100000), false},
        {tiff(16384, 16384, 32773, 1, true, 4000000), true},     // PackBits: 4 MiB at least
        {tiff(16384, 16384, 7, 3, true, 100000), true},          // JPEG: 131 072 bytes at least
        {tiff(16384, 16384, 50000, 3, true, 400), false},        // a compression not judged
    };
    for (const auto& c : cases) {
        const auto* data = reinterpret_cast<const unsigned char*>(c.bytes.data());
        const Refusal r = headerBeyondLength(data, c.bytes.size());
        EXPECT_EQ(r.has_value(), c.refused) << c.bytes.substr(0, 20);
        if (r) {
            EXPECT_NE(r->message.find("cut short"), std::string::npos) << r->message;
        }
    }
}

namespace {

// A Windows icon of one entry holding `held` bytes at offset 22: a bitmap
// of w x h pixels at `bits` a pixel (its header states twice the height,
// for the mask), or the given PNG.
std::string icon(std::uint32_t held, const std::string& picture, std::size_t size)
{
    return sized(std::string("\0\0\1\0\1\0\0\0\0\0\1\0\x20\0", 14) + le32(held) + le32(22) + picture, size);
}

std::string bitmap(std::uint32_t w, std::uint32_t h, int bits)
{
    return sized(le32(40) + le32(w) + le32(2 * h) + le16(1) + le16(bits), 40);
}

std::string appleIcon(const std::string& element, std::size_t size)
{
    return sized("icns" + be32(static_cast<std::uint32_t>(size)) + "ic10"
                     + be32(static_cast<std::uint32_t>(8 + element.size())) + element,
                 size);
}

std::string mng(std::uint32_t w, std::uint32_t h, std::size_t size)
{
    return sized(std::string("\x8aMNG\r\n\x1a\n", 8) + be32(28) + "MHDR" + be32(w) + be32(h), size);
}

// WebP: RIFF stating `riff` bytes after its first eight, then one chunk
// stating `length` bytes.
std::string webp(std::uint32_t riff, const char* kind, std::uint32_t length, const std::string& data,
                 std::size_t size)
{
    return sized("RIFF" + le32(riff) + "WEBP" + std::string(kind, 4) + le32(length) + data, size);
}

std::string lossless(std::uint32_t w, std::uint32_t h)
{
    return "\x2f" + le32((w - 1) | (h - 1) << 14);
}

// A lossy key frame whose first part states `firstPart` bytes.
std::string lossy(std::uint32_t w, std::uint32_t h, std::uint32_t firstPart)
{
    const std::uint32_t tag = 0x10 | firstPart << 5; // a key frame, shown
    return std::string{static_cast<char>(tag & 255), static_cast<char>(tag >> 8 & 255),
                       static_cast<char>(tag >> 16 & 255)}
         + "\x9d\x01\x2a" + le16(w) + le16(h);
}

std::string tga(int type, std::uint32_t w, std::uint32_t h, int bits, std::size_t size)
{
    return sized(std::string{0, 0, static_cast<char>(type)} + std::string(9, '\0') + le16(w) + le16(h)
                     + std::string{static_cast<char>(bits), 0},
                 size);
}

} // namespace

// The formats the toolkit's plugins decode, each at and beside its least
// length, lying headers in a few hundred bytes among them.
TEST(HeaderLength, PluginFormatsThatDeclareMoreThanTheFileHoldsAreRefused)
{
    const std::string bigPng = png(16384, 16384, 2, 128);
    const std::string xpmHead = "/* XPM */\nstatic char *x[] = {\n\"";
    const std::string xbmHead = "#define a_width 16\n#define a_height 2\nstatic char a_bits[] = {";
    const struct {
        const char* what;
        std::string bytes;
        const char* format; // the decoder's name, for the two formats without a signature
        const char* refusedAs; // nullptr: let through
    } cases[] = {
        {"icon bitmap declaring 16384 x 16384", icon(1u << 30, bitmap(16384, 16384, 32), 200), "", "ICO"},
        {"icon bitmap held whole", icon(1064, bitmap(16, 16, 32), 22 + 1064), "", nullptr},
        {"icon bitmap a byte short", icon(1064, bitmap(16, 16, 32), 22 + 1063), "", "ICO"},
        {"icon entry holding less than its bitmap", icon(100, bitmap(16, 16, 32), 4000), "", "ICO"},
        {"icon holding a lying PNG", icon(128, bigPng, 200), "", "ICO"},
        {"Apple icon holding a lying PNG", appleIcon(bigPng, 300), "", "ICNS"},
        {"Apple icon holding a small PNG", appleIcon(png(64, 64, 2, 64), 300), "", nullptr},
        {"MNG frame of 16384 x 16384 in 30000 bytes", mng(16384, 16384, 30000), "", "MNG"},
        {"MNG frame of 16384 x 16384 in 33000 bytes", mng(16384, 16384, 33000), "", nullptr},
        {"lossless WebP, lengths kept", webp(92, "VP8L", 5, lossless(16383, 16383), 100), "", nullptr},
        {"WebP whose RIFF runs past the end", webp(99992, "VP8L", 5, lossless(16383, 16383), 100), "", "WEBP"},
        {"WebP whose chunk runs past the end", webp(92, "VP8L", 5000, lossless(16383, 16383), 100), "", "WEBP"},
        {"lossy WebP of 16383 x 16383 in 300 bytes", webp(292, "VP8 ", 280, lossy(16383, 16383, 50), 300), "",
         "WEBP"},
        {"lossy WebP whose first part holds its macroblocks", webp(70092, "VP8 ", 70080, lossy(16383, 16383, 70000),
                                                                   70100),
         "", nullptr},
        {"XPM of 16384 x 16384 in 1000 bytes", sized(xpmHead + "16384 16384 1 1\",\n", 1000), "", "XPM"},
        {"XPM of two characters a pixel", xpmHead + "2 2 1 2\",\n\"aac #000\",\n\"aaaa\",\n\"aaaa\"};", "", nullptr},
        {"XPM of two characters a pixel, cut", xpmHead + "9 9 1 2\",\n\"aa c #000\",\n\"aaaa\"};", "", "XPM"},
        {"XBM of 16384 x 16384", "#define a_width 16384\n#define a_height 16384\nstatic char a_bits[] = {0x00};",
         "", "XBM"},
        {"XBM held whole", xbmHead + "0x0,0x0,0x0,0x0};", "", nullptr},
        {"XBM with half its bytes", xbmHead + "0x0,0x0};", "", "XBM"},
        {"TGA of 16384 x 16384 stored", tga(2, 16384, 16384, 24, 100), "tga", "TGA"},
        {"TGA of 16384 x 16384 in runs", tga(10, 16384, 16384, 32, 100), "tga", "TGA"},
        {"TGA stored whole", tga(2, 4, 4, 24, 18 + 48), "tga", nullptr},
        {"TGA a byte short", tga(2, 4, 4, 24, 18 + 47), "tga", "TGA"},
        {"TGA bytes not known to be one", tga(2, 16384, 16384, 24, 100), "", nullptr},
        {"WBMP of 16384 x 16384", sized(std::string("\0\0\x81\x80\0\x81\x80\0", 8), 100), "wbmp", "WBMP"},
        {"WBMP held whole", std::string("\0\0\x08\x02\xff\xff", 6), "wbmp", nullptr},
        {"WBMP a byte short", std::string("\0\0\x08\x03\xff\xff", 6), "wbmp", "WBMP"},
    };
    for (const auto& c : cases) {
        const Refusal r = headerBeyondLength(reinterpret_cast<const unsigned char*>(c.bytes.data()), c.bytes.size(),
                                             c.format);
        ASSERT_EQ(r.has_value(), c.refusedAs != nullptr) << c.what << (r ? ": " + r->message : "");
        if (r) {
            EXPECT_NE(r->message.find(std::string("The ") + c.refusedAs + " file is cut short"), std::string::npos)
                << c.what << ": " << r->message;
        }
    }
}
