// Files the plain reader declines, where no toolkit readers are there to
// take them: refused with a message that names the file's format.

#include "batch_run.h"
#include "imageio/qt_plugin.h"

#include "tests/scratch_dir.h"

#include <gtest/gtest.h>

#include <fstream>
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
