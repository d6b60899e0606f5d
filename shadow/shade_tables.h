#pragma once
// Shades of ray levels looked up rather than worked out at every step: for
// each darkness 0..255, a table of the shades of levels 0..top, built the
// first time a ray of that darkness needs it, with the very formula used
// on the spot for levels outside that range (negative decays, rays from
// outside the map).
//
// 8-bit levels have a table of 256 bytes. Deep levels would need 64 KiB,
// more than the first-level cache, and a decaying ray reads a new line of
// it at every step; but a shade there changes at most every 257 levels or
// so, so the table keeps, for each run of 256 levels, the shade at its
// start and where (at most twice) it changes.

#include "../workspace/heights.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <type_traits>
#include <utility>
#include <vector>

namespace gloamery {

// The shades of 256 consecutive levels: `first` from offset 0, then
// `second` from offset `at1` and `third` from `at2` (at1 <= at2; a shade
// that does not change has its offsets at 0 and all three alike).
struct ShadeRun {
    std::uint8_t first = 0, second = 0, third = 0;
    std::uint8_t at1 = 0, at2 = 0;

    int operator()(unsigned offset) const { return offset >= at2 ? third : (offset >= at1 ? second : first); }
};

// Runs of the shades `all` (a multiple of 256), or nothing when a run of
// them changes more than twice.
inline std::vector<ShadeRun> shadeRuns(const std::vector<std::uint8_t>& all)
{
    std::vector<ShadeRun> runs(all.size() / 256);
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const std::uint8_t* s = all.data() + 256 * r;
        ShadeRun run{s[0], s[0], s[0], 0, 0};
        int changes = 0;
        for (unsigned o = 1; o < 256; ++o) {
            if (s[o] == s[o - 1]) continue;
            if (++changes > 2) return {};
            if (changes == 1) run.at1 = run.at2 = static_cast<std::uint8_t>(o), run.second = run.third = s[o];
            else run.at2 = static_cast<std::uint8_t>(o), run.third = s[o];
        }
        runs[r] = run;
    }
    return runs;
}

// Shade(darkness, level) gives a shade 0..255.
template <class Sample, int (*Shade)(int, std::int32_t)>
class ShadeTable {
public:
    static constexpr std::size_t kLevels = Depth<Sample>::kTop + 1;
    static constexpr bool kRuns = kLevels > 256;
    using Entry = std::conditional_t<kRuns, ShadeRun, std::uint8_t>;

    // Darknesses outside 0..255 have no table: their shades are worked out.
    explicit ShadeTable(int darkness)
        : darkness_(darkness), table_(darkness >= 0 && darkness <= 255 ? tableFor(darkness) : nullptr)
    {
    }

    int operator()(std::int32_t level) const
    {
        const auto v = static_cast<std::uint32_t>(level);
        if (!table_ || v >= kLevels) return Shade(darkness_, level);
        if constexpr (kRuns) return table_[v >> 8](v & 255);
        else return table_[v];
    }

private:
    // Null when the shades change too often for runs (no curve used here
    // does): they are then worked out at every step, alike but slower.
    static const Entry* tableFor(int darkness)
    {
        static std::array<std::once_flag, 256> built;
        static std::array<std::vector<Entry>, 256> tables;
        const auto i = static_cast<std::size_t>(darkness);
        std::call_once(built[i], [&] {
            std::vector<std::uint8_t> all(kLevels);
            for (std::size_t v = 0; v < kLevels; ++v)
                all[v] = static_cast<std::uint8_t>(Shade(darkness, static_cast<std::int32_t>(v)));
            if constexpr (kRuns) tables[i] = shadeRuns(all);
            else tables[i] = std::move(all);
        });
        return tables[i].empty() ? nullptr : tables[i].data();
    }

    int darkness_;
    const Entry* table_;
};

} // namespace gloamery
