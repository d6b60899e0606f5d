#pragma once
// Every control a front end offers, one row each: what kind of value it
// holds, the range it accepts, its start value, and its name in each front
// end (the batch tool's flag, the settings files' key, the Python
// attribute, the panel's caption) with the words that say what it needs.
// The batch reader and its --help, the settings parser, the Python properties
// and the panel's checks all read these rows, so a range or a message is
// written here once; the core only ever sees the checked numbers.
//
// To add a control:
//   1. add its name to ControlId (anywhere; the rows are found by id);
//   2. add its row to kControlRows in control_schema.cpp: kind, one Part for
//      a single value or two for a pair (each with its range and, for a
//      settings file that keeps the parts apart, its own key), the start
//      value as the batch tool would write it, the batch flag with its
//      metavariable and help, the settings key, the Python attribute, the
//      panel caption and the `needs` words ("a whole number 0..255");
//   3. hold its value where the front ends keep controls (inputs/controls.h)
//      and read it in the one place each front end stores a checked value.
// A text control (a table's name) is ControlKind::Text, checked by its
// row's `accepts` function; a pair of numbers is two Parts. A time, a
// period and a place are read from their text once, by the front end, into
// typed values (ControlKind::Time, Period, Place; control_values.h reads
// them): the core never sees the text. A row that may be left unset (the real sun's
// time, place and period) says `unset`: "none" on the command line, no key
// in a settings file, None in Python.

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace gloamery {

enum class ControlId {
    SunPosition, // X0, Y0
    Decay,
    Darkness,
    Contrast,
    Blur,
    Blend,
    SunAngle, // azimuth, altitude
    SunSize,
    Lambert,
    Sky,
    SkyRays,
    Ground,
    Vertical,
    Directions, // of the relief layers
    Radius,
    NormalConvention,
    NormalDepth,
    BlendOpacity,
    Colours,       // tint's colour table: a shipped table's name or a file
    ColourEntries, // how tint colours between a table's entries
    When,          // the real sun's instant
    Place,         // where it is seen from: latitude, longitude
    Period,        // the times it is followed over
};

enum class ControlKind {
    Number,     // finite numbers within the parts' ranges
    Whole,      // whole numbers within the parts' ranges
    NumberText, // any finite number, kept as the text typed (X0, Y0, decay)
    Flag,       // on or off
    Choice,     // one of the row's choices
    Text,       // a text the row's `accepts` function takes
    Time,       // an ISO 8601 date and time with its zone, read into an instant
    Period,     // FROM,TO,STEP: two such times and a step in minutes
    Place,      // LAT,LON in degrees, north and east positive
};

// Where --help lists the control.
enum class ControlGroup { Controls, Sun };

// One value of a control: its range and, when a settings file keeps it
// under its own key, that key ("sun.azimuth").
struct ControlPart {
    double lo = 0;
    double hi = 0;
    std::string_view key = {};
};

struct ControlRow {
    ControlId id;
    ControlKind kind;
    std::array<ControlPart, 2> parts; // parts[1] used by pairs only
    int count;                        // 1 or 2 parts
    bool secondOptional;              // "GX[,GY]": one value stands for both
    std::string_view start;           // as the batch tool writes it
    std::string_view flag;            // "--darkness"
    std::string_view metavar;         // "N", "A,E"
    std::string_view help;            // --help's description, "\n" where it breaks
    ControlGroup group;
    std::string_view key;    // settings key of the whole value ("sun.ground"), empty when the parts have keys
    std::string_view python; // Python attribute
    std::array<std::string_view, 2> captions; // the panel's caption of each part, which its messages name
    std::string_view needs;  // what a value must be, as messages say it
    std::span<const std::string_view> choices = {}; // Choice: the names, in the order of the enum they name
    bool (*accepts)(std::string_view) = nullptr;    // Text: whether the text is one
    bool unset = false; // may hold no value (its start, written "none")
};

std::span<const ControlRow> controlRows();
const ControlRow& controlRow(ControlId id);
// The row of a batch flag ("--sky"), or nothing.
const ControlRow* controlRowOfFlag(std::string_view flag);

// Whether v lies within a part's range (and, for Whole, is whole).
bool partAccepts(const ControlRow& row, int part, double v);

// The messages of a refused value, each front end's way, from the row's
// words: `shown` is the value as the user gave it.
//   batch:   --darkness needs a whole number 0..255, not "300"
//   python:  darkness needs a whole number 0..255, not 300
// `why`, when given, says what is wrong with it (a time's missing zone):
//   --when needs a date and time with its zone ..., not "9:00": why
std::string batchRefusal(const ControlRow& row, std::string_view shown, std::string_view why = {});
std::string pythonRefusal(const ControlRow& row, std::string_view shown, std::string_view why = {});
// A settings file's key, or a panel caption, naming one part:
//   "sun.altitude" must be a number from 0 to 90, not 95
//   Altitude must be a number from 0 to 90, not "95".
std::string partRangeWords(const ControlRow& row, int part);

// A bound as short as it can be written ("90", "1e-09").
std::string boundText(double v);

// The index of a Choice row's name, or nothing.
std::optional<int> choiceIndex(const ControlRow& row, std::string_view name);

} // namespace gloamery
