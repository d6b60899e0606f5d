// Results that other tools take next, made by the batch tool as a process
// and read back with GDAL: GeoTIFF keeping a raster's place (a world's
// regions their own), no-data clear and nothing else, raw heights that
// load back, and maps that take their height file's size.

#include <gdal.h>
#include <ogr_srs_api.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

struct Result {
    int status = -1;
    QString err;
};

Result runTool(const QString& line, const QString& dir, const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir);
    p.start(QStringLiteral(GLOAMERY_BATCH_BIN), line.split(QLatin1Char(' '), Qt::SkipEmptyParts));
    Result r;
    if (!p.waitForFinished(120000)) return r;
    r.status = p.exitCode();
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

constexpr double kNoData = -9999;
const std::array<double, 6> kPlace = {500000.0, 10.0, 0.0, 4000300.0, 0.0, -10.0};

// Elevations 100.. rising to the right and down; no data in the top-left
// 3 x 2 corner when asked.
double elevation(int x, int y, bool holes) { return holes && x < 3 && y < 2 ? kNoData : 100 + 3 * x + 2 * y; }

// A w x h Float32 GeoTIFF in UTM zone 33N, 10 m pixels.
void writeDem(const QString& path, int w, int h, bool holes)
{
    GDALAllRegister();
    GDALDatasetH ds = GDALCreate(GDALGetDriverByName("GTiff"), path.toLocal8Bit().constData(), w, h, 1, GDT_Float32, nullptr);
    ASSERT_NE(ds, nullptr);
    std::vector<float> values(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) values[static_cast<std::size_t>(y) * w + x] = static_cast<float>(elevation(x, y, holes));
    GDALRasterBandH band = GDALGetRasterBand(ds, 1);
    if (holes) GDALSetRasterNoDataValue(band, kNoData);
    ASSERT_EQ(GDALRasterIO(band, GF_Write, 0, 0, w, h, values.data(), w, h, GDT_Float32, 0, 0), CE_None);
    std::array<double, 6> t = kPlace;
    GDALSetGeoTransform(ds, t.data());
    OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
    OSRImportFromEPSG(srs, 32633);
    GDALSetSpatialRef(ds, srs);
    OSRDestroySpatialReference(srs);
    GDALClose(ds);
}

// A saved file as GDAL reads it.
struct Raster {
    int width = 0, height = 0, bands = 0;
    GDALDataType type = GDT_Unknown;
    bool placed = false;
    std::array<double, 6> transform{};
    bool utm33 = false;
    std::string layout, compression;
    int overviews = 0;
    std::vector<std::vector<double>> samples; // per band
};

Raster readRaster(const QString& path)
{
    Raster r;
    GDALDatasetH ds = GDALOpen(path.toLocal8Bit().constData(), GA_ReadOnly);
    if (!ds) return r;
    r.width = GDALGetRasterXSize(ds);
    r.height = GDALGetRasterYSize(ds);
    r.bands = GDALGetRasterCount(ds);
    r.type = GDALGetRasterDataType(GDALGetRasterBand(ds, 1));
    r.placed = GDALGetGeoTransform(ds, r.transform.data()) == CE_None;
    if (OGRSpatialReferenceH srs = GDALGetSpatialRef(ds)) {
        const char* code = OSRGetAuthorityCode(srs, nullptr);
        r.utm33 = code && std::string(code) == "32633";
    }
    const char* layout = GDALGetMetadataItem(ds, "LAYOUT", "IMAGE_STRUCTURE");
    const char* compression = GDALGetMetadataItem(ds, "COMPRESSION", "IMAGE_STRUCTURE");
    r.layout = layout ? layout : "";
    r.compression = compression ? compression : "";
    r.overviews = GDALGetOverviewCount(GDALGetRasterBand(ds, 1));
    for (int b = 1; b <= r.bands; ++b) {
        std::vector<double> v(static_cast<std::size_t>(r.width) * r.height);
        if (GDALRasterIO(GDALGetRasterBand(ds, b), GF_Read, 0, 0, r.width, r.height, v.data(), r.width, r.height,
                         GDT_Float64, 0, 0) != CE_None)
            v.clear();
        r.samples.push_back(std::move(v));
    }
    GDALClose(ds);
    return r;
}

class MapFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        GDALAllRegister();
    }
    QString at(const char* name) const { return tmp.filePath(QLatin1String(name)); }
    Result run(const char* line) const { return runTool(QString::fromUtf8(line), tmp.path()); }
    QTemporaryDir tmp;
};

} // namespace

// Every slot saved as GeoTIFF from a georeferenced raster: the raster's
// place and coordinate system, a Cloud Optimized layout with overviews,
// and the bands each kind of map has.
TEST_F(MapFiles, GeoTiffKeepsTheRastersPlaceOnEverySlot)
{
    writeDem(at("dem.tif"), 700, 600, false);
    const Result r = run("--open dem.tif make-texture --sun 0,0 linear --save colour c.tif --save shadow s.tiff "
                         "--save texture t.tif --save height h.tif --save grass g.tif");
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const struct {
        const char* file;
        int bands;
        GDALDataType type;
    } saved[] = {
        {"c.tif", 3, GDT_Byte}, {"s.tiff", 1, GDT_Byte}, {"t.tif", 3, GDT_Byte}, {"h.tif", 1, GDT_UInt16}, {"g.tif", 3, GDT_Byte},
    };
    for (const auto& s : saved) {
        const Raster t = readRaster(at(s.file));
        EXPECT_EQ(t.width, 700) << s.file;
        EXPECT_EQ(t.height, 600) << s.file;
        EXPECT_EQ(t.bands, s.bands) << s.file;
        EXPECT_EQ(t.type, s.type) << s.file;
        EXPECT_TRUE(t.placed) << s.file;
        EXPECT_EQ(t.transform, kPlace) << s.file;
        EXPECT_TRUE(t.utm33) << s.file;
        EXPECT_EQ(t.layout, "COG") << s.file;
        EXPECT_EQ(t.compression, "DEFLATE") << s.file;
        EXPECT_GE(t.overviews, 1) << s.file;
    }
    // The deep heights as loaded: least elevation 100 at 0, greatest at 65535.
    const Raster h = readRaster(at("h.tif"));
    ASSERT_FALSE(h.samples[0].empty());
    EXPECT_EQ(h.samples[0].front(), 0);
    EXPECT_EQ(h.samples[0].back(), 65535);
}

// Regions of a world raster saved as GeoTIFF lie where they are in the
// world: the origin moves by the region's offset in pixels.
TEST_F(MapFiles, RegionsCarryTheirPlaceInTheWorld)
{
    writeDem(at("dem.tif"), 64, 48, false);
    const std::array<int, 4> regions[] = {{0, 0, 64, 48}, {16, 8, 20, 30}, {63, 47, 1, 1}, {0, 40, 64, 8}};
    for (const auto& g : regions) {
        const QString line = QStringLiteral("--world 64,48 --region %1,%2,%3,%4 --heights 0,500 --load height dem.tif "
                                            "--sun 10,-5 linear --save colour c.tif --save height h.tif")
                                 .arg(g[0]).arg(g[1]).arg(g[2]).arg(g[3]);
        const Result r = runTool(line, tmp.path());
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        for (const char* file : {"c.tif", "h.tif"}) {
            const Raster t = readRaster(at(file));
            std::array<double, 6> expected = kPlace;
            expected[0] += 10.0 * g[0];
            expected[3] -= 10.0 * g[1];
            EXPECT_EQ(t.transform, expected) << file << " of " << line.toStdString();
            EXPECT_EQ(t.width, g[2]) << file;
            EXPECT_TRUE(t.utm33) << file;
        }
    }
}

