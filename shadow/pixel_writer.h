#pragma once
// Where a ray writes its shades: a picture's pixels, or a scratch layer of
// the same size that a parallel sweep lays over it afterwards.

#include "../workspace/picture.h"

#include <cstddef>

namespace gloamery {

// The size and pixels are taken once: through the picture itself the
// compiler would read them again after every write, as a colour value
// might for all it knows be one of them.
class PixelWriter {
public:
    PixelWriter(Picture& p) : PixelWriter(p.data(), p.width(), p.height()) {}
    PixelWriter(Colour* pixels, int w, int h)
        : pixels_(pixels), w_(static_cast<unsigned>(w)), h_(static_cast<unsigned>(h))
    {
    }
    void setPixel(int x, int y, Colour c) const
    {
        if (static_cast<unsigned>(x) < w_ && static_cast<unsigned>(y) < h_)
            pixels_[static_cast<std::size_t>(y) * w_ + static_cast<unsigned>(x)] = c;
    }

private:
    Colour* pixels_;
    unsigned w_;
    unsigned h_;
};

} // namespace gloamery
