#include "option_reader.h"

#include "argument_vetting.h"
#include "inputs/control_values.h"
#include "settings_options.h"
#include "settings/settings.h"
#include "shadow/shadow_params.h"
#include "shadow/sun.h"
#include "imageio/map_files.h"
#include "imageio/native_io.h"
#include "imageio/world_heights.h"
#include "workspace/window_grid.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <string_view>
#include <tuple>

namespace gloamery::batch {

std::vector<std::string> splitAtCommas(const std::string& text)
{
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == ',') parts.emplace_back();
        else parts.back() += c;
    }
    return parts;
}


// --load or --save with its slot and file; nothing after a usage error.
std::optional<Step> readPictureStep(const std::string& option, Reader& in)
{
    if (option == "--save" && in.peek() == "layer") {
        in.next();
        const auto path = in.file(option);
        if (!path) return std::nullopt;
        if (saveFormatOf(*path) != "tif") {
            in.fail("cannot save " + quoted(*path) + ": a layer saves as 32-bit floats in .tif or .tiff only");
            return std::nullopt;
        }
        return SaveStep{Slot::Shadow, *path, "tif", true};
    }
    const auto slot = in.slot(option);
    const auto path = slot ? in.file(option) : std::nullopt;
    if (!slot || !path) return std::nullopt;
    if (option == "--load") return LoadStep{*slot, *path, false, std::nullopt};
    if (option == "--tile") return LoadStep{*slot, *path, true, std::nullopt};
    const auto format = saveFormatOf(*path);
    if (!format) {
        in.fail("cannot save " + quoted(*path) + ": the name must end in .bmp, .png, .tif, .tiff, .r16 or .raw");
        return std::nullopt;
    }
    if (*format == "r16" && *slot != Slot::Height) {
        in.fail("cannot save " + quoted(*path) + ": only the height map saves as raw 16-bit heights (.r16, .raw)");
        return std::nullopt;
    }
    return SaveStep{*slot, *path, *format};
}

// "LO,HI": two finite numbers, LO below HI.
std::optional<ElevationRange> readRange(const std::string& option, Reader& in)
{
    const auto text = in.value(option, "LO,HI");
    if (!text) return std::nullopt;
    const std::vector<std::string> parts = splitAtCommas(*text);
    const auto lo = parts.size() == 2 ? parseCNumber(parts[0]) : std::nullopt;
    const auto hi = parts.size() == 2 ? parseCNumber(parts[1]) : std::nullopt;
    if (!lo || !hi || !(*lo < *hi)) {
        in.fail(option + " needs two finite numbers LO,HI with LO below HI (as in -20,850.5), not "
                + quoted(*text));
        return std::nullopt;
    }
    return ElevationRange{*lo, *hi};
}

// Whole numbers separated by commas, one within each of the ranges.
std::optional<std::vector<int>> readNumbers(const std::string& option, Reader& in, const char* form,
                                            const std::vector<std::pair<int, int>>& ranges, const char* example)
{
    const auto text = in.value(option, form);
    if (!text) return std::nullopt;
    const std::vector<std::string> parts = splitAtCommas(*text);
    std::vector<int> values;
    for (std::size_t i = 0; i < parts.size() && parts.size() == ranges.size(); ++i) {
        const auto v = parseCNumber(parts[i]);
        if (!v || *v != std::floor(*v) || *v < ranges[i].first || *v > ranges[i].second) break;
        values.push_back(static_cast<int>(*v));
    }
    if (values.size() != ranges.size() || values.empty()) {
        in.fail(option + " needs " + form + " (as in " + example + "), not " + quoted(*text));
        return std::nullopt;
    }
    return values;
}

// "W,H" with both whole numbers within 1..16384.
std::optional<SizeStep> readSize(const std::string& option, Reader& in)
{
    const std::string form = "two whole numbers W,H from 1 to " + std::to_string(kMaxMapSize);
    const auto v = readNumbers(option, in, form.c_str(), {{1, kMaxMapSize}, {1, kMaxMapSize}}, "1024,768");
    if (!v) return std::nullopt;
    return SizeStep{(*v)[0], (*v)[1]};
}

namespace {

// A schema row's value from its text: one value, or two separated by a
// comma (one standing for both where the row allows it). Nothing, with
// the row's message recorded, when the text is not one.
std::optional<ControlValue> readValue(const ControlRow& row, const std::string& text, Reader& in)
{
    ControlValue v;
    bool ok = true;
    if (readsTyped(row)) {
        auto read = readTypedText(row, text);
        if (const Error* e = std::get_if<Error>(&read)) {
            in.fail(batchRefusal(row, text, e->message));
            return std::nullopt;
        }
        return std::get<ControlValue>(read);
    }
    if (row.unset && text == "none") {
        v.none = true;
    } else if (row.kind == ControlKind::Flag) {
        ok = text == "on" || text == "off";
        v.flag = text == "on";
    } else if (row.kind == ControlKind::Choice) {
        const auto i = choiceIndex(row, text);
        ok = i.has_value();
        v.choice = i.value_or(0);
    } else if (row.kind == ControlKind::Text) {
        ok = row.accepts(text);
        v.texts[0] = text;
    } else {
        std::vector<std::string> parts = row.count == 1 ? std::vector<std::string>{text} : splitAtCommas(text);
        if (parts.size() == 1 && row.secondOptional) parts.push_back(parts[0]);
        ok = parts.size() == static_cast<std::size_t>(row.count);
        for (int i = 0; ok && i < row.count; ++i) {
            NumberInput n = readNumberInput(parts[static_cast<std::size_t>(i)], parseCNumber);
            ok = n.value && (row.kind == ControlKind::NumberText || partAccepts(row, i, *n.value));
            if (ok) v.numbers[static_cast<std::size_t>(i)] = *n.value;
            v.texts[static_cast<std::size_t>(i)] = n.text;
        }
    }
    if (!ok) in.fail(batchRefusal(row, text));
    if (!ok) return std::nullopt;
    return v;
}

} // namespace

// The control options. False when the argument is none of them; a bad value
// is recorded in the reader and leaves the controls as they were.
bool readControl(const std::string& option, Reader& in, Controls& c, ShadowNumbers& numbers)
{
    const ControlRow* row = controlRowOfFlag(option);
    if (!row) return false;
    const auto text = in.value(option, std::string(row->needs).c_str());
    if (!text) return true;
    const auto v = readValue(*row, *text, in);
    if (!v) return true;
    setControlValue(c, row->id, *v);
    // X0, Y0 and the decay: read once, into the numbers their steps take.
    if (row->id == ControlId::SunPosition) {
        numbers.x0 = readNumberInput(v->texts[0], parseCNumber);
        numbers.y0 = readNumberInput(v->texts[1], parseCNumber);
    } else if (row->id == ControlId::Decay) {
        numbers.decay = readNumberInput(v->texts[0], parseCNumber);
    }
    return true;
}

} // namespace gloamery::batch
