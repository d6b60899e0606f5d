// Raw heights and elevation rasters read without the toolkit: the samples
// each file holds, the refusals, and (where the build has the toolkit's
// readers) the very slot and report those readers make of the same bytes.

#include "imageio/height_file_kinds.h"
#include "imageio/input_file.h"

#include "tests/scratch_dir.h"

#ifdef GLOAMERY_TEST_TOOLKIT
#include "imageio/qt/height_files.h"
#endif

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

using namespace gloamery;

namespace {

struct Sample {
    int x, y;
    int v;
};

struct HeightFileCase {
    const char* name;          // the file's name: its kind
    std::vector<int> raw;      // its bytes, or none for the corpus file of that name
    std::vector<Sample> deep;  // deep samples a load gives
    std::vector<Sample> grey;  // or 8-bit heights
    const char* told = "";     // the note, or part of the refusal
};

const int kUnder = 257 * 240; // the height slot's background, 240 grey
const int kW = 4, kH = 2;     // the map

std::vector<int> littleEndian(const std::vector<int>& samples)
{
    std::vector<int> bytes;
    for (const int s : samples) bytes.insert(bytes.end(), {s & 255, s >> 8});
    return bytes;
}

const std::vector<int> kSamples = {0, 1, 256, 65535, 1000, 2, 3, 40000};
const std::vector<Sample> kDeep = {{0, 0, 0}, {1, 0, 1}, {2, 0, 256}, {3, 0, 65535}, {0, 1, 1000}, {3, 1, 40000}};

std::vector<HeightFileCase> cases()
{
    return {
        {"h.r16", littleEndian(kSamples), kDeep, {}},
        {"H.RAW", littleEndian(kSamples), kDeep, {}}, // a .raw of 2 bytes a cell is 16-bit
        {"h.raw", {9, 8, 7, 6, 5, 4, 3, 2}, {}, {{0, 0, 9}, {3, 1, 2}}},
        {"h.r8", {0, 255, 1, 2, 3, 4, 5, 128}, {}, {{1, 0, 255}, {3, 1, 128}}},
        {"short.r16", std::vector<int>(15, 1), {}, {}, "The raw file holds 15 bytes; a 4 x 2 map of 16-bit samples takes 16."},
        {"long.r8", std::vector<int>(9, 1), {}, {}, "The raw file holds 9 bytes; a 4 x 2 map of 8-bit samples takes 8."},
        // 100 .. 400 over 0..65535; the no-data cell counts as the least,
        // the column past the raster keeps the background.
        {"deep_asc_ramp.asc", {}, {{0, 0, 0}, {1, 0, 11032}, {2, 0, 0}, {0, 1, 21845}, {2, 1, 65535}, {3, 1, kUnder}},
         {}, "heights from 100 to 400 mapped onto 0..65535"},
        {"deep_tiff_geo_int16.tif", {}, {{0, 0, 0}, {1, 0, 5958}, {2, 0, 65535}}, {}, "heights from -10 to "},
        {"deep_asc_all_nodata.asc", {}, {}, {}, "no-data"},
    };
}

std::vector<unsigned char> bytesOf(const HeightFileCase& c, std::string& path, const ScratchDir& dir)
{
    if (c.raw.empty()) {
        path = std::string(GLOAMERY_CORPUS_DIR) + "/" + c.name;
        return std::get<std::vector<unsigned char>>(readInputFile(path, 1 << 20));
    }
    path = dir.filePath(c.name);
    std::vector<unsigned char> bytes(c.raw.begin(), c.raw.end());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

} // namespace

TEST(HeightFiles, RawAndRasterFilesLoadWithoutTheToolkit)
{
    ScratchDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const HeightFileCase& c : cases()) {
        SCOPED_TRACE(c.name);
        std::string path;
        const std::vector<unsigned char> bytes = bytesOf(c, path, dir);
        Workspace ws(kW, kH);
        const Workspace before(kW, kH);
        const auto loaded = loadHeightFile(ws, Slot::Height, path, bytes, false, std::nullopt);
        ASSERT_TRUE(loaded);
        if (c.deep.empty() && c.grey.empty()) {
            ASSERT_TRUE(std::holds_alternative<Error>(*loaded));
            EXPECT_NE(std::get<Error>(*loaded).message.find(c.told), std::string::npos) << std::get<Error>(*loaded).message;
            EXPECT_TRUE(ws.heightPicture() == before.heightPicture());
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<LoadedFile>(*loaded)) << std::get<Error>(*loaded).message;
        EXPECT_NE(std::get<LoadedFile>(*loaded).note.find(c.told), std::string::npos);
        EXPECT_EQ(heightsAreDeep(ws), !c.deep.empty());
        for (const Sample& s : c.deep) EXPECT_EQ((*readHeights(ws).deepGrid())(s.x, s.y), s.v) << s.x << "," << s.y;
        for (const Sample& s : c.grey) EXPECT_EQ(ws.heightPicture().pixel(s.x, s.y), grey(static_cast<std::uint8_t>(s.v)));
    }
    // Other files are left to the picture readers.
    Workspace ws(kW, kH);
    EXPECT_FALSE(loadHeightFile(ws, Slot::Height, "h.png", {}, false, std::nullopt));
}

#ifdef GLOAMERY_TEST_TOOLKIT
TEST(HeightFiles, ToolkitBuildLoadsTheSameSlotsAndReports)
{
    ScratchDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const HeightFileCase& c : cases())
        for (const Slot slot : {Slot::Height, Slot::Grass})
            for (const bool tile : {false, true}) {
                SCOPED_TRACE(std::string(c.name) + " slot " + std::to_string(static_cast<int>(slot)) + (tile ? " tiled" : ""));
                std::string path;
                const std::vector<unsigned char> bytes = bytesOf(c, path, dir);
                Workspace plain(kW, kH), toolkit(kW, kH);
                const auto got = *loadHeightFile(plain, slot, path, bytes, tile, std::nullopt);
                const QByteArray data(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
                const auto expected = loadSlotBytes(toolkit, slot, path, data, tile, std::nullopt);
                ASSERT_EQ(got.index(), expected.index());
                if (const auto* e = std::get_if<Error>(&expected)) {
                    EXPECT_EQ(std::get<Error>(got).message, e->message);
                    continue;
                }
                const auto& g = std::get<LoadedFile>(got);
                const auto& x = std::get<LoadedFile>(expected);
                EXPECT_EQ(g.width, x.width);
                EXPECT_EQ(g.height, x.height);
                EXPECT_EQ(g.note, x.note);
                EXPECT_EQ(g.origin.noData, x.origin.noData);
                EXPECT_EQ(g.origin.units.has_value(), x.origin.units.has_value());
                EXPECT_TRUE(slotPicture(plain, slot) == slotPicture(toolkit, slot));
                EXPECT_TRUE(plain.heightSamples() == toolkit.heightSamples());
                EXPECT_EQ(plain.deepHeights(), toolkit.deepHeights());
            }
}
#endif
