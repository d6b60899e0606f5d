#pragma once
// A control's value in the schema's terms (up to two numbers or texts, a
// flag, a choice), taken from and put into the Controls the front ends
// hold: the one place that knows which field each control is.

#include "inputs/control_schema.h"
#include "inputs/controls.h"
#include "workspace/controls.h"

#include <array>
#include <string>

namespace gloamery {

struct ControlValue {
    std::array<double, 2> numbers{};     // Number, Whole
    std::array<std::string, 2> texts{};  // NumberText, Text
    bool flag = false;                   // Flag
    int choice = 0;                      // Choice: the index of its name
};

ControlValue controlValue(const Controls& c, ControlId id);
void setControlValue(Controls& c, ControlId id, const ControlValue& v);

// Why the controls' numbers cannot be used (a number outside its range),
// naming the control by its caption: "Altitude must be a number from 0 to
// 90, not 95." Looks at the Number and Whole controls of `which` only.
Refusal numbersRefused(const Controls& c, unsigned long long which);

} // namespace gloamery
