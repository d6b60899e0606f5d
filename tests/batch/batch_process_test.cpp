// The batch tool run as a process, with no display: exit statuses, files
// written or not, and scenes compared pixel for pixel with the library
// called directly.

#include "compose/texture.h"
#include "imageio/qt/picture_io.h"
#include "inputs/shadow_inputs.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <random>

using namespace gloamery;

namespace {

struct Result {
    int status = -1;
    QString out;
    QString err;
};

// Runs the tool in dir with no X server and no platform plugin chosen.
Result runTool(const QStringList& args, const QString& dir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(QLatin1String(name));
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir);
    p.start(QStringLiteral(GLOAMERY_BATCH_BIN), args);
    Result r;
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit) {
        r.err = QStringLiteral("did not finish normally: ") + p.errorString();
        return r;
    }
    r.status = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QStringList words(const char* line) { return QString::fromUtf8(line).split(QLatin1Char(' '), Qt::SkipEmptyParts); }

QStringList filesIn(const QString& dir) { return QDir(dir).entryList(QDir::Files | QDir::NoDotAndDotDot); }

// A terrain with a few sharp ridges and some noise, so every shading rule
// has occluders to work with.
Picture syntheticHeights(unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> noise(0, 40);
    Picture p(kInputBackground);
    for (int y = 0; y < Picture::kSize; ++y)
        for (int x = 0; x < Picture::kSize; ++x) {
            const int ridge = (x + 2 * y) % 97 < 6 ? 180 : 0;
            const int hill = (x - 128) * (x - 128) + (y - 90) * (y - 90) < 900 ? 120 : 0;
            p.setPixel(x, y, grey(std::min(255, ridge + hill + noise(rng))));
        }
    return p;
}

Picture syntheticTexture(unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> c(0, 255);
    Picture p(kWhite);
    for (int y = 0; y < Picture::kSize; ++y)
        for (int x = 0; x < Picture::kSize; ++x) p.setPixel(x, y, compose(c(rng), c(rng), c(rng)));
    return p;
}

void write(const Picture& p, const QString& path) { ASSERT_FALSE(savePicture(p, path, "png").has_value()) << path.toStdString(); }

Picture read(const QString& path, Colour background = kBlack)
{
    Picture p(background);
    const Refusal r = loadPicture(p, path);
    EXPECT_FALSE(r.has_value()) << path.toStdString() << ": " << (r ? r->message : "");
    return p;
}

void expectSamePixels(const Picture& expected, const Picture& actual, const std::string& what)
{
    for (int y = 0; y < Picture::kSize; ++y)
        for (int x = 0; x < Picture::kSize; ++x)
            if (expected.pixel(x, y) != actual.pixel(x, y)) {
                ADD_FAILURE() << what << " differs at " << x << "," << y << ": expected " << std::hex
                              << expected.pixel(x, y) << ", got " << actual.pixel(x, y);
                return;
            }
}

class BatchProcess : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tmp.isValid()); }
    QString dir() const { return tmp.path(); }
    QString at(const char* name) const { return tmp.filePath(QLatin1String(name)); }
    QTemporaryDir tmp;
};

} // namespace

TEST_F(BatchProcess, UsageErrorExitsWithTwoAndWritesNothing)
{
    // Good work comes first in each line: none of it may run.
    const char* bad[] = {
        "--save colour first.png linear --save shadow second.bmp --blend multiply/4",
        "--save colour first.png linear --save shadow second.bmp --save colour third.jpg",
        "--save colour first.png linear --save shadow second.bmp shine",
        "--save colour first.png linear --save shadow second.bmp --load attic a.png",
        "--save colour first.png linear --save shadow second.bmp --sun 1,x",
        "--save colour first.png linear --save shadow second.bmp --decay 1,5",
        "--save colour first.png linear --save shadow second.bmp --darkness 300",
        "--save colour first.png linear --save shadow second.bmp --contrast 101",
        "--save colour first.png linear --save shadow second.bmp --sun 40000,0 linear",
        "--save colour first.png linear --save shadow second.bmp --load height",
        "",
    };
    for (const char* line : bad) {
        const Result r = runTool(words(line), dir());
        EXPECT_EQ(r.status, 2) << line << "\n" << r.err.toStdString();
        EXPECT_TRUE(r.err.startsWith(QLatin1String("gloamery-batch: "))) << line << "\n" << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << line;
        EXPECT_EQ(filesIn(dir()), QStringList()) << line;
    }
}

