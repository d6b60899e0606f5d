#pragma once
// The inputs of a shadow run, converted and checked once before any ray is
// cast, so a refused run draws nothing and reports nothing.

#include "../workspace/controls.h"

#include <variant>

namespace gloamery {

struct ShadowParams {
    double x0 = 0.0;      // sun position, pixels
    double y0 = 0.0;
    double decay = 5.0;   // drop of the ray level per step
    int darkness = 128;   // D, 0..255
};

// How far from 0 a sun may stand: a map's ray counters live in 16 bits;
// a world's, up to 65536 a side, go twice its side either way.
constexpr int kMapSunReach = 32768;
constexpr int kWorldSunReach = 131072;

// Reads X0, Y0 (when the run uses the sun) and the decay. Refuses text that
// is not a finite number, and a sun whose rounded or floored coordinates
// leave -reach .. reach - 1.
std::variant<ShadowParams, Error> readShadowParams(const Controls& c, const NumberParser& parse, bool usesSun,
                                                   int reach = kMapSunReach);

} // namespace gloamery
