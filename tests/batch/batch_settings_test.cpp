// The batch tool's settings files: --settings applies a file where it
// stands, --save-settings writes the controls as they stand there, and
// "shadow" runs the shadow operation last used.

#include "batch_run.h"
#include "settings/settings_file.h"

#include "tests/scratch_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace gloamery;
using namespace gloamery::batch;

namespace {

class BatchSettings : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tmp.isValid()); }

    std::string at(const char* name) const { return tmp.filePath(name); }

    std::string write(const char* name, const Settings& s) const
    {
        EXPECT_FALSE(writeSettingsFile(at(name), s));
        return at(name);
    }

    static Command parsed(const std::vector<std::string>& args)
    {
        auto result = parseArguments(args);
        if (const auto* e = std::get_if<UsageError>(&result)) ADD_FAILURE() << e->message;
        return std::get_if<Command>(&result) ? std::get<Command>(result) : Command{};
    }

    ScratchDir tmp;
};

std::vector<RunStep> runs(const Command& cmd)
{
    std::vector<RunStep> out;
    for (const Step& s : cmd.plan.steps)
        if (const auto* r = std::get_if<RunStep>(&s)) out.push_back(*r);
    return out;
}

Settings look()
{
    Settings s;
    s.controls = Controls{"40", "-30.5", "2.5", 90, 40, false, BlendMode::Half, {}, {}, {}, {}};
    s.shadow = ShadowMode::Cos;
    s.texture = TextureButton::MakeTexture2;
    return s;
}

} // namespace

TEST_F(BatchSettings, AppliesTheFileWhereItStandsAndLaterOptionsWin)
{
    const std::string file = write("look.json", look());
    const Command cmd = parsed({"--decay", "9", "--darkness", "3", "linear", "--settings", file, "sin", "--decay", "7", "cos"});
    const auto r = runs(cmd);
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].controls.alt, "9");
    EXPECT_EQ(r[0].controls.darkness, 3);
    Controls fromFile = look().controls;
    EXPECT_EQ(r[1].controls, fromFile);
    fromFile.alt = "7";
    EXPECT_EQ(r[2].controls, fromFile);
}

TEST_F(BatchSettings, ShadowRunsTheShadowOperationLastUsed)
{
    const std::string file = write("look.json", look()); // names cos
    const struct {
        std::vector<std::string> args;
        Operation expected;
    } cases[] = {
        {{"shadow"}, Operation::Linear},
        {{"embossed", "make-texture", "shadow"}, Operation::Embossed},
        {{"sin", "--settings", file, "shadow"}, Operation::Cos},
        {{"--settings", file, "linear-sim", "clear", "shadow"}, Operation::LinearSim},
    };
    for (const auto& c : cases) {
        const auto r = runs(parsed(c.args));
        ASSERT_FALSE(r.empty());
        EXPECT_EQ(r.back().op, c.expected) << c.args.back();
    }
}

TEST_F(BatchSettings, AFileOfAnotherMapSizeResizesTheMap)
{
    Settings wide = look();
    wide.map = MapSize{300, 200};
    const std::string wideFile = write("wide.json", wide);
    Settings square = look();
    square.map = MapSize{256, 256};
    const std::string squareFile = write("square.json", square);

    auto sizes = [](const Command& cmd) {
        std::vector<std::pair<int, int>> out;
        for (const Step& s : cmd.plan.steps)
            if (const auto* size = std::get_if<SizeStep>(&s)) out.emplace_back(size->width, size->height);
        return out;
    };
    using Sizes = std::vector<std::pair<int, int>>;
    EXPECT_EQ(sizes(parsed({"--settings", squareFile})), Sizes{});
    EXPECT_EQ(sizes(parsed({"--settings", wideFile, "--settings", wideFile})), (Sizes{{300, 200}}));
    EXPECT_EQ(sizes(parsed({"--size", "300,200", "--settings", squareFile})), (Sizes{{300, 200}, {256, 256}}));
    // A world's size is its own.
    EXPECT_EQ(sizes(parsed({"--world", "512,512", "--settings", wideFile})), Sizes{});
}

TEST_F(BatchSettings, SavedSettingsHoldTheControlsWhereTheyStand)
{
    std::ostringstream out, err;
    const std::string saved = at("saved.json");
    const std::vector<std::string> args = {"--sun", "40,-30.5", "--decay", "2.5", "--darkness", "90", "--contrast", "40",
                                           "--blur", "off", "--blend", "50/50", "make-texture2", "cos", "--size", "300,200",
                                           "--save-settings", saved, "--decay", "1"};
    ASSERT_EQ(runTool(args, out, err), kExitOk) << err.str();
    Settings expected = look();
    expected.map = MapSize{300, 200};
    const auto read = readSettingsFile(saved, Settings{});
    ASSERT_TRUE(std::holds_alternative<Settings>(read)) << std::get<Error>(read).message;
    EXPECT_EQ(std::get<Settings>(read), expected);

    // Read back, the file gives the same file again.
    const std::string again = at("again.json");
    ASSERT_EQ(runTool({"--settings", saved, "--save-settings", again}, out, err), kExitOk) << err.str();
    std::ifstream a(saved), b(again);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(a), {}), std::string(std::istreambuf_iterator<char>(b), {}));
}

TEST_F(BatchSettings, ABadFileStopsTheToolBeforeAnythingIsWritten)
{
    std::ofstream(at("bad.json")) << R"({"format": "gloamery-settings", "version": 1, "blend": "screen"})";
    const struct {
        std::vector<std::string> args;
        const char* inMessage;
    } cases[] = {
        {{"--settings", at("bad.json")}, "\"blend\""},
        {{"--settings", at("missing.json")}, "No such file"},
        {{"--settings"}, "Missing value"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--save", "colour", at("first.png"), "linear", "--save-settings", at("first.json")};
        args.insert(args.end(), c.args.begin(), c.args.end());
        std::ostringstream out, err;
        EXPECT_EQ(runTool(args, out, err), kExitUsage);
        EXPECT_NE(err.str().find(c.inMessage), std::string::npos) << err.str();
        EXPECT_FALSE(std::ifstream(at("first.png")).good());
        EXPECT_FALSE(std::ifstream(at("first.json")).good());
    }
}

TEST_F(BatchSettings, ShadowRunsTakeTheNumbersTheirOptionsOrFileGave)
{
    const std::string file = write("look.json", look()); // X0 40, Y0 -30.5, decay 2.5
    const struct {
        std::vector<std::string> args;
        double x0, y0, decay;
    } cases[] = {
        {{"linear"}, 0, 0, 5},
        {{"--sun", " 40 ,+30.5", "--decay=-3", "linear"}, 40, 30.5, -3},
        {{"--decay", "1e-400", "--sun", "-32768,32767", "sin"}, -32768, 32767, 0},
        {{"--sun", "1,2", "--settings", file, "cos"}, 40, -30.5, 2.5},
        {{"--settings", file, "--decay", "7", "--sun", "3,4", "linear"}, 3, 4, 7},
    };
    for (const auto& c : cases) {
        const auto r = runs(parsed(c.args));
        ASSERT_EQ(r.size(), 1u);
        const ShadowParams p = shadowParamsOf(r[0]);
        EXPECT_EQ(p.x0, c.x0) << c.args[0];
        EXPECT_EQ(p.y0, c.y0) << c.args[0];
        EXPECT_EQ(p.decay, c.decay) << c.args[0];
    }
}
