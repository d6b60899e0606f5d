#include "texture.h"

#include "../workspace/numeric.h"
#include "../workspace/parallel.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace gloamery {

namespace {

// One channel of the mix, narrowed to 16 bits and made non-negative. The
// mix stays below 2750 in size, where adding and removing 1.5 x 2^52
// rounds exactly as nearest() does, without its range test.
inline int mixChannel(double t, int grass, int stone, double gain)
{
    constexpr double kShifter = 6755399441055744.0; // 1.5 * 2^52
    const double mix = ((1 - t) * grass + t * stone) * gain;
    return std::abs(static_cast<int>((mix + kShifter) - kShifter));
}

inline Colour mixPixel(double t, Colour grass, Colour stone, double gain)
{
    const Channels g = split(grass);
    const Channels s = split(stone);
    return compose(mixChannel(t, g.r, s.r, gain), mixChannel(t, g.g, s.g, gain), mixChannel(t, g.b, s.b, gain));
}

void mixRow(const double* __restrict t, const Colour* __restrict grass, const Colour* __restrict stone,
            Colour* __restrict out, int first, int last, double gain)
{
    for (int x = first; x < last; ++x) out[x] = mixPixel(t[x], grass[x], stone[x], gain);
}

// The frame both syntheses share. weight(x, y) gives the stone weight of a
// pixel; every picture pixel is written, and the outside column, whose
// writes fall outside the picture, only counts for the progress bar.
template <class Weight>
void synthesise(Workspace& ws, double gain, Reporter& report, Weight weight)
{
    BusyScope busy(report);
    report.progress(0.0);
    report.status(status::kCalculating);

    const int w = ws.width(), h = ws.height();
    // Grass and stone are read through their slots' rules: a small
    // picture repeated over the map is never expanded.
    const SlotView grass = ws.image(Slot::Grass).view();
    const SlotView stone = ws.image(Slot::Stone).view();
    // Every pixel is written below: nothing to fill first.
    Colour* out = ws.overwritable(Slot::Texture).data();

    const std::size_t pixels = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    forEachRow(h, pixels, [&](int y) {
        // A stretch of weights first, then the mix over plain arrays, which
        // the compiler can take many pixels at a time. The stretch is on the
        // stack, whatever the map's width.
        constexpr int kStretch = 512;
        double t[kStretch];
        Colour grassRun[kStretch], stoneRun[kStretch];
        const std::size_t row = static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
        for (int first = 0; first < w; first += kStretch) {
            const int n = std::min(kStretch, w - first);
            for (int i = 0; i < n; ++i) t[i] = weight(first + i, y);
            mixRow(t, grass.span(first, y, n, grassRun), stone.span(first, y, n, stoneRun), out + row + first, 0, n, gain);
        }
    });
    reportColumns(0, w + 1, w, report);
    report.status(status::kDone);
}

// The contrast scroll bar runs 0..100; kept there so no weight can carry a
// mix out of the 16-bit range.
int contrastValue(int contrast) { return contrast < 0 ? 0 : (contrast > 100 ? 100 : contrast); }


// k / (n x unit) for every sample k 0..top of a depth, worked out once per
// process: the weights below divide a sample by a constant, and a deep
// map would otherwise divide at every pixel.
template <class Sample, int N>
const double* quotients()
{
    static const std::vector<double> q = [] {
        std::vector<double> v(static_cast<std::size_t>(Depth<Sample>::kTop) + 1);
        for (std::size_t k = 0; k < v.size(); ++k) v[k] = static_cast<double>(k) / (N * Depth<Sample>::kUnit);
        return v;
    }();
    return q.data();
}

// The weight post(k / (N x unit)) of a sample or difference k, tabled for
// every k when the map has many times more pixels than there are samples
// (always, for 8-bit heights); else, for a small deep map, post is applied
// to the quotient per pixel, as tabling 65536 weights would cost more.
template <class Sample, int N, class Post>
class Weights {
public:
    Weights(Post post, const Workspace& ws) : post_(post), quotient_(quotients<Sample, N>())
    {
        constexpr std::size_t kValues = static_cast<std::size_t>(Depth<Sample>::kTop) + 1;
        if (static_cast<double>(ws.width()) * ws.height() < 16.0 * kValues) return;
        table_.resize(kValues);
        for (std::size_t k = 0; k < kValues; ++k) table_[k] = post_(quotient_[k]);
    }
    double operator()(int k) const
    {
        const auto i = static_cast<std::size_t>(k);
        return table_.empty() ? post_(quotient_[i]) : table_[i];
    }

private:
    Post post_;
    const double* quotient_;
    std::vector<double> table_;
};

template <class Sample, int N, class Post>
Weights<Sample, N, Post> weights(Post post, const Workspace& ws)
{
    return Weights<Sample, N, Post>(post, ws);
}

// Where the workspace lies in the map its heights describe: usually the
// whole map; a region's run holds part of a world.
WorldRegion wholeMap(const Workspace& ws) { return {ws.width(), ws.height(), Rect{0, 0, ws.width(), ws.height()}}; }

// "Make Texture"'s stone weight at either depth: t = H / top (top = 255 x
// unit), raised above a half by the contrast; (x, y) is the workspace's
// pixel.
template <class Grid>
auto heightWeight(const Workspace& ws, double v, const Grid& h, const WorldRegion& f)
{
    // (v / 100 + 1) x t above a half, else t itself, which is t x 1 to the
    // bit: a choice of factor, which needs no branch on the height.
    const double gain = v / 100 + 1;
    const auto weightOf = weights<typename Grid::value_type, 255>([gain](double t) {
        return (t > 0.5 ? gain : 1.0) * t;
    }, ws);
    return [weightOf, &h, f](int x, int y) { return weightOf(h(x + f.area.x0, y + f.area.y0)); };
}

// "Make Texture2"'s at either depth: the height differences are over 32
// 8-bit steps (32 x 257 deep samples).
template <class Grid>
auto slopeWeight(const Workspace& ws, double v, const Grid& h, const WorldRegion& f)
{
    using Sample = typename Grid::value_type;

    // Columns 0, 1 (and W, outside) are weighted by height, as no slope is
    // taken there.
    const auto edgeWeightOf = weights<Sample, 255>([v](double t) {
        if (t > 0.5) t = v / 100 + t;
        else t = (v / 100 + 1) * t / 2;
        return t;
    }, ws);

    // Elsewhere the steeper of the two central differences, each over 32;
    // rows 0, 1 (and H) take the one across the columns only. The larger
    // difference over 32 is the larger of the two quotients, exactly.
    const auto slopeWeightOf = weights<Sample, 32>([](double t) { return t; }, ws);

    return [edgeWeightOf, slopeWeightOf, &h, f](int localX, int localY) {
        auto H = [&](int x, int y) { return static_cast<int>(h(x, y)); };
        const int x = localX + f.area.x0, y = localY + f.area.y0;
        if (x < 2 || x > f.worldWidth - 1) return edgeWeightOf(H(x, y));
        int d = std::abs(H(x + 1, y) - H(x - 1, y));
        if (y >= 2 && y <= f.worldHeight - 1) {
            const int dy = std::abs(H(x, y + 1) - H(x, y - 1));
            if (d < dy) d = dy;
        }
        return slopeWeightOf(d);
    };
}

// The texture buttons' mixes: "Make Texture2"'s brightened by 1.35.
template <class Grid>
void runTexture(Workspace& ws, double v, bool bySlope, const Grid& h, const WorldRegion& f, Reporter& report)
{
    if (bySlope) synthesise(ws, 1.35, report, slopeWeight(ws, v, h, f));
    else synthesise(ws, 1.0, report, heightWeight(ws, v, h, f));
}

// Row y of the splat map: G = nearest(255 t) of the weight t limited to
// 0..1, R = 255 - G, B = A = 0.
template <class Weight>
void splatRow(const Weight& weight, int y, int w, std::uint16_t* out)
{
    for (int x = 0; x < w; ++x) {
        const double t = std::clamp(weight(x, y), 0.0, 1.0);
        const int g = static_cast<int>(nearest(255 * t));
        out[4 * x] = static_cast<std::uint16_t>(255 - g);
        out[4 * x + 1] = static_cast<std::uint16_t>(g);
        out[4 * x + 2] = 0;
        out[4 * x + 3] = 0;
    }
}

template <class Grid>
SplatRows splatRowsOf(const Workspace& ws, double v, bool bySlope, const Grid& h, const WorldRegion& f)
{
    const int w = ws.width();
    if (bySlope) return [w, weight = slopeWeight(ws, v, h, f)](int y, std::uint16_t* out) { splatRow(weight, y, w, out); };
    return [w, weight = heightWeight(ws, v, h, f)](int y, std::uint16_t* out) { splatRow(weight, y, w, out); };
}

} // namespace