TEST_F(BatchProcess, HelpAndVersionWithoutDisplay)
{
    const Result help = runTool({QStringLiteral("--help")}, dir());
    EXPECT_EQ(help.status, 0) << help.err.toStdString();
    EXPECT_TRUE(help.out.startsWith(QLatin1String("Usage: gloamery-batch"))) << help.out.toStdString();
    EXPECT_TRUE(help.err.isEmpty()) << help.err.toStdString();

    const Result version = runTool({QStringLiteral("--version")}, dir());
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, QStringLiteral("gloamery-batch 0.7\n"));
}

TEST_F(BatchProcess, FileErrorsStopTheRunAndKeepEarlierSaves)
{
    QFile junk(at("junk.png"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("this is not an image");
    junk.close();
    ASSERT_TRUE(QDir(dir()).mkdir(QStringLiteral("taken.png"))); // a directory in the way of a save

    struct Case {
        const char* line;
        const char* named;
    };
    const Case cases[] = {
        {"--save colour before.png --load height missing.png --save colour after.png", "missing.png"},
        {"--save colour before.png --load grass junk.png --save colour after.png", "junk.png"},
        {"--save colour before.png --save shadow no/such/dir.png --save colour after.png", "no/such/dir.png"},
        {"--save colour before.png --save shadow taken.png --save colour after.png", "taken.png"},
    };
    for (const Case& c : cases) {
        QFile::remove(at("before.png"));
        const Result r = runTool(words(c.line), dir());
        EXPECT_EQ(r.status, 1) << c.line << "\n" << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QLatin1String(c.named))) << c.line << "\n" << r.err.toStdString();
        EXPECT_TRUE(QFile::exists(at("before.png"))) << c.line;
        EXPECT_FALSE(QFile::exists(at("after.png"))) << c.line;
    }
    EXPECT_TRUE(QFileInfo(at("taken.png")).isDir());
}

TEST_F(BatchProcess, TimeReportsEachOperationInOrder)
{
    const Result r = runTool(words("--time linear clear make-texture --blur off cos"), dir());
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList lines = r.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const char* names[] = {"linear", "clear", "make-texture", "cos"};
    ASSERT_EQ(lines.size(), 4) << r.err.toStdString();
    for (int i = 0; i < 4; ++i) {
        const QRegularExpression line(QStringLiteral("^%1 \\d+\\.\\d{3} ms$").arg(QLatin1String(names[i])));
        EXPECT_TRUE(line.match(lines[i]).hasMatch()) << lines[i].toStdString();
    }
}

TEST_F(BatchProcess, SavedPicturesLoadBackUnchanged)
{
    const Picture texture = syntheticTexture(7);
    write(texture, at("in.png"));
    // Through BMP and PNG, into an input slot and into the two computed
    // slots, which the tool may load as well.
    const Result r = runTool(words("--load grass in.png --save grass a.bmp --load colour a.bmp --save colour b.png "
                                   "--load shadow b.png --save shadow c.bmp --load stone c.bmp --save stone d.png"),
                             dir());
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    for (const char* name : {"a.bmp", "b.png", "c.bmp", "d.png"}) expectSamePixels(texture, read(at(name)), name);
}

