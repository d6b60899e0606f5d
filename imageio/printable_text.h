#pragma once
// Text read from files (a settings key, a mosaic's source name, a file's
// name) as it may be shown on a terminal: control characters, which a
// terminal would obey, are written as \xHH or \u00HH escapes, and so is
// any byte that is not part of UTF-8; a text longer than maxBytes is cut
// between characters and ends in "...".

#include <cstddef>
#include <string>
#include <string_view>

namespace gloamery {

namespace printable_detail {

// The length of the UTF-8 character starting at s[i], or 0 when the bytes
// there are not one.
inline std::size_t charLength(std::string_view s, std::size_t i)
{
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    const std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((b(i + k) & 0xC0) != 0x80) return 0;
    // Over-long forms and code points past U+10FFFF or among the surrogates.
    if (n == 2 && c < 0xC2) return 0;
    if (n == 3 && ((c == 0xE0 && b(i + 1) < 0xA0) || (c == 0xED && b(i + 1) >= 0xA0))) return 0;
    if (n == 4 && ((c == 0xF0 && b(i + 1) < 0x90) || c > 0xF4 || (c == 0xF4 && b(i + 1) >= 0x90))) return 0;
    return n;
}

inline std::string hex(const char* prefix, unsigned v)
{
    const char* digits = "0123456789abcdef";
    return std::string(prefix) + digits[(v >> 4) & 15] + digits[v & 15];
}

} // namespace printable_detail

inline std::string printable(std::string_view text, std::size_t maxBytes = std::string_view::npos)
{
    using namespace printable_detail;
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = charLength(text, i);
        const unsigned char c = static_cast<unsigned char>(text[i]);
        std::string piece;
        if (n == 0) piece = hex("\\x", c);
        else if (c < 0x20 || c == 0x7F) piece = hex("\\x", c);
        else if (n == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0)
            piece = hex("\\u00", static_cast<unsigned char>(text[i + 1])); // C1 controls, U+0080..U+009F
        else piece = std::string(text.substr(i, n));
        if (out.size() + piece.size() > maxBytes) return out + "...";
        out += piece;
        i += n == 0 ? 1 : n;
    }
    return out;
}

} // namespace gloamery
