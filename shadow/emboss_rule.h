#pragma once
// The rule of "Embossed": every pixel a ray reaches is written. Rises are lit brighter
// the steeper they are; behind them a shade lightens with the shadow
// distance until it passes mid-grey, where the shadow ends and the ray
// drops back onto the terrain.

#include "pixel_writer.h"
#include "ray.h"
#include "shade_tables.h"
#include "shadow_params.h"

#include <array>
#include <cstdint>
#include <vector>

namespace gloamery::rules {

inline constexpr int kMidGrey = 128;

// The lit shade of a rise: nearest(rise / unit x 4 + 128), at most 255.
template <class Sample>
constexpr int riseShade(std::int64_t rise)
{
    const double u = nearest(static_cast<double>(rise) / Depth<Sample>::kUnit * 4 + 128);
    return u > 255 ? 255 : static_cast<int>(u);
}

// A rise of 32 8-bit steps or more is lit 255; below that the shades are
// looked up, as deep terrain lifts the ray at nearly every step. The table
// is a static array, whose place and length the compiler knows, so a ray
// keeps neither in a register; its last entry stands for every rise past
// the others. It is worked out while compiling: built at start-up, the
// deep one cost every process a tenth of a millisecond.
template <class Sample>
struct RiseShades {
    static constexpr std::size_t kRises = static_cast<std::size_t>(32 * Depth<Sample>::kUnit);
    static constexpr std::array<std::uint8_t, kRises + 1> table = [] {
        std::array<std::uint8_t, kRises + 1> t{};
        for (std::size_t r = 0; r < kRises; ++r)
            t[r] = static_cast<std::uint8_t>(riseShade<Sample>(static_cast<std::int64_t>(r)));
        t[kRises] = 255;
        return t;
    }();

    static int of(std::int64_t rise)
    {
        const auto r = static_cast<std::uint64_t>(rise); // above 0 here
        return table[r < kRises ? r : kRises];
    }
};

// What the end of a step makes of a shadow distance K at one darkness:
// r = nearest((K + 64) / 128 x E), mid-grey and faded out above 128, else
// the shade r (0 when negative). With E = 255 - D at least 0, r only rises
// with K: every K below -64 gives 0, and from the first K that fades out
// every K does. So the values in between are tabled, per darkness, the
// first time a ray of that darkness needs them; a darkness outside
// 0..255, or a K past the table (a darkness of 255 never fades), is worked
// out on the spot.
class FadeTable {
public:
    static constexpr int kFaded = -1;
    static constexpr std::int32_t kFirst = -64;
    static constexpr std::int32_t kMostEntries = 1 << 16;

    static int worked(double e, std::int32_t k)
    {
        const double r = nearest((k + 64.0) / 128.0 * e);
        if (r > 128) return kFaded;
        return r < 0 ? 0 : static_cast<int>(r);
    }

    explicit FadeTable(int darkness) : e_(255 - darkness), table_(darkness >= 0 && darkness <= 255 ? &tableFor(darkness) : nullptr) {}

    int operator()(std::int32_t k) const
    {
        if (table_ == nullptr) return worked(e_, k);
        if (k < kFirst) return (*table_)[0];
        // In 64 bits: a distance near the top of the 32-bit range is K too.
        const auto i = static_cast<std::uint64_t>(static_cast<std::int64_t>(k) - kFirst);
        if (i < table_->size()) return (*table_)[i];
        return table_->back() == kFaded ? kFaded : worked(e_, k);
    }

private:
    static const std::vector<std::int16_t>& tableFor(int darkness)
    {
        return DarknessTables<FadeTable, std::vector<std::int16_t>>::get(darkness, [darkness] {
            std::vector<std::int16_t> t;
            const double e = 255 - darkness;
            for (std::int32_t k = kFirst; k < kFirst + kMostEntries; ++k) {
                t.push_back(static_cast<std::int16_t>(worked(e, k)));
                if (t.back() == kFaded) break;
            }
            return t;
        });
    }

    double e_;
    const std::vector<std::int16_t>* table_;
};

template <class Sample, class Writer>
struct EmbossRule {
    Writer shadow;
    FadeTable fade; // from E = 255 - D; the darkness itself is not used
    DecayStep grow; // k = nearest(decay + k)

    std::int32_t k = 0;     // shadow distance
    int pending = 0; // black
    // What the end of a step makes of the current K; K changes far less
    // often than steps are taken, so this is worked out when it does.
    bool fadedOut = false;
    int next = 0;
    // The same for K = 0, to which every lift goes back.
    bool fadedOutAtZero = false;
    int nextAtZero = 0;

    EmbossRule(Writer s, const ShadowParams& p)
        : shadow(s), fade(p.darkness), grow(-p.decay)
    {
        setDistance(0);
        fadedOutAtZero = fadedOut;
        nextAtZero = next;
    }

    void setDistance(std::int32_t v)
    {
        k = v;
        const int r = fade(k);
        fadedOut = r == FadeTable::kFaded;
        next = fadedOut ? kMidGrey : r;
    }

    void lit(const Cell& c, int h, std::int32_t level)
    {
        // The rise is taken in 64 bits, as a level far below the terrain (a
        // ray from far outside) may have saturated; it is above 0 here.
        const std::int64_t rise = static_cast<std::int64_t>(h) - level;
        if (k != 0) {
            k = 0;
            fadedOut = fadedOutAtZero;
            next = nextAtZero;
        }
        shadow.setShade(c, RiseShades<Sample>::of(rise));
    }

    void shaded(const Cell& c, int, std::int32_t)
    {
        setDistance(grow(k));
        shadow.setShade(c, pending); // whatever the level, 0 included
    }

    void after(const Cell&, bool inGrid, int h, std::int32_t& level)
    {
        pending = next;
        // The shadow has faded out: the ray drops onto this step's terrain.
        // K only grows on pixels inside the grid, and a ray that has entered
        // the grid never leaves it, so the step is always inside; a step
        // outside would have no terrain to drop onto and keeps its level.
        if (fadedOut && inGrid) level = h;
    }
};

} // namespace gloamery::rules