TEST_F(BatchProcess, LoadPlacesImagesAtTheTopLeftOverTheBackground)
{
    QImage small(10, 5, QImage::Format_ARGB32);
    small.fill(qRgb(10, 20, 30));
    small.setPixel(3, 2, qRgba(0, 0, 0, 0)); // transparent: the background shows
    ASSERT_TRUE(small.save(at("small.png")));
    QImage big(300, 270, QImage::Format_RGB32);
    for (int y = 0; y < big.height(); ++y)
        for (int x = 0; x < big.width(); ++x) big.setPixel(x, y, qRgb(x % 256, y % 256, (x + y) % 256));
    ASSERT_TRUE(big.save(at("big.png")));

    const Result r = runTool(words("--load grass small.png --save grass s.png --load texture small.png --save texture t.png "
                                   "--load detail big.png --save detail b.png"),
                             dir());
    ASSERT_EQ(r.status, 0) << r.err.toStdString();

    const Picture grass = read(at("s.png"));
    const Picture texture = read(at("t.png"));
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const bool covered = x < 10 && y < 5 && !(x == 3 && y == 2);
            ASSERT_EQ(grass.pixel(x, y), covered ? compose(10, 20, 30) : kInputBackground) << "grass at " << x << "," << y;
            ASSERT_EQ(texture.pixel(x, y), covered ? compose(10, 20, 30) : kWhite) << "texture at " << x << "," << y;
        }
    const Picture detail = read(at("b.png"));
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) ASSERT_EQ(detail.pixel(x, y), compose(x, y, (x + y) % 256)) << "at " << x << "," << y;

    // A portable pixmap, one of the formats the window's dialog does not list.
    ASSERT_TRUE(big.save(at("big.ppm"), "PPM"));
    const Result ppm = runTool(words("--load stone big.ppm --save stone p.png"), dir());
    ASSERT_EQ(ppm.status, 0) << ppm.err.toStdString();
    expectSamePixels(detail, read(at("p.png")), "big.ppm");
}

// --size repeats the input pictures and restarts the computed ones; --load
// keeps its top-left placing at any size but says when the sizes differ;
// --tile repeats the file's picture.
TEST_F(BatchProcess, MapSizeRepeatsInputsTilesAndNotesOtherSizes)
{
    QImage pattern(3, 2, QImage::Format_RGB32);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) pattern.setPixel(x, y, qRgb(10 * x, 20 * y, 7));
    ASSERT_TRUE(pattern.save(at("p.png")));
    const Result r = runTool(words("--save height d.png --size 300,260 --save height dd.png --size 5,3 --load height p.png "
                                   "--save height h.png --tile grass p.png --save grass g.png --save shadow s.png"),
                             dir());
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, QStringLiteral("note: p.png is 3 x 2; the map is 5 x 3 (use --size 3,2 before --load to work at "
                                    "its size)\n"));

    const QImage d(at("d.png")), dd(at("dd.png"));
    ASSERT_EQ(dd.size(), QSize(300, 260));
    for (int y = 0; y < 260; y += 7)
        for (int x = 0; x < 300; x += 3) ASSERT_EQ(dd.pixel(x, y), d.pixel(x % 256, y % 256)) << "at " << x << "," << y;

    const QImage h(at("h.png")), g(at("g.png")), shadow(at("s.png"));
    ASSERT_EQ(h.size(), QSize(5, 3));
    ASSERT_EQ(g.size(), QSize(5, 3));
    ASSERT_EQ(shadow.size(), QSize(5, 3));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            const QRgb placed = x < 3 && y < 2 ? pattern.pixel(x, y) : qRgb(240, 240, 240);
            EXPECT_EQ(h.pixel(x, y), placed) << "height at " << x << "," << y;
            EXPECT_EQ(g.pixel(x, y), pattern.pixel(x % 3, y % 2)) << "grass at " << x << "," << y;
            EXPECT_EQ(shadow.pixel(x, y), qRgb(255, 255, 255)) << "shadow at " << x << "," << y;
        }
}

