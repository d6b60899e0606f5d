#pragma once
// A workspace as Python holds it: the slots, the controls and the batch
// tool's operations, safe to share between Python threads. Every run
// releases the interpreter lock; a workspace's own lock keeps two threads
// from working on it at once.

#include "python_controls.h"

#include "batch_plan.h"
#include "imageio/elevation.h"
#include "workspace/workspace.h"

#include <pybind11/numpy.h>

#include <mutex>
#include <optional>
#include <string>
#include <tuple>

namespace gloamery::python {

class PyWorkspace {
public:
    // A map of w x h at the control panel's start state (its default
    // pictures repeated to the size), or every slot at its background.
    PyWorkspace(int width, int height, bool defaults);

    int width() const { return ws_.width(); }
    int height() const { return ws_.height(); }
    void resize(int width, int height);

    pybind11::array slot(Slot s);
    void setSlot(Slot s, const pybind11::array& a);
    bool deep();

    // Runs an operation as the batch tool does, with the controls as they
    // stand; a refusal throws std::invalid_argument.
    void run(batch::Operation op);
    // sun-hours or direct-light: the run, and the sums as (H, W) float32.
    pybind11::array sums(batch::Operation op);

    // --load / --tile and --save; file failures throw FileError.
    std::tuple<int, int, std::string> load(Slot s, const std::string& path, bool tile,
                                           const std::optional<ElevationRange>& heights);
    void save(Slot s, const std::string& path);

    PythonControls controls;

private:
    // The workspace's lock, taken with the interpreter lock released (and
    // retaken after), so a thread waiting here never holds up the one that
    // has it.
    std::unique_lock<std::mutex> hold();

    Workspace ws_;
    std::mutex mutex_;
};

// Refuses a map size outside 1..16384 a side (std::invalid_argument) or
// one this machine's memory cannot hold (std::bad_alloc's message).
void checkMapSize(int width, int height);

// The operation a name stands for ("linear", "make-texture2"; "linear_sim"
// with an underscore too); std::invalid_argument naming the choices.
batch::Operation operationNamed(const std::string& name);

} // namespace gloamery::python
