#pragma once
// The terrain as the 3D view draws it: its GL objects (textures, vertex and
// index buffers) and the drawing of one frame's mesh. The drawing area sets
// the view transform; this draws under it.
//
// Every map is drawn the same way, from buffers holding a point for every
// sample of the workspace's view grids (at most kMaxViewGridCells cells a
// side), the detail texture tiled 32 times across on a second texture
// unit. The longer side spans 256 model units divided by the scale
// "Rescale" was given, the other keeps the map's proportions. What differs
// with the size is the mesh's look (MeshLook).

#include "terrain_lod.h"
#include "workspace/view_maps.h"
#include "workspace/workspace.h"

#include <cstdint>
#include <vector>

// A 256 x 256 map keeps the look the view has always given it: each point
// coloured by the colour grid, every cell drawn, in one triangle strip a column, and
// the grid's last row left out. Any other size lays the colour map on as a
// texture of its own at full resolution, draws every row, and draws parts
// far from the eye coarser where the eye cannot tell (TerrainLod).
struct MeshLook {
    bool coloursPerPoint;
    bool levelsOfDetail;
    bool lastRowDrawn;
    static MeshLook of(int mapWidth, int mapHeight);
};

class TerrainMesh {
public:
    // Builds the textures and buffers in the GL context current now,
    // replacing those of an earlier load in it, and switches texturing on;
    // the context owns them from then on.
    void load(const gloamery::Workspace& ws, const gloamery::ViewGrids& grids);
    // The context and everything in it are gone.
    void forget();

    // Draws the mesh under the current modelview matrix, its x and z
    // divided by `scale`. Two negative factors keep the winding, so a
    // mirrored mesh still shows its upper side.
    void draw(double scale);

    // The tiled detail texture on or off, from the next frame.
    void setDetail(bool on) const;

    unsigned detailTexture() const { return detail_; }
    unsigned colourTexture() const { return colour_; }
    bool coloursPerPoint() const { return look_.coloursPerPoint; }
    // Points along x and z (0 before a load).
    int pointColumns() const { return columns_ + (loaded() ? 1 : 0); }
    int pointRows() const { return rows_ + (loaded() ? 1 : 0); }
    // Triangles of the last frame.
    int trianglesDrawn() const { return triangleCount_; }

private:
    // What a point wears; its place is kept in a buffer of its own, which
    // the scale rewrites.
    struct Attributes {
        float r, g, b;          // the colour grid, where coloursPerPoint
        float colourS, colourT; // texture unit 0: the colour map, once across
        float detailS, detailT; // texture unit 1: the detail map, tiled
    };
    struct Position {
        float x, y, z;
    };

    bool loaded() const { return positionBuffer_ != 0; }
    void loadPoints(const gloamery::Workspace& ws, const gloamery::ViewGrids& grids);
    // Spreads x and z by `scale`, in the buffer and for the levels of detail.
    void place(double scale);
    // The triangles for the current matrices and viewport (the index buffer
    // bound), rebuilt when a chunk's step changes.
    void updateTriangles();
    void setIndices(const std::vector<std::uint32_t>& indices, int triangles);

    MeshLook look_{};
    unsigned detail_ = 0;
    unsigned colour_ = 0;
    unsigned positionBuffer_ = 0;
    unsigned attributeBuffer_ = 0;
    unsigned indexBuffer_ = 0;
    int columns_ = 0; // grid cells
    int rows_ = 0;
    std::vector<float> heights_; // of every point, x fastest
    std::vector<double> modelX_, modelZ_; // of each column and row, before the scale
    double placedScale_ = 0.0;
    TerrainLod lod_;
    std::vector<int> steps_; // of the triangles in the index buffer
    int triangleCount_ = 0;
    // The full mesh's strips in the index buffer, where it has no levels.
    std::vector<int> stripLengths_;
    std::vector<const void*> stripStarts_;
};
