#pragma once
// The shadow buttons, a line of data each: the name settings files, the
// batch tool and the Python module know them by, and what the button tells
// the user as it runs, and when (the tests pin that order).

#include <array>
#include <string_view>

namespace gloamery {

// "Sun" (see sun.h) lights from a sun in the sky rather than sweeping rays
// from a point; the others' rules are in shadings.h.
enum class ShadowMode { Linear, LinearSim, Sin, Cos, Embossed, Sun };

struct ShadowSteps {
    bool statusBeforeHeights;  // "Calculating..." before or after reading the heights
    bool resetBarAfterHeights; // "Sin func" zeroes the bar and counts one step less
    int progressOffset;        // the bar runs i / (max(W, H) - offset)
    bool busy;                 // the busy pointer, through the run and its merge
};

struct ShadowModeInfo {
    ShadowMode mode;
    std::string_view name;
    ShadowSteps steps;
};

// In the order the panel shows the buttons, and ShadowMode's.
inline constexpr std::array<ShadowModeInfo, 6> kShadowModes = {{
    {ShadowMode::Linear, "linear", {true, false, 0, false}},
    {ShadowMode::LinearSim, "linear-sim", {true, false, 0, false}},
    {ShadowMode::Sin, "sin", {true, true, 1, false}},
    {ShadowMode::Cos, "cos", {false, false, 0, false}},
    {ShadowMode::Embossed, "embossed", {false, false, 0, false}},
    {ShadowMode::Sun, "sun", {true, false, 0, true}}, // runSun says "Calculating..." first
}};

constexpr const ShadowModeInfo& shadowModeInfo(ShadowMode mode) { return kShadowModes[static_cast<std::size_t>(mode)]; }
constexpr const ShadowSteps& shadowSteps(ShadowMode mode) { return shadowModeInfo(mode).steps; }

} // namespace gloamery
