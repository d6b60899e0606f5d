#pragma once
// Levels of detail of the buffered mesh. On a software rasteriser a
// triangle costs far more than its few pixels (fragments are shaded in
// blocks, covered or not), so a mesh of ~4-pixel cells spends most of its
// frame on triangles no one can tell apart. The grid is cut into square
// chunks; each frame every chunk takes the coarsest step (1, 2, 4, ... grid
// cells) whose height error, seen from where the eye is, stays under half a
// pixel, or whose cells still span no more than kMaxCellPixels on screen
// (relief finer than that is lost in the detail texture). The colour and
// detail maps lie on the surface by x and z alone, so a coarser step never
// moves them: only the relief's outline can change.
//
// Neighbouring chunks of different steps meet without cracks: both sides
// of a shared edge use its coarser step's points, and each chunk zips its
// finer inner rows onto its edges.

#include <array>
#include <cstdint>
#include <vector>

class TerrainLod {
public:
    // Grid cells a side of a chunk, and the steps a chunk may be drawn at.
    static constexpr int kChunkCells = 32;
    static constexpr std::array<int, 5> kSteps = {1, 2, 4, 8, 16};
    // The largest outline error allowed, in pixels.
    static constexpr double kMaxErrorPixels = 0.5;
    // The largest cell a coarser step may make, in pixels: at 16 the tilted
    // view of a rugged 1024 x 1024 map draws half the triangles, its frame
    // telling apart from the full mesh's only along a few ridge lines.
    static constexpr double kMaxCellPixels = 16.0;

    struct Chunk {
        int x0, x1, z0, z1;           // grid points it spans
        int maxStep;                  // its coarsest step: two steps fit in each side
        float yMin, yMax;             // its heights
        std::array<float, kSteps.size()> error; // largest height error at each step
    };

    TerrainLod() = default;
    // heights: (columns + 1) x (rows + 1) points, x fastest.
    TerrainLod(const float* heights, int columns, int rows);
    // The model coordinates of each grid column and row, before steps().
    void place(std::vector<float> xAt, std::vector<float> zAt);

    const std::vector<Chunk>& chunks() const { return chunks_; }

    // The step of each chunk under a modelview matrix (column-major, as GL
    // returns it) and a projection that puts `pixelsAtUnit` pixels on one
    // unit at distance 1.
    std::vector<int> steps(const double modelview[16], double pixelsAtUnit) const;

    // The triangles of the mesh with these chunk steps: three point indices
    // (row-major, columns + 1 a row) each, wound like the full mesh's, its
    // upper side the back face. Steps a chunk or its neighbour cannot take
    // are lowered. With every step 1 this is the full mesh, cell by cell.
    std::vector<std::uint32_t> triangles(std::vector<int> steps) const;

private:
    std::uint32_t point(int x, int z) const { return static_cast<std::uint32_t>(z * (columns_ + 1) + x); }
    void addTriangle(std::vector<std::uint32_t>& out, int ax, int az, int bx, int bz, int cx, int cz) const;
    void addCell(std::vector<std::uint32_t>& out, int x, int z, int sx, int sz) const;
    void addChunk(std::vector<std::uint32_t>& out, const Chunk& c, int step, const std::array<int, 4>& edgeSteps) const;
    int neighbour(int chunk, int side) const;

    int columns_ = 0, rows_ = 0;
    int chunkColumns_ = 0, chunkRows_ = 0;
    std::vector<float> xAt_, zAt_;
    std::vector<Chunk> chunks_;
};
