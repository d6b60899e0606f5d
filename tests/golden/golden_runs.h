#pragma once
// Every shadow mode over three fixed scenes, seven suns and thirteen decays,
// with blur, blends and darkness varied, plus both texture syntheses: each
// run named and fingerprinted, output by output, so that any change in any
// computed byte at 256 x 256 names the first run it shows in.

#include <functional>
#include <string>

namespace gloamery::testing {

struct RunDigest {
    std::string name;   // "hills linear sun2 decay-1"
    std::string digest; // "shadow=… colour=… grids=…" or "texture=…"
};

// Calls `out` once per run, in a fixed order.
void goldenRuns(const std::function<void(const RunDigest&)>& out);

} // namespace gloamery::testing