void makeTexture(Workspace& ws, int contrast, Reporter& report)
{
    const double v = contrastValue(contrast);
    readHeights(ws).visit([&](const auto& h) { runTexture(ws, v, false, h, wholeMap(ws), report); });
    ws.setSplatRows(splatRows(ws, contrast, false));
}

void makeTexture2(Workspace& ws, int contrast, Reporter& report)
{
    const double v = contrastValue(contrast);
    readHeights(ws).visit([&](const auto& h) { runTexture(ws, v, true, h, wholeMap(ws), report); });
    ws.setSplatRows(splatRows(ws, contrast, true));
}

std::vector<Rect> textureHeights(const WorldRegion& region)
{
    // One pixel around the region for the slopes, within the world's grid
    // of (W + 1) x (H + 1) points.
    return {meet(grown(region.area, 1), Rect{0, 0, region.worldWidth + 1, region.worldHeight + 1})};
}

void makeTextureRegion(Workspace& ws, int contrast, bool bySlope, const WorldRegion& region,
                       std::shared_ptr<const HeightWindow> heights, Reporter& report)
{
    const double v = contrastValue(contrast);
    std::visit([&](const auto& h) { runTexture(ws, v, bySlope, h, region, report); }, *heights);
    ws.setSplatRows(splatRowsRegion(ws, contrast, bySlope, region, std::move(heights)));
}

void makeTextureRegion(Workspace& ws, int contrast, bool bySlope, const WorldRegion& region, const HeightWindow& heights,
                       Reporter& report)
{
    makeTextureRegion(ws, contrast, bySlope, region, std::make_shared<const HeightWindow>(heights), report);
}

SplatRows splatRows(const Workspace& ws, int contrast, bool bySlope)
{
    const double v = contrastValue(contrast);
    // The rows keep the heights they read (the grid is shared, not copied).
    auto grid = std::make_shared<const HeightGrid>(readHeights(ws));
    return grid->visit([&](const auto& h) -> SplatRows {
        SplatRows rows = splatRowsOf(ws, v, bySlope, h, wholeMap(ws));
        return [grid, rows](int y, std::uint16_t* out) { rows(y, out); };
    });
}

SplatRows splatRowsRegion(const Workspace& ws, int contrast, bool bySlope, const WorldRegion& region,
                          std::shared_ptr<const HeightWindow> heights)
{
    const double v = contrastValue(contrast);
    return std::visit([&](const auto& h) -> SplatRows {
        SplatRows rows = splatRowsOf(ws, v, bySlope, h, region);
        return [heights, rows](int y, std::uint16_t* out) { rows(y, out); };
    }, *heights);
}

} // namespace gloamery
