#pragma once
// The layers of a stamped sweep (see sweep.cpp): its rays cut into pieces,
// a layer each, within a memory budget, and the layers folded into the
// picture.

#include "../workspace/large_buffer.h"
#include "../workspace/picture.h"
#include "pixel_writer.h"
#include "ray.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace gloamery {

// The rays of a stamped sweep side by side, each side in sweep order, with
// the side each is cast to, about how many steps it takes, and the box of
// points it can reach.
struct StampedRays {
    std::vector<StampedRay> rays;
    std::vector<int> sides;
    std::vector<double> steps;
    std::vector<Rect> boxes;
    double total = 0;

    void add(const StampedRay& ray, int side, double raySteps, const Rect& box)
    {
        rays.push_back(ray);
        sides.push_back(side);
        steps.push_back(raySteps);
        boxes.push_back(box);
        total += raySteps;
    }
};

// What the stamped layers of a sweep may take, in 32-bit values, on top of
// the pictures it already holds: enough for two threads' pieces of a
// 16384 x 16384 map, about three pictures' worth with the sun on the map.
constexpr double kLayerBudget = 4.0 * 1024 * 1024 * 1024 / sizeof(std::uint32_t);

// A piece of a stamped sweep: rays first..last of one side, in sweep
// order, the box of grid points they can reach, and the layer over the
// part of each of its rows that they can reach.
struct Piece {
    std::size_t first;
    std::size_t last;
    Rect box;
    std::vector<LayerRow> rows; // one for each row of the box
    ZeroedBlock layer;
    std::vector<std::uint8_t> written; // a flag for each page of the layer a ray wrote into
    double steps = 0; // about how many its rays take
};

// The grid points a ray can reach on the grid of a W x H map. The minor
// coordinate is held within 0..limit at every step, so a ray from outside
// the map may slide along the edge and end up to one side of its target;
// the bounds follow the walk rather than the line, with two points to spare
// for the rounding of the sums.
Rect reachOf(const RayWalk& r, int w, int h);

// Cuts the rays into `runs` runs of about equal steps, one for each
// thread, and a run into pieces where it passes from one side to the
// next; fewer runs (and `runs` says how many) when their boxes would take
// more than the budget.
std::vector<Piece> cutPieces(const StampedRays& all, int& runs);

// The rows of a layer over `box` for rays on the grid of a W x H map: in
// bands of a few rows, the columns any of their steps can take there, with
// two to spare for the rounding of the sums. A piece's rays fan out from
// the sun, or run side by side, across its box: a wedge or a band in it,
// which rows of their own follow where a box held about twice as much.
std::vector<LayerRow> layerRows(const StampedRay* rays, std::size_t count, const Rect& box, int w, int h);

// The values a layer with these rows holds.
std::size_t layerSize(const std::vector<LayerRow>& rows);

// The layers' memory, taken here, where running out of it can still be
// reported; each page is first touched by the thread that casts into it,
// if any ray writes into it at all.
void reserveLayers(std::vector<Piece>& pieces);

// The order the threads take the pieces in: longest first, each as a
// thread comes free. A step costs more on some sides than on others, so
// runs of equal steps did not take equal time.
std::vector<std::size_t> longestFirst(const std::vector<Piece>& pieces);

// The layer a piece's rays are cast into.
LayerTarget layerOf(Piece& piece);

// Folds the layers into `into`, whose pixel (0, 0) is the map's
// (frame.x0, frame.y0): the largest stamp at every pixel, a pixel no ray
// wrote keeping what it held.
template <class Pixel>
void foldLayers(const std::vector<Piece>& pieces, ShadeTarget<Pixel> into, const Rect& frame);

} // namespace gloamery
