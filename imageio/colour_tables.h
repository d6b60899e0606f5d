#pragma once
// Colour tables read from text: the colour-relief form (an elevation, or
// a percentage of the map's range, then R G B and an optional A; "nv" for
// cells without data), GMT's colour palette tables (slices "z0 colour0 z1
// colour1", with B, F and N lines) and QGIS's exported colour maps. The
// tables that ship with the program are compiled in, by name.

#include "compose/tint.h"
#include "imageio/geo_place.h"
#include "workspace/controls.h"

#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace gloamery {

enum class ColourTableForm { Relief, Palette, Qgis };

// What a table file holds: the table, and the entries' rule its file names
// (a QGIS export's INTERPOLATION line), if any.
struct ReadColourTable {
    ColourTable table;
    std::optional<ColourEntries> entries;
};

// The form of a text: QGIS's by its first line, a palette by its name
// (".cpt") or its B, F and N lines, else the colour-relief form.
ColourTableForm colourTableForm(std::string_view text, std::string_view name);

// Reads a table; a line that cannot be read is refused with its number
// ("line 3: ..."), and so is a table without entries.
std::variant<ReadColourTable, Error> parseColourTable(std::string_view text, ColourTableForm form);

// The tables that ship with the program, in order, and their texts.
const std::vector<std::string_view>& builtInColourNames();
std::optional<std::string_view> builtInColourText(std::string_view name);

// A shipped table by its name, else a table file (at most 1 MiB).
std::variant<ReadColourTable, Error> loadColourTable(const std::string& nameOrPath);

// "tint" as the front ends run it: the table's entries rule (a QGIS
// export's) unless `entries` asks for another than interpolation; the
// elevations a raster set (origin), else the levels times `vertical`; the
// raster's no-data cells in the table's no-data colour.
TintSource tintSource(const Workspace& ws, const ReadColourTable& table, ColourEntries entries, const MapOrigin& origin,
                      double vertical);

} // namespace gloamery
