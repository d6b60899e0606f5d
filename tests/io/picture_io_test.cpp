// Loading limits and placement rules that the corpus files do not reach.

#include "imageio/qt/format_checks.h"
#include "imageio/qt/picture_io.h"
#include "imageio/png_writer.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>
#include <utility>

using namespace gloamery;

namespace {

Picture patterned()
{
    Picture p(kInputBackground);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) p.setPixel(x, y, compose(x, 255 - y, 9));
    return p;
}

TEST(DecodeLimit, CountsFourBytesAPixelWithoutOverflowAndNoSideBeyondTheLargestMap)
{
    const struct {
        std::int64_t w, h;
        bool over;
    } cases[] = {
        {4096, 4096, false},                      // exactly 64 MiB
        {4097, 4096, true},
        {4096, 4097, true},
        {16384, 1, false},                        // the widest map
        {16385, 1, true},                         // no map is wider, whatever the bytes
        {1, 16385, true},
        {16777217, 1, true},
        {65535, 65535, true},
        {2147483647, 2147483647, true},           // 2^64 bytes and more: must not wrap
        {4294967295LL, 4294967295LL, true},
        {0, 100000, false},
        {1, 1, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(exceedsLimit(c.w, c.h, 64), c.over) << c.w << " x " << c.h;
}

TEST(PlaceImage, IndexesPastAShortPaletteShowBlack)
{
    QImage indexed(4, 1, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(10, 20, 30), qRgb(40, 50, 60)});
    const uchar values[4] = {0, 1, 2, 255};
    std::copy(values, values + 4, indexed.scanLine(0));
    Picture p(kInputBackground);
    placeImage(p, indexed);
    EXPECT_EQ(p.pixel(0, 0), compose(10, 20, 30));
    EXPECT_EQ(p.pixel(1, 0), compose(40, 50, 60));
    EXPECT_EQ(p.pixel(2, 0), kBlack) << "at 2,0";
    EXPECT_EQ(p.pixel(3, 0), kBlack) << "at 3,0";
    EXPECT_EQ(p.pixel(4, 0), kInputBackground);

    QImage mono(2, 1, QImage::Format_Mono);
    mono.setColorTable({});
    mono.fill(1);
    Picture q(kWhite);
    placeImage(q, mono);
    EXPECT_EQ(q.pixel(0, 0), kBlack);
    EXPECT_EQ(q.pixel(1, 0), kBlack);
}

TEST(PlaceImage, LargerPictureIsCroppedToTheTopLeft)
{
    QImage big(300, 280, QImage::Format_RGB32);
    for (int y = 0; y < big.height(); ++y)
        for (int x = 0; x < big.width(); ++x) big.setPixel(x, y, qRgb(x % 256, y % 256, 7));
    Picture p(kInputBackground);
    placeImage(p, big);
    for (const auto& [x, y] : {std::pair{0, 0}, {255, 0}, {0, 255}, {255, 255}, {100, 37}})
        EXPECT_EQ(p.pixel(x, y), compose(x, y, 7)) << "at " << x << "," << y;
}

// A picture is placed pixel for pixel: an image made for a dense screen
// (as another Qt window may put on the clipboard) is not shrunk.
TEST(PlaceImage, DevicePixelRatioDoesNotScale)
{
    QImage img(100, 60, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) img.setPixel(x, y, qRgb(x, y, 7));
    img.setDevicePixelRatio(2.0);
    Picture p(kInputBackground);
    placeImage(p, img);
    for (const auto& [x, y] : {std::pair{0, 0}, {99, 0}, {0, 59}, {99, 59}, {60, 40}})
        EXPECT_EQ(p.pixel(x, y), compose(x, y, 7)) << "at " << x << "," << y;
    for (const auto& [x, y] : {std::pair{100, 0}, {0, 60}, {255, 255}})
        EXPECT_EQ(p.pixel(x, y), kInputBackground) << "at " << x << "," << y;
}

// The text boxes' numbers: a finite number is read, however small; anything
// else is refused, as the C-locale reading of the batch tool does.
TEST(LocaleNumbers, FiniteNumbersAreReadOthersRefused)
{
    const QLocale saved;
    const struct {
        const char* locale;
        const char* text;
        std::optional<double> value;
    } cases[] = {
        {"C", " 37 ", 37.0},
        {"C", "1e-400", 0.0},            // too small for a double: 0
        {"C", "-2.5E-999", 0.0},
        {"C", "0.001e-330", 0.0},
        {"C", "2e-320", 2e-320},
        {"C", "1e400", std::nullopt},
        {"C", "-1e400", std::nullopt},
        {"C", "1e-", std::nullopt},
        {"C", "e-400", std::nullopt},
        {"C", "1e-5e-400", std::nullopt},
        {"C", "1 e-400", std::nullopt},
        {"C", "1e- 400", std::nullopt},
        {"C", "1e-40x0", std::nullopt},
        {"C", "abce-400", std::nullopt},
        {"C", "infe-400", std::nullopt},
        {"C", "nan", std::nullopt},
        {"C", "", std::nullopt},
        {"de_DE", "10,5", 10.5},
        {"de_DE", "1,5e-400", 0.0},
        {"de_DE", "1.5e-400", std::nullopt},
    };
    const NumberParser parse = localeNumberParser();
    for (const auto& c : cases) {
        QLocale::setDefault(QLocale(QString::fromLatin1(c.locale)));
        EXPECT_EQ(parse(c.text), c.value) << "\"" << c.text << "\" in " << c.locale;
    }
    QLocale::setDefault(saved);
}

class LoadFile : public ::testing::Test {
protected:
    QTemporaryDir dir;
    Picture start = patterned();
    Picture p = start;

    void expectRefused(const QString& path, const char* reasonPart)
    {
        const Refusal r = loadPicture(p, path);
        ASSERT_TRUE(r.has_value()) << path.toStdString() << " loaded";
        EXPECT_NE(r->message.find(reasonPart), std::string::npos) << r->message;
        EXPECT_TRUE(p == start) << "the slot changed";
    }
};

TEST_F(LoadFile, MissingFileOrDirectoryIsRefused)
{
    expectRefused(dir.filePath("nothing-here.bmp"), "");
    expectRefused(dir.path(), "");
}

TEST_F(LoadFile, EveryFormatTheToolkitReadsIsPlacedLikeTheOthers)
{
    // Colours a one-bit format cannot hold are compared as the toolkit reads them back.
    QImage img(40, 30, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) img.setPixel(x, y, qRgb(6 * x, 8 * y, (x + y) % 2 ? 255 : 0));
    for (const char* format : {"ppm", "pgm", "pbm", "xpm", "xbm", "ico"}) {
        if (!QImageWriter::supportedImageFormats().contains(format)) continue;
        const QString path = dir.filePath(QStringLiteral("picture.") + format);
        ASSERT_TRUE(img.save(path, format)) << format;
        Picture expected = start;
        placeImage(expected, QImage(path));
        const Refusal r = loadPicture(p, path);
        EXPECT_FALSE(r.has_value()) << format << ": " << (r ? r->message : "");
        EXPECT_TRUE(p == expected) << format;
        EXPECT_EQ(p.pixel(200, 200), start.background()) << format << ": the background beyond the picture";
    }
}

TEST_F(LoadFile, DamagedPortablePixmapIsRefused)
{
    // The header promises 40 x 30 pixels; half of them are there.
    QByteArray bytes = "P6\n40 30\n255\n";
    bytes.append(QByteArray(40 * 15 * 3, '\x40'));
    const QString path = dir.filePath(QStringLiteral("cut.ppm"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    expectRefused(path, "PPM");
}

// An endless device is refused as a device, before a byte is read.
TEST_F(LoadFile, EndlessDeviceIsRefusedUnread)
{
    if (!QFile::exists(QStringLiteral("/dev/zero"))) GTEST_SKIP() << "no /dev/zero";
    expectRefused(QStringLiteral("/dev/zero"), "device");
}

TEST(LoadData, OversizedBufferIsRefusedUndecoded)
{
    const QByteArray huge(static_cast<qsizetype>(kMaxPictureFileBytes + 1), 'B');
    Picture start = patterned(), p = start;
    const Refusal r = loadPictureData(p, huge);
    ASSERT_TRUE(r.has_value());
    EXPECT_NE(r->message.find("larger than"), std::string::npos) << r->message;
    EXPECT_TRUE(p == start);
}

// A decoded image (the clipboard's own) is held to the decoding limit of a
// file, with the same reason; within it, it is placed like any picture.
TEST(LoadImage, DecodedImagesHaveTheLimitOfAFile)
{
    const struct {
        int w, h;
        bool refused;
    } cases[] = {
        {16384, 2, false}, // the widest map
        {16385, 2, true},
        {2, 16385, true},
        {40000, 40000, true},
        {300, 200, false},
        {0, 0, true}, // a null image: nothing decoded
    };
    for (const auto& c : cases) {
        QImage image;
        if (c.w > 0) {
            image = QImage(c.w, c.h, QImage::Format_Mono); // one bit a pixel keeps the test small
            image.fill(0);
        }
        const Picture start = patterned();
        Picture p = start;
        const Refusal r = loadPictureImage(p, image);
        ASSERT_EQ(r.has_value(), c.refused) << c.w << " x " << c.h;
        if (r) {
            EXPECT_TRUE(p == start) << c.w << " x " << c.h;
            if (c.w > 0) {
                EXPECT_EQ(r->message, tooLargeError(c.w, c.h, kDecodeLimitMiB).message);
            }
        } else {
            Picture expected = start;
            placeImage(expected, image);
            EXPECT_TRUE(p == expected) << c.w << " x " << c.h;
        }
    }
}

// What the window and the batch tool write, they read back unchanged: at
// the default size, and at sizes whose PNG rows are compressed in several
// bands (one the height of a band, one a row more, and some that take
// several rounds of bands however many threads there are).
TEST(LoadData, SavedPicturesLoadBackExactly)
{
    QTemporaryDir dir;
    unsigned seed = 7;
    for (const auto& [w, h] : {std::pair{256, 256}, {1, 1}, {3, 2}, {300, 700}, {5, 512}, {2, 513}, {2, 2049}, {1, 4353}}) {
        Picture picture(kInputBackground, w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                seed = seed * 1103515245u + 12345u;
                // Smooth on the left, noise on the right, as maps are.
                picture.setPixel(x, y, x < w / 2 ? compose(x, y, (x * y) & 255) : static_cast<Colour>(seed >> 8 & 0xFFFFFF));
            }
        for (const char* name : {"out.bmp", "out.png"}) {
            const QString path = dir.filePath(QString::fromLatin1(name));
            ASSERT_FALSE(savePicture(picture, path).has_value()) << name;
            Picture back(kInputBackground, w, h);
            const Refusal r = loadPicture(back, path);
            ASSERT_FALSE(r.has_value()) << name << " " << w << " x " << h << ": " << r->message;
            EXPECT_TRUE(back == picture) << name << " " << w << " x " << h;
        }
    }
    // A writer that stops part-way is told so, whichever byte it stops at,
    // in the first bands handed on or in later ones.
    const Picture picture(kInputBackground, 300, 4700);
    std::size_t whole = 0;
    ASSERT_EQ(writePng(picture, [&](std::string_view bytes) { return (whole += bytes.size()) > 0; }), PngResult::Written);
    for (std::size_t stopAt : {std::size_t(0), std::size_t(8), std::size_t(40), whole * 3 / 4, whole - 1}) {
        std::size_t taken = 0;
        EXPECT_EQ(writePng(picture, [&](std::string_view bytes) { return (taken += bytes.size()) <= stopAt; }),
                  PngResult::WriteFailed) << "stopping at byte " << stopAt;
    }
}

} // namespace

namespace gloamery_plugin_formats {

using namespace gloamery;

// A TGA of the picture as the format stores it: 24 bits a pixel, the bottom
// row first, no name (so its first bytes read as an empty Windows cursor)
// and the footer of the format's second version.
QByteArray tgaOf(const QImage& image)
{
    QByteArray b(18, '\0');
    b[2] = 2;
    b[12] = static_cast<char>(image.width()), b[14] = static_cast<char>(image.height()), b[16] = 24;
    for (int y = image.height() - 1; y >= 0; --y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            b += static_cast<char>(qBlue(c)), b += static_cast<char>(qGreen(c)), b += static_cast<char>(qRed(c));
        }
    return b + QByteArray(8, '\0') + QByteArray("TRUEVISION-XFILE.", 18);
}

// Files the toolkit's plugins write are let through the length checks and
// load as they were made; cut to half their length, each is refused, never
// half-shown.
TEST(LoadData, PluginFormatsLoadWhatTheyHoldAndRefuseHalfFiles)
{
    // Of a size Apple icons hold as it is.
    QImage image(32, 32, QImage::Format_RGB32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) image.setPixel(x, y, (x + y) % 3 == 0 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    for (const char* format : {"ico", "icns", "webp", "wbmp", "xpm", "xbm", "tga"}) {
        QByteArray bytes;
        if (std::string_view(format) == "tga") {
            bytes = tgaOf(image);
        } else {
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            QImageWriter writer(&buffer, format);
            writer.setQuality(100); // lossless where the format has a choice
            ASSERT_TRUE(writer.write(image)) << format << ": " << writer.errorString().toStdString();
        }
        Picture loaded(kInputBackground, 32, 32);
        const Refusal r = loadPictureData(loaded, bytes);
        ASSERT_FALSE(r.has_value()) << format << ": " << r->message;
        Picture expected(kInputBackground, 32, 32);
        placeImage(expected, image);
        EXPECT_TRUE(loaded == expected) << format;

        const Picture start = patterned();
        Picture half = start;
        EXPECT_TRUE(loadPictureData(half, bytes.left(bytes.size() / 2)).has_value()) << format;
        EXPECT_TRUE(half == start) << format;
    }
}

} // namespace gloamery_plugin_formats
