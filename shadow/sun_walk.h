#pragma once
// Walks the parallel rays of one azimuth over a box of a map and counts,
// for every pixel of the box, the samples (altitudes) under which it is
// lit. Samples of one azimuth share their rays and differ only in the drop
// per step, so one walk serves them all.

#include "../workspace/large_buffer.h"
#include "../workspace/parallel.h"
#include "lanes.h"
#include "sun_rays.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <vector>

namespace gloamery {

// Samples that share an azimuth: a drop per step each, and the plane of
// counts each one adds its lit pixels to.
struct SunGroup {
    double azimuth = 0.0;
    std::vector<std::int64_t> drops;
    std::vector<int> planes;
};
constexpr int kMaxGroupLevels = 16;

// Per pixel of a box, `count` planes of lit samples, plane after plane.
// A walk along x writes down a column of them: their rows are padded, as
// the height grid's are, so that the rows it writes do not all fall into
// the same few sets of the processor's cache.
struct LitPlanes {
    Rect box;
    int count = 1;
    // Plane m counts the samples lit at ring m, or (when set, as the sky's
    // are, with one walk an azimuth) the azimuths whose lowest lit ring is
    // m, but plane 0 those dark at every ring: the azimuths lit from ring 0
    // up are all the others. See SkyLight.
    bool lowestRings = false;
    std::size_t stride;
    // In large pages: a walk down a column touches a new row, and so a new
    // page, at every pixel.
    std::vector<std::uint16_t, LargePageAllocator<std::uint16_t>> values;

