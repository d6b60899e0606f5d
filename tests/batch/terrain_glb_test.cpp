// The terrain's glTF binary, made by the batch tool and taken apart here:
// the container, the accessors' counts and bounds against the data they
// describe, the triangles within the points, and the embedded texture.

#include "imageio/terrain_glb.h"

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

struct Glb {
    QJsonObject json;
    QByteArray binary;
};

std::uint32_t word(const QByteArray& b, qsizetype at)
{
    std::uint32_t v = 0;
    std::memcpy(&v, b.constData() + at, 4);
    return v;
}

// Header, JSON chunk and BIN chunk, as the container defines them.
std::optional<Glb> readGlb(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray b = f.readAll();
    if (b.size() < 20 || !b.startsWith("glTF") || word(b, 4) != 2 || word(b, 8) != static_cast<std::uint32_t>(b.size()))
        return std::nullopt;
    const std::uint32_t jsonLength = word(b, 12);
    if (b.mid(16, 4) != "JSON" || jsonLength % 4 != 0) return std::nullopt;
    const qsizetype bin = 20 + jsonLength;
    if (b.mid(bin + 4, 4) != QByteArray("BIN\0", 4) || bin + 8 + word(b, bin) != static_cast<std::uint32_t>(b.size()))
        return std::nullopt;
    return Glb{QJsonDocument::fromJson(b.mid(20, jsonLength)).object(), b.mid(bin + 8)};
}

// The bytes of an accessor's (or an image's) buffer view.
QByteArray view(const Glb& g, int index)
{
    const QJsonObject v = g.json[QLatin1String("bufferViews")].toArray()[index].toObject();
    return g.binary.mid(v[QLatin1String("byteOffset")].toInteger(), v[QLatin1String("byteLength")].toInteger());
}

template <class T>
std::vector<T> values(const Glb& g, int accessor)
{
    const QJsonObject a = g.json[QLatin1String("accessors")].toArray()[accessor].toObject();
    const QByteArray bytes = view(g, a[QLatin1String("bufferView")].toInt());
    std::vector<T> out(static_cast<std::size_t>(bytes.size()) / sizeof(T));
    std::memcpy(out.data(), bytes.constData(), out.size() * sizeof(T));
    return out;
}

int run(const QString& line, const QString& dir)
{
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(QStringLiteral(GLOAMERY_BATCH_BIN), line.split(QLatin1Char(' '), Qt::SkipEmptyParts));
    if (!p.waitForFinished(120000)) return -1;
    if (p.exitCode() != 0) ADD_FAILURE() << p.readAllStandardError().toStdString();
    return p.exitCode();
}

} // namespace

TEST(TerrainMesh, SidesAreSampledEvenlyToAtMost1025Points)
{
    const struct {
        int pixels;
        std::vector<int> first; // the first samples
        int count;
        int last;
    } cases[] = {
        {1, {0}, 1, 0}, {2, {0, 1}, 2, 1}, {1025, {0, 1, 2}, 1025, 1024}, {1026, {0, 1, 2}, 1025, 1025},
        {2049, {0, 2, 4}, 1025, 2048}, {16384, {0, 15, 31}, 1025, 16383},
    };
    for (const auto& c : cases) {
        const std::vector<int> s = gloamery::meshSamples(c.pixels);
        ASSERT_EQ(static_cast<int>(s.size()), c.count) << c.pixels;
        EXPECT_EQ(s.back(), c.last) << c.pixels;
        for (std::size_t i = 0; i < c.first.size(); ++i) EXPECT_EQ(s[i], c.first[i]) << c.pixels << " at " << i;
        for (std::size_t i = 1; i < s.size(); ++i) ASSERT_LT(s[i - 1], s[i]) << c.pixels;
    }
}

