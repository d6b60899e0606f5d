#include "terrain_glb.h"

#include "native_io.h"
#include "png_writer.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace gloamery {

namespace {

// Vertex arrays of the sampled grid, as the file stores them.
struct Grid {
    int columns = 0;
    int rows = 0;
    std::vector<float> positions; // x, y (up), z per point
    std::vector<float> normals;
    std::vector<float> texcoords;
    std::vector<std::uint32_t> indices;
    std::array<float, 3> least{}, most{};
};

// Height levels of the map at a pixel: deep samples count 1/257 of a level.
class Levels {
public:
    explicit Levels(const Workspace& ws)
        : grid_(readHeights(ws))
    {
    }
    double at(int x, int y) const
    {
        if (const DeepGrid* d = grid_.deepGrid()) return (*d)(x, y) / 257.0;
        return (*grid_.byteGrid())(x, y);
    }

private:
    HeightGrid grid_;
};

std::array<float, 3> point(const Grid& g, int i, int j)
{
    const float* p = &g.positions[3 * (static_cast<std::size_t>(j) * g.columns + i)];
    return {p[0], p[1], p[2]};
}

// Each point's normal from its neighbours on either side (itself at an
// edge): the cross product of the slopes down and across.
void addNormals(Grid& g)
{
    g.normals.resize(g.positions.size());
    for (int j = 0; j < g.rows; ++j)
        for (int i = 0; i < g.columns; ++i) {
            const auto l = point(g, std::max(i - 1, 0), j), r = point(g, std::min(i + 1, g.columns - 1), j);
            const auto u = point(g, i, std::max(j - 1, 0)), d = point(g, i, std::min(j + 1, g.rows - 1));
            const double ax = r[0] - l[0], ay = r[1] - l[1], az = r[2] - l[2];
            const double bx = d[0] - u[0], by = d[1] - u[1], bz = d[2] - u[2];
            double n[3] = {by * az - bz * ay, bz * ax - bx * az, bx * ay - by * ax};
            const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
            float* out = &g.normals[3 * (static_cast<std::size_t>(j) * g.columns + i)];
            for (int k = 0; k < 3; ++k) out[k] = static_cast<float>(length > 0 ? n[k] / length : (k == 1 ? 1 : 0));
        }
}

// Two triangles a cell, counter-clockwise seen from above.
void addIndices(Grid& g)
{
    g.indices.reserve(static_cast<std::size_t>(g.columns - 1) * (g.rows - 1) * 6);
    for (int j = 0; j + 1 < g.rows; ++j)
        for (int i = 0; i + 1 < g.columns; ++i) {
            const std::uint32_t a = static_cast<std::uint32_t>(j * g.columns + i), b = a + 1;
            const std::uint32_t c = a + static_cast<std::uint32_t>(g.columns), d = c + 1;
            for (std::uint32_t v : {a, c, b, b, c, d}) g.indices.push_back(v);
        }
}

Grid terrainGrid(const Workspace& ws, const TerrainScale& s)
{
    const std::vector<int> xs = meshSamples(ws.width()), ys = meshSamples(ws.height());
    const Levels levels(ws);
    Grid g;
    g.columns = static_cast<int>(xs.size());
    g.rows = static_cast<int>(ys.size());
    const std::size_t points = xs.size() * ys.size();
    g.positions.reserve(3 * points);
    g.texcoords.reserve(2 * points);
    g.least = {INFINITY, INFINITY, INFINITY};
    g.most = {-INFINITY, -INFINITY, -INFINITY};
    for (int y : ys)
        for (int x : xs) {
            const float p[3] = {static_cast<float>(x * s.groundX), static_cast<float>(levels.at(x, y) * s.vertical),
                                static_cast<float>(y * s.groundY)};
            for (int k = 0; k < 3; ++k) {
                g.positions.push_back(p[k]);
                g.least[k] = std::min(g.least[k], p[k]);
                g.most[k] = std::max(g.most[k], p[k]);
            }
            // The centre of the pixel in the colour map.
            g.texcoords.push_back(static_cast<float>((x + 0.5) / ws.width()));
            g.texcoords.push_back(static_cast<float>((y + 0.5) / ws.height()));
        }
    addNormals(g);
    addIndices(g);
    return g;
}

// The float's exact value, whatever the locale: readers that compare the
// bounds as doubles and readers that compare them as floats agree.
std::string number(float v)
{
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, static_cast<double>(v)).ptr);
}

std::string vec3(const std::array<float, 3>& v) { return "[" + number(v[0]) + "," + number(v[1]) + "," + number(v[2]) + "]"; }

std::size_t padded(std::size_t n) { return (n + 3) & ~std::size_t{3}; }

