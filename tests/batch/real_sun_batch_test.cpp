// The batch tool's real sun, in-process: times, zones, places and periods
// read or refused by name (from the control schema's rows), the note of a
// "sun" at a time, the grid north of a UTM raster, sun-hours of a flat map,
// the frames of a period across a change of the clocks, and regions of a
// world against the whole world.

#include "batch_run.h"
#include "imageio/map_files.h"
#include "shadow/solar_position.h"
#include "../scratch_dir.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

using namespace gloamery;
using namespace gloamery::batch;

namespace {

struct Result {
    int status;
    std::string err;
};

Result run(const std::vector<std::string>& args)
{
    std::ostringstream out, err;
    const int status = runTool(args, out, err);
    return {status, err.str()};
}

std::vector<std::string> words(const std::string& line)
{
    std::vector<std::string> w;
    std::istringstream in(line);
    for (std::string s; in >> s;) w.push_back(s);
    return w;
}

// A PNG's bytes a sample, row by row, and its width.
std::pair<int, std::vector<unsigned char>> decode(const std::string& path)
{
    std::vector<unsigned char> samples;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return {0, samples};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(f);
        return {0, {}};
    }
    png_init_io(png, f);
    png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    const int w = static_cast<int>(png_get_image_width(png, info)), h = static_cast<int>(png_get_image_height(png, info));
    const int n = w * png_get_channels(png, info);
    png_bytepp rows = png_get_rows(png, info);
    for (int y = 0; y < h; ++y) samples.insert(samples.end(), rows[y], rows[y] + n);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    return {n, samples};
}

const char* const kUtm32 =
    "PROJCS[\"WGS_1984_UTM_Zone_32N\",GEOGCS[\"GCS_WGS_1984\",DATUM[\"D_WGS_1984\",SPHEROID[\"WGS_1984\",6378137.0,"
    "298.257223563]],PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]],PROJECTION[\"Transverse_"
    "Mercator\"],PARAMETER[\"False_Easting\",500000.0],PARAMETER[\"False_Northing\",0.0],PARAMETER[\"Central_"
    "Meridian\",9.0],PARAMETER[\"Scale_Factor\",0.9996],PARAMETER[\"Latitude_Of_Origin\",0.0],UNIT[\"Meter\",1.0]]";

} // namespace

// Bad times, zones, places and periods, and operations missing what they
// need: refused (exit 2) naming the value or what is missing.
TEST(RealSunBatch, BadValuesRefusedByName)
{
    struct Case {
        const char* line;
        const char* named;
    };
    const Case cases[] = {
        {"--when 2026-06-21T07:00 sun", "--when needs a date and time with its zone"},
        {"--when 2026-06-21T07:00 sun", "not \"2026-06-21T07:00\": The time '2026-06-21T07:00' has no zone"},
        {"--when 2026-06-21T07:00[Nowhere/City] sun", "The time zone 'Nowhere/City'"},
        {"--when 2026-06-21T07:00+25:00 sun", "The offset in '2026-06-21T07:00+25:00'"},
        {"--when 2026-03-29T02:30[Europe/Zurich] sun", "does not exist: the clocks skip it"},
        {"--when 2026-13-01T07:00Z sun", "'2026-13-01T07:00Z' is not a date"},
        {"--place 95,7 sun", "--place needs LAT,LON: a latitude -90..90"},
        {"--place 95,7 sun", "not \"95,7\": The place's latitude must be from -90 to 90 degrees, not 95."},
        {"--place 46.5,181 sun", "longitude must be from -180 to 180 degrees, not 181"},
        {"--place 46.5 sun", "The place '46.5' must be LAT,LON"},
        {"--period 2026-06-21T00:00Z,2026-06-21T00:00Z,10 sun-hours", "end after it begins"},
        {"--period 2026-06-21T00:00Z,2026-06-22T00:00Z,0 sun-hours", "not '0'"},
        {"--period 2026-06-21T00:00Z,2026-06-22T00:00,10 sun-hours", "'2026-06-22T00:00' has no zone"},
        {"--period 1900-01-01T00:00Z,2100-01-01T00:00Z,1 sun-hours", "at most 100000"},
        {"--period 2026-06-21T00:00Z sun-hours", "must be FROM,TO,STEP"},
        {"sun-hours", "sun-hours needs --period FROM,TO,STEP before it"},
        {"direct-light", "direct-light needs --period FROM,TO,STEP"},
        {"--frames out", "--frames needs --period"},
        {"--when 2026-06-21T07:00Z sun", "sun: the place the sun is seen from is not known"},
        {"--period 2026-06-21T00:00Z,2026-06-22T00:00Z,60 sun-hours", "give --place LAT,LON"},
        {"--period 2026-06-21T00:00Z,2026-06-22T00:00Z,60 --sun-size 11 sun-hours", "not \"11\""},
    };
    for (const Case& c : cases) {
        const Result r = run(words(c.line));
        EXPECT_EQ(r.status, 2) << c.line;
        EXPECT_NE(r.err.find(c.named), std::string::npos) << c.line << "\n" << r.err;
    }
    // "none" unsets a row that may be unset: then sun lights at --sun-angle again.
    EXPECT_EQ(run(words("--when 2026-06-21T07:00Z --when none sun")).status, 0);
}

