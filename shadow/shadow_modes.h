#pragma once
// The shading modes, a line of data each: what a run tells the user as it
// runs, and when (the tests pin that order), and whether its rays start
// from the sun's position. Their names and captions are the front ends'
// (inputs/operations.h).

#include <array>

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
    ShadowSteps steps;
    bool fromSunPosition; // the rays start from X0, Y0
};

// In ShadowMode's order.
inline constexpr std::array<ShadowModeInfo, 6> kShadowModes = {{
    {ShadowMode::Linear, {true, false, 0, false}, true},
    {ShadowMode::LinearSim, {true, false, 0, false}, false},
    {ShadowMode::Sin, {true, true, 1, false}, true},
    {ShadowMode::Cos, {false, false, 0, false}, true},
    {ShadowMode::Embossed, {false, false, 0, false}, true},
    {ShadowMode::Sun, {true, false, 0, true}, false}, // runSun says "Calculating..." first
}};

constexpr const ShadowModeInfo& shadowModeInfo(ShadowMode mode) { return kShadowModes[static_cast<std::size_t>(mode)]; }
constexpr const ShadowSteps& shadowSteps(ShadowMode mode) { return shadowModeInfo(mode).steps; }

} // namespace gloamery
