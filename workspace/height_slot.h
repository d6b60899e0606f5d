#pragma once
// The height slot: its samples, kept once at the depth they came at (8 or
// 16 bits a sample), in the grid the runs read. The picture the panel
// shows and the savers write is made from them when asked: each sample's
// grey, 8-bit samples as they are, deep ones as nearest(v / 257).
//
// A picture of colour placed in the slot keeps its colour, as it is shown
// and saved in colour: its green and blue bytes are kept beside the
// samples ("rest"), only while some pixel is not grey.

#include "heights.h"
#include "picture.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace gloamery {

class HeightSlot {
public:
    // w x h samples, every one the background's red byte (its colour).
    HeightSlot(Colour background, int w, int h);

    // A picture's pixels as 8-bit heights (their red bytes), at the
    // picture's size.
    static HeightSlot ofPicture(const Picture& p);
    // A w x h slot from a picture of another size: p at the top-left,
    // cropped, the background elsewhere, or with tile, p repeated from the
    // top-left.
    static HeightSlot placed(const Picture& p, int w, int h, bool tile);
    // Deep samples over a w x h map: at the top-left, cropped, the
    // uncovered ones 257 times the background's red byte, or with tile,
    // repeated from the top-left.
    static HeightSlot ofSamples(const HeightSamples& s, Colour background, int w, int h, bool tile);

    int width() const { return width_; }
    int height() const { return height_; }
    Colour background() const { return background_; }
    bool deep() const { return grid_.deep(); }

    // The samples as the runs read them, shared: no copy.
    const HeightGrid& grid() const { return grid_; }

    // The picture shown and saved.
    Picture picture() const;
    // Row y of that picture into out (width() pixels), with no picture made.
    void pictureRow(int y, Colour* out) const;
    // A copy of the deep samples, row-major (0 x 0 when 8-bit), for saving.
    HeightSamples deepSamples() const;

    // This slot repeated from the top-left over w x h, at its depth.
    HeightSlot tiled(int w, int h) const;
    // The same picture with 8-bit samples: what it shows.
    HeightSlot shallow() const;
    // The picture p in place of this one: when the slot is deep and p
    // shows the same samples (the same size, red bytes nearest(v / 257)),
    // the deep samples stay, as the picture is only their face; otherwise
    // 8-bit samples from p.
    HeightSlot replacedBy(const Picture& p) const;

    // Whether both hold the same samples at the same depth and show the
    // same picture.
    bool operator==(const HeightSlot& o) const;
    // Whether both share their buffers (a copy of one another).
    bool sharesWith(const HeightSlot& o) const { return grid_.sameBuffer(o.grid_) && rest_ == o.rest_; }
    // The samples' buffer, telling shared slots apart.
    const void* buffer() const { return grid_.visit([](const auto& g) -> const void* { return &g; }); }
    // The bytes the buffers take.
    std::size_t bytes() const;

private:
    friend class HeightRows; // fills a slot a row at a time (height_rows.h)
    HeightSlot(HeightGrid grid, std::shared_ptr<const std::vector<Colour>> rest, Colour background);

    // A pixel's bytes other than red, kept where some pixel is not grey.
    static std::shared_ptr<const std::vector<Colour>> restOf(const Picture& p);
    std::uint8_t shown(int x, int y) const;

    HeightGrid grid_;
    std::shared_ptr<const std::vector<Colour>> rest_; // per pixel, row-major; null when every pixel is grey
    Colour background_;
    int width_;
    int height_;
};

} // namespace gloamery
