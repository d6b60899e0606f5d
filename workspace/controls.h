#pragma once
// The values of the control panel's inputs at the moment an operation runs.
// Text boxes stay text: they are converted (and may be refused) by the
// operation that reads them.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace gloamery {

enum class BlendMode { Half, Multiply, MultiplyHalf, Multiply3 }; // "50/50", "Multiply", "Multiply/2", "Multiply/3"

struct Controls {
    std::string x0 = "0";   // X0
    std::string y0 = "0";   // Y0
    std::string alt = "5";  // Alt, captioned "Decay"
    int darkness = 128;     // HScroll2, 0..255
    int contrast = 0;       // HScroll1, 0..100
    bool blur = true;       // SwiBlur
    BlendMode blend = BlendMode::Multiply;
};

// Converts a text box's text to a number; empty when it is not one.
using NumberParser = std::function<std::optional<double>(std::string_view)>;

// Plain C-locale decimal ("10.5", "-3", "1e2"), blanks around it allowed.
// Refuses anything else, including "nan", "inf" and values that overflow.
std::optional<double> parseCNumber(std::string_view text);

// An operation refused: the reason, for the user.
struct Error {
    std::string message;
};

// What a refusable operation returns: nothing when it ran, else why not.
using Refusal = std::optional<Error>;

} // namespace gloamery
