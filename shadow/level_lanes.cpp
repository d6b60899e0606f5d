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

GLOAMERY_FOUR_LANES void raiseFour(const std::int64_t* level, std::int64_t time, std::int64_t* top, std::uint16_t* lit,
                                   int from, int to)
{
    raiseBody(level, time, top, lit, from, to);
}
GLOAMERY_EIGHT_LANES void raiseEight(const std::int64_t* level, std::int64_t time, std::int64_t* top,
                                     std::uint16_t* lit, int from, int to)
{
    raiseBody(level, time, top, lit, from, to);
}

} // namespace

RaiseLevels raiseLevels(Lanes lanes) { return builtFor<RaiseLevels>(lanes, raiseTwo, raiseFour, raiseEight); }

} // namespace gloamery
