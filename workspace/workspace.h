#pragma once
// The state every computation works on: the eight slots, all but the small
// work picture of the map's size W x H. The height slot holds samples, the
// others colour pictures.

#include "height_slot.h"
#include "heights.h"
#include "map_grid.h"
#include "picture.h"
#include "slot_image.h"
#include "value_layer.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>

namespace gloamery {

// Picture1 .. Picture8, in that order.
enum class Slot { Height, Work, Shadow, Colour, Grass, Stone, Texture, Detail };
constexpr int kSlotCount = 8;

// The batch tool's and the tests' name of a slot ("height", "shadow", ...);
// the work picture has none.
std::optional<Slot> slotFromName(std::string_view name);
std::string_view slotName(Slot s);

// The background that shows where no image covers a slot, and that
// clearing restores.
Colour slotBackground(Slot s);

// Map sides run 1..kMaxMapSize.
constexpr int kMaxMapSize = 16384;
constexpr bool validMapSize(long long w, long long h) { return w >= 1 && h >= 1 && w <= kMaxMapSize && h <= kMaxMapSize; }
// A workspace may hold a little more: a region of a world of the largest
// map size, with the ring of pixels around it that the blur reads.
constexpr int kMaxHeldSize = kMaxMapSize + 2;

// The 3D view draws at most this many grid cells along a side: on software
// GL such a mesh takes about the 256 x 256 map's frame time, one with
// twice as many cells a side three times that. A larger map's grids sample
// every step-th pixel (gridStepFor), so they hold no more points than the
// view draws.
constexpr int kMaxViewGridCells = 256;
constexpr int gridStepFor(int w, int h)
{
    const int side = w > h ? w : h;
    return side <= kMaxViewGridCells ? 1 : (side + kMaxViewGridCells - 1) / kMaxViewGridCells;
}
// Cells along a side of `side` pixels sampled every `step`: the last cell
// is shorter when the step does not divide the side.
constexpr int gridCellsFor(int side, int step) { return (side + step - 1) / step; }

// About the memory a W x H map takes at its fullest, in bytes: deep
// heights, the shadow, colour and texture maps, the merge's two light
// planes, and the shadow sweep's layers of up to a map's size a thread
// (4 GiB at most). The pictures given to the input slots are kept at their
// own size and not counted.
double bytesForMap(int w, int h, int threads);

// Row y of the stone weights the last texture run mixed grass and stone
// by, as a splat map's R, G, B, A channels (4 W of them; see
// compose/texture.h), from any thread.
using SplatRows = std::function<void(int y, std::uint16_t* out)>;

class Workspace {
public:
    // Every slot at its background. Sides outside 1..kMaxHeldSize throw
    // std::invalid_argument: callers check sizes they are given.
    explicit Workspace(int width = kDefaultMapSize, int height = kDefaultMapSize);

    int width() const { return width_; }
    int height() const { return height_; }

    // Makes the map w x h, every slot with it: the input slots (height,
    // grass, stone, detail) repeat their current picture from the
    // top-left, the computed ones (shadow, colour, texture) and the work
    // picture start afresh.
    void resize(int w, int h);

    // The height slot: its samples, once, at their depth (see HeightSlot).
    const HeightSlot& heights() const { return heights_; }
    // Puts back a height slot this workspace held (an undo), or any of the
    // map's size: its buffers are shared, not copied.
    void setHeights(HeightSlot heights) { heights_ = std::move(heights); }
    bool deepHeights() const { return heights_.deep(); }
    // A copy of the deep samples, W x H (0 x 0 for an 8-bit map), for saving.
    HeightSamples heightSamples() const { return heights_.deepSamples(); }
    // Makes the height map deep: the samples at the top-left, cropped, the
    // uncovered ones 257 times the red byte of the slot's background (or,
    // with tile, repeated from the top-left). The height picture shows
    // each sample as the grey nearest(v / 257).
    void setDeepHeights(const HeightSamples& samples, bool tile = false);
    // The heights at 8 bits: the grey the deep samples showed.
    void clearDeepHeights() { heights_ = heights_.shallow(); }

