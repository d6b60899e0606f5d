// Deep height files: every reader on a tiny file, the bad ones refused with
// the workspace untouched, the 16-bit PNG round trip, and elevations mapped
// onto 0..65535 with and without a pinned range.

#include "imageio/qt/height_files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

using namespace gloamery;

namespace {

const QString kCorpus = QStringLiteral(GLOAMERY_CORPUS_DIR);

struct Sample {
    int x, y;
    int v;
};

struct DeepCase {
    const char* file;
    std::vector<Sample> samples; // a load: known deep samples
    const char* reason = "";     // a refusal: part of the reason
};

const int kUnder = 257 * 240; // the height slot's background, 240 grey

std::vector<DeepCase> deepCases()
{
    return {
        {"deep_png_grey16.png", {{0, 0, 0}, {3, 0, 13107}, {1, 1, 4370}, {4, 0, kUnder}, {0, 2, kUnder}}},
        {"deep_png_rgba16.png", {{0, 0, 1000}, {1, 0, 129}}}, // red samples, alpha ignored
        {"deep_tiff_grey16.tif", {{0, 0, 0}, {3, 0, 13107}, {1, 1, 4370}}},
        // BigTIFF wherever TIFF: the same samples, the same elevations (sea
        // at -10 m is the least, not 65526), 32-bit floats read as rasters.
        {"deep_bigtiff_grey16.tif", {{0, 0, 0}, {3, 0, 13107}, {1, 1, 4370}}},
        {"deep_tiff_geo_int16.tif", {{0, 0, 0}, {1, 0, 5958}, {2, 0, 65535}}},
        {"deep_bigtiff_geo_int16.tif", {{0, 0, 0}, {1, 0, 5958}, {2, 0, 65535}}},
        {"deep_bigtiff_geo_float32.tif", {{0, 0, 0}, {1, 0, 65535}}},
        {"deep_bigtiff_float32.tif", {{0, 0, 0}, {1, 0, 65535}}},
        // nearest(v x 65535 / 1000): 65.535 -> 66, 32767.5 -> 32768 (even)
        {"deep_pgm_maxval_1000.pgm", {{0, 0, 0}, {1, 0, 66}, {0, 1, 32768}, {1, 1, 65535}}},
        // 100 .. 400 over 0..65535; the no-data cell counts as the least
        {"deep_asc_ramp.asc", {{0, 0, 0}, {1, 0, 11032}, {2, 0, 0}, {0, 1, 21845}, {2, 1, 65535}}},
        {"deep_png_grey16_cut_short.png", {}, "PNG"},
        {"deep_tiff_geo_no_band.tif", {}, "not an elevation raster"},
        {"deep_pgm_maxval_0.pgm", {}, "maxval is 0"},
        {"deep_pgm_maxval_65536.pgm", {}, "maxval is 65536"},
        {"deep_pgm_sample_above_maxval.pgm", {}, "1001 at (0, 1), above its maxval 1000"},
        {"deep_pgm_cut_short.pgm", {}, "cut short"},
        {"deep_raw_wrong_length.r16", {}, "holds 1000 bytes; a 256 x 256 map"},
        {"deep_asc_all_nodata.asc", {}, "no-data"},
    };
}

// An 8-bit start whose every pixel differs from the background.
Workspace patterned()
{
    Workspace ws;
    ws.editHeightPicture([](Picture& p) {
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) p.setPixel(x, y, compose(x, y, 77));
    });
    return ws;
}

} // namespace

class DeepCorpus : public ::testing::TestWithParam<DeepCase> {};