// No-data cells are clear in the lit maps, in GeoTIFF and PNG alike, and
// nothing else is: every other pixel is opaque with the colour the map
// has without holes where the heights agree, the input maps and the
// heights get no alpha, and a raster without no-data gives none at all.
TEST_F(MapFiles, NoDataBecomesClearAndNothingElseDoes)
{
    writeDem(at("holes.tif"), 40, 30, true);
    writeDem(at("whole.tif"), 40, 30, false);
    for (const char* name : {"holes", "whole"}) {
        const QString line = QStringLiteral("--open %1.tif make-texture --sun 0,0 linear --save colour %1-c.tif "
                                            "--save shadow %1-s.tif --save colour %1-c.png --save grass %1-g.tif --save height %1-h.tif")
                                 .arg(QLatin1String(name));
        const Result r = runTool(line, tmp.path());
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
    }
    const struct {
        const char* file;
        int bands; // with the alpha band, if any
        bool clear;
    } cases[] = {
        {"holes-c.tif", 4, true}, {"holes-s.tif", 2, true}, {"holes-c.png", 4, true}, {"holes-g.tif", 3, false},
        {"holes-h.tif", 1, false}, {"whole-c.tif", 3, false}, {"whole-s.tif", 1, false}, {"whole-c.png", 3, false},
    };
    for (const auto& c : cases) {
        const Raster t = readRaster(at(c.file));
        ASSERT_EQ(t.bands, c.bands) << c.file;
        if (!c.clear) continue;
        const std::vector<double>& alpha = t.samples.back();
        for (int y = 0; y < t.height; ++y)
            for (int x = 0; x < t.width; ++x)
                EXPECT_EQ(alpha[static_cast<std::size_t>(y) * t.width + x], elevation(x, y, true) == kNoData ? 0 : 255)
                    << c.file << " at " << x << "," << y;
    }
    // The colours under the alpha are the map's own.
    const Raster png = readRaster(at("holes-c.png"));
    const Raster tif = readRaster(at("holes-c.tif"));
    for (int b = 0; b < 3; ++b) EXPECT_EQ(png.samples[b], tif.samples[b]) << "band " << b;
}

// A world raster that declares no-data gives every region's lit maps an
// alpha band, clear exactly at the region's no-data cells, so the tiles of
// a mosaic have the same bands whether or not a region holds any.
TEST_F(MapFiles, WorldRegionsAreClearWhereTheRasterHeldNoData)
{
    writeDem(at("holes.tif"), 40, 30, true);
    const std::array<int, 4> regions[] = {{0, 0, 20, 15}, {2, 1, 5, 5}, {20, 15, 20, 15}};
    for (const auto& g : regions) {
        const QString line = QStringLiteral("--world 40,30 --region %1,%2,%3,%4 --heights 0,500 --load height holes.tif "
                                            "--sun 0,0 linear --save colour c.tif --save shadow s.png --save grass g.tif")
                                 .arg(g[0]).arg(g[1]).arg(g[2]).arg(g[3]);
        const Result r = runTool(line, tmp.path());
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_EQ(readRaster(at("g.tif")).bands, 3) << "inputs have no alpha";
        for (const auto& [file, bands] : {std::pair{"c.tif", 4}, std::pair{"s.png", 4}}) {
            const Raster t = readRaster(at(file));
            ASSERT_EQ(t.bands, bands) << file << " of " << line.toStdString();
            for (int y = 0; y < t.height; ++y)
                for (int x = 0; x < t.width; ++x)
                    EXPECT_EQ(t.samples.back()[static_cast<std::size_t>(y) * t.width + x],
                              elevation(g[0] + x, g[1] + y, true) == kNoData ? 0 : 255)
                        << file << " of " << line.toStdString() << " at " << x << "," << y;
        }
    }
}

