#include "terrain_textures.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cstddef>
#include <vector>

namespace gloamery {

namespace {

// One detail tile covers 1/32 of the mesh's width, a small part of any
// frame: more texels than this a side would never be seen.
constexpr int kMaxDetailSide = 1024;

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
bool uploadColour(const SlotImage& colour, int w, int h)
{
    // A colour value 0x00BBGGRR lies in memory (little-endian) as the bytes
    // R, G, B, 0: the picture itself is the upload, with no copy. Four
    // bytes a texel are what software rasterisers sample fastest.
    if (colour.whole() && w == colour.width() && h == colour.height()) {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, colour.given().data());
    } else {
        const SlotView view = colour.view();
        std::vector<Colour> texels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
        std::vector<Colour> scratch(static_cast<std::size_t>(colour.width()));
        for (int y = 0; y < h; ++y) {
            const Colour* row = view.span(0, sourcePixel(y, h, colour.height()), colour.width(), scratch.data());
            for (int x = 0; x < w; ++x) texels[static_cast<std::size_t>(y) * w + x] = row[sourcePixel(x, w, colour.width())];
        }
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    }
    return glGetError() != GL_OUT_OF_MEMORY;
}

bool powerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

GLuint newMipmappedTexture()
{
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
    return name;
}

} // namespace

unsigned loadColourTexture(const SlotImage& colour)
{
    GLint limit = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limit);
    const bool oneColour = colour.given().width() == 0 || colour.given().height() == 0;
    int w = oneColour ? 1 : std::min(colour.width(), std::max(1, limit));
    int h = oneColour ? 1 : std::min(colour.height(), std::max(1, limit));

    const GLuint name = newMipmappedTexture();
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
    return name;
}

unsigned loadDetailTexture(const SlotView& detail)
{
    const int rows = std::min(detail.width(), kMaxDetailSide);
    const int texelsPerRow = std::min(detail.height(), kMaxDetailSide);
    std::vector<GLubyte> buffer(static_cast<std::size_t>(rows) * static_cast<std::size_t>(texelsPerRow) * 3);
    std::size_t k = 0;
    for (int r = 0; r < rows; ++r) {
        const int x = sourcePixel(r, rows, detail.width());
        for (int n = 0; n < texelsPerRow; ++n) {
            const Channels c = split(detail.pixel(x, sourcePixel(n, texelsPerRow, detail.height())));
            buffer[k] = static_cast<GLubyte>(c.r);
            buffer[k + 1] = static_cast<GLubyte>(c.g);
            buffer[k + 2] = static_cast<GLubyte>(c.b);
            k += 3;
        }
    }
    const GLuint name = newMipmappedTexture();
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (powerOfTwo(rows) && powerOfTwo(texelsPerRow)) {
        // Each level the exact mean of four texels of the one before, as
        // the view's detail has always been filtered; the driver's own
        // generator may round the means differently.
        glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_FALSE);
        gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA8, texelsPerRow, rows, GL_RGB, GL_UNSIGNED_BYTE, buffer.data());
    } else {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, texelsPerRow, rows, 0, GL_RGB, GL_UNSIGNED_BYTE, buffer.data());
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    return name;
}

} // namespace gloamery
