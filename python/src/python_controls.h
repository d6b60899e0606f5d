#pragma once
// The controls as Python sees them, made from the control table: each row
// with a Python name is a workspace property whose value is converted by
// the row's kind (a float, an int, a pair of them, a bool, a choice's
// name, a text, None or a time, a period, a place) and checked by the
// row's ranges as it is set, so a bad value is refused, in the row's
// words, at the assignment that made it.

#include "inputs/control_schema.h"
#include "inputs/controls.h"

#include <pybind11/pybind11.h>

#include <string>

namespace gloamery::python {

// The control's value as Python reads it back (times in UTC).
pybind11::object controlToPython(const Controls& c, const ControlRow& row);

// Sets the control from a Python value, or leaves it as it was and throws:
// std::invalid_argument (ValueError) for a value the row does not take,
// pybind11::type_error for a value of another type, each naming it.
void setControlFromPython(Controls& c, const ControlRow& row, pybind11::handle value);

// The property's docstring: the row's help, what Python gives it, what it
// needs and where it starts.
std::string controlDoc(const ControlRow& row);

// The shortest C-locale text of a finite double ("40", "-0.5", "1e-07").
std::string numberText(double v);

} // namespace gloamery::python
