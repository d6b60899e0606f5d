#include "controls.h"

#include <charconv>
#include <cmath>

namespace gloamery {

namespace {

// from_chars calls a value too small for a double "out of range", exactly as
// it does one too large; to whoever typed it the small one is simply 0.
// `t` is a complete decimal that from_chars has already accepted.
bool tooSmallForDouble(std::string_view t)
{
    std::size_t i = (!t.empty() && t[0] == '-') ? 1 : 0;
    long long lead = 0; // power of ten of the first significant digit
    long long zerosAfterPoint = 0;
    bool point = false, found = false;
    for (; i < t.size() && t[i] != 'e' && t[i] != 'E'; ++i) {
        if (t[i] == '.') {
            point = true;
        } else if (found) {
            if (!point) ++lead;
        } else if (t[i] != '0') {
            found = true;
            lead = point ? -(zerosAfterPoint + 1) : 0;
        } else if (point) {
            ++zerosAfterPoint;
        }
    }
    long long exponent = 0;
    bool negative = false;
    if (i < t.size()) {
        ++i;
        if (i < t.size() && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
        for (; i < t.size(); ++i)
            if (exponent < 1'000'000'000) exponent = exponent * 10 + (t[i] - '0');
    }
    return lead + (negative ? -exponent : exponent) < 0;
}

} // namespace

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
    if (end != text.data() + text.size()) return std::nullopt;
    if (ec == std::errc::result_out_of_range && tooSmallForDouble(text)) return 0.0;
    if (ec != std::errc() || !std::isfinite(value)) return std::nullopt;
    return value;
}

} // namespace gloamery