    LitPlanes(const Rect& b, int planes)
        : box(b), count(planes), stride(static_cast<std::size_t>(paddedRow<std::uint16_t>(b.width)))
    {
        fillFresh(values, static_cast<std::size_t>(planes) * stride * static_cast<std::size_t>(b.height), std::uint16_t{0});
    }
    std::size_t pixels() const { return static_cast<std::size_t>(box.width) * static_cast<std::size_t>(box.height); }
    std::uint16_t* plane(int p) { return values.data() + static_cast<std::size_t>(p) * stride * static_cast<std::size_t>(box.height); }
    const std::uint16_t* plane(int p) const { return values.data() + static_cast<std::size_t>(p) * stride * static_cast<std::size_t>(box.height); }
    // Where the pixel (col, row) of the box lies in a plane.
    std::size_t at(int col, int row) const { return static_cast<std::size_t>(row) * stride + static_cast<std::size_t>(col); }
};

// Which steps and rays of an azimuth a box needs: the box's own steps
// ia..ib (inclusive), the step i0 the walk must start from so that every
// pixel that can shade the box is seen, and the rays kLo..kHi that cross
// the box.
struct WalkSpan {
    int i0;
    int ia;
    int ib;
    std::int64_t kLo;
    std::int64_t kHi;
};
WalkSpan walkSpan(const SunRays& rays, const SunGroup& group, const Rect& box);
// The same for walks that look back `reach` steps at most (kNoLimit: to
// the start of every ray).
WalkSpan walkSpanReaching(const SunRays& rays, std::int64_t reach, const Rect& box);

// The pixels of the map a walk over `box` reads (empty when none).
Rect walkFootprint(const SunRays& rays, const SunGroup& group, const Rect& box);
Rect spanFootprint(const SunRays& rays, const WalkSpan& span);

// The level loop of one step and one drop: each ray j of from..to whose
// pixel stands above the highest level so far (`level[j] + time` above
// `top[j]`, in ray time) raises it and counts one more lit sample in
// lit[j]. One function a vector width (see lanes.h).
using RaiseLevels = void (*)(const std::int64_t* level, std::int64_t time, std::int64_t* top, std::uint16_t* lit,
                             int from, int to);
RaiseLevels raiseLevels(Lanes lanes);

namespace sun_walk {

constexpr int kBundle = 64; // neighbouring rays walked together
constexpr std::int64_t kNone = std::numeric_limits<std::int64_t>::min() / 4; // a ray that has met no pixel yet

// One bundle of rays k0 .. k0 + kBundle - 1 through steps i0..ib. Into
// planes of lowest lit rings (see LitPlanes) the group's levels are the
// rings in order: a pixel lit at one is lit at every higher one (its drop
// is no smaller), so the count of its lit levels names its lowest lit
// ring, and it adds to that one plane instead of to one a ring.
template <class Grid>
void walkBundle(const SunRays& rays, const SunGroup& g, const WalkSpan& span, std::int64_t k0, const Grid& heights,
                LitPlanes& out)
{
    const int levels = static_cast<int>(g.drops.size());
    const bool lowest = out.lowestRings;
    const RaiseLevels raise = raiseLevels(widestLanes());
    std::array<std::array<std::int64_t, kBundle>, kMaxGroupLevels> top; // highest level so far, in ray time
    for (int l = 0; l < levels; ++l) top[static_cast<std::size_t>(l)].fill(kNone);
    std::array<std::int64_t, kBundle> level{};
    std::array<std::array<std::uint16_t, kBundle>, kMaxGroupLevels> lit{};
    const Rect& box = out.box;
    const int boxMinor0 = rays.majorY ? box.x0 : box.y0;
    const int boxMinor1 = rays.majorY ? box.x1() : box.y1();

    for (int i = span.i0; i <= span.ib; ++i) {
        const std::int64_t first = k0 + rays.offset(i); // minor coordinate of ray k0
        const int jLo = static_cast<int>(std::max<std::int64_t>(0, -first));
        const int jHi = static_cast<int>(std::min({std::int64_t{kBundle - 1}, span.kHi - k0, rays.minorSize - 1 - first}));
        if (jLo > jHi) continue;
        const int major = rays.major(i);
        for (int j = jLo; j <= jHi; ++j) {
            const int minor = static_cast<int>(first + j);
            level[static_cast<std::size_t>(j)] = rays.majorY ? rayLevel(heights, minor, major) : rayLevel(heights, major, minor);
        }
        const bool counted = i >= span.ia;
        for (int l = 0; l < levels; ++l) {
            const std::int64_t time = static_cast<std::int64_t>(i) * g.drops[static_cast<std::size_t>(l)];
            std::uint16_t* n = lit[lowest ? 0 : static_cast<std::size_t>(g.planes[static_cast<std::size_t>(l)])].data();
            raise(level.data(), time, top[static_cast<std::size_t>(l)].data(), n, jLo, jHi);
        }
        if (!counted) {
            for (int p = 0; p < out.count; ++p) lit[static_cast<std::size_t>(p)].fill(0);
            continue;
        }
        const int from = static_cast<int>(std::max<std::int64_t>(jLo, boxMinor0 - first));
        const int to = static_cast<int>(std::min<std::int64_t>(jHi, boxMinor1 - 1 - first));
        auto at = [&](int j) {
            const int minor = static_cast<int>(first + j);
            return rays.majorY ? out.at(minor - box.x0, major - box.y0) : out.at(major - box.x0, minor - box.y0);
        };
        if (lowest) {
            // Most pixels are lit at every ring, and writing them was most of
            // the walk's time: they are what the other planes leave (see
            // LitPlanes), and plane 0 counts those dark at every ring.
            std::array<std::uint16_t, kBundle>& n = lit[0];
            for (int j = from; j <= to; ++j) {
                const int count = n[static_cast<std::size_t>(j)];
                if (count == levels) continue;
                std::uint16_t& c = out.plane(count == 0 ? 0 : levels - count)[at(j)];
                c = static_cast<std::uint16_t>(c + 1);
            }
            n.fill(0);
            continue;
        }
        for (int p = 0; p < out.count; ++p) {
            std::uint16_t* plane = out.plane(p);
            std::array<std::uint16_t, kBundle>& n = lit[static_cast<std::size_t>(p)];
            for (int j = from; j <= to; ++j)
                plane[at(j)] = static_cast<std::uint16_t>(plane[at(j)] + n[static_cast<std::size_t>(j)]);
            n.fill(0);
        }
    }
}

} // namespace sun_walk

// Adds the lit samples of one azimuth's group to `out`, for every pixel of
// out.box. Each pixel lies on one ray, and each ray on one bundle, so the
// bundles run side by side on any number of threads with the same counts.
// Each thread takes one run of neighbouring bundles: neighbours write to
// the same cache lines where they meet, and handed out one at a time they
// made two threads slower than one.
template <class Grid>
void walkGroup(const SunRays& rays, const SunGroup& g, const Grid& heights, LitPlanes& out)
{
    const WalkSpan span = walkSpan(rays, g, out.box);
    if (span.kHi < span.kLo) return;
    const std::int64_t bundles = (span.kHi - span.kLo) / sun_walk::kBundle + 1;
    const std::size_t work = out.pixels() * g.drops.size();
    const int threads = threadsFor(work);
#pragma omp parallel for num_threads(threads) schedule(static) if (threads > 1)
    for (std::int64_t b = 0; b < bundles; ++b) {
        enterParallelWork();
        sun_walk::walkBundle(rays, g, span, span.kLo + b * sun_walk::kBundle, heights, out);
    }
}

} // namespace gloamery