TEST_F(BatchProcess, RastersNoteTheirRangeAndDeepHeightsSaveSixteenBits)
{
    QFile grid(at("g.asc"));
    ASSERT_TRUE(grid.open(QIODevice::WriteOnly));
    grid.write("ncols 4\nnrows 1\nxllcorner 0\nyllcorner 0\ncellsize 1\nNODATA_value -1\n100 -1 350 600\n");
    grid.close();
    ASSERT_TRUE(QImage(4, 1, QImage::Format_Grayscale8).save(at("p8.png")));
    const Result r = runTool(words("--size 4,1 --load height g.asc --save height a.png --heights 0,500 --load height g.asc "
                                   "--save height b.png --save height b.bmp --load height p8.png --save height e.png"),
                             dir());
    if (r.err.contains(QLatin1String("plugin, which is not installed"))) GTEST_SKIP() << "no gloamery-gdal plugin";
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    // Each load also tells the units it sets for "Sun": a level of 500 / 255.
    EXPECT_EQ(r.err, QStringLiteral("note: g.asc: heights from 100 to 600 mapped onto 0..65535\n"
                                    "note: g.asc: its pixels measure 1 x 1 on the ground and a height level 1.9607843137254901 in "
                                    "elevation (--ground 1,1 --vertical 1.9607843137254901)\n"
                                    "note: g.asc: heights from 0 to 500 mapped onto 0..65535\n"
                                    "note: g.asc: its pixels measure 1 x 1 on the ground and a height level 1.9607843137254901 in "
                                    "elevation (--ground 1,1 --vertical 1.9607843137254901)\n"));
    const struct {
        const char* file;
        std::vector<int> samples; // none: an 8-bit picture
    } saved[] = {
        {"a.png", {0, 0, 32768, 65535}}, // 250 / 500 x 65535 = 32767.5, to even
        {"b.png", {13107, 0, 45874, 65535}}, // 350 / 500 is a hair below 0.7; 600 saturates
        {"b.bmp", {}},
        {"e.png", {}},
    };
    for (const auto& s : saved) {
        const QImage image(at(s.file));
        EXPECT_EQ(image.format() == QImage::Format_Grayscale16, !s.samples.empty()) << s.file;
        if (s.samples.empty()) continue;
        const auto* line = reinterpret_cast<const quint16*>(image.constScanLine(0));
        for (int x = 0; x < 4; ++x) EXPECT_EQ(line[x], s.samples[static_cast<std::size_t>(x)]) << s.file << " at " << x;
    }
}

