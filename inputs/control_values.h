#pragma once
// A control's value in the schema's terms (up to two numbers or texts, a
// flag, a choice), taken from and put into the Controls the front ends
// hold: the one place that knows which field each control is.

#include "inputs/control_schema.h"
#include "inputs/controls.h"
#include "workspace/controls.h"

#include <array>
#include <chrono>
#include <string>
#include <string_view>
#include <variant>

namespace gloamery {

struct ControlValue {
    std::array<double, 2> numbers{};     // Number, Whole
    std::array<std::string, 2> texts{};  // NumberText, Text
    bool flag = false;                   // Flag
    int choice = 0;                      // Choice: the index of its name
    bool none = false;                   // a row that may be unset, unset
    std::chrono::sys_seconds time{};     // Time
    SunPeriod period{};                  // Period
    SunPlace place{};                    // Place
};

ControlValue controlValue(const Controls& c, ControlId id);
void setControlValue(Controls& c, ControlId id, const ControlValue& v);

// Whether a row's value is read from its text into a typed value: a time,
// a period, a place.
bool readsTyped(const ControlRow& row);
// Such a row's value from its text ("none" leaves it unset), or why the
// text is none, naming it ("The time '2026-06-21T09:00' has no zone:
// ..."): each front end reads the text once, here.
std::variant<ControlValue, Error> readTypedText(const ControlRow& row, std::string_view text);
// Such a value's text, times in UTC: "2026-06-21T07:00:00Z", FROM,TO,STEP,
// LAT,LON (the shortest texts of the numbers), or "none".
std::string typedText(const ControlRow& row, const ControlValue& v);

// Why the controls' numbers cannot be used (a number outside its range),
// naming the control by its caption: "Altitude must be a number from 0 to
// 90, not 95." Looks at the Number and Whole controls of `which` only.
Refusal numbersRefused(const Controls& c, unsigned long long which);

} // namespace gloamery