// The JSON chunk: one node, one mesh, one material with the picture.
std::string gltfJson(const Grid& g, std::size_t pngBytes)
{
    const std::size_t points = static_cast<std::size_t>(g.columns) * g.rows;
    const std::size_t sizes[] = {12 * points, 12 * points, 8 * points, 4 * g.indices.size(), pngBytes};
    std::string views;
    std::size_t offset = 0;
    for (int v = 0; v < 5; ++v) {
        views += std::string(v ? "," : "") + "{\"buffer\":0,\"byteOffset\":" + std::to_string(offset) + ",\"byteLength\":"
               + std::to_string(sizes[v]) + (v < 3 ? ",\"target\":34962" : v == 3 ? ",\"target\":34963" : "") + "}";
        offset += padded(sizes[v]);
    }
    const std::string count = std::to_string(points);
    return "{\"asset\":{\"version\":\"2.0\",\"generator\":\"Gloamery\"},\"scene\":0,\"scenes\":[{\"nodes\":[0]}],"
           "\"nodes\":[{\"mesh\":0,\"name\":\"terrain\"}],"
           "\"meshes\":[{\"name\":\"terrain\",\"primitives\":[{\"attributes\":{\"POSITION\":0,\"NORMAL\":1,\"TEXCOORD_0\":2},"
           "\"indices\":3,\"material\":0,\"mode\":4}]}],"
           "\"materials\":[{\"name\":\"colour map\",\"pbrMetallicRoughness\":{\"baseColorTexture\":{\"index\":0},"
           "\"metallicFactor\":0,\"roughnessFactor\":1}}],"
           "\"textures\":[{\"sampler\":0,\"source\":0}],"
           "\"samplers\":[{\"magFilter\":9729,\"minFilter\":9987,\"wrapS\":33071,\"wrapT\":33071}],"
           "\"images\":[{\"bufferView\":4,\"mimeType\":\"image/png\"}],"
           "\"accessors\":["
           "{\"bufferView\":0,\"componentType\":5126,\"count\":" + count + ",\"type\":\"VEC3\",\"min\":" + vec3(g.least)
           + ",\"max\":" + vec3(g.most) + "},"
           "{\"bufferView\":1,\"componentType\":5126,\"count\":" + count + ",\"type\":\"VEC3\"},"
           "{\"bufferView\":2,\"componentType\":5126,\"count\":" + count + ",\"type\":\"VEC2\"},"
           "{\"bufferView\":3,\"componentType\":5125,\"count\":" + std::to_string(g.indices.size()) + ",\"type\":\"SCALAR\"}],"
           "\"bufferViews\":[" + views + "],"
           "\"buffers\":[{\"byteLength\":" + std::to_string(offset) + "}]}";
}

std::string littleEndian32(std::size_t v)
{
    std::string s(4, '\0');
    for (int k = 0; k < 4; ++k) s[static_cast<std::size_t>(k)] = static_cast<char>(v >> (8 * k) & 255);
    return s;
}

template <class T>
std::string_view bytesOf(const std::vector<T>& v)
{
    return {reinterpret_cast<const char*>(v.data()), v.size() * sizeof(T)};
}

} // namespace

std::vector<int> meshSamples(int pixels)
{
    const int n = std::min(pixels, kMaxMeshPoints);
    std::vector<int> at(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        at[static_cast<std::size_t>(i)] = n == 1 ? 0 : static_cast<int>(static_cast<long long>(i) * (pixels - 1) / (n - 1));
    return at;
}

namespace {

// The units "Sun" accepts, and no others: beyond them the positions
// overflow a float or are not numbers at all, which no reader takes.
Refusal unitsRefused(const TerrainScale& s)
{
    using namespace sun_range;
    const auto within = [](double v) { return std::isfinite(v) && v >= kUnitMin && v <= kUnitMax; };
    const auto text = [](double v) {
        char t[40];
        return std::string(t, std::to_chars(t, t + sizeof t, v).ptr);
    };
    if (!within(s.groundX) || !within(s.groundY))
        return Error{"The ground size of a pixel must be from 1e-9 to 1e9, not " + text(s.groundX) + ","
                     + text(s.groundY) + ": give --ground GX,GY."};
    if (!within(s.vertical))
        return Error{"The elevation of a height level must be from 1e-9 to 1e9, not " + text(s.vertical)
                     + ": give --vertical V."};
    return std::nullopt;
}

} // namespace

Refusal exportTerrainGlb(const Workspace& ws, const TerrainScale& scale, const std::string& path)
{
    if (Refusal refused = unitsRefused(scale)) return refused;
    if (ws.width() < 2 || ws.height() < 2)
        return Error{"A terrain mesh needs a map of at least 2 x 2 pixels; this one is " + std::to_string(ws.width())
                     + " x " + std::to_string(ws.height()) + "."};
    std::string png;
    const SlotView colour = ws.image(Slot::Colour).view();
    const auto rows = [&](int y, Colour* scratch) { return colour.span(0, y, colour.width(), scratch); };
    if (writePngRows(colour.width(), colour.height(), rows, [&](std::string_view piece) {
            png.append(piece);
            return true;
        }) != PngResult::Written)
        return Error{"There is not enough memory to compress the colour map."};
    const Grid grid = terrainGrid(ws, scale);
    std::string json = gltfJson(grid, png.size());
    json.resize(padded(json.size()), ' ');
    const std::string_view parts[] = {bytesOf(grid.positions), bytesOf(grid.normals), bytesOf(grid.texcoords),
                                      bytesOf(grid.indices), png};
    std::size_t binary = 0;
    for (std::string_view p : parts) binary += padded(p.size());
    const std::size_t total = 12 + 8 + json.size() + 8 + binary;
    if (total > 0xFFFFFFFFu) return Error{"The terrain would take more than the 4 GiB a glTF binary can hold."};
    return writeFileAtomically(path, [&](const ByteSink& put) {
        bool ok = put("glTF") && put(littleEndian32(2)) && put(littleEndian32(total)) && put(littleEndian32(json.size()))
                  && put("JSON") && put(json) && put(littleEndian32(binary)) && put(std::string_view("BIN\0", 4));
        for (std::string_view p : parts) ok = ok && put(p) && put(std::string(padded(p.size()) - p.size(), '\0'));
        return ok;
    });
}

} // namespace gloamery
