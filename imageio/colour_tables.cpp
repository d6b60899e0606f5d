#include "colour_tables.h"

#include "input_file.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace gloamery {

namespace {

constexpr std::int64_t kMaxTableBytes = 1 << 20;

struct Named {
    std::string_view name;
    TableColour colour;
};

// The colour names a relief table may give for R G B.
constexpr std::array<Named, 16> kNames = {{
    {"white", {255, 255, 255, 255}},  {"black", {0, 0, 0, 255}},       {"red", {255, 0, 0, 255}},
    {"green", {0, 255, 0, 255}},      {"blue", {0, 0, 255, 255}},      {"yellow", {255, 255, 0, 255}},
    {"magenta", {255, 0, 255, 255}},  {"fuchsia", {255, 0, 255, 255}}, {"cyan", {0, 255, 255, 255}},
    {"aqua", {0, 255, 255, 255}},     {"grey", {190, 190, 190, 255}},  {"gray", {190, 190, 190, 255}},
    {"orange", {255, 165, 0, 255}},   {"brown", {165, 42, 42, 255}},   {"purple", {160, 32, 240, 255}},
    {"violet", {238, 130, 238, 255}},
}};

std::string lower(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::optional<double> number(std::string_view s)
{
    double v = 0;
    const char* end = s.data() + s.size();
    const auto [p, ec] = std::from_chars(s.data(), end, v);
    if (ec != std::errc{} || p != end || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<std::uint8_t> channel(std::string_view s)
{
    const auto v = number(s);
    if (!v || *v < 0 || *v > 255 || *v != std::floor(*v)) return std::nullopt;
    return static_cast<std::uint8_t>(*v);
}

// The line's fields: split at the separators given, the comment (from
// `comment`) dropped.
std::vector<std::string_view> fields(std::string_view line, std::string_view separators, char comment)
{
    if (const auto c = line.find(comment); c != std::string_view::npos) line = line.substr(0, c);
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < line.size()) {
        const std::size_t start = line.find_first_not_of(separators, i);
        if (start == std::string_view::npos) break;
        const std::size_t end = std::min(line.find_first_of(separators, start), line.size());
        out.push_back(line.substr(start, end - start));
        i = end;
    }
    return out;
}

std::vector<std::string_view> lines(std::string_view text)
{
    std::vector<std::string_view> out;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view l = text.substr(start, end - start);
        if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
        out.push_back(l);
        start = end + 1;
    }
    return out;
}

Error lineError(std::size_t n, const std::string& why) { return Error{"line " + std::to_string(n) + ": " + why}; }

std::string quotedField(std::string_view s) { return "\"" + std::string(s) + "\""; }

// R G B [A] from fields[from..], or one colour name.
std::variant<TableColour, std::string> reliefColour(const std::vector<std::string_view>& f, std::size_t from)
{
    const std::size_t n = f.size() - from;
    if (n == 1) {
        const std::string name = lower(f[from]);
        for (const Named& c : kNames)
            if (c.name == name) return c.colour;
        return "unknown colour " + quotedField(f[from]);
    }
    if (n != 3 && n != 4) return "expected an elevation then R G B and an optional A";
    std::array<std::uint8_t, 4> c{0, 0, 0, 255};
    for (std::size_t i = 0; i < n; ++i) {
        const auto v = channel(f[from + i]);
        if (!v) return "the colour value " + quotedField(f[from + i]) + " is not a whole number 0..255";
        c[i] = *v;
    }
    return TableColour{c[0], c[1], c[2], c[3]};
}

std::variant<ReadColourTable, Error> parseRelief(std::string_view text)
{
    ReadColourTable out;
    const auto all = lines(text);
    for (std::size_t i = 0; i < all.size(); ++i) {
        const auto f = fields(all[i], " \t,", '#');
        if (f.empty()) continue;
        const auto colour = reliefColour(f, 1);
        if (const auto* why = std::get_if<std::string>(&colour)) return lineError(i + 1, *why);
        const TableColour c = std::get<TableColour>(colour);
        std::string_view z = f[0];
        if (lower(z) == "nv") {
            out.table.noData = c;
            continue;
        }
        const bool percent = !z.empty() && z.back() == '%';
        if (percent) z.remove_suffix(1);
        const auto v = number(z);
        if (!v) return lineError(i + 1, "the elevation " + quotedField(f[0]) + " is not a number");
        out.table.entries.push_back({*v, percent, c});
    }
    return out;
}

// A palette colour from f[i..]: R/G/B, #RRGGBB, one grey, or R G B; i
// moves past it.
std::optional<TableColour> paletteColour(const std::vector<std::string_view>& f, std::size_t& i, bool threeFields)
{
    if (i >= f.size()) return std::nullopt;
    const std::string_view t = f[i];
    if (t.size() == 7 && t[0] == '#') {
        unsigned v = 0;
        const auto [p, ec] = std::from_chars(t.data() + 1, t.data() + 7, v, 16);
        if (ec != std::errc{} || p != t.data() + 7) return std::nullopt;
        ++i;
        return TableColour{static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
    }
    if (t.find('/') != std::string_view::npos) {
        const auto parts = fields(t, "/", '\0');
        if (parts.size() != 3) return std::nullopt;
        const auto r = channel(parts[0]), g = channel(parts[1]), b = channel(parts[2]);
        if (!r || !g || !b) return std::nullopt;
        ++i;
        return TableColour{*r, *g, *b};
    }
    if (threeFields) {
        if (i + 3 > f.size()) return std::nullopt;
        const auto r = channel(f[i]), g = channel(f[i + 1]), b = channel(f[i + 2]);
        if (!r || !g || !b) return std::nullopt;
        i += 3;
        return TableColour{*r, *g, *b};
    }
    const auto g = channel(t);
    if (!g) return std::nullopt;
    ++i;
    return TableColour{*g, *g, *g};
}

std::variant<ReadColourTable, Error> parsePalette(std::string_view text)
{
    ReadColourTable out;
    const auto all = lines(text);
    for (std::size_t n = 0; n < all.size(); ++n) {
        const std::string line = lower(all[n]);
        if (const auto m = line.find("color_model"); m != std::string::npos && line.find("rgb", m) == std::string::npos)
            return lineError(n + 1, "only RGB colours can be read");
        // '#' starts a comment only at the start of a line: colours may be #RRGGBB.
        auto f = fields(all[n], " \t", '\0');
        if (!f.empty() && f[0][0] == '#') continue;
        if (const auto label = std::find_if(f.begin(), f.end(), [](std::string_view s) { return s[0] == ';'; });
            label != f.end())
            f.erase(label, f.end());
        if (f.empty()) continue;
        const std::string key = lower(f[0]);
        if (key == "b" || key == "f" || key == "n") {
            std::size_t i = 1;
            const auto c = paletteColour(f, i, f.size() == 4);
            if (!c || i != f.size()) return lineError(n + 1, "expected " + std::string(f[0]) + " then one colour");
            (key == "b" ? out.table.below : key == "f" ? out.table.above : out.table.noData) = *c;
            continue;
        }
        // z0 colour z1 colour, then perhaps an L, U or B flag.
        if (f.size() % 2 == 1 && (lower(f.back()) == "l" || lower(f.back()) == "u" || lower(f.back()) == "b")) f.pop_back();
        const bool three = f.size() == 8;
        std::size_t i = 0;
        const auto z0 = number(f[i++]);
        const auto c0 = paletteColour(f, i, three);
        std::optional<double> z1;
        if (i < f.size()) z1 = number(f[i++]);
        const auto c1 = paletteColour(f, i, three);
        if (!z0 || !c0 || !z1 || !c1 || i != f.size())
            return lineError(n + 1, "expected a slice \"z0 colour z1 colour\" or a B, F or N line");
        if (*z1 < *z0) return lineError(n + 1, "the slice ends below where it starts");
        out.table.entries.push_back({*z0, false, *c0});
        out.table.entries.push_back({*z1, false, *c1});
    }
    return out;
}

// QGIS's classes: a value up to an entry's takes its colour (DISCRETE),
// made into entries that step just past each bound.
void discreteSteps(ColourTable& t)
{
    std::vector<ColourEntry> steps;
    for (std::size_t i = 0; i < t.entries.size(); ++i) {
        if (i > 0) {
            ColourEntry start = t.entries[i];
            start.elevation = std::nextafter(t.entries[i - 1].elevation, std::numeric_limits<double>::infinity());
            steps.push_back(start);
        }
        steps.push_back(t.entries[i]);
    }
    t.entries = std::move(steps);
}

std::variant<ReadColourTable, Error> parseQgis(std::string_view text)
{
    ReadColourTable out;
    bool discrete = false;
    const auto all = lines(text);
    for (std::size_t n = 0; n < all.size(); ++n) {
        std::string_view l = all[n];
        if (l.rfind("INTERPOLATION:", 0) == 0) {
            const std::string_view how = l.substr(14);
            if (how == "INTERPOLATED") out.entries = ColourEntries::Interpolate;
            else if (how == "EXACT") out.entries = ColourEntries::Exact;
            else if (how == "DISCRETE") discrete = true;
            else return lineError(n + 1, "unknown interpolation " + quotedField(how));
            continue;
        }
        const auto f = fields(l, ",", '#');
        if (f.empty()) continue;
        // value,R,G,B,A,label: the label may hold commas.
        if (f.size() < 5) return lineError(n + 1, "expected value,R,G,B,A,label");
        double v = 0;
        const auto [p, ec] = std::from_chars(f[0].data(), f[0].data() + f[0].size(), v);
        const auto colour = reliefColour(std::vector<std::string_view>(f.begin(), f.begin() + 5), 1);
        if (ec != std::errc{} || p != f[0].data() + f[0].size() || std::isnan(v))
            return lineError(n + 1, "the value " + quotedField(f[0]) + " is not a number");
        if (const auto* why = std::get_if<std::string>(&colour)) return lineError(n + 1, *why);
        out.table.entries.push_back({v, false, std::get<TableColour>(colour)});
    }
    if (discrete) {
        std::stable_sort(out.table.entries.begin(), out.table.entries.end(),
                         [](const ColourEntry& a, const ColourEntry& b) { return a.elevation < b.elevation; });
        discreteSteps(out.table);
    }
    return out;
}

} // namespace

ColourTableForm colourTableForm(std::string_view text, std::string_view name)
{
    if (text.find("QGIS Generated Color Map Export File") != std::string_view::npos) return ColourTableForm::Qgis;
    if (name.size() >= 4 && lower(name.substr(name.size() - 4)) == ".cpt") return ColourTableForm::Palette;
    for (std::string_view l : lines(text)) {
        const auto f = fields(l, " \t", '\0');
        if (!f.empty() && f[0].size() == 1 && std::string_view("BFN").find(f[0][0]) != std::string_view::npos)
            return ColourTableForm::Palette;
    }
    return ColourTableForm::Relief;
}

std::variant<ReadColourTable, Error> parseColourTable(std::string_view text, ColourTableForm form)
{
    auto read = form == ColourTableForm::Qgis ? parseQgis(text)
              : form == ColourTableForm::Palette ? parsePalette(text) : parseRelief(text);
    if (const auto* t = std::get_if<ReadColourTable>(&read); t && t->table.entries.empty())
        return Error{"the table has no colour entries"};
    return read;
}

TintSource tintSource(const Workspace& ws, const ReadColourTable& table, ColourEntries entries, const MapOrigin& origin,
                      double vertical)
{
    TintElevations e;
    e.vertical = vertical;
    if (origin.elevations) {
        e.low = origin.elevations->low;
        e.high = origin.elevations->high;
    }
    const ColourEntries rule = entries == ColourEntries::Interpolate ? table.entries.value_or(entries) : entries;
    const auto [low, high] = mapElevationRange(ws, e);
    TintSource source{tintLookup(table.table, rule, e, heightsAreDeep(ws), low, high), nullptr};
    // Without a no-data colour such cells count as the least height, as
    // everywhere else.
    const bool mask = table.table.noData && origin.hasNoData() && origin.width == ws.width()
                   && origin.height == ws.height();
    if (mask) source.noData = origin.noData.data();
    return source;
}

std::variant<ReadColourTable, Error> loadColourTable(const std::string& nameOrPath)
{
    if (const auto text = builtInColourText(nameOrPath)) return parseColourTable(*text, ColourTableForm::Relief);
    const auto bytes = readInputFile(nameOrPath, kMaxTableBytes);
    if (const Error* e = std::get_if<Error>(&bytes)) return *e;
    const auto& b = std::get<std::vector<unsigned char>>(bytes);
    const std::string_view text(reinterpret_cast<const char*>(b.data()), b.size());
    return parseColourTable(text, colourTableForm(text, nameOrPath));
}

} // namespace gloamery
