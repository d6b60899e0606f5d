// The batch tool's real sun, in-process: times, places and periods read
// or refused by name, the note of a "sun" at a time, the grid north of a
// UTM raster, sun-hours and direct light, and the frames of a period.

#include "batch_run.h"
#include "../scratch_dir.h"

#include <gtest/gtest.h>

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

// Bad times, zones, places and periods, and operations missing what they
// need: refused (exit 2) naming the value or what is missing.
TEST(RealSunBatch, BadValuesRefusedByName)
{
    struct Case {
        const char* line;
        const char* named;
    };
    const Case cases[] = {
        {"--when 2026-06-21T07:00 sun", "--when: The time '2026-06-21T07:00' has no zone"},
        {"--when 2026-06-21T07:00[Nowhere/City] sun", "'Nowhere/City'"},
        {"--when 2026-13-01T07:00Z sun", "'2026-13-01T07:00Z' is not a date"},
        {"--place 95,7 sun", "latitude must be from -90 to 90 degrees, not 95"},
        {"--place 46.5 sun", "'46.5' must be LAT,LON"},
        {"--period 2026-06-21T00:00Z,2026-06-21T00:00Z,10 sun-hours", "end after it begins"},
        {"--period 2026-06-21T00:00Z,2026-06-22T00:00Z,0 sun-hours", "not '0'"},
        {"sun-hours", "sun-hours needs --period"},
        {"direct-light", "direct-light needs --period"},
        {"--frames out", "--frames needs --period"},
        {"--when 2026-06-21T07:00Z sun", "sun: needs --place LAT,LON"},
        {"--period 2026-06-21T00:00Z,2026-06-22T00:00Z,60 --sun-size 11 sun-hours", "from 0 to 10, not \"11\""},
    };
    for (const Case& c : cases) {
        const Result r = run(words(c.line));
        EXPECT_EQ(r.status, 2) << c.line;
        EXPECT_NE(r.err.find(c.named), std::string::npos) << c.line << "\n" << r.err;
    }
}

// One instant given in UTC, as an offset and by zone name: the same note,
// place, time in UTC and figures to three decimals.
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
}

// A UTM raster 6 degrees east of its zone's meridian at 60 N: the place is
// its centre, the grid north atan(tan 6 sin 60) = 5.201 degrees, the map azimuth the true
// one less that.
TEST(RealSunBatch, GridNorthOfAUtmRaster)
{
    ScratchDir dir;
    const std::string asc = dir.filePath("utm.asc");
    {
        std::ofstream f(asc);
        f.precision(17);
        f << "ncols 40\nnrows 20\nxllcorner " << 834359.667892285 - 600 << "\nyllcorner " << 6666593.57214689 - 300
          << "\ncellsize 30\n";
        for (int r = 0; r < 20; ++r)
            for (int c = 0; c < 40; ++c) f << (100 + 3 * c + r) << (c == 39 ? "\n" : " ");
        std::ofstream(dir.filePath("utm.prj"))
            << "PROJCS[\"WGS_1984_UTM_Zone_32N\",GEOGCS[\"GCS_WGS_1984\",DATUM[\"D_WGS_1984\",SPHEROID[\"WGS_1984\","
               "6378137.0,298.257223563]],PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]],"
               "PROJECTION[\"Transverse_Mercator\"],PARAMETER[\"False_Easting\",500000.0],PARAMETER[\"False_"
               "Northing\",0.0],"
               "PARAMETER[\"Central_Meridian\",9.0],PARAMETER[\"Scale_Factor\",0.9996],PARAMETER[\"Latitude_Of_"
               "Origin\",0.0],"
               "UNIT[\"Meter\",1.0]]";
    }
    const Result r = run({"--open", asc, "--when", "2026-06-21T12:00Z", "sun"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::smatch m;
    const std::regex note(
        "sun at 60\\.000 N, 15\\.000 E, [^:]+:[^:]+:[^:]+: azimuth ([0-9.]+) true, ([0-9.]+) on the map "
        "\\(grid north ([0-9.]+)\\)");
    ASSERT_TRUE(std::regex_search(r.err, m, note)) << r.err;
    EXPECT_EQ(m[3].str(), "5.201");
    EXPECT_NEAR(std::stod(m[1].str()) - std::stod(m[2].str()), 5.201, 0.0015);
    // --place moves the sun, not the map's north.
    const Result placed = run({"--open", asc, "--place", "10,20", "--when", "2026-06-21T12:00Z", "sun"});
    EXPECT_NE(placed.err.find("sun at 10.000 N, 20.000 E"), std::string::npos) << placed.err;
    EXPECT_NE(placed.err.find("(grid north 5.201)"), std::string::npos) << placed.err;
}

// Frames are named by their UTC time, one for every time of the period: a
// night the clocks go forward has no gap and no repeat.
TEST(RealSunBatch, FramesOfAPeriod)
{
    ScratchDir dir;
    const std::string frames = dir.filePath("day");
    const Result r = run({"--place", "46.5,7.9", "--period",
                          "2026-03-29T00:30[Europe/Zurich],2026-03-29T04:30[Europe/Zurich],60", "--frames", frames});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(frames)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"20260328T2330Z.png", "20260329T0030Z.png", "20260329T0130Z.png"}));
}

// Sun-hours and direct light run and say the range of their values beside
// the most a pixel could have had.
TEST(RealSunBatch, SumsSayTheirRange)
{
    const Result r =
        run(words("--place 46.5,7.9 --period 2026-06-21T00:00Z,2026-06-22T00:00Z,30 --ground 30 --vertical 4 "
                  "sun-hours direct-light"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::regex_search(r.err,
                                  std::regex("note: sun-hours at 46\\.500 N, 7\\.900 E: [0-9.]+ to 15\\.[0-9]{3} "
                                             "hours, of 15\\.[0-9]{3} hours with the sun up\n")))
        << r.err;
    EXPECT_TRUE(std::regex_search(r.err,
                                  std::regex("note: direct-light at 46\\.500 N, 7\\.900 E: [0-9.]+ to [0-9.]+ kWh/m2, "
                                             "of [0-9.]+ kWh/m2 on flat open ground\n")))
        << r.err;
}

} // namespace