// One instant given in UTC, as an offset and by zone name: the same note,
// its figures to three decimals; a sun below the horizon says so.
TEST(RealSunBatch, TheNoteOfASunAtATime)
{
    const std::regex note("note: sun at 46\\.500 N, 7\\.900 E, 2026-06-21T07:00:00Z: azimuth [0-9]+\\.[0-9]{3} true, "
                          "[0-9]+\\.[0-9]{3} on the map \\(grid north 0\\.000\\), altitude [0-9]+\\.[0-9]{3}\n");
    std::string first;
    for (const char* when : {"2026-06-21T07:00Z", "2026-06-21T09:00+02:00", "2026-06-21T09:00[Europe/Zurich]"}) {
        const Result r = run({"--place", "46.5,7.9", "--when", when, "sun"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(std::regex_search(r.err, note)) << r.err;
        if (first.empty()) first = r.err;
        EXPECT_EQ(r.err, first) << when;
    }
    const Result night = run({"--place", "-33.9,151.2", "--when", "2026-06-21T12:00Z", "sun"});
    EXPECT_NE(night.err.find("note: sun at 33.900 S, 151.200 E, 2026-06-21T12:00:00Z"), std::string::npos);
    EXPECT_NE(night.err.find(", altitude -"), std::string::npos) << night.err;
}

// A UTM raster 6 degrees east of its zone's meridian at 60 N: the place is
// its centre, grid north atan(tan 6 sin 60) = 5.201 degrees, the map's
// azimuth the true one less that; --place moves the sun, not the north.
TEST(RealSunBatch, GridNorthOfAUtmRaster)
{
    ScratchDir dir;
    // A GeoTIFF carries its coordinate system inside (side files are never
    // read); its heights are flat, so --vertical gives their unit.
    const std::string tif = dir.filePath("utm.tif");
    Workspace heights(40, 20);
    MapOrigin origin;
    origin.place = GeoPlace{{834359.667892285 - 600, 30, 0, 6666593.57214689 + 300, 0, -30}, kUtm32};
    origin.width = 40;
    origin.height = 20;
    ASSERT_FALSE(saveWorkspaceSlot(heights, Slot::Height, origin, tif, "tif"));
    const std::regex note("sun at 60\\.000 N, 15\\.000 E, [^:]+:[^:]+:[^:]+: azimuth ([0-9.]+) true, ([0-9.]+) on the "
                          "map \\(grid north ([0-9.]+)\\)");
    const Result r = run({"--open", tif, "--vertical", "1", "--when", "2026-06-21T12:00Z", "sun"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(r.err, m, note)) << r.err;
    EXPECT_EQ(m[3].str(), "5.201");
    EXPECT_NEAR(std::stod(m[1].str()) - std::stod(m[2].str()), 5.201, 0.0015);
    const Result placed = run({"--open", tif, "--vertical", "1", "--place", "10,20", "--when", "2026-06-21T12:00Z", "sun"});
    EXPECT_NE(placed.err.find("sun at 10.000 N, 20.000 E"), std::string::npos) << placed.err;
    EXPECT_NE(placed.err.find("(grid north 5.201)"), std::string::npos) << placed.err;
    // Every region of a world sees its sun from the world's centre.
    for (const char* region : {"0,0,10,20", "30,5,10,15"}) {
        const Result part = run({"--world", "40,20", "--region", region, "--heights", "0,255", "--load", "height", tif,
                                 "--vertical", "1", "--when", "2026-06-21T12:00Z", "sun"});
        ASSERT_EQ(part.status, 0) << part.err;
        std::smatch same;
        ASSERT_TRUE(std::regex_search(part.err, same, note)) << part.err;
        EXPECT_EQ(same.str(), m.str()) << region;
    }
}

// Frames are named by their UTC time, one for every time of the period: a
// night the clocks go forward has no gap and no repeat.
TEST(RealSunBatch, FramesOfAPeriodAcrossAChangeOfTheClocks)
{
    ScratchDir dir;
    const std::string frames = dir.filePath("day");
    const Result r = run({"--size", "32,32", "--place", "46.5,7.9", "--period",
                          "2026-03-29T00:30[Europe/Zurich],2026-03-29T04:30[Europe/Zurich],60", "--frames", frames});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(frames)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"20260328T2330Z.png", "20260329T0030Z.png", "20260329T0130Z.png"}));
}

