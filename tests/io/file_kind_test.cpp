// One answer to "what kind of file is this", from the name and first bytes,
// and the questions the loaders ask of it.

#include "imageio/file_kind.h"
#include "imageio/height_file_kinds.h"
#include "imageio/native_io.h"
#include "imageio/world_heights.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <string>
#include <vector>

using namespace gloamery;

namespace {

const std::vector<unsigned char> kNone;
const std::vector<unsigned char> kPng = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
const std::vector<unsigned char> kTiff = {'I', 'I', '*', 0, 8, 0, 0, 0};
const std::vector<unsigned char> kBigTiff = {'M', 'M', 0, '+', 0, 8, 0, 0};

} // namespace

TEST(FileKind, TheNameTellsWhatTheBytesCannotAndTheBytesTheRest)
{
    const struct {
        const char* name;
        const std::vector<unsigned char>& head;
        FileKind kind;
    } cases[] = {
        {"map.r8", kNone, FileKind::Raw8},
        {"MAP.R16", kNone, FileKind::Raw16},
        {"dir.d/map.raw", kNone, FileKind::RawEither},
        {"N47E011.hgt", kNone, FileKind::ElevationRaster},
        {"grid.ASC", kNone, FileKind::ElevationRaster},
        {"old.dem", kNone, FileKind::ElevationRaster},
        {"map.r16", kTiff, FileKind::Raw16},          // raw samples may begin with anything
        {"scan.tif", kNone, FileKind::Tiff},          // by name, the bytes not read
        {"scan.TIFF", kPng, FileKind::Tiff},
        {"misnamed.png", kTiff, FileKind::Tiff},      // by the bytes, whatever the name
        {"/dev/stdin", kBigTiff, FileKind::Tiff},
        {"height.png", kPng, FileKind::Picture},
        {"deep.pgm", kNone, FileKind::Picture},
        {"photo.jpeg", kNone, FileKind::Picture},
        {"no-extension", kNone, FileKind::Picture},
        {"dots.r8.png", kNone, FileKind::Picture},    // the last dot counts
        {"folder.hgt/file", kNone, FileKind::Picture}, // a folder's dot does not
    };
    for (const auto& c : cases) EXPECT_EQ(fileKind(c.name, c.head), c.kind) << c.name;
}

TEST(FileKind, TheLoadersQuestionsFollowTheOneAnswer)
{
    const struct {
        const char* name;
        bool raster, rawOrRaster, raw;
    } cases[] = {
        {"a.r8", false, true, true},  {"a.R16", false, true, true},  {"a.raw", false, true, true},
        {"a.hgt", true, true, false}, {"a.asc", true, true, false},  {"a.dem", true, true, false},
        {"a.tif", false, false, false}, {"a.png", false, false, false}, {"a", false, false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(namesElevationRaster(c.name), c.raster) << c.name;
        EXPECT_EQ(namesRawOrRaster(c.name), c.rawOrRaster) << c.name;
        EXPECT_EQ(isRawHeightFile(c.name), c.raw) << c.name;
    }
}

TEST(FileKind, RawOfEitherDepthIsToldByItsLength)
{
    const struct {
        const char* name;
        std::size_t bytes;
        HeightFileKind kind;
    } cases[] = {
        {"a.raw", 6, HeightFileKind::Raw8},  {"a.raw", 12, HeightFileKind::Raw16}, {"a.raw", 7, HeightFileKind::Raw16},
        {"a.r8", 12, HeightFileKind::Raw8},  {"a.r16", 6, HeightFileKind::Raw16},  {"a.hgt", 0, HeightFileKind::Raster},
        {"a.tif", 6, HeightFileKind::Other}, {"a.png", 6, HeightFileKind::Other},
    };
    for (const auto& c : cases) {
        const std::vector<unsigned char> bytes(c.bytes, 1);
        EXPECT_EQ(heightFileKind(c.name, bytes, 3, 2), c.kind) << c.name << " of " << c.bytes << " bytes";
    }
}

TEST(FileKind, TheOpenDialogsListEveryNameThatTellsAKind)
{
    const std::vector<std::string> listed = heightFileExtensions();
    for (const char* ext : {"png", "pgm", "tif", "tiff", "r8", "r16", "raw", "hgt", "asc", "dem"})
        EXPECT_NE(std::find(listed.begin(), listed.end(), ext), listed.end()) << ext;
    for (const std::string& ext : listed)
        EXPECT_EQ(ext.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789"), std::string::npos) << ext;
}
