// Colour tables read from their three kinds of text, and the tables that
// ship with the program.

#include "imageio/colour_tables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace gloamery;

namespace {

ColourEntry at(double z, TableColour c, bool percent = false) { return {z, percent, c}; }
constexpr TableColour rgb(int r, int g, int b, int a = 255)
{
    return {static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(b),
            static_cast<std::uint8_t>(a)};
}

ColourTable table(std::vector<ColourEntry> entries, std::optional<TableColour> noData = {},
                  std::optional<TableColour> below = {}, std::optional<TableColour> above = {})
{
    return {std::move(entries), noData, below, above};
}

} // namespace

TEST(ColourTables, EachFormReadsOrRefusesNamingTheLine)
{
    struct Row {
        const char* what;
        const char* name;
        const char* text;
        ColourTableForm form;
        ColourTable want;            // when read
        std::optional<ColourEntries> entries;
        const char* error = nullptr; // when refused: the message's start
    };
    const double next = std::nextafter(10.0, std::numeric_limits<double>::infinity());
    const Row rows[] = {
        {"relief: spaces, tabs, commas, comments, alpha", "t.txt",
         "# heights\n0 0 0 0\n\n100\t10\t20\t30\t40  # a comment\n2.5e2,1,2,3\r\n",
         ColourTableForm::Relief, table({at(0, rgb(0, 0, 0)), at(100, rgb(10, 20, 30, 40)), at(250, rgb(1, 2, 3))}), {}},
        {"relief: percentages, no-data, names", "t.txt", "nv 1 2 3 0\n0% black\n50% White\n-20 9 9 9\n",
         ColourTableForm::Relief,
         table({at(0, rgb(0, 0, 0), true), at(50, rgb(255, 255, 255), true), at(-20, rgb(9, 9, 9))}, rgb(1, 2, 3, 0)), {}},
        {"relief: channel out of range", "t.txt", "0 0 0 0\n1 0 256 0\n", ColourTableForm::Relief, {}, {}, "line 2: "},
        {"relief: too few values", "t.txt", "# x\n\n5 1 2\n", ColourTableForm::Relief, {}, {}, "line 3: "},
        {"relief: elevation no number", "t.txt", "high 1 2 3\n", ColourTableForm::Relief, {}, {}, "line 1: "},
        {"relief: unknown name", "t.txt", "0 teal\n", ColourTableForm::Relief, {}, {}, "line 1: unknown colour"},
        {"relief: nothing but comments", "t.txt", "# none\n", ColourTableForm::Relief, {}, {}, "the table has no"},
        {"palette: slices with B F N and labels", "t.cpt",
         "# COLOR_MODEL = RGB\n0 0 0 0 10 255 255 255 ; low\n10 255/0/0 20 #00FF80 L\nB 1 1 1\nF 9/9/9\nN 128\n",
         ColourTableForm::Palette,
         table({at(0, rgb(0, 0, 0)), at(10, rgb(255, 255, 255)), at(10, rgb(255, 0, 0)), at(20, rgb(0, 255, 128))},
               rgb(128, 128, 128), rgb(1, 1, 1), rgb(9, 9, 9)), {}},
        {"palette: grey slices", "t.cpt", "-5 0 5 200\n", ColourTableForm::Palette,
         table({at(-5, rgb(0, 0, 0)), at(5, rgb(200, 200, 200))}), {}},
        {"palette: other colour model", "t.cpt", "# COLOR_MODEL = HSV\n0 0-1-1 1 0-1-1\n", ColourTableForm::Palette, {}, {},
         "line 1: only RGB"},
        {"palette: slice backwards", "t.cpt", "10 0 0 0 0 0 0 0\n", ColourTableForm::Palette, {}, {}, "line 1: the slice"},
        {"palette: slice cut short", "t.cpt", "0 0 0 0 10 255 255\n", ColourTableForm::Palette, {}, {}, "line 1: "},
        {"qgis: interpolated", "q.txt",
         "# QGIS Generated Color Map Export File\nINTERPOLATION:INTERPOLATED\n0,1,2,3,255,low, very\n"
         "100,4,5,6,128,high\n",
         ColourTableForm::Qgis, table({at(0, rgb(1, 2, 3)), at(100, rgb(4, 5, 6, 128))}), ColourEntries::Interpolate},
        {"qgis: exact", "q.txt", "# QGIS Generated Color Map Export File\nINTERPOLATION:EXACT\n3,1,2,3,255,x\n",
         ColourTableForm::Qgis, table({at(3, rgb(1, 2, 3))}), ColourEntries::Exact},
        {"qgis: discrete classes step past each bound", "q.txt",
         "# QGIS Generated Color Map Export File\nINTERPOLATION:DISCRETE\n20,4,5,6,255,b\n10,1,2,3,255,a\n",
         ColourTableForm::Qgis, table({at(10, rgb(1, 2, 3)), at(next, rgb(4, 5, 6)), at(20, rgb(4, 5, 6))}), {}},
        {"qgis: short line", "q.txt", "# QGIS Generated Color Map Export File\nINTERPOLATION:INTERPOLATED\n1,2,3\n",
         ColourTableForm::Qgis, {}, {}, "line 3: "},
        {"qgis: unknown interpolation", "q.txt", "# QGIS Generated Color Map Export File\nINTERPOLATION:SMOOTH\n",
         ColourTableForm::Qgis, {}, {}, "line 2: "},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(colourTableForm(r.text, r.name), r.form);
        const auto read = parseColourTable(r.text, r.form);
        if (r.error) {
            ASSERT_TRUE(std::holds_alternative<Error>(read));
            EXPECT_EQ(std::get<Error>(read).message.rfind(r.error, 0), 0u) << std::get<Error>(read).message;
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<ReadColourTable>(read)) << std::get<Error>(read).message;
        EXPECT_EQ(std::get<ReadColourTable>(read).table, r.want);
        EXPECT_EQ(std::get<ReadColourTable>(read).entries, r.entries);
    }
}

TEST(ColourTables, ShippedTablesReadByNameAndMissingFilesAreRefused)
{
    ASSERT_GE(builtInColourNames().size(), 3u);
    for (std::string_view name : builtInColourNames()) {
        const auto read = loadColourTable(std::string(name));
        ASSERT_TRUE(std::holds_alternative<ReadColourTable>(read)) << name;
        EXPECT_GE(std::get<ReadColourTable>(read).table.entries.size(), 2u) << name;
    }
    EXPECT_TRUE(std::holds_alternative<Error>(loadColourTable("/nonexistent/table.txt")));
}
