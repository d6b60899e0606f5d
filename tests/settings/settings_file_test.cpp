// Settings files: what is written reads back the same, and every kind of
// bad file is refused with the key at fault named, the settings unchanged.

#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace gloamery;

namespace {

std::string header(const std::string& rest = "")
{
    return R"({"format": "gloamery-settings", "version": 1)" + (rest.empty() ? "" : ", " + rest) + "}";
}

Settings unusual()
{
    Settings s;
    s.controls = Controls{"-40.25", "1e3", " 0.1 ", 0, 100, false, BlendMode::Multiply3, {}};
    s.controls.sun = SunControls{-1e6, 90.0, 10.0, false, 1.0, 256, 16, 1e-9, 1e9, 0.1};
    // The later controls, each away from its start.
    s.controls.blend = BlendMode::SoftLight;
    s.controls.blendOpacity = 37.5;
    s.controls.colours = "tables/my ramp.cpt";
    s.controls.colourEntries = ColourEntries::Nearest;
    s.controls.relief = ReliefControls{256, 1e12};
    s.controls.normal = NormalControls{NormalConvention::DirectX, 16};
    s.map = MapSize{16384, 1};
    s.shadow = ShadowMode::Embossed;
    s.texture = TextureButton::MakeTexture2;
    return s;
}

std::filesystem::path scratch(const char* name)
{
    const auto dir = std::filesystem::temp_directory_path() / ("gloamery-settings-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    return dir / name;
}

} // namespace

TEST(SettingsFile, WrittenSettingsReadBackTheSame)
{
    Settings world = unusual();
    world.map.reset(); // a world's settings carry no map size
    Settings halves;
    halves.controls.x0 = "0.1";
    halves.controls.sun.azimuth = 0.1 + 0.2; // needs all 17 digits
    halves.controls.sun.groundX = 1.0 / 3.0;
    for (const Settings& s : {Settings{}, unusual(), world, halves}) {
        const std::string text = settingsText(s);
        const auto read = parseSettings(text, Settings{});
        ASSERT_TRUE(std::holds_alternative<Settings>(read)) << std::get<Error>(read).message << "\n" << text;
        EXPECT_EQ(std::get<Settings>(read), s) << text;
        EXPECT_EQ(settingsText(std::get<Settings>(read)), text);
    }
}

TEST(SettingsFile, KeysLeftOutKeepTheirValues)
{
    const Settings base = unusual();
    const auto read = parseSettings(header(R"("darkness": 7, "sun": {"sky-rays": [3, 2]}, "x0": 12.5)"), base);
    ASSERT_TRUE(std::holds_alternative<Settings>(read)) << std::get<Error>(read).message;
    Settings expected = base;
    expected.controls.darkness = 7;
    expected.controls.sun.skyAzimuths = 3;
    expected.controls.sun.skyAltitudes = 2;
    expected.controls.x0 = "12.5"; // a number stands for its shortest text
    EXPECT_EQ(std::get<Settings>(read), expected);
}

TEST(SettingsFile, BadFilesAreRefusedNamingTheKey)
{
    const std::string good = settingsText(unusual());
    const struct {
        std::string text;
        const char* inMessage;
    } cases[] = {
        {"", "empty"},
        {"hello", "not JSON"},
        {"{\"format\": \"gloamery-settings\",\n \"version\": 1,, }", "line 2, column 15"},
        {good.substr(0, good.size() / 2), "cut short"},
        {"[1, 2]", "not a settings file"},
        {R"({"version": 1})", "\"format\" is missing"},
        {R"({"format": "other-settings", "version": 1})", "\"format\""},
        {R"({"format": "gloamery-settings"})", "\"version\" is missing"},
        {R"({"format": "gloamery-settings", "version": 2})", "\"version\" 2 is not known"},
        {R"({"format": "gloamery-settings", "version": "1"})", "\"version\""},
        {header(R"("darknes": 3)"), "unknown key \"darknes\""},
        {header(R"("sun": {"azimut": 3})"), "unknown key \"sun.azimut\""},
        {header(R"("darkness": 256)"), "\"darkness\" must be a whole number from 0 to 255"},
        {header(R"("darkness": 12.5)"), "\"darkness\""},
        {header(R"("contrast": -1)"), "\"contrast\""},
        {header(R"("x0": "12,5")"), "\"x0\" must be a finite number"},
        {header(R"("y0": true)"), "\"y0\""},
        {header(R"("decay": "nan")"), "\"decay\""},
        {header(R"("decay": 1e999)"), "\"decay\" holds a number too large"},
        {header(R"("sun": {"sky": -1e999})"), "\"sky\" holds a number too large"},
        {header(R"("blur": "on")"), "\"blur\" must be true or false"},
        {header(R"("blend": "color-dodge")"), "\"blend\""},
        {header(R"("shadow": "Linear")"), "\"shadow\""},
        {header(R"("texture": 2)"), "\"texture\""},
        {header(R"("map": {"width": 0})"), "\"map.width\""},
        {header(R"("map": {"width": 16, "height": 16385})"), "\"map.height\""},
        {header(R"("map": [256, 256])"), "\"map\" must be an object"},
        {header(R"("sun": {"altitude": 90.5})"), "\"sun.altitude\" must be a number from 0 to 90"},
        {header(R"("sun": {"azimuth": -1000001})"), "\"sun.azimuth\""},
        {header(R"("sun": {"size": -0.1})"), "\"sun.size\""},
        {header(R"("sun": {"sky": 1.5})"), "\"sun.sky\""},
        {header(R"("sun": {"sky-rays": [257, 4]})"), "\"sun.sky-rays[0]\""},
        {header(R"("sun": {"sky-rays": [16]})"), "\"sun.sky-rays\" must be a list of two"},
        {header(R"("sun": {"ground": [1, 0]})"), "\"sun.ground[1]\""},
        {header(R"("sun": {"vertical": 2e9})"), "\"sun.vertical\""},
        {header(R"("sun": {"lambert": 1})"), "\"sun.lambert\""},
        {header(R"("sun": [[[[[[[[[[[[1]]]]]]]]]]]])"), "nested too deeply"},
        {header(R"("blend-opacity": 100.5)"), "\"blend-opacity\""},
        {header(R"("blend": "soft light")"), "\"blend\""},
        {header(R"("colours": 3)"), "\"colours\""},
        {header(R"("colour-entries": "closest")"), "\"colour-entries\""},
        {header(R"("relief.directions": 0)"), "\"relief.directions\""},
        {header(R"("relief.radius": 0)"), "\"relief.radius\""},
        {header(R"("normal.depth": "12")"), "\"normal.depth\""},
        {header(R"("normal.convention": "vulkan")"), "\"normal.convention\""},
    };
    const Settings base = unusual();
    for (const auto& c : cases) {
        const auto read = parseSettings(c.text, base);
        ASSERT_TRUE(std::holds_alternative<Error>(read)) << c.text;
        EXPECT_NE(std::get<Error>(read).message.find(c.inMessage), std::string::npos)
            << c.text << "\n  gave: " << std::get<Error>(read).message;
    }
}

TEST(SettingsFile, FilesAreReadWithinALimitAndWrittenWhole)
{
    const auto path = scratch("look.json");
    ASSERT_FALSE(writeSettingsFile(path.string(), unusual()));
    const auto read = readSettingsFile(path.string(), Settings{});
    ASSERT_TRUE(std::holds_alternative<Settings>(read));
    EXPECT_EQ(std::get<Settings>(read), unusual());
    // No file is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(path.parent_path()), {}), 1);

    // A save that cannot be made keeps the file there.
    EXPECT_TRUE(writeSettingsFile((path.parent_path() / "missing" / "x.json").string(), Settings{}));
    const auto missing = readSettingsFile((path.parent_path() / "none.json").string(), Settings{});
    ASSERT_TRUE(std::holds_alternative<Error>(missing));
    EXPECT_NE(std::get<Error>(missing).message.find("No such file"), std::string::npos);

    // A huge file is refused unread, even one that starts like a settings file.
    std::ofstream(path) << header() << std::string(kMaxSettingsFileBytes, ' ');
    const auto large = readSettingsFile(path.string(), Settings{});
    ASSERT_TRUE(std::holds_alternative<Error>(large));
    EXPECT_NE(std::get<Error>(large).message.find("larger than 64 KiB"), std::string::npos);
    std::filesystem::remove_all(path.parent_path());
}
