#include "controls.h"

#include <charconv>
#include <cmath>

namespace gloamery {

std::optional<double> parseCNumber(std::string_view text)
{
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);   // from_chars takes no plus sign; a second sign is junk
        if (!text.empty() && (text.front() == '+' || text.front() == '-')) return std::nullopt;
    }
    if (text.empty()) return std::nullopt;

    double value = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

} // namespace gloamery
