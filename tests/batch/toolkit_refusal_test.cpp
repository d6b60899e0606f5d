// Files the plain reader declines, where no toolkit readers are there to
// take them: refused with a message that names the file's format; raw
// heights and elevation rasters, which need none.

#include "batch_run.h"
#include "imageio/qt_plugin.h"

#include "tests/scratch_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

using namespace gloamery;

TEST(ToolkitReaders, AbsentReadersAreNamedWithTheFormat)
{
    struct Case {
        const char* name;
        std::string bytes;
        const char* format;
    };
    const Case cases[] = {
        {"a.gif", "GIF89a\x01\0\x01\0", "GIF files"},
        {"a.jpg", "\xff\xd8\xff\xe0", "JPEG files"},
        {"photo.png", "\xff\xd8\xff\xe0", "JPEG files"}, // the bytes tell, not the name
        {"a.bmp", "BM\x3a\0\0\0", "BMP files"},
        {"a.tif", std::string("MM\0*", 4), "TIFF files"},
        {"a.ppm", "P6\n1 1\n255\n", "PBM/PGM/PPM files"},
        {"alpha.png", "\x89PNG\r\n\x1a\n", "PNG files"},
        {"a.r16", std::string(8, '\0'), "raw height and elevation raster files"},
        {"a.xyz", "??", "XYZ files"},
        {"noname", "??", "such files"},
    };
    for (const Case& c : cases) {
        const auto* head = reinterpret_cast<const unsigned char*>(c.bytes.data());
        const std::string message = qtReadersMissing(c.name, head, c.bytes.size()).message;
        EXPECT_EQ(message.rfind(c.format, 0), 0u) << c.name << ": " << message;
    }
}

TEST(ToolkitReaders, BatchToolRefusesAGifWithoutThem)
{
    if (qtPluginSymbol(kQtLoadSlotBytesSymbol)) GTEST_SKIP() << "the toolkit's readers are there";
    ScratchDir dir;
    ASSERT_TRUE(dir.isValid());
    std::ofstream(dir.filePath("h.gif"), std::ios::binary) << "GIF89a\x01\0\x01\0";
    std::ostringstream out, err;
    const int status = batch::runTool({"--load", "height", dir.filePath("h.gif"), "linear"}, out, err);
    EXPECT_EQ(status, batch::kExitFileError);
    EXPECT_NE(err.str().find("GIF files are read "), std::string::npos) << err.str();
}

TEST(ToolkitReaders, BatchToolReadsRawHeightsAndRastersWithoutThem)
{
    ScratchDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string raw("\x00\x00\x01\x00\x00\x01\xff\xff\xe8\x03\x02\x00\x03\x00\x40\x9c", 16);
    std::ofstream(dir.filePath("h.r16"), std::ios::binary) << raw;
    const struct {
        std::string file;
        std::string note; // on standard error
    } cases[] = {
        {dir.filePath("h.r16"), ""},
        {GLOAMERY_CORPUS_DIR "/deep_asc_ramp.asc", "heights from 100 to 400 mapped onto 0..65535"},
    };
    for (const auto& c : cases) {
        std::ostringstream out, err;
        const int status = batch::runTool(
            {"--quiet", "--size", "4,2", "--load", "height", c.file, "--save", "height", dir.filePath("out.r16")}, out, err);
        EXPECT_EQ(status, batch::kExitOk) << c.file << ": " << err.str();
        EXPECT_NE(err.str().find(c.note), std::string::npos) << err.str();
    }
    // The raw file's samples come back as they went in.
    ASSERT_EQ(batch::runTool({"--quiet", "--size", "4,2", "--load", "height", dir.filePath("h.r16"), "--save", "height",
                              dir.filePath("again.r16")}, std::cout, std::cerr), batch::kExitOk);
    std::ifstream again(dir.filePath("again.r16"), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(again), {}), raw);
}
