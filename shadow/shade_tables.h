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
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <vector>

namespace gloamery {

// Tables kept for each darkness 0..255, one set for each Owner: built by
// the first ray of a darkness that needs one and kept for the rest of the
// process. Each darkness has a plain atomic pointer, set once; threads that
// arrive at once may both build the table, and one keeps its own. A
// once-flag and a guarded static array took longer on their first use than
// building a table.
template <class Owner, class Table>
class DarknessTables {
public:
    template <class Build>
    static const Table& get(int darkness, Build build)
    {
        std::atomic<const Table*>& slot = tables_[static_cast<std::size_t>(darkness)];
        if (const Table* t = slot.load(std::memory_order_acquire)) return *t;
        auto fresh = std::make_unique<const Table>(build());
        const Table* expected = nullptr;
        if (slot.compare_exchange_strong(expected, fresh.get(), std::memory_order_acq_rel)) return *fresh.release();
        return *expected;
    }

private:
    static constinit inline std::array<std::atomic<const Table*>, 256> tables_{};
};

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
        const std::vector<Entry>& t = DarknessTables<ShadeTable, std::vector<Entry>>::get(darkness, [darkness] {
            std::vector<std::uint8_t> all(kLevels);
            for (std::size_t v = 0; v < kLevels; ++v)
                all[v] = static_cast<std::uint8_t>(Shade(darkness, static_cast<std::int32_t>(v)));
            if constexpr (kRuns) return shadeRuns(all);
            else return all;
        });
        return t.empty() ? nullptr : t.data();
    }

    int darkness_;
    const Entry* table_;
};

} // namespace gloamery
