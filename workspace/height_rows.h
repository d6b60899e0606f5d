#pragma once
// A height slot filled a row at a time, as a file is decoded: the picture
// at the top-left of the map (the background elsewhere) or repeated from
// the top-left, straight into the samples, so a load never holds the
// picture whole besides them. What it makes equals HeightSlot::placed (of
// the picture the rows make) and HeightSlot::ofSamples (of deep rows).

#include "height_slot.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace gloamery {

class HeightRows {
public:
    // For a pw x ph picture over a w x h map; deep: the rows are 16-bit
    // samples, else 8-bit grey or colour.
    HeightRows(Colour background, int pw, int ph, int w, int h, bool tile, bool deep);

    // Row y of the picture (pw values), each row once, top to bottom.
    void grey(int y, const std::uint8_t* row);
    void colour(int y, const Colour* row);
    void deep(int y, const std::uint16_t* row);

    // The slot, once every row is in.
    HeightSlot finish();

private:
    template <class Sample>
    void put(MapGrid<Sample>& g, int y, const Sample* row, Sample fill);
    // Row y's rest from the samples written: every pixel grey so far.
    void restFromBytes(int y);
    void startRest(int upTo);

    Colour background_;
    int pw_, ph_, w_, h_;
    bool tile_;
    std::shared_ptr<ByteGrid> bytes_;
    std::shared_ptr<DeepGrid> deep_;
    std::shared_ptr<std::vector<Colour>> rest_; // made at the first pixel that is not grey
    std::vector<std::uint8_t> reds_;            // a colour row's red bytes
};

} // namespace gloamery
