#include "terrain_mesh.h"

// Buffers and texture units are GL 1.3 / 1.5; the system's libGL exports
// them, and the compatibility context offers them.
#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

using gloamery::Colour;
using gloamery::Picture;
using gloamery::Workspace;

namespace {

// One detail tile covers 1/32 of the mesh's width, a small part of any
// frame: more texels than this a side would never be seen.
constexpr int kMaxDetailSide = 1024;
constexpr double kTilesAcross = 32.0;
// The mesh's half-width before "Rescale" divides it: the 256 x 256 mesh's
// grid index minus 128.
constexpr double kHalfSpan = 128.0;

struct Vertex {
    float x, y, z;
    float colourS, colourT; // texture unit 0: the colour map, once across
    float detailS, detailT; // texture unit 1: the detail map, tiled
};

// The pixel of a `side`-pixel picture that texel i of `texels` stands for:
// every pixel when they are as many, else one sample near each texel's
// centre (sampled down once).
int sourcePixel(int i, int texels, int side)
{
    if (texels == side) return i;
    return static_cast<int>((static_cast<long long>(2 * i + 1) * side) / (2LL * texels));
}

// Level 0 of the bound texture: the colour picture at w x h, sampled down
// when smaller than the picture. False when the driver could not hold it.
bool uploadColour(const Picture& colour, int w, int h)
{
    // A colour value 0x00BBGGRR lies in memory (little-endian) as the bytes
    // R, G, B, 0: the picture itself is the upload, with no copy. Four
    // bytes a texel are what software rasterisers sample fastest.
    if (w == colour.width() && h == colour.height()) {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, colour.data());
    } else {
        std::vector<Colour> texels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                texels[static_cast<std::size_t>(y) * w + x] =
                    colour.at(sourcePixel(x, w, colour.width()), sourcePixel(y, h, colour.height()));
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    }
    return glGetError() != GL_OUT_OF_MEMORY;
}

void setMipmappedFilters()
{
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
}

} // namespace

void TerrainMesh::load(const Workspace& ws)
{
    // A second load in the same context replaces what the first one made.
    const GLuint textures[] = {detail_, colour_}, buffers[] = {vertices_, indices_};
    glDeleteTextures(2, textures); // names 0 are ignored
    glDeleteBuffers(2, buffers);
    forget();
    buffered_ = !classic(ws.width(), ws.height());
    if (buffered_)
        loadBuffered(ws);
    else
        loadClassic(ws);
}

void TerrainMesh::forget()
{
    // Deleted with the context; only the names are dropped here.
    *this = TerrainMesh();
}

void TerrainMesh::loadClassic(const Workspace& ws)
{
    glEnable(GL_TEXTURE_2D);

    // Grid column x becomes texture row x: the detail image lies transposed
    // on the mesh, as it always has.
    std::vector<GLubyte> buffer(256 * 256 * 3);
    std::size_t k = 0;
    for (std::int16_t x = 0; x <= 255; ++x) {
        for (std::int16_t y = 0; y <= 255; ++y) {
            buffer[k] = ws.ColorMap2R(x, y);
            buffer[k + 1] = ws.ColorMap2G(x, y);
            buffer[k + 2] = ws.ColorMap2B(x, y);
            k += 3;
        }
    }

    glGenTextures(1, &detail_);
    glBindTexture(GL_TEXTURE_2D, detail_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, 256, 256, 0, GL_RGB, GL_UNSIGNED_BYTE, buffer.data());
    gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGB, 256, 256, GL_RGB, GL_UNSIGNED_BYTE, buffer.data());
}

void TerrainMesh::loadBuffered(const Workspace& ws)
{
    glActiveTexture(GL_TEXTURE0);
    loadColourTexture(ws.picture(gloamery::Slot::Colour));
    glActiveTexture(GL_TEXTURE1);
    loadDetailTexture(ws.picture(gloamery::Slot::Detail));
    glActiveTexture(GL_TEXTURE0);
    loadBuffers(ws);
}

void TerrainMesh::loadColourTexture(const Picture& colour)
{
    GLint limit = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limit);
    int w = std::min(colour.width(), std::max(1, limit));
    int h = std::min(colour.height(), std::max(1, limit));

    glGenTextures(1, &colour_);
    glBindTexture(GL_TEXTURE_2D, colour_);
    setMipmappedFilters();
    // The last texel lies on the mesh's edge: nothing wraps round to it.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    } // earlier errors are not the upload's
    // More than the driver can hold would leave the texture incomplete and
    // the terrain white: it is sampled down further instead.
    while (!uploadColour(colour, w, h) && w * h > 1) {
        w = std::max(1, w / 2);
        h = std::max(1, h / 2);
    }
    glEnable(GL_TEXTURE_2D);
}

void TerrainMesh::loadDetailTexture(const Picture& detail)
{
    // Transposed as on the 256 x 256 mesh: texture row r holds picture
    // column x = r, texel n of it picture row y = n.
    const int rows = std::min(detail.width(), kMaxDetailSide);
    const int texelsPerRow = std::min(detail.height(), kMaxDetailSide);
    std::vector<GLubyte> buffer(static_cast<std::size_t>(rows) * static_cast<std::size_t>(texelsPerRow) * 3);
    std::size_t k = 0;
    for (int r = 0; r < rows; ++r) {
        const int x = sourcePixel(r, rows, detail.width());
        for (int n = 0; n < texelsPerRow; ++n) {
            const gloamery::Channels c = gloamery::split(detail.at(x, sourcePixel(n, texelsPerRow, detail.height())));
            buffer[k] = static_cast<GLubyte>(c.r);
            buffer[k + 1] = static_cast<GLubyte>(c.g);
            buffer[k + 2] = static_cast<GLubyte>(c.b);
            k += 3;
        }
    }
    glGenTextures(1, &detail_);
    glBindTexture(GL_TEXTURE_2D, detail_);
    setMipmappedFilters();
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, texelsPerRow, rows, 0, GL_RGB, GL_UNSIGNED_BYTE, buffer.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glEnable(GL_TEXTURE_2D);
}

