#pragma once
// Where a ray writes its shades. Every shade a ray writes is a grey, so it
// is written as its level g (red = green = blue = g), either straight into
// a picture, or into a layer of stamped shades that a parallel sweep lays
// over the picture afterwards (see sweep.cpp).

#include "../workspace/picture.h"

#include <cstddef>
#include <cstdint>

namespace gloamery {

class PixelWriter {
public:
    // Straight into the picture's pixels. The size and pixels are taken
    // once: through the picture itself the compiler would read them again
    // after every write, as a colour value might for all it knows be one
    // of them.
    PixelWriter(Picture& p)
        : pixels_(p.data()), w_(static_cast<unsigned>(p.width())), h_(static_cast<unsigned>(p.height()))
    {
    }
    // Into a layer of w x h stamped shades: stamp << 8 | g, kept where it is
    // above what the layer holds, so the latest stamp wins whatever order
    // the writes come in.
    PixelWriter(std::uint32_t* layer, int w, int h, std::uint32_t stamp)
        : layer_(layer), stamp_(stamp << 8), w_(static_cast<unsigned>(w)), h_(static_cast<unsigned>(h))
    {
    }

    // g is 0..255: every rule works its shades out as channel values.
    void setShade(int x, int y, int g) const
    {
        if (static_cast<unsigned>(x) >= w_ || static_cast<unsigned>(y) >= h_) return;
        const std::size_t i = static_cast<std::size_t>(y) * w_ + static_cast<unsigned>(x);
        if (layer_ == nullptr) {
            pixels_[i] = static_cast<Colour>(g) * 0x010101; // grey(g), without clamping what needs none
        } else {
            // A plain maximum, not a branch: which of two rays wrote last
            // is as good as random to the processor's predictor.
            const std::uint32_t v = stamp_ | static_cast<std::uint32_t>(g);
            layer_[i] = v > layer_[i] ? v : layer_[i];
        }
    }

private:
    Colour* pixels_ = nullptr;
    std::uint32_t* layer_ = nullptr;
    std::uint32_t stamp_ = 0;
    unsigned w_;
    unsigned h_;
};

} // namespace gloamery