TEST_P(DeepCorpus, LoadsEverySampleOrIsRefusedLeavingTheWorkspace)
{
    const DeepCase& c = GetParam();
    Workspace ws = patterned();
    const auto loaded = loadSlotFile(ws, Slot::Height, kCorpus + "/" + c.file);
    if (c.samples.empty()) {
        ASSERT_TRUE(std::holds_alternative<Error>(loaded)) << c.file;
        const std::string& why = std::get<Error>(loaded).message;
        EXPECT_FALSE(why.empty());
        EXPECT_NE(why.find(c.reason), std::string::npos) << why;
        EXPECT_TRUE(ws.heightPicture() == patterned().heightPicture());
        EXPECT_FALSE(ws.deepHeights());
        return;
    }
    ASSERT_TRUE(std::holds_alternative<LoadedFile>(loaded)) << std::get<Error>(loaded).message;
    ASSERT_TRUE(heightsAreDeep(ws));
    const DeepGrid g = *readHeights(ws).deepGrid();
    for (const Sample& s : c.samples) {
        EXPECT_EQ(g(s.x, s.y), s.v) << c.file << " at " << s.x << "," << s.y;
        EXPECT_EQ(ws.heightPicture().pixel(s.x, s.y), grey(shownByte(static_cast<std::uint16_t>(s.v))));
    }
}

INSTANTIATE_TEST_SUITE_P(Files, DeepCorpus, ::testing::ValuesIn(deepCases()),
                         [](const auto& info) {
                             std::string n = info.param.file;
                             for (char& ch : n)
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return n;
                         });

TEST(DeepCorpusTable, CoversEveryDeepFileOfTheCorpus)
{
    std::set<std::string> listed, present;
    for (const DeepCase& c : deepCases()) listed.insert(c.file);
    for (const QString& f : QDir(kCorpus).entryList({QStringLiteral("deep_*")}, QDir::Files))
        present.insert(f.toStdString());
    EXPECT_EQ(listed, present);
}

TEST(DeepFiles, SavedSixteenBitPngReadsBackSampleForSample)
{
    QTemporaryDir dir;
    std::mt19937 rng(5);
    std::vector<std::uint16_t> v(37 * 11);
    for (auto& s : v) s = static_cast<std::uint16_t>(rng());
    const HeightSamples samples(37, 11, v.data());
    const QString path = dir.filePath(QStringLiteral("h.png"));
    ASSERT_FALSE(saveDeepHeights(samples, path));

    Workspace ws(37, 11);
    ASSERT_TRUE(std::holds_alternative<LoadedFile>(loadSlotFile(ws, Slot::Height, path)));
    EXPECT_EQ(ws.heightSamples(), samples);
}

TEST(DeepFiles, RawSamplesTakeTheMapSizeAndOtherSlotsShowTheNearestByte)
{
    QTemporaryDir dir;
    const QString raw = dir.filePath(QStringLiteral("h.r16"));
    {
        QFile f(raw);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("\x01\x00\x80\x00\x81\x00\xff\xff\x00\x01\x02\x03", 12)); // little-endian
    }
    Workspace ws(3, 2);
    ASSERT_TRUE(std::holds_alternative<LoadedFile>(loadSlotFile(ws, Slot::Height, raw)));
    const std::uint16_t expected[] = {1, 128, 129, 65535, 256, 0x0302};
    EXPECT_EQ(ws.heightSamples(), HeightSamples(3, 2, expected));

    // The same file in the grass slot: greys nearest(v / 257); 128 -> 0, 129 -> 1.
    ASSERT_TRUE(std::holds_alternative<LoadedFile>(loadSlotFile(ws, Slot::Grass, raw)));
    EXPECT_EQ(ws.picture(Slot::Grass).pixel(1, 0), grey(0));
    EXPECT_EQ(ws.picture(Slot::Grass).pixel(2, 0), grey(1));

    // An 8-bit file makes the height map 8-bit again.
    Workspace bytes(3, 2);
    bytes.setDeepHeights(HeightSamples(3, 2, expected));
    ASSERT_TRUE(std::holds_alternative<LoadedFile>(
        loadSlotFile(bytes, Slot::Height, kCorpus + QStringLiteral("/png_rgb8.png"))));
    EXPECT_FALSE(bytes.deepHeights());
}