void TerrainMesh::loadBuffers(const Workspace& ws)
{
    const gloamery::FloatGrid& heights = ws.heightGrid();
    columns_ = heights.mapWidth();
    rows_ = heights.mapHeight();
    const int w = ws.width(), h = ws.height(), step = ws.viewGridStep();
    // The longer side spans what the 256 x 256 mesh spans; the other keeps
    // the map's proportions.
    const double unit = 2.0 * kHalfSpan / std::max(w, h);
    const double tile = kTilesAcross / std::max(w, h);

    std::vector<Vertex> vertices;
    vertices.reserve(static_cast<std::size_t>(columns_ + 1) * static_cast<std::size_t>(rows_ + 1));
    for (int j = 0; j <= rows_; ++j) {
        const int gy = std::min(j * step, h);
        for (int i = 0; i <= columns_; ++i) {
            const int gx = std::min(i * step, w);
            vertices.push_back({static_cast<float>((gx - w / 2.0) * unit), heights(i, j),
                                static_cast<float>((gy - h / 2.0) * unit),
                                // Pixel centres; the edge's half pixel clamps to the last one.
                                static_cast<float>((gx + 0.5) / w), static_cast<float>((gy + 0.5) / h),
                                static_cast<float>(gx * tile), static_cast<float>(gy * tile)});
        }
    }
    std::vector<float> xAt, zAt;
    for (int i = 0; i <= columns_; ++i) xAt.push_back(vertices[static_cast<std::size_t>(i)].x);
    for (int j = 0; j <= rows_; ++j) zAt.push_back(vertices[static_cast<std::size_t>(j) * (columns_ + 1)].z);
    lod_ = TerrainLod(heights.data(), columns_, rows_, std::move(xAt), std::move(zAt));

    glGenBuffers(1, &vertices_);
    glBindBuffer(GL_ARRAY_BUFFER, vertices_);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(Vertex)), vertices.data(),
                 GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glGenBuffers(1, &indices_); // filled by the first frame
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
    if (steps == steps_ && triangleCount_ > 0) return;
    const std::vector<std::uint32_t> indices = lod_.triangles(steps);
    steps_ = std::move(steps);
    triangleCount_ = static_cast<int>(indices.size() / 3);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(std::uint32_t)),
                 indices.data(), GL_DYNAMIC_DRAW);
}

void TerrainMesh::setDetail(bool on) const
{
    if (buffered_) glActiveTexture(GL_TEXTURE1);
    if (on)
        glEnable(GL_TEXTURE_2D);
    else
        glDisable(GL_TEXTURE_2D);
    if (buffered_) glActiveTexture(GL_TEXTURE0);
}

void TerrainMesh::draw(const Workspace& ws, const Table& vertexCoord, const Table& texCoord, double scale)
{
    if (buffered_)
        drawBuffered(scale);
    else
        drawClassic(ws, vertexCoord, texCoord);
}

void TerrainMesh::drawClassic(const Workspace& ws, const Table& vertexCoord, const Table& texCoord) const
{
    glBindTexture(GL_TEXTURE_2D, detail_);
    const auto point = [&](std::int16_t a, std::int16_t b) {
        glTexCoord2f(texCoord[a], texCoord[b]);
        glColor3f(ws.ColorMapR(a, b), ws.ColorMapG(a, b), ws.ColorMapB(a, b));
        glVertex3f(vertexCoord[a], ws.HeightMap(a, b), vertexCoord[b]);
    };
    // Each strip starts (a, b), (a + 1, b), (a, b + 1): counter-clockwise
    // seen from below, so the upper side is the back face.
    for (std::int16_t a = 0; a <= 255; ++a) {
        glBegin(GL_TRIANGLE_STRIP);
        for (std::int16_t b = 0; b <= 255; ++b) {
            point(a, b);
            point(static_cast<std::int16_t>(a + 1), b);
        }
        glEnd();
    }
}

void TerrainMesh::drawBuffered(double scale)
{
    if (columns_ == 0 || rows_ == 0) return;
    glColor3f(1.0f, 1.0f, 1.0f);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, detail_);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, colour_);

    glBindBuffer(GL_ARRAY_BUFFER, vertices_);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indices_);
    const auto at = [](std::size_t offset) { return reinterpret_cast<const void*>(offset); };
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(Vertex), at(offsetof(Vertex, x)));
    glClientActiveTexture(GL_TEXTURE1);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, sizeof(Vertex), at(offsetof(Vertex, detailS)));
    glClientActiveTexture(GL_TEXTURE0);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, sizeof(Vertex), at(offsetof(Vertex, colourS)));

    // "Rescale" divides x and z, never the heights. Two negative factors
    // keep the winding, so a mirrored mesh still shows its upper side.
    glPushMatrix();
    glScaled(1.0 / scale, 1.0, 1.0 / scale);
    updateTriangles();
    glDrawElements(GL_TRIANGLES, 3 * triangleCount_, GL_UNSIGNED_INT, nullptr);
    glPopMatrix();

    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glClientActiveTexture(GL_TEXTURE1);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glClientActiveTexture(GL_TEXTURE0);
    glDisableClientState(GL_VERTEX_ARRAY);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}
