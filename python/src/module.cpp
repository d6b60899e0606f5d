// The gloamery Python module: the computing core and the batch tool's
// readers and writers, with NumPy arrays in place of files.

#include "errors.h"
#include "file_arrays.h"
#include "workspace_bindings.h"

#include "inputs/operations.h"
#include "workspace/parallel.h"
#include "workspace/workspace.h"

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <stdexcept>

namespace py = pybind11;
using namespace gloamery;
using namespace gloamery::python;

namespace {

std::optional<ElevationRange> rangeOf(const std::optional<std::pair<double, double>>& heights)
{
    if (!heights) return std::nullopt;
    return checkedRange(heights->first, heights->second);
}

void translateErrors()
{
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) std::rethrow_exception(p);
        } catch (const FileError& e) {
            PyErr_SetString(PyExc_OSError, e.what());
        } catch (const OutOfMemory& e) {
            PyErr_SetString(PyExc_MemoryError, e.what());
        }
    });
}

} // namespace

PYBIND11_MODULE(_gloamery, m)
{
    m.doc() = "Terrain height maps lit into terrain textures, as gloamery-batch lights them, on NumPy arrays.";
    translateErrors();
    bindWorkspace(m);

    m.def(
        "load",
        [](const std::string& path, std::optional<std::pair<double, double>> heights,
           std::optional<std::pair<int, int>> size) { return loadArray(path, rangeOf(heights), size); },
        py::arg("path"), py::kw_only(), py::arg("heights") = py::none(), py::arg("size") = py::none(),
        "Reads a picture or height file with gloamery-batch's readers.\n\n"
        "Returns a (H, W) uint16 array for a file of more than 8 bits a sample (16-bit PNG or TIFF,\n"
        "PGM with a maxval above 255, raw .r16 files, elevation rasters), else a (H, W, 3) uint8\n"
        "array. heights=(LO, HI) maps a raster's elevations LO..HI onto 0..65535 (default: its least\n"
        "and greatest); size=(W, H) is the map size a raw .r8/.r16/.raw file holds.\n"
        "Raises OSError when the file cannot be read, ValueError for bad arguments.");
    m.def(
        "set_threads",
        [](int n) {
            if (n < 1 || n > 1024) throw std::invalid_argument("threads needs a whole number 1..1024, not " + std::to_string(n));
            setThreadCount(n);
        },
        py::arg("n"),
        "Computes on n threads from now on (default: GLOAMERY_THREADS, else every core). The results\n"
        "are the same bytes on any number.");
    m.def("threads", &threadCount, "The number of threads a computation may use.");
    m.attr("SLOTS") = py::make_tuple("height", "shadow", "colour", "grass", "stone", "texture", "detail");
    py::tuple operations(operationRows().size());
    for (std::size_t i = 0; i < operationRows().size(); ++i) operations[i] = py::str(std::string(operationRows()[i].name));
    m.attr("OPERATIONS") = operations;
    m.attr("MAX_MAP_SIZE") = kMaxMapSize;
    m.attr("__version__") = GLOAMERY_VERSION;
}
