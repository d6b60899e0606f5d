#pragma once
// A run's progress told to Python, and Python asked whether to stop: a
// front end's progress bar and Cancel button (QGIS's feedback) reach the
// core through its reporting interface. The calls come from the thread
// that runs the operation, with the interpreter lock released; each takes
// the lock for the call alone.

#include "workspace/reporter.h"

#include <pybind11/pybind11.h>

#include <optional>
#include <stdexcept>

namespace gloamery::python {

// A run stopped on request (gloamery.Cancelled); the maps are as they were.
class RunStopped : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class PythonReporter final : public Reporter {
public:
    // progress(fraction) is called as the run goes on; cancel() between
    // its parts, a true answer stopping it. Either may be None.
    PythonReporter(pybind11::object progress, pybind11::object cancel);
    ~PythonReporter() override;

    void status(std::string_view) override {}
    void progress(double fraction) override;
    void busy(bool) override {}
    bool cancelled() override;

    // After the run, with the lock held: raises what a callback raised, or
    // RunStopped when the run was asked to stop; else nothing.
    void finish(const std::string& operation);
    // Whether the run was asked to stop, or a callback failed.
    bool stopped() const { return stopped_; }

private:
    pybind11::object progress_;
    pybind11::object cancel_;
    bool stopped_ = false;
    std::optional<pybind11::error_already_set> failure_;
};

} // namespace gloamery::python
