#include "workspace.h"

#include "parallel.h"

#include <algorithm>
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

SlotImage makeSlot(Slot s, int w, int h)
{
    if (s == Slot::Work) return SlotImage(slotBackground(s), kWorkSize, kWorkSize);
    return SlotImage(slotBackground(s), w, h);
}

int checkedSide(int side)
{
    if (side < 1 || side > kMaxHeldSize) throw std::invalid_argument("map side outside 1..16386");
    return side;
}

} // namespace

Workspace::Workspace(int width, int height)
    : width_(checkedSide(width)), height_(checkedSide(height)),
      images_{SlotImage(slotBackground(Slot::Height), 0, 0), makeSlot(Slot::Work, width, height),
                makeSlot(Slot::Shadow, width, height), makeSlot(Slot::Colour, width, height),
                makeSlot(Slot::Grass, width, height), makeSlot(Slot::Stone, width, height),
                makeSlot(Slot::Texture, width, height), makeSlot(Slot::Detail, width, height)},
      heights_(slotBackground(Slot::Height), width, height)
{
}

Picture& Workspace::picture(Slot s)
{
    const std::size_t i = checkedPicture(s);
    shown_[i].reset();
    return images_[i].editable();
}

Picture& Workspace::overwritable(Slot s)
{
    const std::size_t i = checkedPicture(s);
    shown_[i].reset();
    return images_[i].overwritable();
}

ByteGrid* Workspace::greys(Slot s)
{
    const std::size_t i = checkedPicture(s);
    shown_[i].reset();
    return images_[i].editableGreys();
}

const Picture& Workspace::picture(Slot s) const
{
    const std::size_t i = checkedPicture(s);
    if (images_[i].whole()) return images_[i].given();
    const std::lock_guard<std::mutex> lock(shownLock_.m);
    if (!shown_[i]) shown_[i] = std::make_shared<const Picture>(images_[i].expanded());
    return *shown_[i];
}

void Workspace::setImage(Slot s, SlotImage image)
{
    const std::size_t i = checkedPicture(s);
    const bool work = s == Slot::Work;
    if (image.width() != (work ? kWorkSize : width_) || image.height() != (work ? kWorkSize : height_))
        throw std::invalid_argument("a slot image of another size than its slot");
    images_[i] = std::move(image);
    shown_[i].reset();
}

std::size_t Workspace::checkedPicture(Slot s)
{
    if (s == Slot::Height) throw std::logic_error("the height slot holds samples: its picture is heightPicture()");
    return static_cast<std::size_t>(s);
}

void Workspace::resize(int w, int h)
{
    checkedSide(w);
    checkedSide(h);
    for (int i = 0; i < kSlotCount; ++i) {
        const Slot s = static_cast<Slot>(i);
        if (s == Slot::Height) continue;
        SlotImage& image = images_[static_cast<std::size_t>(i)];
        image = isInputSlot(s) ? image.resized(w, h) : makeSlot(s, w, h);
        shown_[static_cast<std::size_t>(i)].reset();
    }
    heights_ = heights_.tiled(w, h);
    splat_.reset();
    width_ = w;
    height_ = h;
    layer_.reset();
}

void Workspace::setLayer(SharedLayer layer)
{
    if (layer && (layer->width != width_ || layer->height != height_ ||
                  layer->values.size() != static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_)))
        throw std::invalid_argument("a layer of another size than the map's");
    layer_ = std::move(layer);
}

void Workspace::setDeepHeights(const HeightSamples& samples, bool tile)
{
    heights_ = HeightSlot::ofSamples(samples, slotBackground(Slot::Height), width_, height_, tile);
}

double bytesForMap(int w, int h, int threads)
{
    const double pixels = static_cast<double>(w) * static_cast<double>(h);
    const double perPixel = 2.0 + 3.0 * sizeof(Colour) + 2.0;
    return perPixel * pixels + std::min(4.0 * 1024 * 1024 * 1024, std::max(2, threads) * sizeof(Colour) * pixels);
}

Picture slotPicture(const Workspace& ws, Slot s) { return s == Slot::Height ? ws.heightPicture() : ws.picture(s); }

void setSlotPicture(Workspace& ws, Slot s, const Picture& p)
{
    if (s == Slot::Height) ws.setHeightPicture(p);
    else ws.picture(s) = p;
}

bool heightsAreDeep(const Workspace& ws) { return ws.deepHeights(); }

HeightGrid readHeights(const Workspace& ws) { return ws.heights().grid(); }

void clearShadow(Workspace& ws)
{
    // Back to nothing but the background: no pixels held.
    for (Slot s : {Slot::Shadow, Slot::Work}) ws.setImage(s, SlotImage(slotBackground(s), ws.image(s).width(), ws.image(s).height()));
}

} // namespace gloamery
