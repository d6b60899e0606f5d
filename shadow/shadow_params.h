#pragma once
// The inputs of a shadow run, as numbers. The front ends read them from
// their texts and check them (inputs/shadow_inputs.h) before a run sees
// them, so a refused run draws nothing and reports nothing.

#include "../workspace/controls.h"
#include "shadow_modes.h"

namespace gloamery {

struct ShadowParams {
    double x0 = 0.0;      // sun position, pixels
    double y0 = 0.0;
    double decay = 5.0;   // drop of the ray level per step
    int darkness = 128;   // D, 0..255
    SunControls sun;      // "Sun" only
    bool sunUp = true;    // "Sun": false when the real sun is below the horizon (only the sky lights)

    bool operator==(const ShadowParams&) const = default;
};

// How far from 0 a sun may stand: a map's ray counters live in 16 bits;
// a world's, up to 65536 a side, go twice its side either way.
constexpr int kMapSunReach = 32768;
constexpr int kWorldSunReach = 131072;

// Whether the mode's rays start from the sun's position (X0, Y0).
constexpr bool usesSunPosition(ShadowMode mode) { return shadowModeInfo(mode).fromSunPosition; }

// Whether a coordinate of the sun, rounded and floored alike (the rays
// start from the one, the regions' plans count from the other), lies in
// -reach .. reach - 1.
bool sunWithinReach(double v, int reach);

// The run's precondition: nothing, or the field of the params (as this
// code names it, "x0", "sun.altitude") that lies outside what a run takes.
// The front ends check every value against its range first and word the
// message; this keeps the core safe from any other caller, which gets a
// refusal naming the field.
const char* shadowParamsFault(const ShadowParams& p, ShadowMode mode, int reach);
Refusal shadowParamsRefused(const ShadowParams& p, ShadowMode mode, int reach);

} // namespace gloamery
