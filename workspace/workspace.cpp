#include "workspace.h"

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
    if (side < 1 || side > kMaxMapSize) throw std::invalid_argument("map side outside 1..16384");
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
    width_ = w;
    height_ = h;
    // A grid of -1 x -1 points: empty, so every read throws until rebuilt.
    heightMap_ = FloatGrid(-1, -1);
    for (auto& g : colorMap_) g = FloatGrid(-1, -1);
    for (auto& g : colorMap2_) g = ByteGrid(-1, -1);
}

void clearShadow(Workspace& ws)
{
    ws.picture(Slot::Shadow).clear();
    ws.picture(Slot::Work).clear();
}

} // namespace gloamery
