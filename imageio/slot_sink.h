#pragma once
// A file's rows straight into what the slot keeps, as placeImage and
// tileImage place an opaque image: the height slot's samples, or for
// another slot one picture at the file's size (cropped to the map), which
// becomes the slot's picture given. Nothing else of the map's size. Every
// decoder that fills a slot hands its rows here: the plain PNG reader and
// the toolkit's readers alike.

#include "native_io.h"
#include "png_codec.h"
#include "workspace/height_rows.h"
#include "workspace/workspace.h"

#include <optional>

namespace gloamery {

class SlotSink final : public PngRowSink {
public:
    // The workspace is read for the map's size and the slot's picture; it
    // changes only at finish.
    SlotSink(const Workspace& ws, Slot slot, bool tile) : ws_(ws), slot_(slot), tile_(tile) {}

    bool start(int width, int height, PngRowKind kind) override;
    void grey(int y, const std::uint8_t* row) override;
    void deep(int y, const std::uint16_t* row) override;
    void colour(int y, const Colour* row) override;

    // Puts what the rows made in the slot.
    LoadedFile finish(Workspace& ws);

private:
    Colour* pictureRow(int y);

    const Workspace& ws_;
    Slot slot_;
    bool tile_;
    int width_ = 0;
    int height_ = 0;
    std::optional<HeightRows> heights_;
    std::optional<Picture> picture_;
};

} // namespace gloamery
