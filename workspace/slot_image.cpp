#include "slot_image.h"

#include "parallel.h"

#include <algorithm>

namespace gloamery {

Colour SlotView::pixel(int x, int y) const
{
    if (static_cast<unsigned>(x) >= static_cast<unsigned>(width_) || static_cast<unsigned>(y) >= static_cast<unsigned>(height_))
        return -1;
    if (greys_) return grey((*greys_)(x, y));
    const int gw = given_->width(), gh = given_->height();
    if (gw == 0 || gh == 0) return background_;
    if (repeat_) return given_->at(x % gw, y % gh);
    return x < gw && y < gh ? given_->at(x, y) : background_;
}

const Colour* SlotView::span(int x0, int y, int n, Colour* scratch) const
{
    if (greys_) {
        const std::uint8_t* g = greys_->row(y) + x0;
        for (int i = 0; i < n; ++i) scratch[i] = grey(g[i]);
        return scratch;
    }
    const int gw = given_->width(), gh = given_->height();
    if (gw == 0 || gh == 0 || (!repeat_ && y >= gh)) {
        std::fill_n(scratch, n, background_);
        return scratch;
    }
    const Colour* row = given_->data() + static_cast<std::size_t>(repeat_ ? y % gh : y) * static_cast<std::size_t>(gw);
    if (x0 + n <= gw) return row + x0;
    if (!repeat_) {
        const int inside = std::max(0, gw - x0);
        std::copy_n(row + x0, inside, scratch);
        std::fill_n(scratch + inside, n - inside, background_);
        return scratch;
    }
    // Whole runs of the given row after the first part.
    int done = 0;
    for (int x = x0 % gw; done < n; x = 0) {
        const int part = std::min(gw - x, n - done);
        std::copy_n(row + x, part, scratch + done);
        done += part;
    }
    return scratch;
}

namespace {

// p's top-left w x h, or p itself when it is no larger.
Picture croppedTo(Picture p, int w, int h)
{
    if (p.width() <= w && p.height() <= h) return p;
    const int cw = std::min(p.width(), w), ch = std::min(p.height(), h);
    Picture out(p.background(), cw, ch);
    for (int y = 0; y < ch; ++y) std::copy_n(p.data() + static_cast<std::size_t>(y) * p.width(), cw, out.data() + static_cast<std::size_t>(y) * cw);
    return out;
}

} // namespace

SlotImage::SlotImage(Colour background, int w, int h)
    : given_(std::make_shared<Picture>(background, 0, 0)), repeat_(false), width_(w), height_(h), background_(background)
{
}

SlotImage::SlotImage(Picture given, int w, int h, bool repeat)
    : given_(std::make_shared<Picture>(croppedTo(std::move(given), w, h))), repeat_(repeat), width_(w), height_(h),
      background_(given_->background())
{
    if (whole()) repeat_ = false;
}

Picture SlotImage::expanded() const
{
    if (!greys_ && (given_->width() == 0 || given_->height() == 0)) return Picture(background_, width_, height_);
    if (greys_ || !whole()) {
        Picture out(background_, width_, height_);
        const SlotView v = view();
        forEachRow(height_, static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), [&](int y) {
            Colour* row = out.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
            const Colour* from = v.span(0, y, width_, row);
            if (from != row) std::copy_n(from, width_, row);
        });
        return out;
    }
    return *given_;
}

namespace {

// Exactly a grey, as a byte a pixel gives it back.
bool isGrey(Colour c) { return c == grey(red(c)); }

} // namespace

ByteGrid* SlotImage::editableGreys()
{
    if (greys_) {
        if (greys_.use_count() > 1) greys_ = std::make_shared<ByteGrid>(*greys_);
        return greys_.get();
    }
    const int gw = given_->width(), gh = given_->height();
    const bool empty = gw == 0 || gh == 0;
    if (!(empty || whole()) || !isGrey(background_)) return nullptr;
    const Colour* pixels = given_->data();
    if (!std::all_of(pixels, pixels + static_cast<std::size_t>(gw) * static_cast<std::size_t>(gh), isGrey)) return nullptr;
    auto greys = std::make_shared<ByteGrid>(width_, height_, static_cast<std::uint8_t>(red(-1)));
    forEachRow(height_, static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), [&](int y) {
        std::uint8_t* out = greys->row(y);
        if (empty) std::fill_n(out, width_, static_cast<std::uint8_t>(red(background_)));
        else {
            const Colour* in = pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_); // whole: the map's rows
            for (int x = 0; x < width_; ++x) out[x] = static_cast<std::uint8_t>(red(in[x]));
        }
    });
    greys_ = std::move(greys);
    given_ = std::make_shared<Picture>(background_, 0, 0);
    repeat_ = false;
    return greys_.get();
}

SlotImage SlotImage::resized(int w, int h) const
{
    if (greys_) return SlotImage(expanded(), width_, height_, false).resized(w, h);
    const int gw = given_->width(), gh = given_->height();
    if (gw == 0 || gh == 0) return SlotImage(background_, w, h);
    // A picture that already repeats with a period dividing the map's
    // sides goes on repeating as it was.
    if ((repeat_ || whole()) && width_ % gw == 0 && height_ % gh == 0) {
        if (gw > w || gh > h) return SlotImage(*given_, w, h, true);
        SlotImage out = *this; // shares the pixels
        out.repeat_ = !(gw == w && gh == h);
        out.width_ = w;
        out.height_ = h;
        return out;
    }
    return SlotImage(expanded(), w, h, true);
}

Picture& SlotImage::editable()
{
    if (greys_ || !whole()) {
        given_ = std::make_shared<Picture>(expanded());
        greys_.reset();
    }
    else if (given_.use_count() > 1) given_ = std::make_shared<Picture>(*given_);
    repeat_ = false;
    return *given_;
}

Picture& SlotImage::overwritable()
{
    if (greys_ || !whole() || given_.use_count() > 1) {
        given_ = std::make_shared<Picture>(Picture::unfilled(background_, width_, height_));
        greys_.reset();
    }
    repeat_ = false;
    return *given_;
}

std::size_t SlotImage::bytes() const
{
    if (greys_) return static_cast<std::size_t>(greys_->stride()) * static_cast<std::size_t>(greys_->rows());
    return static_cast<std::size_t>(given_->width()) * static_cast<std::size_t>(given_->height()) * sizeof(Colour);
}

} // namespace gloamery
