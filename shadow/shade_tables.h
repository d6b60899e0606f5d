#pragma once
// Shades of ray levels looked up rather than worked out at every step: for
// each darkness 0..255, a table of the shades of levels 0..top, built the
// first time a ray of that darkness needs it, with the very formula used
// on the spot for levels outside that range (negative decays, rays from
// outside the map). Bytes, so a deep table (64 KiB) stays in the cache.

#include "../workspace/heights.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace gloamery {

// Shade(darkness, level) gives a shade 0..255.
template <class Sample, int (*Shade)(int, std::int32_t)>
class ShadeTable {
public:
    static constexpr std::size_t kLevels = Depth<Sample>::kTop + 1;

    // Darknesses outside 0..255 have no table: their shades are worked out.
    explicit ShadeTable(int darkness)
        : darkness_(darkness), table_(darkness >= 0 && darkness <= 255 ? tableFor(darkness) : nullptr)
    {
    }

    int operator()(std::int32_t level) const
    {
        return table_ && static_cast<std::uint32_t>(level) < kLevels ? table_[level] : Shade(darkness_, level);
    }

private:
    static const std::uint8_t* tableFor(int darkness)
    {
        static std::array<std::once_flag, 256> built;
        static std::array<std::vector<std::uint8_t>, 256> tables;
        const auto i = static_cast<std::size_t>(darkness);
        std::call_once(built[i], [&] {
            tables[i].resize(kLevels);
            for (std::size_t v = 0; v < kLevels; ++v)
                tables[i][v] = static_cast<std::uint8_t>(Shade(darkness, static_cast<std::int32_t>(v)));
        });
        return tables[i].data();
    }

    int darkness_;
    const std::uint8_t* table_;
};

} // namespace gloamery