// Regions of a world read from a file by window, saved and put side by
// side, are the whole run's pictures: from raw 8- and 16-bit samples and
// from rasters (an ASCII grid, and a VRT mosaic of it); a file shorter
// than the world is refused.
TEST_F(BatchProcess, RegionsOfAWorldStitchToTheWholeRun)
{
    const int w = 61, h = 47;
    std::mt19937 rng(5);
    QByteArray r8, r16, asc = "ncols 61\nnrows 47\nxllcorner 0\nyllcorner 0\ncellsize 1\nNODATA_value -9999\n";
    for (int i = 0; i < w * h; ++i) {
        const int x = i % w, y = i / w, v = (x * 37 + y * y * 5) % 600 + static_cast<int>(rng() % 60);
        r8.append(static_cast<char>(v % 256));
        r16.append(static_cast<char>((v * 97) & 255)).append(static_cast<char>((v * 97) >> 8));
        asc.append(QByteArray::number(rng() % 50 == 0 ? -9999 : v)).append(x + 1 == w ? "\n" : " ");
    }
    const QByteArray vrt = "<VRTDataset rasterXSize=\"61\" rasterYSize=\"47\"><VRTRasterBand dataType=\"Float64\" band=\"1\">"
                           "<NoDataValue>-9999</NoDataValue><SimpleSource><SourceFilename relativeToVRT=\"1\">w.asc</SourceFilename>"
                           "<SourceBand>1</SourceBand></SimpleSource></VRTRasterBand></VRTDataset>";
    for (const auto& [name, bytes] : {std::pair{"w.r8", r8}, {"w.r16", r16}, {"w.asc", asc}, {"w.vrt", vrt}}) {
        QFile f(at(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    // The shadow buttons, then "sun", which writes every shadow pixel anew.
    const char* opsList[] = {"--sun 70,-9 --decay 3 --blur on make-texture2 linear --sun 20,20 --decay 0 sin",
                             "make-texture --sun-angle 250,20 --sun-size 3 --sky 0.2 --sky-rays 6,2 sun"}; // a raster's own units
    const struct {
        const char* world; // as a region's run loads it
        const char* whole; // as the whole run loads the same heights
    } files[] = {{"--load height w.r8", "--load height w.r8"},
                 {"--load height w.r16", "--load height w.r16"},
                 {"--heights -5,700 --load height w.asc", "--heights -5,700 --load height w.asc"},
                 {"--heights -5,700 --load height w.vrt", "--heights -5,700 --load height w.asc"}};
    const int xs[] = {0, 1, 30, 60, 61}, ys[] = {0, 20, 46, 47};
    for (const char* ops : opsList)
    for (const auto& file : files) {
        const Result whole = runTool(words("--size 61,47") + words(file.whole) + words(ops) + words("--save colour whole.png --save shadow whole-s.png"), dir());
        if (whole.err.contains(QLatin1String("plugin, which is not installed"))) continue;
        ASSERT_EQ(whole.status, 0) << whole.err.toStdString();
        const QImage wholeColour(at("whole.png")), wholeShadow(at("whole-s.png"));
        for (int j = 0; j + 1 < 4; ++j)
            for (int i = 0; i + 1 < 5; ++i) {
                const QString region = QStringLiteral("%1,%2,%3,%4").arg(xs[i]).arg(ys[j]).arg(xs[i + 1] - xs[i]).arg(ys[j + 1] - ys[j]);
                const Result r = runTool(words("--world 61,47 --region") + QStringList{region} + words(file.world) + words(ops)
                                             + words("--save colour c.png --save shadow s.png"), dir());
                ASSERT_EQ(r.status, 0) << file.world << " " << region.toStdString() << ": " << r.err.toStdString();
                const QRect box(xs[i], ys[j], xs[i + 1] - xs[i], ys[j + 1] - ys[j]);
                EXPECT_EQ(QImage(at("c.png")).convertToFormat(QImage::Format_RGB32), wholeColour.copy(box).convertToFormat(QImage::Format_RGB32))
                    << file.world << " colour of region " << region.toStdString();
                EXPECT_EQ(QImage(at("s.png")).convertToFormat(QImage::Format_RGB32), wholeShadow.copy(box).convertToFormat(QImage::Format_RGB32))
                    << file.world << " shadow of region " << region.toStdString();
            }
    }
    const Result shorter = runTool(words("--world 61,48 --region 0,0,5,5 --load height w.r16 linear"), dir());
    EXPECT_EQ(shorter.status, 1);
    EXPECT_TRUE(shorter.err.contains(QLatin1String("a 61 x 48 world of 16-bit samples takes 5856"))) << shorter.err.toStdString();
}

TEST_F(BatchProcess, ReadsJpegWithoutDisplay)
{
    if (!QImageWriter::supportedImageFormats().contains("jpeg")) GTEST_SKIP() << "no JPEG plug-in";
    QImage img(256, 256, QImage::Format_RGB32);
    img.fill(qRgb(200, 200, 200));
    ASSERT_TRUE(img.save(at("h.jpg"), "JPEG", 100));
    const Result r = runTool(words("--load height h.jpg --save height out.png"), dir());
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const Picture out = read(at("out.png"));
    for (int y = 0; y < 256; y += 51)
        for (int x = 0; x < 256; x += 51) EXPECT_NEAR(red(out.pixel(x, y)), 200, 2) << "at " << x << "," << y;
}

namespace {

// A scene: the tool's arguments and the same work done by calling the
// library directly. Both start from the control panel's start state with
// height.png and texture.png available.
struct Scene {
    const char* name;
    const char* args;
    std::function<void(Workspace&, SilentReporter&)> direct;
};

Controls controls(const char* x0, const char* y0, const char* alt, int darkness, bool blur, BlendMode blend)
{
    Controls c;
    c.x0 = x0;
    c.y0 = y0;
    c.alt = alt;
    c.darkness = darkness;
    c.blur = blur;
    c.blend = blend;
    return c;
}

void shadow(Workspace& ws, ShadowMode mode, const Controls& c, SilentReporter& r)
{
    ASSERT_FALSE(runShadowButton(ws, mode, c, parseCNumber, r).has_value());
}

} // namespace

TEST_F(BatchProcess, ScenesMatchTheLibraryPixelForPixel)
{
    const Picture heights = syntheticHeights(11);
    const Picture texture = syntheticTexture(12);
    write(heights, at("height.png"));
    write(texture, at("texture.png"));
    auto loadInputs = [&](Workspace& ws) {
        ws.setHeightPicture(heights);
        ws.picture(Slot::Texture) = texture;
    };
    const auto M = BlendMode::Multiply;

    const Scene scenes[] = {
        {"start state, linear", "--sun 40,30 linear",
         [&](Workspace& ws, SilentReporter& r) { shadow(ws, ShadowMode::Linear, controls("40", "30", "5", 128, true, M), r); }},
        {"loaded terrain, cos, 50/50 without blur",
         "--load height height.png --load texture texture.png --sun 100.5,-20 --decay 2.5 --darkness 200 --blur off "
         "--blend 50/50 cos",
         [&](Workspace& ws, SilentReporter& r) {
             loadInputs(ws);
             shadow(ws, ShadowMode::Cos, controls("100.5", "-20", "2.5", 200, false, BlendMode::Half), r);
         }},
        {"textures, embossed, sin, multiply/3 and /2",
         "--load height height.png --contrast 60 make-texture --sun 255,128 --blend multiply/3 embossed "
         "--contrast 15 make-texture2 --blend multiply/2 --decay 1 sin",
         [&](Workspace& ws, SilentReporter& r) {
             ws.setHeightPicture(heights);
             makeTexture(ws, 60, r);
             shadow(ws, ShadowMode::Embossed, controls("255", "128", "5", 128, true, BlendMode::Multiply3), r);
             makeTexture2(ws, 15, r);
             shadow(ws, ShadowMode::Sin, controls("255", "128", "1", 128, true, BlendMode::MultiplyHalf), r);
         }},
        {"linear sim ignores the sun", "--load height height.png --sun 99999,5 --darkness 255 linear-sim",
         [&](Workspace& ws, SilentReporter& r) {
             ws.setHeightPicture(heights);
             shadow(ws, ShadowMode::LinearSim, controls("0", "0", "5", 255, true, M), r);
         }},
        // Two suns, two runs: the second run's shades land on the first's.
        {"shades accumulate", "--load height height.png --sun 10,10 linear --sun 200,50 --decay 1 linear",
         [&](Workspace& ws, SilentReporter& r) {
             ws.setHeightPicture(heights);
             shadow(ws, ShadowMode::Linear, controls("10", "10", "5", 128, true, M), r);
             shadow(ws, ShadowMode::Linear, controls("200", "50", "1", 128, true, M), r);
         }},
        {"clear between runs", "--load height height.png --sun 10,10 linear clear --sun 200,50 --decay 1 linear",
         [&](Workspace& ws, SilentReporter& r) {
             ws.setHeightPicture(heights);
             shadow(ws, ShadowMode::Linear, controls("200", "50", "1", 128, true, M), r);
         }},
    };

    for (const Scene& s : scenes) {
        SCOPED_TRACE(s.name);
        QStringList args = words(s.args);
        args << words("--save shadow out-shadow.png --save colour out-colour.bmp --save texture out-texture.png");
        const Result r = runTool(args, dir());
        ASSERT_EQ(r.status, 0) << r.err.toStdString();

        Workspace ws;
        loadDefaultPictures(ws);
        SilentReporter quiet;
        s.direct(ws, quiet);
        expectSamePixels(ws.picture(Slot::Shadow), read(at("out-shadow.png")), "shadow map");
        expectSamePixels(ws.picture(Slot::Colour), read(at("out-colour.bmp")), "colour map");
        expectSamePixels(ws.picture(Slot::Texture), read(at("out-texture.png")), "texture map");
    }
}

TEST_F(BatchProcess, LaterRunsAddToEarlierShadesInArgumentOrder)
{
    const Picture heights = syntheticHeights(21);
    write(heights, at("height.png"));
    auto shadowAfter = [&](const char* line) {
        QStringList args = words("--load height height.png");
        args << words(line) << words("--save shadow s.png");
        const Result r = runTool(args, dir());
        EXPECT_EQ(r.status, 0) << line << "\n" << r.err.toStdString();
        return read(at("s.png"));
    };
    const Picture first = shadowAfter("--sun 10,10 linear");
    const Picture second = shadowAfter("--sun 200,50 --decay 1 linear");
    const Picture both = shadowAfter("--sun 10,10 linear --sun 200,50 --decay 1 linear");
    const Picture reversed = shadowAfter("--sun 200,50 --decay 1 linear --decay 5 --sun 10,10 linear");

    // Where the second run writes, it wins; elsewhere the first run's shade
    // stays. Neither run alone gives the combined map.
    int keptFromFirst = 0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const Colour expected = second.pixel(x, y) != kWhite ? second.pixel(x, y) : first.pixel(x, y);
            if (second.pixel(x, y) == kWhite && first.pixel(x, y) != kWhite) ++keptFromFirst;
            ASSERT_EQ(both.pixel(x, y), expected) << "at " << x << "," << y;
        }
    EXPECT_GT(keptFromFirst, 100);
    EXPECT_NE(both, reversed);
}

// An elevation raster sets "Sun"'s ground size and vertical unit, says so,
// and gives way to --ground and --vertical given after it; units the Sun
// cannot take are refused by name unless flags replace them.
TEST_F(BatchProcess, RastersSetTheSunsUnitsAndLaterFlagsWin)
{
    auto grid = [&](const char* name, const char* cellsize) {
        QByteArray asc = QByteArray("ncols 30\nnrows 20\nxllcorner 0\nyllcorner 0\ncellsize ") + cellsize + "\n";
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 30; ++x) asc.append(QByteArray::number(100 + (x * 7 + y * y) % 60)).append(x == 29 ? "\n" : " ");
        QFile f(at(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(asc);
    };
    grid("g30.asc", "30");
    grid("tiny.asc", "1e-12");
    // Heights 100..159 map onto 0..65535: a level is 59 / 255 in elevation.
    const Result own = runTool(words("--open g30.asc --sun-angle 120,20 sun --save shadow own.png"), dir());
    if (own.err.contains(QLatin1String("plugin, which is not installed"))) GTEST_SKIP() << "no raster plugin";
    ASSERT_EQ(own.status, 0) << own.err.toStdString();
    EXPECT_TRUE(own.err.contains(QLatin1String("its pixels measure 30 x 30 on the ground"))) << own.err.toStdString();
    const struct {
        const char* args;
        bool sameAsOwn;
    } cases[] = {
        {"--open g30.asc --ground 30 --vertical 0.23137254901960785 --sun-angle 120,20 sun", true},
        {"--ground 5 --vertical 9 --open g30.asc --sun-angle 120,20 sun", true}, // the raster's come later
        {"--open g30.asc --ground 1 --sun-angle 120,20 sun", false},
        {"--open g30.asc --vertical 1 --sun-angle 120,20 sun", false},
        {"--open tiny.asc --ground 30 --sun-angle 120,20 sun", true},
    };
    for (const auto& c : cases) {
        const Result r = runTool(words(c.args) + words("--save shadow other.png"), dir());
        ASSERT_EQ(r.status, 0) << c.args << ": " << r.err.toStdString();
        QFile a(at("own.png")), b(at("other.png"));
        ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        EXPECT_EQ(a.readAll() == b.readAll(), c.sameAsOwn) << c.args;
    }
    const Result refused = runTool(words("--open tiny.asc sun --save shadow x.png"), dir());
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.err.contains(QLatin1String("--ground"))) << refused.err.toStdString();
    EXPECT_FALSE(QFile::exists(at("x.png")));
}
