#include "python_controls.h"

#include "errors.h"
#include "inputs/control_values.h"
#include "inputs/sun_time.h"

#include <pybind11/stl.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <tuple>
#include <utility>

namespace py = pybind11;

namespace gloamery::python {

std::string numberText(double v)
{
    char text[64];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, v);
    return ec == std::errc() ? std::string(text, end) : std::string("nan");
}

namespace {

[[noreturn]] void refuse(const ControlRow& row, const std::string& shown, std::string_view why = {})
{
    throw std::invalid_argument(pythonRefusal(row, shown, why));
}

// Numbers from Python may be NaN or infinite, which numberText cannot
// write; they only ever appear in messages.
std::string shown(double v)
{
    return std::isfinite(v) ? numberText(v) : (std::isnan(v) ? "nan" : (v > 0 ? "inf" : "-inf"));
}
std::string shown(long long v) { return std::to_string(v); }

template <class T>
std::string pairShown(T a, T b)
{
    return "(" + shown(a) + ", " + shown(b) + ")";
}

// Python's own conversion to T, as a setter typed T would make it (an int
// or a bool for a float, any two-item sequence for a pair, never a text
// for a number); anything else is a TypeError in the row's words.
template <class T>
T as(const ControlRow& row, py::handle value)
{
    try {
        return value.cast<T>();
    } catch (const py::cast_error&) {
        throw py::type_error(pythonRefusal(row, py::repr(value).cast<std::string>()));
    }
}

bool isText(py::handle value) { return py::isinstance<py::str>(value); }

// Choices that are whole numbers (a normal map's depths, "8" and "16") are
// ints to Python; their texts, as settings files and QGIS give them, are
// taken too.
bool numberedChoices(const ControlRow& row)
{
    if (row.choices.empty()) return false;
    return std::all_of(row.choices.begin(), row.choices.end(), [](std::string_view name) {
        int n = 0;
        const auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), n);
        return ec == std::errc() && end == name.data() + name.size();
    });
}

// The one row no kind describes: the radius is a Text row, its text "none"
// or a number as the batch tool and settings files write it, but Python
// has always held it as None or a float (and takes the text too).
bool numberOrNone(const ControlRow& row) { return row.id == ControlId::Radius; }

// A Number, Whole or NumberText row's parts: one number, or a pair for a
// row of two, where one number stands for both when the second may be left
// out (as the batch tool reads "--ground GX").
template <class T>
ControlValue numbersFrom(const ControlRow& row, py::handle value)
{
    std::array<T, 2> parts{};
    std::string seen;
    if (row.count == 1 || (row.secondOptional && !py::isinstance<py::sequence>(value))) {
        parts[0] = parts[1] = as<T>(row, value);
        seen = shown(parts[0]);
    } else {
        const auto pair = as<std::pair<T, T>>(row, value);
        parts = {pair.first, pair.second};
        seen = pairShown(pair.first, pair.second);
    }
    ControlValue v;
    for (int i = 0; i < row.count; ++i) {
        const auto at = static_cast<std::size_t>(i);
        const double x = static_cast<double>(parts[at]);
        // A NumberText row's range is any finite number: the runs judge it.
        const bool ok = row.kind == ControlKind::NumberText ? std::isfinite(x) : partAccepts(row, i, x);
        if (!ok) refuse(row, seen);
        v.numbers[at] = x;
        v.texts[at] = numberText(x); // the shortest text reads back as the very double
    }
    return v;
}

py::object numbersTo(const ControlRow& row, const ControlValue& v)
{
    const auto part = [&](std::size_t i) -> py::object {
        if (row.kind == ControlKind::Whole) return py::int_(static_cast<long long>(v.numbers[i]));
        if (row.kind == ControlKind::NumberText)
            return py::float_(parseCNumber(v.texts[i]).value_or(std::numeric_limits<double>::quiet_NaN()));
        return py::float_(v.numbers[i]);
    };
    if (row.count == 1) return part(0);
    return py::make_tuple(part(0), part(1));
}

ControlValue choiceFrom(const ControlRow& row, py::handle value)
{
    std::string name, seen;
    if (numberedChoices(row) && !isText(value)) {
        name = seen = std::to_string(as<long long>(row, value));
    } else {
        name = as<std::string>(row, value);
        seen = quoted(name);
    }
    const auto index = choiceIndex(row, name);
    if (!index) refuse(row, seen);
    ControlValue v;
    v.choice = *index;
    return v;
}

py::object choiceTo(const ControlRow& row, const ControlValue& v)
{
    const std::string_view name = row.choices[static_cast<std::size_t>(v.choice)];
    if (numberedChoices(row)) return py::int_(std::stoi(std::string(name)));
    return py::str(name.data(), name.size());
}

ControlValue textFrom(const ControlRow& row, py::handle value)
{
    ControlValue v;
    std::string seen;
    if (numberOrNone(row) && value.is_none()) {
        v.texts[0] = "none";
    } else if (numberOrNone(row) && !isText(value)) {
        const double r = as<double>(row, value);
        seen = shown(r);
        if (!std::isfinite(r)) refuse(row, seen);
        v.texts[0] = numberText(r);
    } else {
        v.texts[0] = as<std::string>(row, value);
        seen = quoted(v.texts[0]);
    }
    if (row.accepts && !row.accepts(v.texts[0])) refuse(row, seen);
    return v;
}

py::object textTo(const ControlRow& row, const ControlValue& v)
{
    if (!numberOrNone(row)) return py::str(v.texts[0]);
    if (v.texts[0] == "none") return py::none();
    return py::float_(parseCNumber(v.texts[0]).value_or(std::numeric_limits<double>::quiet_NaN()));
}

