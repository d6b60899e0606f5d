// Plain PNG files read a row at a time into the slots, and slots saved a
// row at a time: what the toolkit's reader and the whole decode give, and
// the bytes a save of the whole picture writes.

#include "imageio/map_files.h"
#include "imageio/native_io.h"
#include "imageio/png_codec.h"
#include "imageio/qt/height_files.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

using namespace gloamery;

namespace {

std::vector<unsigned char> pngBytes(const QImage& image)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return {out.begin(), out.end()};
}

// The file with a gamma chunk after its header, as image tools write one.
std::vector<unsigned char> withGamma(std::vector<unsigned char> png)
{
    const unsigned char data[] = {'g', 'A', 'M', 'A', 0, 0, 0xB1, 0x8F};
    std::vector<unsigned char> chunk = {0, 0, 0, 4};
    chunk.insert(chunk.end(), data, data + 8);
    const uLong crc = crc32(0, data, 8);
    for (int shift = 24; shift >= 0; shift -= 8) chunk.push_back(static_cast<unsigned char>(crc >> shift));
    png.insert(png.begin() + 33, chunk.begin(), chunk.end()); // signature 8, header chunk 25
    return png;
}

struct Kind {
    const char* name;
    QImage::Format format;
    bool grey; // colour values all grey
};

QImage noise(const Kind& k, int w, int h, unsigned seed)
{
    std::mt19937 random(seed);
    QImage image(w, h, k.format);
    if (k.format == QImage::Format_Indexed8) {
        QList<QRgb> table;
        for (int i = 0; i < 16; ++i) table.append(k.grey ? qRgb(i * 17, i * 17, i * 17) : qRgb(i * 16, 255 - i * 9, i * 5));
        image.setColorTable(table);
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const unsigned v = random();
            if (k.format == QImage::Format_Grayscale16) reinterpret_cast<std::uint16_t*>(image.scanLine(y))[x] = static_cast<std::uint16_t>(v);
            else if (k.format == QImage::Format_Grayscale8) image.scanLine(y)[x] = static_cast<uchar>(v);
            else if (k.format == QImage::Format_Indexed8) image.setPixel(x, y, v % 16);
            else image.setPixel(x, y, k.grey ? qRgb(v & 255, v & 255, v & 255) : qRgb(v & 255, v >> 8 & 255, v >> 16 & 255));
        }
    return image;
}

// The whole decode put in the slot as it was before rows.
void placeWhole(Workspace& ws, Slot slot, const DecodedPng& png, bool tile)
{
    if (!png.deep.empty() && slot == Slot::Height) return ws.setDeepHeights(png.deep, tile);
    Picture one(slotBackground(slot), png.width, png.height);
    for (int y = 0; y < png.height; ++y)
        for (int x = 0; x < png.width; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * png.width + x;
            one.at(x, y) = png.deep.empty() ? png.pixels[i] : grey(shownByte(png.deep.data()[i]));
        }
    if (slot == Slot::Height) return ws.setHeightPicture(one, tile);
    ws.setImage(slot, SlotImage(std::move(one), ws.width(), ws.height(), tile));
}

} // namespace

