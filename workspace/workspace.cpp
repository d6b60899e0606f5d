#include "workspace.h"

#include "parallel.h"

#include <algorithm>
#include <atomic>
#include <stdexcept>

namespace gloamery {

namespace {
constexpr std::array<std::string_view, kSlotCount> kNames = {
    "height", "", "shadow", "colour", "grass", "stone", "texture", "detail"};
}

std::optional<Slot> slotFromName(std::string_view name)
{
    for (int i = 0; i < kSlotCount; ++i)
        if (!kNames[i].empty() && kNames[i] == name) return static_cast<Slot>(i);
    return std::nullopt;
}

std::string_view slotName(Slot s) { return kNames[static_cast<int>(s)]; }

Colour slotBackground(Slot s)
{
    switch (s) {
    case Slot::Shadow:
    case Slot::Texture: return kWhite;
    case Slot::Colour:
    case Slot::Work: return kBlack;
    default: return kInputBackground;
    }
}

bool isInputSlot(Slot s)
{
    return s == Slot::Height || s == Slot::Grass || s == Slot::Stone || s == Slot::Detail;
}

namespace {

constexpr int kWorkSize = 20; // the small work picture, whatever the map's size

Picture makeSlot(Slot s, int w, int h)
{
    if (s == Slot::Work) return Picture(slotBackground(s), kWorkSize, kWorkSize);
    return Picture(slotBackground(s), w, h);
}

int checkedSide(int side)
{
    if (side < 1 || side > kMaxHeldSize) throw std::invalid_argument("map side outside 1..16386");
    return side;
}

} // namespace

Workspace::Workspace(int width, int height)
    : width_(checkedSide(width)), height_(checkedSide(height)),
      pictures_{makeSlot(Slot::Height, width, height), makeSlot(Slot::Work, width, height),
                makeSlot(Slot::Shadow, width, height), makeSlot(Slot::Colour, width, height),
                makeSlot(Slot::Grass, width, height), makeSlot(Slot::Stone, width, height),
                makeSlot(Slot::Texture, width, height), makeSlot(Slot::Detail, width, height)},
      heightMap_(gridCellsFor(width, gridStepFor(width, height)), gridCellsFor(height, gridStepFor(width, height))),
      colorMap_{FloatGrid(heightMap_.mapWidth(), heightMap_.mapHeight()),
                FloatGrid(heightMap_.mapWidth(), heightMap_.mapHeight()),
                FloatGrid(heightMap_.mapWidth(), heightMap_.mapHeight())},
      colorMap2_{ByteGrid(heightMap_.mapWidth(), heightMap_.mapHeight()),
                 ByteGrid(heightMap_.mapWidth(), heightMap_.mapHeight()),
                 ByteGrid(heightMap_.mapWidth(), heightMap_.mapHeight())}
{
}

void Workspace::resize(int w, int h)
{
    checkedSide(w);
    checkedSide(h);
    for (int i = 0; i < kSlotCount; ++i) {
        const Slot s = static_cast<Slot>(i);
        Picture& p = pictures_[static_cast<std::size_t>(i)];
        p = isInputSlot(s) ? tiled(p, w, h) : makeSlot(s, w, h);
    }
    const HeightSamples deep = heightSamples();
    width_ = w;
    height_ = h;
    if (deepHeights()) keepDeepSamples(tiled(deep, w, h));
    // A grid of -1 x -1 points: empty, so every read throws until rebuilt.
    heightMap_ = FloatGrid(-1, -1);
    for (auto& g : colorMap_) g = FloatGrid(-1, -1);
    for (auto& g : colorMap2_) g = ByteGrid(-1, -1);
}

void Workspace::setDeepHeights(const HeightSamples& samples, bool tile)
{
    Picture& p = picture(Slot::Height);
    Picture shown(p.background(), samples.width(), samples.height());
    for (int y = 0; y < samples.height(); ++y)
        for (int x = 0; x < samples.width(); ++x) shown.at(x, y) = grey(shownByte(samples.at(x, y)));
    if (tile) {
        keepDeepSamples(tiled(samples, width_, height_));
        p = tiled(shown, width_, height_);
    } else {
        HeightSamples placed(width_, height_, static_cast<std::uint16_t>(257 * red(p.background())));
        placed.place(samples);
        keepDeepSamples(placed);
        p.place(shown.width(), shown.height(), shown.data());
    }
    deepSetAt_ = heightEdits_; // the picture as it stands now shows them
}

void Workspace::clearDeepHeights() { deepGrid_.reset(); }

HeightSamples Workspace::heightSamples() const
{
    if (!deepGrid_) return {};
    HeightSamples s(width_, height_, std::uint16_t{0});
    for (int y = 0; y < height_; ++y)
        std::copy_n(deepGrid_->row(y), width_, s.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_));
    return s;
}

// The map's samples in the rows the rays read, the outside row and column
// at the top sample.
void Workspace::keepDeepSamples(const HeightSamples& samples)
{
    auto g = std::make_shared<DeepGrid>(width_, height_, static_cast<std::uint16_t>(Depth<std::uint16_t>::kTop),
                                        RowLayout::Padded);
    const std::size_t w = static_cast<std::size_t>(width_);
    forEachRow(height_, w * static_cast<std::size_t>(height_), [&](int y) {
        std::copy_n(samples.data() + static_cast<std::size_t>(y) * w, w, g->row(y));
    });
    deepGrid_ = std::move(g);
}

namespace {

// Whether the picture shows the deep samples: its red bytes are nearest(v / 257).
bool showsSamples(const DeepGrid& g, const Picture& p)
{
    if (g.mapWidth() != p.width() || g.mapHeight() != p.height()) return false;
    const std::uint8_t* shown = shownBytes();
    std::atomic<bool> same{true};
    const std::size_t w = static_cast<std::size_t>(p.width());
    forEachRow(p.height(), w * static_cast<std::size_t>(p.height()), [&](int y) {
        const std::uint16_t* in = g.row(y);
        const Colour* pixels = p.data() + static_cast<std::size_t>(y) * w;
        bool rowSame = true;
        for (std::size_t x = 0; x < w; ++x) rowSame &= red(pixels[x]) == shown[in[x]];
        if (!rowSame) same.store(false, std::memory_order_relaxed);
    });
    return same.load();
}

bool deepSamplesHold(const Workspace& ws)
{
    if (!ws.deepGrid()) return false;
    return !ws.heightPictureTouched() || showsSamples(*ws.deepGrid(), ws.picture(Slot::Height));
}

} // namespace

bool heightsAreDeep(const Workspace& ws) { return deepSamplesHold(ws); }

HeightGrid readHeights(const Workspace& ws)
{
    if (deepSamplesHold(ws)) return HeightGrid(ws.deepGrid());
    return HeightGrid(redGrid(ws.picture(Slot::Height), RowLayout::Padded));
}

void clearShadow(Workspace& ws)
{
    ws.picture(Slot::Shadow).clear();
    ws.picture(Slot::Work).clear();
}

} // namespace gloamery
