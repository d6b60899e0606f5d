#include "terrain_mesh.h"

#include "terrain_textures.h"

// Buffers and texture units are GL 1.3 / 1.5; the system's libGL exports
// them, and the compatibility context offers them.
#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstddef>
#include <utility>

using gloamery::Workspace;

namespace {

constexpr double kTilesAcross = 32.0;
// Half the mesh's width before the scale divides it: the 256 x 256 grid's
// index minus 128.
constexpr double kHalfSpan = 128.0;

// One triangle strip a column, its points alternating (x, z), (x + 1, z)
// for z = 0..rows: each cell split from (x + 1, z) to (x, z + 1), turning
// from x towards z, in the order the view has always drawn them.
std::vector<std::uint32_t> columnStrips(int columns, int rows)
{
    std::vector<std::uint32_t> out;
    out.reserve(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows + 1) * 2);
    const auto point = [columns](int x, int z) { return static_cast<std::uint32_t>(z * (columns + 1) + x); };
    for (int x = 0; x < columns; ++x)
        for (int z = 0; z <= rows; ++z) out.insert(out.end(), {point(x, z), point(x + 1, z)});
    return out;
}

} // namespace

MeshLook MeshLook::of(int mapWidth, int mapHeight)
{
    const bool designSize = mapWidth == gloamery::kDefaultMapSize && mapHeight == gloamery::kDefaultMapSize;
    return {designSize, !designSize, !designSize};
}

void TerrainMesh::load(const Workspace& ws, const gloamery::ViewGrids& grids)
{
    // A second load in the same context replaces what the first one made.
    const GLuint textures[] = {detail_, colour_}, buffers[] = {positionBuffer_, attributeBuffer_, indexBuffer_};
    glDeleteTextures(2, textures); // names 0 are ignored
    glDeleteBuffers(3, buffers);
    forget();
    look_ = MeshLook::of(ws.width(), ws.height());

    glActiveTexture(GL_TEXTURE1);
    // Both read through the slots' rules: no picture of the map's size made.
    detail_ = gloamery::loadDetailTexture(ws.image(gloamery::Slot::Detail).view());
    glEnable(GL_TEXTURE_2D);
    glActiveTexture(GL_TEXTURE0);
    if (look_.coloursPerPoint) {
        glDisable(GL_TEXTURE_2D);
    } else {
        colour_ = gloamery::loadColourTexture(ws.image(gloamery::Slot::Colour));
        glEnable(GL_TEXTURE_2D);
    }
    loadPoints(ws, grids);
}

void TerrainMesh::forget()
{
    // Deleted with the context; only the names are dropped here.
    *this = TerrainMesh();
}

void TerrainMesh::loadPoints(const Workspace& ws, const gloamery::ViewGrids& grids)
{
    const gloamery::FloatGrid& heights = grids.height;
    columns_ = heights.mapWidth();
    rows_ = heights.mapHeight();
    const int w = ws.width(), h = ws.height(), step = grids.step;
    const double unit = 2.0 * kHalfSpan / std::max(w, h);
    const double tile = kTilesAcross / std::max(w, h);

    for (int i = 0; i <= columns_; ++i) modelX_.push_back((std::min(i * step, w) - w / 2.0) * unit);
    for (int j = 0; j <= rows_; ++j) modelZ_.push_back((std::min(j * step, h) - h / 2.0) * unit);
    const std::size_t points = static_cast<std::size_t>(columns_ + 1) * static_cast<std::size_t>(rows_ + 1);
    heights_.assign(heights.data(), heights.data() + points);
    std::vector<Attributes> attributes;
    attributes.reserve(points);
    for (int j = 0; j <= rows_; ++j) {
        const int gy = std::min(j * step, h);
        for (int i = 0; i <= columns_; ++i) {
            const int gx = std::min(i * step, w);
            const auto x = static_cast<std::int16_t>(i), z = static_cast<std::int16_t>(j);
            attributes.push_back({grids.ColorMapR(x, z), grids.ColorMapG(x, z), grids.ColorMapB(x, z),
                                 // Pixel centres; the edge's half pixel clamps to the last one.
                                 static_cast<float>((gx + 0.5) / w), static_cast<float>((gy + 0.5) / h),
                                 static_cast<float>(gx * tile), static_cast<float>(gy * tile)});
        }
    }
    lod_ = TerrainLod(heights.data(), columns_, rows_);

    glGenBuffers(1, &positionBuffer_); // filled by the first frame, at its scale
    glGenBuffers(1, &attributeBuffer_);
    glBindBuffer(GL_ARRAY_BUFFER, attributeBuffer_);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(attributes.size() * sizeof(Attributes)), attributes.data(),
                 GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glGenBuffers(1, &indexBuffer_);
    if (!look_.levelsOfDetail) {
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer_);
        const int drawnRows = look_.lastRowDrawn ? rows_ : rows_ - 1;
        setIndices(columnStrips(columns_, drawnRows), 2 * columns_ * drawnRows);
        const auto stripLength = static_cast<GLsizei>(2 * (drawnRows + 1));
        for (int x = 0; x < columns_; ++x) {
            stripLengths_.push_back(stripLength);
            stripStarts_.push_back(reinterpret_cast<const void*>(x * stripLength * sizeof(std::uint32_t)));
        }
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    } // else filled by the first frame
}