// A deep map of 1300 x 7 pixels: 1025 x 7 points, a pixel a unit, a level
// (257 samples) a unit up; the texture is the colour map at full size.
TEST(TerrainMesh, AccessorsDescribeTheirDataAndTheTextureDecodes)
{
    QTemporaryDir tmp;
    const int w = 1300, h = 7;
    QImage heights(w, h, QImage::Format_Grayscale16);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) reinterpret_cast<quint16*>(heights.scanLine(y))[x] = static_cast<quint16>(x * 48 + y * 257);
    ASSERT_TRUE(heights.save(tmp.filePath(QStringLiteral("h.png"))));
    ASSERT_EQ(run(QStringLiteral("--open h.png make-texture --sun 0,0 linear --export-mesh t.glb --save colour c.png"), tmp.path()), 0);

    const auto glb = readGlb(tmp.filePath(QStringLiteral("t.glb")));
    ASSERT_TRUE(glb.has_value());
    const QJsonArray accessors = glb->json[QLatin1String("accessors")].toArray();
    ASSERT_EQ(accessors.size(), 4);
    const int points = 1025 * h;
    const struct {
        int accessor;
        int count;
        int bytes; // a point's (or an index's)
    } counts[] = {{0, points, 12}, {1, points, 12}, {2, points, 8}, {3, 1024 * (h - 1) * 6, 4}};
    for (const auto& c : counts) {
        EXPECT_EQ(accessors[c.accessor].toObject()[QLatin1String("count")].toInt(), c.count) << c.accessor;
        EXPECT_EQ(values<char>(*glb, c.accessor).size(), static_cast<std::size_t>(c.count) * c.bytes) << c.accessor;
    }

    // Bounds as the positions give them, and as the map gives them.
    const std::vector<float> pos = values<float>(*glb, 0);
    std::array<float, 3> least{INFINITY, INFINITY, INFINITY}, most{-INFINITY, -INFINITY, -INFINITY};
    for (std::size_t i = 0; i < pos.size(); ++i) {
        least[i % 3] = std::min(least[i % 3], pos[i]);
        most[i % 3] = std::max(most[i % 3], pos[i]);
    }
    const QJsonObject position = accessors[0].toObject();
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(position[QLatin1String("min")].toArray()[k].toDouble(), least[k]) << k;
        EXPECT_EQ(position[QLatin1String("max")].toArray()[k].toDouble(), most[k]) << k;
    }
    EXPECT_EQ(least, (std::array<float, 3>{0, 0, 0}));
    EXPECT_EQ(most, (std::array<float, 3>{w - 1, static_cast<float>(((w - 1) * 48 + (h - 1) * 257) / 257.0), h - 1}));

    const std::vector<std::uint32_t> indices = values<std::uint32_t>(*glb, 3);
    for (std::uint32_t i : indices) ASSERT_LT(i, static_cast<std::uint32_t>(points));
    const std::vector<float> normals = values<float>(*glb, 1);
    for (std::size_t i = 0; i < normals.size(); i += 3) {
        ASSERT_NEAR(normals[i] * normals[i] + normals[i + 1] * normals[i + 1] + normals[i + 2] * normals[i + 2], 1.0, 1e-5);
        ASSERT_GT(normals[i + 1], 0) << "normals point up";
    }

    const QJsonObject image = glb->json[QLatin1String("images")].toArray()[0].toObject();
    EXPECT_EQ(image[QLatin1String("mimeType")].toString(), QStringLiteral("image/png"));
    const QImage texture = QImage::fromData(view(*glb, image[QLatin1String("bufferView")].toInt()), "png");
    ASSERT_EQ(texture.size(), QSize(w, h));
    EXPECT_EQ(texture.convertToFormat(QImage::Format_RGB32),
              QImage(tmp.filePath(QStringLiteral("c.png"))).convertToFormat(QImage::Format_RGB32));
}

// Positions in ground units when they are set (--ground, --vertical, as
// the Sun controls take them), else a unit a pixel and a height level.
TEST(TerrainMesh, PositionsAreInGroundUnits)
{
    QTemporaryDir tmp;
    QImage heights(9, 4, QImage::Format_Grayscale8);
    heights.fill(10);
    heights.setPixel(8, 3, qRgb(250, 250, 250));
    ASSERT_TRUE(heights.save(tmp.filePath(QStringLiteral("h.png"))));
    const struct {
        const char* units;
        std::array<float, 3> most;
    } cases[] = {
        {"", {8, 250, 3}},
        {"--ground 30 --vertical 2", {240, 500, 90}},
        {"--ground 10,20 --vertical 0.5", {80, 125, 60}},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(run(QStringLiteral("--open h.png %1 --export-mesh t.glb").arg(QLatin1String(c.units)), tmp.path()), 0) << c.units;
        const auto glb = readGlb(tmp.filePath(QStringLiteral("t.glb")));
        ASSERT_TRUE(glb.has_value()) << c.units;
        const QJsonObject position = glb->json[QLatin1String("accessors")].toArray()[0].toObject();
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(position[QLatin1String("max")].toArray()[k].toDouble(), c.most[k]) << c.units << " " << k;
            EXPECT_EQ(position[QLatin1String("min")].toArray()[k].toDouble(), k == 1 ? c.most[1] / 25 : 0) << c.units << " " << k;
        }
    }
}
