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

// A loop's build for a width, of its three builds: a body written once,
// inlined into a function for each width, the wider ones marked with these
// attributes. Where the processor family has no such widths they build
// plainly, and lanesHere() never offers them.
#if defined(__x86_64__) || defined(__i386__)
#define GLOAMERY_FOUR_LANES [[gnu::target("avx2")]]
#define GLOAMERY_EIGHT_LANES [[gnu::target("avx512f,avx512bw,avx512dq,avx512vl")]]
#else
#define GLOAMERY_FOUR_LANES
#define GLOAMERY_EIGHT_LANES
#endif
template <class F>
F builtFor(Lanes lanes, F two, F four, F eight)
{
    return lanes == Lanes::Eight ? eight : lanes == Lanes::Four ? four : two;
}

} // namespace gloamery
