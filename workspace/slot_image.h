#pragma once
// How a slot keeps its picture: the picture given to it (loaded, pasted or
// computed) and the rule that spreads it over the map, W x H: placed at
// the top-left with the background elsewhere, or repeated from the
// top-left. A slot nothing has been put in holds no pixels at all, and a
// small picture repeated over a large map holds only its own; reading
// through the rule gives exactly what the expanded picture would hold.
//
// A map of greys (the shadow map) is kept as one byte a pixel instead: a
// grid of the map's grid points whose outside row and column hold 255,
// the red byte a read outside a picture gives, so it is also the light
// plane the merge reads.

#include "map_grid.h"
#include "picture.h"

#include <cstddef>
#include <memory>

namespace gloamery {

// A slot's picture read through its rule, without a copy. Made from a
// bare picture, it is that picture, outside reads giving -1.
class SlotView {
public:
    SlotView(const Picture& whole)
        : given_(&whole), repeat_(false), width_(whole.width()), height_(whole.height()), background_(-1)
    {
    }
    SlotView(const Picture& given, bool repeat, int w, int h, Colour background)
        : given_(&given), repeat_(repeat), width_(w), height_(h), background_(background)
    {
    }
    // A map of greys.
    SlotView(const Picture& empty, const ByteGrid& greys)
        : given_(&empty), greys_(&greys), repeat_(false), width_(greys.mapWidth()), height_(greys.mapHeight()),
          background_(-1)
    {
    }

    int width() const { return width_; }
    int height() const { return height_; }
    // Whether the given picture is the whole map's: its rows are the map's
    // colour values, as they are (never so for a map of greys).
    bool whole() const { return !greys_ && given_->width() == width_ && given_->height() == height_; }
    // A map of greys' grid, else null.
    const ByteGrid* greys() const { return greys_; }

    // What the map shows at (x, y); -1 outside it, as for a picture.
    Colour pixel(int x, int y) const;
    // The n values from (x0, y) on, all inside the map: a pointer into the
    // given picture where it holds them as they are, else into `scratch`
    // (room for n), filled through the rule.
    const Colour* span(int x0, int y, int n, Colour* scratch) const;

private:
    const Picture* given_;
    const ByteGrid* greys_ = nullptr;
    bool repeat_;
    int width_;
    int height_;
    Colour background_;
};

class SlotImage {
public:
    // w x h of the background, holding no pixels.
    SlotImage(Colour background, int w, int h);
    // given over w x h, placed or repeated; the part of it beyond the map
    // is never shown, and is cropped away.
    SlotImage(Picture given, int w, int h, bool repeat);

    int width() const { return width_; }
    int height() const { return height_; }
    Colour background() const { return background_; }
    bool whole() const { return view().whole(); }
    // The picture given; empty for a map of greys.
    const Picture& given() const { return *given_; }
    SlotView view() const
    {
        return greys_ ? SlotView(*given_, *greys_) : SlotView(*given_, repeat_, width_, height_, background_);
    }

    // The picture of the map's size.
    Picture expanded() const;
    // The map made w x h, what it showed repeated from the top-left: the
    // rule is kept when it gives the same, else the picture is expanded at
    // the old size first.
    SlotImage resized(int w, int h) const;
    // The whole picture to change in place: expanded first if need be, and
    // copied if another slot image shares it.
    Picture& editable();
    // The whole picture for a caller that writes every pixel before it
    // reads any: one left unwritten when the slot holds no whole picture of
    // its own.
    Picture& overwritable();
    // The map's greys to change in place, one byte a pixel, when every
    // pixel it shows is a grey (made so first, and copied if shared); null
    // when some pixel is not, and the whole picture must be written.
    ByteGrid* editableGreys();

    // The bytes its pixels take.
    std::size_t bytes() const;
    bool sharesWith(const SlotImage& o) const { return given_ == o.given_ && greys_ == o.greys_; }

private:
    std::shared_ptr<Picture> given_; // never null; shared by copies until one is edited
    std::shared_ptr<ByteGrid> greys_; // a map of greys, given_ then empty
    bool repeat_;
    int width_;
    int height_;
    Colour background_;
};

} // namespace gloamery