TEST(DeepFiles, ElevationsMapOntoTheFullRangeOrThePinnedOne)
{
    // 10, 20, no data, NaN, 50 (metres)
    const double values[] = {10, 20, -9999, std::nan(""), 50};
    const unsigned char valid[] = {1, 1, 0, 1, 1};
    const ElevationGrid grid{5, 1, values, valid};
    const struct {
        std::optional<ElevationRange> pinned;
        std::vector<int> samples;
        const char* note;
    } cases[] = {
        {std::nullopt, {0, 16384, 0, 0, 65535}, "heights from 10 to 50 mapped onto 0..65535"},
        // Outside the pinned range saturates; no data is the low end.
        {ElevationRange{15, 25}, {0, 32768, 0, 0, 65535}, "heights from 15 to 25 mapped onto 0..65535"},
        {ElevationRange{-0.5, 100}, {6847, 13368, 0, 0, 32931}, "heights from -0.5 to 100 mapped onto 0..65535"},
    };
    for (const auto& c : cases) {
        const auto mapped = mapElevations(grid, c.pinned);
        ASSERT_TRUE(std::holds_alternative<MappedElevations>(mapped));
        const MappedElevations& m = std::get<MappedElevations>(mapped);
        for (int x = 0; x < 5; ++x) EXPECT_EQ(m.samples.at(x, 0), c.samples[static_cast<std::size_t>(x)]) << x;
        EXPECT_EQ(rangeNote(m.range), c.note);
    }
    const unsigned char none[] = {0, 0};
    const ElevationGrid empty{2, 1, values, none};
    EXPECT_TRUE(std::holds_alternative<Error>(mapElevations(empty, std::nullopt)));
}

TEST(DeepFiles, SrtmTileLoadsThroughTheRasterPlugin)
{
    if (!elevationReaderAvailable()) GTEST_SKIP() << "the gloamery-gdal plugin is not built";
    // An SRTM tile is 1201 x 1201 big-endian metres, named by its corner.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("N45E006.hgt"));
    QByteArray bytes(1201 * 1201 * 2, '\0');
    auto put = [&](int x, int y, int metres) {
        bytes[2 * (y * 1201 + x)] = static_cast<char>(metres >> 8);
        bytes[2 * (y * 1201 + x) + 1] = static_cast<char>(metres & 255);
    };
    put(0, 0, 4000);
    put(1, 0, 1000);
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    Workspace ws;
    const auto loaded = loadSlotFile(ws, Slot::Height, path);
    ASSERT_TRUE(std::holds_alternative<LoadedFile>(loaded)) << std::get<Error>(loaded).message;
    EXPECT_EQ(std::get<LoadedFile>(loaded).note, "heights from 0 to 4000 mapped onto 0..65535");
    EXPECT_EQ(ws.heightSamples().at(0, 0), 65535);
    EXPECT_EQ(ws.heightSamples().at(1, 0), 16384); // 1000 / 4000 x 65535 = 16383.75
    EXPECT_EQ(ws.heightSamples().at(2, 0), 0);
}

// Filled a row at a time, from a file or its bytes, the height slot is the
// one the whole decoded picture makes, on a map larger and smaller than
// the file, at the top-left and tiled.
TEST_P(DeepCorpus, FillsTheHeightSlotAsTheWholePictureWould)
{
    const DeepCase& c = GetParam();
    if (c.samples.empty()) return;
    const QString path = kCorpus + "/" + c.file;
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    for (const auto& [w, h] : {std::pair{256, 256}, std::pair{3, 2}}) {
        for (bool tile : {false, true}) {
            const AnyPicture read = readAnyPicture(path, HeightReadOptions{w, h, std::nullopt});
            ASSERT_TRUE(std::holds_alternative<DeepPicture>(read)) << c.file;
            Workspace whole(w, h), fromFile(w, h), fromBytes(w, h);
            whole.setDeepHeights(std::get<DeepPicture>(read).samples, tile);
            ASSERT_TRUE(std::holds_alternative<LoadedFile>(loadSlotFile(fromFile, Slot::Height, path, tile)));
            ASSERT_TRUE(std::holds_alternative<LoadedFile>(
                loadSlotBytes(fromBytes, Slot::Height, QFile::encodeName(path).toStdString(), bytes, tile)));
            for (const Workspace* ws : {&fromFile, &fromBytes}) {
                EXPECT_EQ(ws->heightSamples(), whole.heightSamples()) << c.file << " " << w << "x" << h << " " << tile;
                EXPECT_TRUE(ws->heightPicture() == whole.heightPicture()) << c.file;
            }
        }
    }
}
