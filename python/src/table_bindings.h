#pragma once
// The operation table and the control schema as Python sees them, for
// front ends made from them (the QGIS provider): OPERATION_TABLE, a dict
// an operation (name, caption, method, help, doc, kind, reads, writes,
// controls), and CONTROL_SCHEMA, a dict a control (python, kind, count,
// parts with lo, hi, key and caption, second_optional, start, flag, key,
// needs, choices).

#include <pybind11/pybind11.h>

namespace gloamery::python {

void bindTables(pybind11::module_& m, const pybind11::tuple& slotNames);

} // namespace gloamery::python