void TerrainMesh::place(double scale)
{
    if (scale == placedScale_) return;
    placedScale_ = scale;
    std::vector<float> xAt, zAt;
    for (double x : modelX_) xAt.push_back(static_cast<float>(x / scale));
    for (double z : modelZ_) zAt.push_back(static_cast<float>(z / scale));
    std::vector<Position> positions;
    positions.reserve(heights_.size());
    for (std::size_t k = 0; k < heights_.size(); ++k)
        positions.push_back({xAt[k % xAt.size()], heights_[k], zAt[k / xAt.size()]});
    glBindBuffer(GL_ARRAY_BUFFER, positionBuffer_);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(positions.size() * sizeof(Position)), positions.data(),
                 GL_STATIC_DRAW);
    lod_.place(std::move(xAt), std::move(zAt));
}

void TerrainMesh::setIndices(const std::vector<std::uint32_t>& indices, int triangles)
{
    triangleCount_ = triangles;
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(std::uint32_t)),
                 indices.data(), GL_DYNAMIC_DRAW);
}

void TerrainMesh::updateTriangles()
{
    GLdouble modelview[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    // Projection row 1 maps a unit at distance 1 onto that part of the
    // viewport's half height.
    std::vector<int> steps = lod_.steps(modelview, projection[5] * viewport[3] / 2.0);
    if (steps == steps_) return;
    const std::vector<std::uint32_t> indices = lod_.triangles(steps);
    setIndices(indices, static_cast<int>(indices.size() / 3));
    steps_ = std::move(steps);
}

void TerrainMesh::setDetail(bool on) const
{
    glActiveTexture(GL_TEXTURE1);
    if (on)
        glEnable(GL_TEXTURE_2D);
    else
        glDisable(GL_TEXTURE_2D);
    glActiveTexture(GL_TEXTURE0);
}

void TerrainMesh::draw(double scale)
{
    if (columns_ == 0 || rows_ == 0) return;
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, detail_);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, colour_);

    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer_);
    place(scale);
    const auto at = [](std::size_t offset) { return reinterpret_cast<const void*>(offset); };
    glBindBuffer(GL_ARRAY_BUFFER, positionBuffer_);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(Position), nullptr);
    glBindBuffer(GL_ARRAY_BUFFER, attributeBuffer_);
    if (look_.coloursPerPoint) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(3, GL_FLOAT, sizeof(Attributes), at(offsetof(Attributes, r)));
    } else {
        glColor3f(1.0f, 1.0f, 1.0f);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, sizeof(Attributes), at(offsetof(Attributes, colourS)));
    }
    glClientActiveTexture(GL_TEXTURE1);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, sizeof(Attributes), at(offsetof(Attributes, detailS)));

    if (look_.levelsOfDetail) {
        updateTriangles();
        glDrawElements(GL_TRIANGLES, 3 * triangleCount_, GL_UNSIGNED_INT, nullptr);
    } else {
        glMultiDrawElements(GL_TRIANGLE_STRIP, stripLengths_.data(), GL_UNSIGNED_INT, stripStarts_.data(),
                            static_cast<GLsizei>(stripLengths_.size()));
    }

    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glClientActiveTexture(GL_TEXTURE0);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}
