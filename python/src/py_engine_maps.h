#pragma once
// The engine maps' methods of the Workspace class.

#include "py_workspace.h"

#include <pybind11/pybind11.h>

namespace gloamery::python {

void bindEngineMaps(pybind11::class_<PyWorkspace>& c);

} // namespace gloamery::python