// Raw 16-bit heights: the samples little-endian, an 8-bit map's as v x 257,
// loading back as the same deep heights.
TEST_F(MapFiles, RawHeightsRoundTrip)
{
    QImage deep(5, 3, QImage::Format_Grayscale16);
    QImage shallow(5, 3, QImage::Format_Grayscale8);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            reinterpret_cast<quint16*>(deep.scanLine(y))[x] = static_cast<quint16>(x * 13001 + y * 257 + 1);
            shallow.scanLine(y)[x] = static_cast<uchar>(x * 50 + y);
        }
    ASSERT_TRUE(deep.save(at("deep.png")));
    ASSERT_TRUE(shallow.save(at("shallow.png")));
    for (const char* name : {"deep", "shallow"}) {
        const QString line = QStringLiteral("--open %1.png --save height %1.r16 --save height %1.raw "
                                            "--size 5,3 --load height %1.r16 --save height %1-back.png")
                                 .arg(QLatin1String(name));
        const Result r = runTool(line, tmp.path());
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        QFile raw(at(name) + QStringLiteral(".r16"));
        ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
        const QByteArray bytes = raw.readAll();
        ASSERT_EQ(bytes.size(), 5 * 3 * 2) << name;
        QFile other(at(name) + QStringLiteral(".raw"));
        ASSERT_TRUE(other.open(QIODevice::ReadOnly));
        EXPECT_EQ(other.readAll(), bytes) << name;
        const QImage back(at(name) + QStringLiteral("-back.png"));
        ASSERT_EQ(back.format(), QImage::Format_Grayscale16) << name;
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) {
                const int i = 2 * (y * 5 + x);
                const int v = static_cast<uchar>(bytes[i]) | static_cast<uchar>(bytes[i + 1]) << 8;
                const int expected = name[0] == 'd' ? reinterpret_cast<const quint16*>(deep.constScanLine(y))[x]
                                                    : 257 * shallow.constScanLine(y)[x];
                EXPECT_EQ(v, expected) << name << " at " << x << "," << y;
                EXPECT_EQ(reinterpret_cast<const quint16*>(back.constScanLine(y))[x], expected) << name;
            }
    }
}

// --open makes the map the file's size, whatever its format; files larger
// than a map, raw files (which do not tell their size) and missing ones
// are refused, the larger ones from their header alone.
TEST_F(MapFiles, OpenTakesTheFilesSize)
{
    writeDem(at("dem.tif"), 70, 33, false);
    ASSERT_TRUE(QImage(300, 17, QImage::Format_RGB32).save(at("p.png")));
    ASSERT_TRUE(QImage(9, 400, QImage::Format_RGB32).save(at("p.bmp")));
    QImage deep(21, 2, QImage::Format_Grayscale16);
    deep.fill(0);
    ASSERT_TRUE(deep.save(at("d.png")));
    QFile grid(at("g.asc"));
    ASSERT_TRUE(grid.open(QIODevice::WriteOnly));
    grid.write("ncols 4\nnrows 2\nxllcorner 0\nyllcorner 0\ncellsize 1\n1 2 3 4\n5 6 7 8\n");
    grid.close();
    // A PNG header that declares 20000 x 10 and holds no pixels at all.
    QFile huge(at("huge.png"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    huge.write(QByteArray("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x4e\x20\0\0\0\x0a\x08\x02\0\0\0", 29));
    huge.close();
    const struct {
        const char* file;
        int width, height; // 0: refused
        const char* reason;
    } cases[] = {
        {"dem.tif", 70, 33, ""}, {"p.png", 300, 17, ""}, {"p.bmp", 9, 400, ""}, {"d.png", 21, 2, ""}, {"g.asc", 4, 2, ""},
        {"huge.png", 0, 0, "it is 20000 x 10; a map may be 1 to 16384 a side"},
        {"x.r16", 0, 0, "does not tell its size"},
        {"missing.png", 0, 0, "cannot open \"missing.png\""},
    };
    QFile(at("x.r16")).open(QIODevice::WriteOnly);
    for (const auto& c : cases) {
        QFile::remove(at("out.png"));
        const Result r = runTool(QStringLiteral("--open %1 --save colour out.png").arg(QLatin1String(c.file)), tmp.path());
        if (c.width == 0) {
            EXPECT_EQ(r.status, 1) << c.file;
            EXPECT_TRUE(r.err.contains(QLatin1String(c.reason))) << c.file << ": " << r.err.toStdString();
            EXPECT_FALSE(QFile::exists(at("out.png"))) << c.file;
            continue;
        }
        ASSERT_EQ(r.status, 0) << c.file << ": " << r.err.toStdString();
        EXPECT_FALSE(r.err.contains(QLatin1String(" is "))) << c.file << ": no note of another size: " << r.err.toStdString();
        EXPECT_EQ(QImage(at("out.png")).size(), QSize(c.width, c.height)) << c.file;
    }
}

// Without the raster plugin, a GeoTIFF save is refused before anything is
// written, naming what is missing; a save that fails leaves the file it
// would have replaced as it was, and nothing beside it.
TEST_F(MapFiles, FailedGeoTiffSavesWriteNothing)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("GLOAMERY_ELEVATION_PLUGIN"), at("no-such-plugin.so"));
    const Result missing = runTool(QStringLiteral("--save colour a.png --save colour b.tif"), tmp.path(), env);
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.contains(QLatin1String("libgloamery-gdal.so"))) << missing.err.toStdString();
    EXPECT_FALSE(QFile::exists(at("a.png")));
    EXPECT_FALSE(QFile::exists(at("b.tif")));

    // A directory in the way: the rename over it fails.
    ASSERT_TRUE(QDir(tmp.path()).mkpath(QStringLiteral("taken.tif/inside")));
    const Result blocked = run("--save colour taken.tif");
    EXPECT_EQ(blocked.status, 1);
    EXPECT_TRUE(QFileInfo(at("taken.tif")).isDir());
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("taken.tif")});
}

