#pragma once
// The vector widths the core's row loops are built for (the Lambert term,
// the point sun's greys, the sky-view term, the walks' levels): two doubles
// (every x86-64 processor), four (AVX2) and eight (AVX-512). Each pixel
// takes the same operations in the same order at every width, so every
// width gives the same values; a run takes the widest the processor has,
// which divides and takes square roots two or four times as fast.

#include <vector>

namespace gloamery {

enum class Lanes { Two, Four, Eight };
std::vector<Lanes> lanesHere(); // Two first
Lanes widestLanes();

} // namespace gloamery
