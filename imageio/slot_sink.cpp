#include "slot_sink.h"

#include <algorithm>

namespace gloamery {

bool SlotSink::start(int width, int height, PngRowKind kind)
{
    width_ = width;
    height_ = height;
    if (slot_ == Slot::Height) {
        const bool deep = kind == PngRowKind::Deep;
        heights_.emplace(slotBackground(slot_), width, height, ws_.width(), ws_.height(), tile_, deep);
        return true;
    }
    const SlotImage& now = ws_.image(slot_);
    picture_.emplace(now.background(), std::min(width, now.width()), std::min(height, now.height()));
    return true;
}

void SlotSink::grey(int y, const std::uint8_t* row)
{
    if (heights_) return heights_->grey(y, row);
    if (Colour* out = pictureRow(y))
        for (int x = 0; x < picture_->width(); ++x) out[x] = gloamery::grey(row[x]);
}

void SlotSink::deep(int y, const std::uint16_t* row)
{
    if (heights_) return heights_->deep(y, row);
    if (Colour* out = pictureRow(y))
        for (int x = 0; x < picture_->width(); ++x) out[x] = gloamery::grey(shownByte(row[x]));
}

void SlotSink::colour(int y, const Colour* row)
{
    if (heights_) return heights_->colour(y, row);
    if (Colour* out = pictureRow(y)) std::copy_n(row, picture_->width(), out);
}

LoadedFile SlotSink::finish(Workspace& ws)
{
    if (heights_) ws.setHeights(heights_->finish());
    else ws.setImage(slot_, SlotImage(std::move(*picture_), ws.image(slot_).width(), ws.image(slot_).height(), tile_));
    return LoadedFile{width_, height_, {}, {}};
}

Colour* SlotSink::pictureRow(int y)
{
    if (y >= picture_->height()) return nullptr;
    return picture_->data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(picture_->width());
}

} // namespace gloamery
