#include "golden_runs.h"

#include "sha256.h"

#include "compose/texture.h"
#include "inputs/operations.h"
#include "inputs/shadow_inputs.h"
#include "workspace/view_maps.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace gloamery::testing {

namespace {

// xorshift32: the same numbers on every compiler and library.
struct Random {
    std::uint32_t s;
    std::uint32_t next()
    {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return s;
    }
    int byte() { return static_cast<int>(next() >> 24); }
};

void fillRandom(Picture& p, std::uint32_t seed)
{
    Random r{seed};
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) {
            const int red = r.byte(), green = r.byte(), blue = r.byte();
            p.setPixel(x, y, compose(red, green, blue));
        }
}

// Smooth hills: a coarse random lattice interpolated in integers.
int hills(int x, int y, const std::array<int, 17 * 17>& lattice)
{
    const int cx = x / 16, cy = y / 16, fx = x % 16, fy = y % 16;
    auto at = [&](int i, int j) { return lattice[static_cast<std::size_t>(j) * 17 + i]; };
    const int top = at(cx, cy) * (16 - fx) + at(cx + 1, cy) * fx;
    const int bottom = at(cx, cy + 1) * (16 - fx) + at(cx + 1, cy + 1) * fx;
    return (top * (16 - fy) + bottom * fy) / 256;
}

// A few cones on a flat plain, one of them cut off by the edge.
int peaks(int x, int y)
{
    constexpr int cones[][3] = {{60, 70, 200}, {180, 150, 255}, {250, 20, 120}, {128, 240, 90}};
    int h = 0;
    for (const auto& c : cones) {
        const int d = std::abs(x - c[0]) + std::abs(y - c[1]);
        h = std::max(h, c[2] - 3 * d);
    }
    return h;
}

enum class Scene { Hills, Noise, Peaks };
constexpr std::array<const char*, 3> kSceneNames = {"hills", "noise", "peaks"};

Workspace makeScene(Scene scene)
{
    Workspace ws;
    Picture height = ws.heightPicture();
    Random r{0x9e3779b9u + static_cast<std::uint32_t>(scene)};
    std::array<int, 17 * 17> lattice{};
    for (int& v : lattice) v = r.byte();
    for (int y = 0; y < height.height(); ++y)
        for (int x = 0; x < height.width(); ++x) {
            int h = 0;
            switch (scene) {
            case Scene::Hills: h = hills(x, y, lattice); break;
            case Scene::Noise: h = r.byte(); break;
            case Scene::Peaks: h = peaks(x, y); break;
            }
            height.setPixel(x, y, compose(h, (h * 7) & 255, 255 - h)); // only red is a height
        }
    ws.setHeightPicture(height);
    fillRandom(ws.picture(Slot::Grass), 11 + static_cast<std::uint32_t>(scene));
    fillRandom(ws.picture(Slot::Stone), 23 + static_cast<std::uint32_t>(scene));
    fillRandom(ws.picture(Slot::Detail), 37 + static_cast<std::uint32_t>(scene));
    return ws;
}

void addPicture(Sha256& h, const Picture& p)
{
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) {
            const std::uint32_t v = static_cast<std::uint32_t>(p.at(x, y));
            const std::uint8_t le[4] = {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
            h.add(le, 4);
        }
}

std::string pictureDigest(const Picture& p)
{
    Sha256 h;
    addPicture(h, p);
    return h.hex();
}

// The view grids, sample by sample in index order: heights, the three
// colour grids as float bits (little-endian), then the three detail grids.
std::string gridDigest(const ViewGrids& ws, int width)
{
    Sha256 h;
    const int n = width + 1;
    auto addFloat = [&](float f) {
        std::uint32_t v;
        std::memcpy(&v, &f, 4);
        const std::uint8_t le[4] = {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
        h.add(le, 4);
    };
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) addFloat(ws.HeightMap(x, y));
    for (auto get : {&ViewGrids::ColorMapR, &ViewGrids::ColorMapG, &ViewGrids::ColorMapB})
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) addFloat((ws.*get)(x, y));
    for (auto get : {&ViewGrids::ColorMap2R, &ViewGrids::ColorMap2G, &ViewGrids::ColorMap2B})
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) {
                const std::uint8_t v = (ws.*get)(x, y);
                h.add(&v, 1);
            }
    return h.hex();
}

struct Sun {
    const char* x;
    const char* y;
};
// Inside, on a corner, on an edge, half-way between pixels, and outside on
// several sides, near and far.
constexpr std::array<Sun, 7> kSuns = {
    {{"100", "80"}, {"0", "0"}, {"255", "128"}, {"127.5", "64.5"}, {"-300", "-200"}, {"600", "40"}, {"-3000", "5000"}}};

// Whole, fractional (halves included), zero, negative and huge.
constexpr std::array<const char*, 13> kDecays = {"5",    "0",   "1",    "0.5", "2.5",  "-1",  "-3",
                                                 "10",   "0.3", "100",  "7.25", "-0.5", "1e6"};

constexpr std::array<BlendMode, 4> kBlends = {BlendMode::Half, BlendMode::Multiply, BlendMode::MultiplyHalf,
                                              BlendMode::Multiply3};

} // namespace

void goldenRuns(const std::function<void(const RunDigest&)>& out)
{
    SilentReporter quiet;
    int run = 0;
    for (int s = 0; s < 3; ++s) {
        const std::string scene = kSceneNames[static_cast<std::size_t>(s)];
        Workspace ws = makeScene(static_cast<Scene>(s));

        for (int contrast : {0, 37, 100}) {
            for (int synthesis = 1; synthesis <= 2; ++synthesis) {
                Workspace t = ws;
                if (synthesis == 1) makeTexture(t, contrast, quiet);
                else makeTexture2(t, contrast, quiet);
                out({scene + " texture" + std::to_string(synthesis) + " contrast" + std::to_string(contrast),
                     "texture=" + pictureDigest(t.picture(Slot::Texture))});
            }
        }
        if (s == 1) makeTexture2(ws, 60, quiet);
        else makeTexture(ws, s == 0 ? 25 : 80, quiet);

        // Every sweep of the operation table, so a new one is pinned too.
        for (const OperationRow* mode : sweepRows()) {
            for (std::size_t sun = 0; sun < kSuns.size(); ++sun) {
                // Shades build up over the decays of one sun, as they do
                // when a user tries one decay after another.
                clearShadow(ws);
                for (const char* decay : kDecays) {
                    Controls c;
                    c.x0 = kSuns[sun].x;
                    c.y0 = kSuns[sun].y;
                    c.alt = decay;
                    c.darkness = (run * 37 + 11) % 256;
                    c.blur = run % 2 == 0;
                    c.blend = kBlends[static_cast<std::size_t>(run / 2) % kBlends.size()];
                    ++run;
                    if (runShadowButton(ws, *mode->shadow, c, parseCNumber, quiet))
                        out({"refused", "a golden run was refused"});
                    const ViewGrids grids = CalculateMaps(ws, quiet);
                    out({scene + " " + std::string(mode->name) + " sun" + std::to_string(sun) + " decay" + decay,
                         "shadow=" + pictureDigest(ws.picture(Slot::Shadow)) + " colour="
                             + pictureDigest(ws.picture(Slot::Colour)) + " grids=" + gridDigest(grids, ws.width())});
                }
            }
        }
    }
}

} // namespace gloamery::testing
