#include "workspace.h"

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

namespace {
Picture makeSlot(Slot s)
{
    constexpr int kWorkSize = 20; // the small work picture
    const int size = s == Slot::Work ? kWorkSize : Picture::kSize;
    return Picture(slotBackground(s), size, size);
}
} // namespace

Workspace::Workspace()
    : pictures_{makeSlot(Slot::Height), makeSlot(Slot::Work), makeSlot(Slot::Shadow), makeSlot(Slot::Colour),
                makeSlot(Slot::Grass), makeSlot(Slot::Stone), makeSlot(Slot::Texture), makeSlot(Slot::Detail)}
{
}

void clearShadow(Workspace& ws)
{
    ws.picture(Slot::Shadow).clear();
    ws.picture(Slot::Work).clear();
}

} // namespace gloamery
