// The sun's walk's inner loop (see sun_walk.h), built once for each vector
// width (see lanes.h): whole numbers only, so every width gives the same.
// Built as light_lanes.cpp is (see CMakeLists.txt).

#include "sun_walk.h"

namespace gloamery {

namespace {

[[gnu::always_inline]] inline void raiseBody(const std::int64_t* __restrict level, std::int64_t time,
                                             std::int64_t* __restrict top, std::uint16_t* __restrict lit, int from,
                                             int to)
{
    for (int j = from; j <= to; ++j) {
        const std::int64_t v = level[j] + time;
        const bool up = v > top[j];
        top[j] = up ? v : top[j];
        lit[j] = static_cast<std::uint16_t>(lit[j] + (up ? 1 : 0));
    }
}

void raiseTwo(const std::int64_t* level, std::int64_t time, std::int64_t* top, std::uint16_t* lit, int from, int to)
{
    raiseBody(level, time, top, lit, from, to);
}

#if defined(__x86_64__) || defined(__i386__)
#define GLOAMERY_WIDE_LANES 1
[[gnu::target("avx2")]] void raiseFour(const std::int64_t* level, std::int64_t time, std::int64_t* top,
                                       std::uint16_t* lit, int from, int to)
{
    raiseBody(level, time, top, lit, from, to);
}
[[gnu::target("avx512f,avx512bw,avx512dq,avx512vl")]] void raiseEight(const std::int64_t* level, std::int64_t time,
                                                                      std::int64_t* top, std::uint16_t* lit,
                                                                      int from, int to)
{
    raiseBody(level, time, top, lit, from, to);
}
#endif

} // namespace

RaiseLevels raiseLevels(Lanes lanes)
{
#ifdef GLOAMERY_WIDE_LANES
    if (lanes == Lanes::Eight) return raiseEight;
    if (lanes == Lanes::Four) return raiseFour;
#endif
    (void)lanes;
    return raiseTwo;
}

} // namespace gloamery
