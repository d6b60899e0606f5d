#pragma once
// The Workspace class as Python sees it.

#include <pybind11/pybind11.h>

namespace gloamery::python {

void bindWorkspace(pybind11::module_& m);

} // namespace gloamery::python