// A time, a period or a place: None, the text the batch tool takes, or
// (for a place and a period) its parts as a tuple, which are written as
// that text and read as it is, once.
ControlValue typedFrom(const ControlRow& row, py::handle value)
{
    if (row.unset && value.is_none()) return ControlValue{.none = true};
    std::string text, seen;
    if (isText(value)) {
        text = value.cast<std::string>();
        seen = quoted(text);
    } else if (row.kind == ControlKind::Place) {
        const auto [lat, lon] = as<std::pair<double, double>>(row, value);
        seen = pairShown(lat, lon);
        if (!std::isfinite(lat) || !std::isfinite(lon)) refuse(row, seen);
        text = numberText(lat) + "," + numberText(lon);
    } else if (row.kind == ControlKind::Period) {
        const auto [from, to, step] = as<std::tuple<std::string, std::string, long long>>(row, value);
        seen = "(" + quoted(from) + ", " + quoted(to) + ", " + std::to_string(step) + ")";
        text = from + "," + to + "," + std::to_string(step);
    } else {
        text = as<std::string>(row, value); // a time is only ever a text
    }
    auto read = readTypedText(row, text);
    if (const Error* e = std::get_if<Error>(&read)) refuse(row, seen, e->message);
    return std::get<ControlValue>(read);
}

py::object typedTo(const ControlRow& row, const ControlValue& v)
{
    if (v.none) return py::none();
    if (row.kind == ControlKind::Place) return py::make_tuple(v.place.latitude, v.place.longitude);
    if (row.kind == ControlKind::Period)
        return py::make_tuple(utcText(v.period.from), utcText(v.period.to), v.period.stepMinutes);
    return py::str(utcText(v.time));
}

// What Python gives a row of this kind, for its docstring.
std::string pythonForm(const ControlRow& row)
{
    const bool pair = row.count == 2;
    switch (row.kind) {
    case ControlKind::Number:
    case ControlKind::NumberText:
        return !pair ? "a float" : row.secondOptional ? "a pair of floats (or one float for both)" : "a pair of floats";
    case ControlKind::Whole: return pair ? "a pair of ints" : "an int";
    case ControlKind::Flag: return "a bool";
    case ControlKind::Choice: {
        const bool numbered = numberedChoices(row);
        std::string names;
        for (std::string_view name : row.choices)
            names += (names.empty() ? "" : ", ") + (numbered ? std::string(name) : "'" + std::string(name) + "'");
        return "one of " + names + (numbered ? " (an int, or its text)" : "");
    }
    case ControlKind::Text: return numberOrNone(row) ? "a float, its text, or None ('none')" : "a str";
    case ControlKind::Time: return "a str, or None (read back in UTC)";
    case ControlKind::Period: return "(FROM, TO, STEP), its text, or None (times read back in UTC)";
    case ControlKind::Place: return "(LAT, LON), its text, or None";
    }
    return "";
}

} // namespace

py::object controlToPython(const Controls& c, const ControlRow& row)
{
    const ControlValue v = controlValue(c, row.id);
    switch (row.kind) {
    case ControlKind::Number:
    case ControlKind::Whole:
    case ControlKind::NumberText: return numbersTo(row, v);
    case ControlKind::Flag: return py::bool_(v.flag);
    case ControlKind::Choice: return choiceTo(row, v);
    case ControlKind::Text: return textTo(row, v);
    case ControlKind::Time:
    case ControlKind::Period:
    case ControlKind::Place: return typedTo(row, v);
    }
    return py::none();
}

void setControlFromPython(Controls& c, const ControlRow& row, py::handle value)
{
    // Read and checked in full before the control changes, so a refused
    // value leaves it as it was.
    ControlValue v;
    switch (row.kind) {
    case ControlKind::Number:
    case ControlKind::NumberText: v = numbersFrom<double>(row, value); break;
    case ControlKind::Whole: v = numbersFrom<long long>(row, value); break;
    case ControlKind::Flag: v.flag = as<bool>(row, value); break;
    case ControlKind::Choice: v = choiceFrom(row, value); break;
    case ControlKind::Text: v = textFrom(row, value); break;
    case ControlKind::Time:
    case ControlKind::Period:
    case ControlKind::Place: v = typedFrom(row, value); break;
    }
    setControlValue(c, row.id, v);
}

std::string controlDoc(const ControlRow& row)
{
    std::string help(row.help);
    std::replace(help.begin(), help.end(), '\n', ' ');
    // The batch tool's "(default 315,45)" gives way to Python's own start below.
    const std::string batchDefault = " (default " + std::string(row.start) + ")";
    if (help.ends_with(batchDefault)) help.erase(help.size() - batchDefault.size());
    if (!help.empty()) help[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(help[0])));
    // A choice's names are the form itself; its `needs` would only list them again.
    std::string doc = help + ". Takes " + pythonForm(row)
                    + (row.kind == ControlKind::Choice ? "" : "; needs " + std::string(row.needs)) + ".";
    if (row.count == 2 && (row.kind == ControlKind::Number || row.kind == ControlKind::Whole))
        for (int i = 0; i < 2; ++i)
            doc += std::string(i == 0 ? " " : ", ") + std::string(row.captions[static_cast<std::size_t>(i)]) + ": "
                 + partRangeWords(row, i) + (i == 1 ? "." : "");
    // A fresh Controls holds every row's start (the schema's tests see to it).
    doc += " Starts as " + py::repr(controlToPython(Controls{}, row)).cast<std::string>() + ".";
    return doc;
}

} // namespace gloamery::python
