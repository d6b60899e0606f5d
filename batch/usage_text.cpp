// The batch tool's --help: every option, grouped as a user looks for them,
// each with the lines its entry in the option table carries. The manual
// page is written from it while building.

#include "batch_plan.h"
#include "option_table.h"

#include "shadow/shadow_modes.h"

#include <algorithm>
#include <iterator>
#include <string>

namespace gloamery::batch {

namespace {

// The sweeps' names as every front end reads them, so that a new shading
// rule shows here without an edit; padded to the column of the others'
// descriptions.
std::string sweepNames()
{
    std::string names = "  ";
    for (const ShadowModeInfo& m : kShadowModes)
        if (m.mode != ShadowMode::Sun) names.append(names.size() > 2 ? ", " : "").append(m.name);
    names.resize(std::max<std::size_t>(names.size() + 1, 43), ' ');
    return names;
}

// The group's options, each its left column then its description from
// column 24 on (one column more, and at least two blanks, past a long one).
std::string optionLines(HelpGroup group)
{
    constexpr std::size_t kColumn = 23;
    std::string text;
    for (const OptionInfo& o : batchOptions()) {
        if (o.group != group) continue;
        std::string line = "  " + std::string(o.shown);
        line.resize(std::max(kColumn, line.size() + 2), ' ');
        for (const char c : o.help) {
            line += c;
            if (c == '\n') line.append(kColumn, ' ');
        }
        text += line + "\n";
    }
    return text;
}

// What --help says before each group's options, in the groups' order.
constexpr const char* kHeadings[] = {
    "Pictures (SLOT: height, shadow, colour, grass, stone, texture, detail):\n",
    "Deep heights: 16-bit PNG and TIFF, PGM with a maxval above 255, raw 16-bit\n"
    "little-endian .r16/.raw files of the map's size, and elevation rasters\n"
    "(GeoTIFF, SRTM .hgt, ESRI ASCII .asc) load as height at full precision.\n",
    "Map size (256,256 at start):\n",
    "Worlds larger than a map, lit a region at a time (see light-world.sh):\n",
    "Controls (numbers in the C locale, as in 10.5):\n",
    "Sun controls (the sun operation):\n",
    "Settings files (JSON, as the control panel saves them):\n",
};
// The running options are listed after the operations, without a heading.
static_assert(std::size(kHeadings) == static_cast<std::size_t>(HelpGroup::Running));

} // namespace

std::string usageText()
{
    std::string text = "Usage: gloamery-batch [ARGUMENT]...\n"
                       "Lights a terrain the way the control panel does, one argument at a time,\n"
                       "strictly left to right. Starts from the control panel's default pictures.\n";
    for (std::size_t g = 0; g < std::size(kHeadings); ++g)
        text += std::string("\n") + kHeadings[g] + optionLines(static_cast<HelpGroup>(g));
    return text
        + "\n"
        "Operations, run when reached:\n"
        + sweepNames() + "a shadow run, then the merge\n"
        "  sun                                      light from the sun and sky, then the merge\n"
        "  sun-hours, direct-light                  hours of sun, or kWh/m2 of the clear-sky\n"
        "                                           beam, over the period, then the merge\n"
        "  shadow                                   the shadow operation last run or named\n"
        "                                           by a settings file (linear at start)\n"
        "  make-texture, make-texture2              texture synthesis\n"
        "  clear                                    empty the shadow map\n"
        "\n"
        + optionLines(HelpGroup::Running)
        + "\n"
        "An option's value may also follow an equals sign, as in --decay=-3. The\n"
        "argument after --load, --tile or --save SLOT is always a file name, even\n"
        "one that starts with a dash; after --, only operations follow.\n"
        "\n"
        "Exit status: 0 done, 1 a file could not be read or written (the run stops\n"
        "there), 2 a bad argument (nothing runs).\n"
        "\n"
        "Examples:\n"
        "  gloamery-batch --load height hills.png --sun 40,30 --decay 3 linear \\\n"
        "                 --save colour lit.png\n"
        "  gloamery-batch --size 1024,1024 --load height hills1k.png make-texture \\\n"
        "                 --sun 500,-200 linear --save colour hills1k-lit.png\n";
}

} // namespace gloamery::batch
