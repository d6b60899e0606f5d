#pragma once
// A region of a world and the pictures a region's run holds: the region
// with the ring of pixels around it that the blur reads, the world's input
// pictures seen through it, and the region cut back out for saving.

#include "picture.h"
#include "window_grid.h"

#include <functional>

namespace gloamery {

// The box a run over a region of a W x H world holds: the region and one
// pixel around it, within the world.
WorldRegion heldBox(int worldWidth, int worldHeight, const Rect& region);

// The part of a world picture the box holds: p repeated across the world
// from its origin (repeat), or p at the world's top-left with its
// background beyond.
Picture windowOf(const Picture& p, const WorldRegion& held, bool repeat);

// The w x h pixels of p from (x, y), which lie within it.
Picture cropped(const Picture& p, int x, int y, int w, int h);

// Heights from a function of the world's points (the outside column and
// row hold the top sample): a picture repeated across the world, or a grid
// held whole (in the tests).
class SampledHeights : public HeightSource {
public:
    using Sample = std::function<int(int x, int y)>;
    SampledHeights(int worldWidth, int worldHeight, bool deep, Sample sample)
        : width_(worldWidth), height_(worldHeight), deep_(deep), sample_(std::move(sample))
    {
    }
    bool deep() const override { return deep_; }
    std::variant<HeightWindow, Error> read(const std::vector<Rect>& bands) const override;

private:
    int width_;
    int height_;
    bool deep_;
    Sample sample_;
};

} // namespace gloamery