// A relief layer saved as 32-bit floats with the raster's place: its
// no-data cells declared, the rest the layer's values (the sky-view factor
// of a plane tilted one way is the same wherever the horizon is the map's
// edge), in a whole run and in the regions of a world.
TEST_F(MapFiles, LayersSaveAsFloatGeoTiffsWithThePlaceAndNoData)
{
    writeDem(at("holes.tif"), 40, 30, true);
    struct Case {
        const char* line;
        const char* file;
        int width, height;
        bool holes; // the top-left corner held no data
    } cases[] = {
        {"--open holes.tif --directions 8 sky-view --save layer whole.tif", "whole.tif", 40, 30, true},
        {"--world 40,30 --region 0,0,20,15 --heights 0,500 --load height holes.tif --directions 8 sky-view "
         "--save layer part.tif", "part.tif", 20, 15, true},
        {"--open holes.tif multi-hillshade --save layer hill.tiff", "hill.tiff", 40, 30, true},
    };
    for (const Case& c : cases) {
        const Result r = run(c.line);
        ASSERT_EQ(r.status, 0) << c.line << ": " << r.err.toStdString();
        GDALDatasetH ds = GDALOpen(at(c.file).toLocal8Bit().constData(), GA_ReadOnly);
        ASSERT_NE(ds, nullptr) << c.file;
        GDALRasterBandH band = GDALGetRasterBand(ds, 1);
        int declared = 0;
        const double noData = GDALGetRasterNoDataValue(band, &declared);
        EXPECT_EQ(GDALGetRasterDataType(band), GDT_Float32) << c.file;
        EXPECT_TRUE(declared);
        EXPECT_EQ(noData, -9999.0);
        GDALClose(ds);
        const Raster layer = readRaster(at(c.file));
        EXPECT_EQ(layer.width, c.width);
        EXPECT_EQ(layer.height, c.height);
        EXPECT_TRUE(layer.placed && layer.utm33) << c.file;
        EXPECT_EQ(layer.transform[1], kPlace[1]);
        const bool hill = std::string(c.file) == "hill.tiff";
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) {
                const double v = layer.samples[0][static_cast<std::size_t>(y) * c.width + x];
                if (c.holes && x < 3 && y < 2) EXPECT_EQ(v, -9999.0) << x << "," << y;
                else if (hill) EXPECT_TRUE(v >= 1 && v <= 255 && v == std::floor(v)) << v;
                else EXPECT_TRUE(v > 0 && v <= 1) << v;
            }
    }
    const Result none = run("--open holes.tif --save layer none.tif");
    EXPECT_EQ(none.status, 1);
    EXPECT_TRUE(none.err.contains(QStringLiteral("no layer has been made"))) << none.err.toStdString();
}