TEST(PngRows, LoadsAsTheToolkitAndTheWholeDecode)
{
    const Kind kinds[] = {{"grey 8", QImage::Format_Grayscale8, true},   {"grey 16", QImage::Format_Grayscale16, true},
                          {"palette", QImage::Format_Indexed8, false},   {"grey palette", QImage::Format_Indexed8, true},
                          {"RGB", QImage::Format_RGB888, false},         {"grey RGB", QImage::Format_RGB888, true}};
    // Files smaller than the map, larger, and larger one way only; odd widths.
    const struct {
        int fileW, fileH, mapW, mapH;
    } sizes[] = {{37, 23, 64, 50}, {61, 45, 40, 30}, {33, 70, 50, 41}};
    int n = 0;
    for (const Kind& k : kinds)
        for (const auto& s : sizes)
            for (const bool gamma : {false, true})
                for (const Slot slot : {Slot::Height, Slot::Grass})
                    for (const bool tile : {false, true}) {
                        SCOPED_TRACE(std::string(k.name) + " " + std::to_string(s.fileW) + "x" + std::to_string(s.fileH)
                                     + (gamma ? " gamma" : "") + " slot " + std::to_string(static_cast<int>(slot))
                                     + (tile ? " tiled" : ""));
                        std::vector<unsigned char> bytes = pngBytes(noise(k, s.fileW, s.fileH, static_cast<unsigned>(++n)));
                        if (gamma) bytes = withGamma(std::move(bytes));
                        Workspace rows(s.mapW, s.mapH), toolkit(s.mapW, s.mapH), whole(s.mapW, s.mapH);
                        const auto got = loadPlainBytes(rows, slot, "f.png", bytes, tile);
                        ASSERT_TRUE(got);
                        EXPECT_EQ(got->width, s.fileW);
                        EXPECT_EQ(got->height, s.fileH);
                        const QByteArray data(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
                        ASSERT_TRUE(std::holds_alternative<LoadedFile>(loadSlotBytes(toolkit, slot, "f.png", data, tile, std::nullopt)));
                        const auto png = decodePlainPng(bytes.data(), bytes.size(), 1024);
                        ASSERT_TRUE(png);
                        placeWhole(whole, slot, *png, tile);
                        EXPECT_TRUE(slotPicture(rows, slot) == slotPicture(toolkit, slot));
                        EXPECT_TRUE(rows.heightSamples() == toolkit.heightSamples());
                        if (slot == Slot::Height) {
                            EXPECT_TRUE(rows.heights() == whole.heights());
                            EXPECT_EQ(rows.deepHeights(), k.format == QImage::Format_Grayscale16);
                        } else {
                            EXPECT_TRUE(slotPicture(rows, slot) == slotPicture(whole, slot));
                            // The file's picture is what the slot keeps, cropped to the map.
                            EXPECT_EQ(rows.image(slot).given().width(), std::min(s.fileW, s.mapW));
                        }
                    }
}

TEST(PngRows, AFileFoundBadHalfWayLeavesTheSlot)
{
    // A palette index past the table on the last row: declined after the
    // rows before it were decoded.
    QImage image = noise({"palette", QImage::Format_Indexed8, false}, 20, 10, 3);
    image.setPixel(19, 9, 15);
    QList<QRgb> table = image.colorTable();
    table.resize(15);
    image.setColorTable(table);
    const auto bytes = pngBytes(image);
    for (const Slot slot : {Slot::Height, Slot::Grass}) {
        Workspace ws(16, 16);
        const Picture before = slotPicture(ws, slot);
        EXPECT_FALSE(loadPlainBytes(ws, slot, "f.png", bytes, false));
        EXPECT_TRUE(slotPicture(ws, slot) == before);
    }
}

TEST(PngRows, SavesFromTheSlotAsFromItsWholePicture)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const int w = 45, h = 31;
    Workspace ws(w, h);
    std::mt19937 random(9);
    Picture colour(kBlack, w, h), small(kInputBackground, 7, 5);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) colour.at(x, y) = static_cast<Colour>(random() & 0xFFFFFF);
    for (int i = 0; i < 35; ++i) small.data()[i] = static_cast<Colour>(random() & 0xFFFFFF);
    ws.picture(Slot::Colour) = colour;
    ws.setImage(Slot::Grass, SlotImage(small, w, h, true));   // repeated
    ws.setImage(Slot::Stone, SlotImage(small, w, h, false));  // placed
    HeightSamples deep(w, h, std::uint16_t{0});
    for (int i = 0; i < w * h; ++i) deep.data()[i] = static_cast<std::uint16_t>(random());
    Picture tinted(kInputBackground, 13, 11); // heights with colour kept beside them
    for (int i = 0; i < 13 * 11; ++i) tinted.data()[i] = static_cast<Colour>(random() & 0xFFFFFF);

    MapOrigin holes;
    holes.width = w;
    holes.height = h;
    holes.noData.assign(static_cast<std::size_t>(w) * h, 0);
    for (std::size_t i = 0; i < holes.noData.size(); i += 7) holes.noData[i] = 1;

    const struct {
        const char* name;
        std::function<void(Workspace&)> heights;
    } heightStates[] = {{"8-bit", [&](Workspace& s) { s.setHeightPicture(small, true); }},
                        {"deep", [&](Workspace& s) { s.setDeepHeights(deep); }},
                        {"tinted", [&](Workspace& s) { s.setHeightPicture(tinted); }}};
    auto read = [](const std::string& path) {
        QFile f(QString::fromStdString(path));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    };
    int compared = 0;
    for (const auto& state : heightStates) {
        state.heights(ws);
        for (const Slot slot : {Slot::Height, Slot::Colour, Slot::Grass, Slot::Stone, Slot::Shadow})
            for (const char* format : {"png", "bmp", "r16"})
                for (const MapOrigin* origin : {static_cast<const MapOrigin*>(nullptr), static_cast<const MapOrigin*>(&holes)}) {
                    if (std::string(format) == "r16" && slot != Slot::Height) continue;
                    SCOPED_TRACE(std::string(state.name) + " slot " + std::to_string(static_cast<int>(slot)) + " " + format
                                 + (origin ? " holes" : ""));
                    const MapOrigin none;
                    const MapOrigin& o = origin ? *origin : none;
                    const std::string a = dir.filePath(QStringLiteral("rows")).toStdString();
                    const std::string b = dir.filePath(QStringLiteral("whole")).toStdString();
                    ASSERT_FALSE(saveWorkspaceSlot(ws, slot, o, a, format));
                    const bool deepSave = slot == Slot::Height && ws.deepHeights() && std::string(format) != "bmp";
                    const HeightSamples samples = deepSave ? ws.heightSamples() : HeightSamples{};
                    const Picture p = slotPicture(ws, slot);
                    ASSERT_FALSE(saveSlotMap(SlotMap{slot, p, samples, o}, b, format));
                    EXPECT_EQ(read(a), read(b));
                    ++compared;
                }
    }
    EXPECT_EQ(compared, 3 * (4 * 2 * 2 + 3 * 2));
    // Saving a compact slot made nothing of the map's size.
    EXPECT_EQ(ws.image(Slot::Grass).bytes(), 35 * sizeof(Colour));
}
