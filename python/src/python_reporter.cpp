#include "python_reporter.h"

namespace py = pybind11;

namespace gloamery::python {

PythonReporter::PythonReporter(py::object progress, py::object cancel)
    : progress_(std::move(progress)), cancel_(std::move(cancel))
{
}

PythonReporter::~PythonReporter() = default;

void PythonReporter::progress(double fraction)
{
    if (progress_.is_none() || failure_) return;
    py::gil_scoped_acquire locked;
    try {
        progress_(fraction);
    } catch (py::error_already_set& e) {
        failure_ = std::move(e);
        stopped_ = true;
    }
}

bool PythonReporter::cancelled()
{
    if (stopped_) return true;
    if (cancel_.is_none()) return false;
    py::gil_scoped_acquire locked;
    try {
        stopped_ = py::bool_(cancel_());
    } catch (py::error_already_set& e) {
        failure_ = std::move(e);
        stopped_ = true;
    }
    return stopped_;
}

void PythonReporter::finish(const std::string& operation)
{
    if (failure_) {
        py::error_already_set e = std::move(*failure_);
        failure_.reset();
        throw e;
    }
    if (stopped_) throw RunStopped(operation + ": stopped; the maps are as they were");
}

} // namespace gloamery::python