    // The height picture, made from the samples: what is shown and saved.
    Picture heightPicture() const { return heights_.picture(); }
    // A picture's pixels as the 8-bit heights (a picture loaded or pasted):
    // p at the top-left, cropped, the background elsewhere, or with tile,
    // repeated from the top-left.
    void setHeightPicture(const Picture& p, bool tile = false)
    {
        heights_ = HeightSlot::placed(p, width_, height_, tile);
    }
    // Edits the heights as a picture: f changes the picture shown, whose
    // pixels become the heights. Deep samples stay while the picture still
    // shows them.
    template <class F>
    void editHeightPicture(F&& f)
    {
        Picture p = heightPicture();
        f(p);
        heights_ = heights_.replacedBy(p);
    }

    // Every slot's picture but the height map's, which holds samples and
    // has its picture made when asked (heightPicture): asking for it here
    // is a caller's bug and throws std::logic_error. A slot keeps its
    // picture compact (see SlotImage): the picture given for writing is
    // the whole map's, made so first; the one given for reading is made
    // once and kept beside it until the slot changes. Computations read
    // through image(s) instead, which makes nothing.
    Picture& picture(Slot s);
    const Picture& picture(Slot s) const;
    // The picture to write whole, every pixel before any is read (see
    // SlotImage::overwritable).
    Picture& overwritable(Slot s);
    // The slot's greys to write in place, one byte a pixel, while every
    // pixel it shows is a grey; null when some pixel is not (see
    // SlotImage::editableGreys), and picture(s) is then written instead.
    ByteGrid* greys(Slot s);
    // The slot as it is kept.
    const SlotImage& image(Slot s) const { return images_[checkedPicture(s)]; }
    // Puts a slot image of the map's size (of the work picture's, for it)
    // in a slot: no copy of its pixels.
    void setImage(Slot s, SlotImage image);

    // The map's real-valued layer (sky-view factor, openness, ...), or
    // null when none has been made since the map took its size.
    const ValueLayer* layer() const { return layer_.get(); }
    const SharedLayer& sharedLayer() const { return layer_; }
    // A layer of the map's size; setLayer of one of another size throws
    // std::invalid_argument.
    void setLayer(SharedLayer layer);
    void clearLayer() { layer_.reset(); }
    // The weights of the texture button that ran last, with the heights it
    // read (kept while they are, even once the height map changes); null
    // before one has run and after a resize, which starts the texture map
    // afresh.
    const std::shared_ptr<const SplatRows>& splatRows() const { return splat_; }
    void setSplatRows(SplatRows rows) { splat_ = std::make_shared<const SplatRows>(std::move(rows)); }
    // The weights another workspace kept (an undo's snapshot), or none.
    void setSplatRows(std::shared_ptr<const SplatRows> rows) { splat_ = std::move(rows); }

private:
    static std::size_t checkedPicture(Slot s);

    // Copies of a workspace make their own lock.
    struct ShownLock {
        std::mutex m;
        ShownLock() = default;
        ShownLock(const ShownLock&) {}
        ShownLock& operator=(const ShownLock&) { return *this; }
    };

    int width_;
    int height_;
    std::array<SlotImage, kSlotCount> images_; // the height slot's stays empty
    // Slots made whole for reading, where their images are not.
    mutable std::array<std::shared_ptr<const Picture>, kSlotCount> shown_;
    mutable ShownLock shownLock_;
    HeightSlot heights_;
    SharedLayer layer_;
    std::shared_ptr<const SplatRows> splat_;
};

// A copy of a slot's picture, the height map's made from its samples.
Picture slotPicture(const Workspace& ws, Slot s);
// Puts a picture in a slot: the height slot takes its pixels as 8-bit
// heights (setHeightPicture).
void setSlotPicture(Workspace& ws, Slot s, const Picture& p);
// f(the slot's picture) without a copy: the height map's is made from its
// samples for the call.
template <class F>
decltype(auto) withSlotPicture(const Workspace& ws, Slot s, F&& f)
{
    if (s == Slot::Height) return f(static_cast<const Picture&>(ws.heightPicture()));
    return f(ws.picture(s));
}

// The heights every computation reads, of either depth, shared with the
// workspace: no copy. The outside column and row hold the top sample (255
// or 65535).
HeightGrid readHeights(const Workspace& ws);
// Whether readHeights gives the deep samples.
bool heightsAreDeep(const Workspace& ws);

// Whether a slot is computed by the buttons (shadow, colour, texture) or
// given by the user (height, grass, stone, detail).
bool isInputSlot(Slot s);

// The "Clear" button: empties the shadow map, then the work picture.
void clearShadow(Workspace& ws);

} // namespace gloamery
