#pragma once
// The terrain as the 3D view draws it: its GL objects (textures, vertex and
// index buffers) and the drawing of one frame's mesh. The window sets the
// view transform; this draws under it.
//
// A 256 x 256 map is drawn as it always was: 257 x 257 points sent one by
// one, coloured per vertex by the colour grid, the detail texture tiled on
// top. Any other size is drawn from vertex buffers at the workspace's grid
// step (at most kMaxViewGridCells cells a side), coarser where the eye
// cannot tell (TerrainLod), the colour map laid on as a texture of its own
// at full resolution and the detail texture tiled on a second texture
// unit. Either way the mesh spans the same width.

#include "terrain_lod.h"
#include "workspace/workspace.h"

#include <array>
#include <vector>

class TerrainMesh {
public:
    using Table = std::array<float, 257>;

    // Builds the textures (and buffers) in the GL context current now,
    // replacing those of an earlier load in it, and switches texturing on;
    // the context owns them from then on.
    void load(const gloamery::Workspace& ws);
    // The context and everything in it are gone.
    void forget();

    // Draws the mesh under the current modelview matrix. The 256 x 256 mesh
    // takes its x and z from vertexCoord and its detail coordinates from
    // texCoord; any other is spread as widely and divided by scale, the
    // number "Rescale" was given.
    void draw(const gloamery::Workspace& ws, const Table& vertexCoord, const Table& texCoord, double scale);

    // The tiled detail texture on or off, from the next frame.
    void setDetail(bool on) const;

    unsigned detailTexture() const { return detail_; }
    unsigned colourTexture() const { return colour_; }
    bool buffered() const { return buffered_; }
    // Points along x and z of the buffered mesh (0 when not buffered).
    int pointColumns() const { return columns_ + (buffered_ ? 1 : 0); }
    int pointRows() const { return rows_ + (buffered_ ? 1 : 0); }
    // Triangles of the buffered mesh's last frame.
    int trianglesDrawn() const { return triangleCount_; }

    // Whether a map of this size is drawn as the 256 x 256 one always was.
    static bool classic(int w, int h) { return w == gloamery::kDefaultMapSize && h == gloamery::kDefaultMapSize; }

private:
    void loadClassic(const gloamery::Workspace& ws);
    void loadBuffered(const gloamery::Workspace& ws);
    void loadColourTexture(const gloamery::Picture& colour);
    void loadDetailTexture(const gloamery::Picture& detail);
    void loadBuffers(const gloamery::Workspace& ws);
    void drawClassic(const gloamery::Workspace& ws, const Table& vertexCoord, const Table& texCoord) const;
    void drawBuffered(double scale);
    // The buffered mesh's triangles for the current matrices and viewport
    // (the index buffer bound), rebuilt when a chunk's step changes.
    void updateTriangles();

    bool buffered_ = false;
    unsigned detail_ = 0;
    unsigned colour_ = 0;
    unsigned vertices_ = 0;
    unsigned indices_ = 0;
    int columns_ = 0; // cells of the buffered mesh
    int rows_ = 0;
    TerrainLod lod_;
    std::vector<int> steps_; // of the triangles in the index buffer
    int triangleCount_ = 0;
};
