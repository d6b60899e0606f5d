// Elevation rasters as the loaders find and read them: which files are
// opened by name with their bytes unread, and the bands every thread reads
// joined into the very range and samples of one reading row after row.

#include "imageio/elevation.h"
#include "imageio/height_file_kinds.h"
#include "imageio/raster_window.h"
#include "workspace/parallel.h"

#include "tests/scratch_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace gloamery;

namespace {

std::string corpus(const char* name) { return std::string(GLOAMERY_CORPUS_DIR) + "/" + name; }

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string firstBytes(const std::string& path, std::size_t n)
{
    std::ifstream in(path, std::ios::binary);
    std::string bytes(n, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(n));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

} // namespace

TEST(RasterFiles, GeoTiffsAloneAreOpenedByNameFromTheirHeaders)
{
    ScratchDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string geo = corpus("deep_tiff_geo_int16.tif");
    const auto size = static_cast<std::size_t>(std::filesystem::file_size(geo));
    // The file cut short of its first directory: the header's offset
    // points past the end.
    writeFile(dir.filePath("cut.tif"), firstBytes(geo, 16));
    writeFile(dir.filePath("whole_but_last.tif"), firstBytes(geo, size - 1));
    writeFile(dir.filePath("empty.tif"), "");
    ASSERT_EQ(::mkfifo(dir.filePath("pipe.tif").c_str(), 0600), 0);
    std::filesystem::create_directory(dir.filePath("folder.tif"));
    const struct {
        std::string path;
        bool geoTiff;
        bool byName;
    } cases[] = {
        {geo, true, true},
        {corpus("deep_bigtiff_geo_float32.tif"), true, true},
        {corpus("deep_bigtiff_geo_int16.tif"), true, true},
        {corpus("deep_tiff_geo_no_band.tif"), true, true}, // GDAL says why it is refused
        {corpus("deep_tiff_grey16.tif"), false, false},
        {corpus("deep_bigtiff_grey16.tif"), false, false},
        {corpus("deep_bigtiff_float32.tif"), false, false},
        {corpus("deep_png_grey16.png"), false, false},
        {corpus("deep_asc_ramp.asc"), false, true}, // by its name alone
        {dir.filePath("missing.asc"), false, true},
        {dir.filePath("missing.tif"), false, false},
        {dir.filePath("cut.tif"), false, false},
        {dir.filePath("empty.tif"), false, false},
        {dir.filePath("pipe.tif"), false, false},
        {dir.filePath("folder.tif"), false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(isGeoTiffFile(c.path), c.geoTiff);
        EXPECT_EQ(readsByName(c.path), c.byName);
    }
    // Its directory lies before its samples, so the file's last byte is not
    // needed to tell; its bytes unread, the kind comes from the file.
    EXPECT_TRUE(isGeoTiffFile(dir.filePath("whole_but_last.tif")));
    EXPECT_EQ(heightFileKind(geo, {}, 4, 2), HeightFileKind::Raster);
    EXPECT_EQ(heightFileKind(corpus("deep_tiff_grey16.tif"), {}, 4, 2), HeightFileKind::Other);
}

namespace {

// An ASCII grid of 5 columns, its rows as given, -9999 for no data.
std::string asciiGrid(const std::vector<std::string>& rows)
{
    std::ostringstream text;
    text << "ncols 5\nnrows " << rows.size() << "\nxllcorner 0\nyllcorner 0\ncellsize 1\nNODATA_value -9999\n";
    for (const std::string& r : rows) text << r << '\n';
    return text.str();
}

std::uint64_t bitsOf(double v)
{
    std::uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

} // namespace

TEST(RasterFiles, BandsReadSideBySideJoinAsOneReadingRowAfterRow)
{
    ScratchDir dir;
    ASSERT_TRUE(dir.isValid());
    // Equal ends in several bands (between -0 and +0 the first one read
    // stays), no-data, a band with no data at all, one row.
    const struct {
        const char* name;
        std::vector<std::string> rows;
        double low, high;
    } cases[] = {
        {"plus_first", {"3.5 0.0 4 4 4", "1 1 1 1 1", "-0.0 2 2 2 2", "7.25 -0.0 1 1 1", "0.0 2 2 2 2", "1 1 1 1 1"},
         0.0, 7.25},
        {"minus_first", {"3.5 1 4 4 4", "-0.0 1 1 1 1", "0.0 2 2 2 2", "7.25 0.0 1 1 1", "-0.0 2 2 2 7.25"}, -0.0, 7.25},
        {"no_data_band", {"-9999 -9999 -9999 -9999 -9999", "-9999 -9999 -9999 -9999 -9999", "2.5 -9999 3 -1.5 8",
                          "-9999 -9999 -9999 -9999 -9999", "0.5 0.5 0.5 0.5 0.5"}, -1.5, 8.0},
        {"one_row", {"5.5 -2.5 -9999 9.75 0.0"}, -2.5, 9.75},
    };
    const std::size_t grain = parallelGrain();
    const int threads = threadCount();
    setParallelGrain(1); // every thread takes a band of these small grids
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.filePath(std::string(c.name) + ".asc");
        writeFile(path, asciiGrid(c.rows));
        std::vector<HeightSamples> read;
        for (const int n : {1, 2, 3, 4, 6}) {
            SCOPED_TRACE(n);
            setThreadCount(n);
            for (const auto& window : {std::pair{5, 100}, std::pair{3, 2}}) {
                auto r = readElevationWindow(path, window.first, window.second, std::nullopt);
                ASSERT_TRUE(std::holds_alternative<WindowedElevations>(r)) << std::get<Error>(r).message;
                const MappedElevations& m = std::get<WindowedElevations>(r).mapped;
                // The whole raster's range, whatever the window.
                EXPECT_EQ(bitsOf(m.range.low), bitsOf(c.low));
                EXPECT_EQ(bitsOf(m.range.high), bitsOf(c.high));
                if (window.first == 5) read.push_back(m.samples);
            }
            // Pinned, the raster is read once, in bands all the same.
            auto pinned = readElevationWindow(path, 5, 100, ElevationRange{-1, 4});
            ASSERT_TRUE(std::holds_alternative<WindowedElevations>(pinned));
            EXPECT_EQ(std::get<WindowedElevations>(pinned).mapped.range.high, 4);
        }
        for (const HeightSamples& s : read) EXPECT_TRUE(s == read.front());
        // The samples as the whole grid maps them, row after row.
        std::vector<double> values;
        std::vector<unsigned char> valid;
        for (const std::string& row : c.rows) {
            std::istringstream cells(row);
            for (double v; cells >> v;) {
                values.push_back(v);
                valid.push_back(v != -9999);
            }
        }
        const ElevationGrid grid{5, static_cast<int>(c.rows.size()), values.data(), valid.data()};
        const auto whole = mapElevations(grid, std::nullopt);
        ASSERT_TRUE(std::holds_alternative<MappedElevations>(whole));
        EXPECT_TRUE(std::get<MappedElevations>(whole).samples == read.front());
        EXPECT_EQ(bitsOf(std::get<MappedElevations>(whole).range.low), bitsOf(c.low));
    }
    setThreadCount(threads);
    setParallelGrain(grain);
}
