// The batch tool's argument check, in-process: what it accepts, what it
// refuses, and which controls each operation runs with.

#include "batch_plan.h"
#include "option_table.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <sstream>
#include <string>
#include <vector>

using namespace gloamery;
using namespace gloamery::batch;

namespace {

std::vector<std::string> split(const char* line)
{
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

std::vector<RunStep> runs(const Command& cmd)
{
    std::vector<RunStep> out;
    for (const Step& s : cmd.plan.steps)
        if (const auto* r = std::get_if<RunStep>(&s)) out.push_back(*r);
    return out;
}

std::string joined(const std::vector<std::string>& args)
{
    std::string line;
    for (const std::string& a : args) line += (line.empty() ? "" : " ") + a;
    return line;
}

} // namespace

TEST(BatchArguments, RefusesBadArgumentsNamingTheCulprit)
{
    struct Case {
        std::vector<std::string> args;
        const char* inMessage;
    };
    const Case cases[] = {
        {{}, "nothing to do"},
        {split("--load work a.png"), "\"work\""},
        {split("--load Height a.png"), "\"Height\""},
        {split("--load"), "'--load'"},
        {split("--load height"), "--load needs"},
        {{"--load", "height", ""}, "file name"},
        {split("--save colour out.jpg"), "out.jpg"},
        {split("--save colour out"), ".bmp, .png, .tif, .tiff, .r16 or .raw"},
        {split("--save colour out.png.tmp"), ".bmp, .png, .tif"},
        {split("--save colour out.r16"), "only the height map saves as raw"},
        {split("--save shadow out.RAW"), "only the height map saves as raw"},
        {split("--open"), "'--open'"},
        {{"--open", ""}, "--open needs a file name"},
        {split("--world 64,64 --open a.tif"), "--open cannot be used with --world"},
        {split("shade"), "unknown operation \"shade\""},
        {split("Linear"), "unknown operation"},
        {split("--darken 3"), "'darken'"},
        {split("-x linear"), "'x'"},
        {split("--time=yes"), "'--time'"},
        {split("--sun"), "'--sun'"},
        {split("--sun 10"), "\"10\""},
        {split("--sun 10,"), "\"10,\""},
        {split("--sun ,10"), "\",10\""},
        {split("--sun 1,2,3"), "\"1,2,3\""},
        {split("--sun a,b"), "\"a,b\""},
        {split("--sun nan,0"), "\"nan,0\""},
        {split("--sun 0,inf"), "\"0,inf\""},
        {split("--sun 1e999,0"), "\"1e999,0\""},
        {split("--decay 1,5"), "--decay needs a finite number"},
        {split("--heights 5,1"), "LO below HI"},
        {split("--heights 0,nan"), "--heights needs two finite numbers"},
        {split("--heights 7"), "\"7\""},
        {split("--decay nan"), "--decay needs a finite number"},
        {{"--decay", ""}, "--decay needs a finite number"},
        {split("--decay"), "'--decay'"},
        {split("--darkness 256"), "0..255"},
        {split("--darkness -1"), "0..255"},
        {split("--darkness 12.5"), "\"12.5\""},
        {split("--darkness dark"), "\"dark\""},
        {split("--contrast 101"), "0..100"},
        {split("--contrast -0.5"), "0..100"},
        {split("--blur yes"), "on or off"},
        {split("--blend Multiply"), "\"Multiply\""},
        {split("--blend 50-50"), "\"50-50\""},
        {split("--size 0,5"), "1 to 16384"},
        {split("--size 16385,1"), "\"16385,1\""},
        {split("--size 300"), "W,H"},
        {split("--size 1.5,2"), "\"1.5,2\""},
        {split("--size"), "'--size'"},
        {split("--tile work a.png"), "\"work\""},
        {split("--threads 0"), "1..1024"},
        // Passes the number check but not the shadow run's 16-bit range.
        {split("--sun 32768,0 linear"), "linear: X0"},
        {split("--sun 0,-32769 sin"), "sin: Y0"},
        {split("--sun 32767.5,0 cos"), "cos: X0"},
        {split("--sun -32768.5,0 embossed"), "embossed: X0"},
        // Worlds and their regions.
        {split("--world 65537,2"), "each 1..65536"},
        {split("--world 20000,20000 linear"), "give --region"},
        {split("--region 0,0,5,5 linear"), "--region needs --world"},
        {split("--world 100,100 --region 90,0,11,5"), "reaches outside the 100 x 100 world"},
        {split("--world 100,100 --region 0,0,0,5"), "is empty"},
        {split("--world 100,100 --region 0,0,5"), "X,Y,w,h"},
        {split("--world 40000,100 --region 0,0,20000,5"), "larger than 16384"},
        {split("linear --world 100,100"), "--world must come before"},
        {split("--world 100,100 --size 5,5"), "--size cannot be used"},
        {split("--world 100,100 --load colour a.png"), "colour is computed"},
        {split("--world 100,100 --tile height a.png"), "--load height FILE"},
        {split("--world 100,100 --load height a.tif"), "needs --heights"},
        {split("--world 100,100 --sun 131072,0 linear"), "between -131072 and 131071"},
        {split("--sun-angle 315 sun"), "--sun-angle needs A,E"},
        {split("--sun-angle 315,90.5 sun"), "--sun-angle"},
        {split("--sun-angle 1e6.5,45 sun"), "--sun-angle"},
        {split("--sun-angle 2e6,45 sun"), "--sun-angle"},
        {split("--sun-angle nan,45 sun"), "--sun-angle"},
        {split("--sun-size -1 sun"), "--sun-size"},
        {split("--sun-size 10.01 sun"), "--sun-size"},
        {split("--lambert yes sun"), "--lambert needs on or off"},
        {split("--sky 1.5 sun"), "--sky needs"},
        {split("--sky-rays 257,4 sun"), "--sky-rays"},
        {split("--sky-rays 16,0 sun"), "--sky-rays"},
        {split("--sky-rays 16 sun"), "--sky-rays"},
        {split("--ground 0 sun"), "--ground"},
        {split("--ground 1,2e9 sun"), "--ground"},
        {split("--ground 1,2,3 sun"), "--ground"},
        {split("--vertical 1e-10 sun"), "--vertical"},
        {split("--vertical inf sun"), "--vertical"},
        {split("--sky-rays"), "'--sky-rays'"},
        // The first error is the one reported, even after good arguments.
        {split("--sun 1,1 linear --save colour a.png --blend x --blur maybe"), "--blend"},
    };
    for (const Case& c : cases) {
        const auto result = parseArguments(c.args);
        const auto* e = std::get_if<UsageError>(&result);
        ASSERT_NE(e, nullptr) << "accepted: " << joined(c.args);
        EXPECT_NE(e->message.find(c.inMessage), std::string::npos)
            << "for: " << joined(c.args) << "\nmessage: " << e->message;
    }
}

TEST(BatchArguments, AcceptsTheWholeRangeOfEachControl)
{
    const char* accepted[] = {
        "--darkness 0 --darkness 255 --darkness 1e2 --contrast 0 --contrast 100 linear",
        "--decay -3 --decay 0 --decay 2.5e-1 --decay +4 linear",
        "--sun -0.5,1e2 linear --sun 32767,-32768 linear --sun -32768,0.9 linear",
        "--sun 99999,99999 linear-sim", // the sun does not matter to it
        "--blur off --blur on --blend 50/50 --blend multiply/2 --blend multiply/3 --blend multiply",
        "--save colour OUT.PNG --save shadow a.b.Bmp --load detail x.gif",
        "make-texture make-texture2 clear embossed sin cos sun",
        "--sun-angle -1e6,0 sun --sun-angle 1e6,90 --sun-size 0 --sun-size 10 --sky 0 --sky 1 sun",
        "--sky-rays 1,1 --sky-rays 256,16 --lambert off --lambert on --ground 1e-9 --ground 1e9,0.5 --vertical 1e9 sun",
        "--time",
    };
    for (const char* line : accepted) {
        const auto result = parseArguments(split(line));
        const auto* e = std::get_if<UsageError>(&result);
        EXPECT_EQ(e, nullptr) << line << ": " << (e ? e->message : "");
    }
}

TEST(BatchArguments, SaveFormatFollowsTheExtension)
{
    const auto result = parseArguments(split("--save colour a.PNG --save shadow dir.png/b.bmp --save colour c.tif "
                                             "--save texture d.TIFF --save height e.r16 --save height f.Raw"));
    const auto& steps = std::get<Command>(result).plan.steps;
    const char* formats[] = {"png", "bmp", "tif", "tif", "r16", "r16"};
    ASSERT_EQ(steps.size(), std::size(formats));
    for (std::size_t i = 0; i < steps.size(); ++i) EXPECT_EQ(std::get<SaveStep>(steps[i]).format, formats[i]) << i;
}

TEST(BatchArguments, OpenLoadsHeightsAtTheFilesSizeWithTheRangeGivenBefore)
{
    const auto result = parseArguments(split("--heights 0,900 --open dem.tif --save colour c.tif"));
    const auto& steps = std::get<Command>(result).plan.steps;
    ASSERT_EQ(steps.size(), 2u);
    const auto& open = std::get<LoadStep>(steps[0]);
    EXPECT_TRUE(open.fit);
    EXPECT_EQ(open.slot, Slot::Height);
    EXPECT_EQ(open.path, "dem.tif");
    ASSERT_TRUE(open.heights.has_value());
    EXPECT_EQ(open.heights->high, 900.0);
}

TEST(BatchArguments, EachOperationRunsWithTheControlsSetBeforeIt)
{
    const auto result = parseArguments(
        split("linear --sun 10,20.5 --decay 3 --darkness 7 cos --contrast 40 --blur off --blend 50/50 "
              "make-texture --sun 1,2 clear"));
    ASSERT_TRUE(std::holds_alternative<Command>(result)) << std::get<UsageError>(result).message;
    const auto r = runs(std::get<Command>(result));
    ASSERT_EQ(r.size(), 4u);

    EXPECT_EQ(r[0].op->name, "linear");
    EXPECT_EQ(r[0].controls.x0, "0");
    EXPECT_EQ(r[0].controls.y0, "0");
    EXPECT_EQ(r[0].controls.alt, "5");
    EXPECT_EQ(r[0].controls.darkness, 128);
    EXPECT_EQ(r[0].controls.contrast, 0);
    EXPECT_TRUE(r[0].controls.blur);
    EXPECT_EQ(r[0].controls.blend, BlendMode::Multiply);

    EXPECT_EQ(r[1].op->name, "cos");
    EXPECT_EQ(r[1].controls.x0, "10");
    EXPECT_EQ(r[1].controls.y0, "20.5");
    EXPECT_EQ(r[1].controls.alt, "3");
    EXPECT_EQ(r[1].controls.darkness, 7);
    EXPECT_TRUE(r[1].controls.blur);

    EXPECT_EQ(r[2].op->name, "make-texture");
    EXPECT_EQ(r[2].controls.contrast, 40);
    EXPECT_FALSE(r[2].controls.blur);
    EXPECT_EQ(r[2].controls.blend, BlendMode::Half);
    EXPECT_EQ(r[2].controls.x0, "10");

    EXPECT_EQ(r[3].op->name, "clear");
    EXPECT_EQ(r[3].controls.x0, "1");
}

TEST(BatchArguments, SunControlsStandAsTheyWereSetBeforeEachRun)
{
    const auto result = parseArguments(split("sun --sun-angle 90,30 --sun-size 2 --lambert off --sky 0.25 --sky-rays 8,2 "
                                             "--ground 30 --vertical 0.5 sun --ground 10,20 sun"));
    ASSERT_TRUE(std::holds_alternative<Command>(result)) << std::get<UsageError>(result).message;
    const auto r = runs(std::get<Command>(result));
    ASSERT_EQ(r.size(), 3u);
    const SunControls start;
    EXPECT_EQ(r[0].controls.sun.azimuth, start.azimuth);
    EXPECT_EQ(r[0].controls.sun.altitude, start.altitude);
    const SunControls& s = r[1].controls.sun;
    EXPECT_EQ(s.azimuth, 90);
    EXPECT_EQ(s.altitude, 30);
    EXPECT_EQ(s.size, 2);
    EXPECT_FALSE(s.lambert);
    EXPECT_EQ(s.sky, 0.25);
    EXPECT_EQ(s.skyAzimuths, 8);
    EXPECT_EQ(s.skyAltitudes, 2);
    EXPECT_EQ(s.groundX, 30); // one number: the same across and down
    EXPECT_EQ(s.groundY, 30);
    EXPECT_EQ(s.vertical, 0.5);
    EXPECT_EQ(r[2].controls.sun.groundX, 10);
    EXPECT_EQ(r[2].controls.sun.groundY, 20);
}

TEST(BatchArguments, HelpAndVersionWinOverWhatFollows)
{
    EXPECT_EQ(std::get<Command>(parseArguments(split("--load height a.png --help bogus"))).request, Request::Help);
    EXPECT_EQ(std::get<Command>(parseArguments(split("--version --darkness 999"))).request, Request::Version);
    EXPECT_EQ(std::get<Command>(parseArguments(split("linear -h"))).request, Request::Help);
    EXPECT_EQ(std::get<Command>(parseArguments(split("-v"))).request, Request::Version);
    EXPECT_FALSE(std::get<Command>(parseArguments(split("linear"))).plan.time);
    EXPECT_TRUE(std::get<Command>(parseArguments(split("linear --time"))).plan.time);
}

TEST(BatchArguments, NameEqualsValueMeansTheSameAsTwoArguments)
{
    const auto joined = parseArguments(split("--sun=-10,20 --decay=-3 --blend=50/50 linear --save=colour a=b.png"));
    ASSERT_TRUE(std::holds_alternative<Command>(joined)) << std::get<UsageError>(joined).message;
    const auto& steps = std::get<Command>(joined).plan.steps;
    ASSERT_EQ(steps.size(), 2u);
    const auto& run = std::get<RunStep>(steps[0]);
    EXPECT_EQ(run.controls.x0, "-10");
    EXPECT_EQ(run.controls.y0, "20");
    EXPECT_EQ(run.controls.alt, "-3");
    EXPECT_EQ(run.controls.blend, BlendMode::Half);
    EXPECT_EQ(std::get<SaveStep>(steps[1]).path, "a=b.png") << "only an option is split at its '='";
}

TEST(BatchArguments, AFileAfterASlotIsAFileNameWhateverItLooksLike)
{
    struct Case {
        std::vector<std::string> args;
        const char* path; // of the first step, a load or a save
    };
    const Case cases[] = {
        {split("--load height -v"), "-v"},
        {split("--load height --help"), "--help"},
        {split("--tile grass -dash.png"), "-dash.png"},
        {split("--load=height -h"), "-h"},
        {split("--save colour -x.png"), "-x.png"},
        {split("--save colour --weird=name.png"), "--weird=name.png"},
        {split("--load height -- linear"), "--"},
    };
    for (const Case& c : cases) {
        const auto parsed = parseArguments(c.args);
        ASSERT_TRUE(std::holds_alternative<Command>(parsed)) << c.path << ": " << std::get<UsageError>(parsed).message;
        const Command& cmd = std::get<Command>(parsed);
        EXPECT_EQ(cmd.request, Request::Run) << c.path;
        ASSERT_FALSE(cmd.plan.steps.empty()) << c.path;
        const Step& first = cmd.plan.steps.front();
        const std::string path = std::holds_alternative<LoadStep>(first) ? std::get<LoadStep>(first).path
                                                                          : std::get<SaveStep>(first).path;
        EXPECT_EQ(path, c.path);
    }
}

TEST(BatchArguments, DoubleDashEndsTheOptions)
{
    const auto ops = parseArguments(split("--load height a.png -- linear cos"));
    ASSERT_TRUE(std::holds_alternative<Command>(ops)) << std::get<UsageError>(ops).message;
    EXPECT_EQ(std::get<Command>(ops).plan.steps.size(), 3u);
    const auto help = parseArguments(split("linear -- -h"));
    ASSERT_TRUE(std::holds_alternative<UsageError>(help)) << "-h after -- is no option";
    EXPECT_NE(std::get<UsageError>(help).message.find("unknown operation \"-h\" after --"), std::string::npos);
    const auto folders = parseArguments(split("--vrt-sources /a --vrt-sources=/b linear"));
    ASSERT_TRUE(std::holds_alternative<Command>(folders));
    EXPECT_EQ(std::get<Command>(folders).plan.vrtSourceFolders, (std::vector<std::string>{"/a", "/b"}));
}

TEST(BatchArguments, QuietTurnsTheProgressLineOff)
{
    for (const char* line : {"--quiet linear", "linear --quiet", "linear"}) {
        const auto result = parseArguments(split(line));
        ASSERT_TRUE(std::holds_alternative<Command>(result)) << line;
        EXPECT_EQ(std::get<Command>(result).plan.quiet, std::string(line) != "linear") << line;
        EXPECT_FALSE(std::get<Command>(result).plan.progress) << line << ": set by the tool, for a terminal";
    }
}

TEST(BatchArguments, HelpListsEveryOptionTheToolTakesOnceInItsColumns)
{
    const std::string help = usageText();
    for (const OptionInfo& o : batchOptions()) {
        const std::string name = "--" + std::string(o.name);
        // Known: taken with its values, not refused as unknown.
        std::vector<std::string> args = {name};
        args.insert(args.end(), static_cast<std::size_t>(o.values), "1");
        const auto parsed = parseArguments(args);
        if (const auto* e = std::get_if<UsageError>(&parsed)) {
            EXPECT_EQ(e->message.find("Unknown option"), std::string::npos) << e->message;
        }
        if (o.group == HelpGroup::Hidden) continue;
        // Listed once, at the start of a line, its description from column 24
        // (two blanks past a longer left column).
        const std::string line = "\n  " + std::string(o.shown) + " ";
        const std::size_t at = help.find(line);
        ASSERT_NE(at, std::string::npos) << name;
        EXPECT_EQ(help.find(line, at + 1), std::string::npos) << name;
        const std::size_t column = at + 1 + std::max<std::size_t>(23, o.shown.size() + 4);
        EXPECT_EQ(help.substr(column - 2, 14), "  " + std::string(o.help.substr(0, 12))) << name;
    }
    // Every option line of the help comes from the table.
    std::size_t listed = 0;
    for (std::size_t at = help.find("\n  -"); at != std::string::npos; at = help.find("\n  -", at + 1)) ++listed;
    EXPECT_EQ(listed, static_cast<std::size_t>(std::count_if(batchOptions().begin(), batchOptions().end(),
                                                            [](const OptionInfo& o) { return o.group != HelpGroup::Hidden; })));
}