// On a flat map every pixel has the sun for the daylight hours: the times
// of the period with the sun up, each STEP minutes; direct light too is the
// same everywhere, and is what flat open ground gets.
TEST(RealSunBatch, SunHoursOfAFlatMapAreTheDaylightHours)
{
    ScratchDir dir;
    const std::string flat = dir.filePath("flat.r16");
    std::ofstream(flat, std::ios::binary) << std::string(2 * 48 * 40, '\0');
    using namespace std::chrono;
    int up = 0;
    for (int k = 0; k < 24 * 6; ++k)
        up += solarPosition(46.5, 7.9, sys_days{2026y / June / 21} + minutes{10 * k}).altitude > 0 ? 1 : 0;
    char hours[32];
    std::snprintf(hours, sizeof hours, "%.3f", up * 10 / 60.0);
    const Result r = run(words("--size 48,40 --load height " + flat + " --place 46.5,7.9 --period "
                               "2026-06-21T00:00Z,2026-06-22T00:00Z,10 --ground 30 sun-hours direct-light"));
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string h(hours);
    EXPECT_NE(r.err.find("note: sun-hours at 46.500 N, 7.900 E: " + h + " to " + h + " hours, of " + h
                         + " hours with the sun up\n"),
              std::string::npos)
        << h << "\n" << r.err;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(r.err, m, std::regex("direct-light at [^:]+: ([0-9.]+) to ([0-9.]+) kWh/m2, of "
                                                      "([0-9.]+) kWh/m2 on flat open ground")))
        << r.err;
    EXPECT_EQ(m[1].str(), m[2].str());
    EXPECT_EQ(m[1].str(), m[3].str());
}

// Regions of a world, each seeing its suns from the world's centre, put
// side by side are the bytes of the whole world's run: sun at a time,
// sun-hours and direct light (the shadow and colour maps lit from them).
TEST(RealSunBatch, RegionsJoinIntoTheWholeWorld)
{
    ScratchDir dir;
    const std::vector<std::vector<std::string>> runs = {
        words("--when 2026-06-21T06:00Z --sun-size 1 sun"),
        words("--period 2026-06-21T04:00Z,2026-06-21T09:00Z,30 sun-hours"),
        words("--period 2026-12-21T06:00Z,2026-12-21T16:00Z,60 --sun-size 2 direct-light"),
    };
    const int W = 96, H = 64;
    const std::vector<std::vector<int>> regions = {{0, 0, 40, 64}, {40, 0, 56, 30}, {40, 30, 56, 34}};
    for (std::size_t i = 0; i < runs.size(); ++i) {
        auto args = [&](const std::string& tag, const std::vector<int>* region) {
            std::vector<std::string> a = {"--world", std::to_string(W) + "," + std::to_string(H)};
            if (region)
                a.insert(a.end(), {"--region", std::to_string((*region)[0]) + "," + std::to_string((*region)[1]) + ","
                                                   + std::to_string((*region)[2]) + "," + std::to_string((*region)[3])});
            a.insert(a.end(), {"--place", "46.5,7.9", "--ground", "2", "--vertical", "0.5"});
            a.insert(a.end(), runs[i].begin(), runs[i].end());
            a.insert(a.end(), {"--save", "shadow", dir.filePath(tag + "s.png"), "--save", "colour",
                               dir.filePath(tag + "c.png")});
            return a;
        };
        const Result whole = run(args("whole", nullptr));
        ASSERT_EQ(whole.status, 0) << whole.err;
        for (std::size_t k = 0; k < regions.size(); ++k) {
            const std::vector<int>& g = regions[k];
            const std::string tag = "part" + std::to_string(k);
            const Result part = run(args(tag, &g));
            ASSERT_EQ(part.status, 0) << part.err;
            for (const char* map : {"s.png", "c.png"}) {
                const auto [wn, all] = decode(dir.filePath(std::string("whole") + map));
                const auto [pn, bytes] = decode(dir.filePath(tag + map));
                ASSERT_EQ(wn / W * g[2], pn) << map;
                const int c = wn / W; // bytes a pixel
                for (int y = 0; y < g[3]; ++y)
                    ASSERT_TRUE(std::equal(bytes.begin() + y * pn, bytes.begin() + (y + 1) * pn,
                                           all.begin() + (g[1] + y) * wn + g[0] * c))
                        << i << " " << tag << map << " row " << y;
            }
        }
    }
}
