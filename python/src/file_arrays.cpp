#include "file_arrays.h"

#include "errors.h"
#include "py_workspace.h"
#include "slot_arrays.h"

#include "batch_run.h"
#include "imageio/file_kind.h"
#include "imageio/native_io.h"
#include "imageio/picture_limits.h"
#include "imageio/png_codec.h"

#include <cmath>
#include <cstring>
#include <stdexcept>
#include <variant>

namespace py = pybind11;

namespace gloamery::python {

namespace {

// A plain PNG decoded, as loadPlainBytes decodes it; nothing when the
// file is for the other readers.
std::optional<DecodedPng> plainPng(const std::string& path, const std::vector<unsigned char>& bytes)
{
    if (toldByName(fileKind(path))) return std::nullopt; // for the readers that tell them by name
    return decodePlainPng(bytes.data(), bytes.size(), kDecodeLimitMiB);
}

py::array arrayOf(const DecodedPng& png)
{
    if (!png.deep.empty()) {
        py::array_t<std::uint16_t> out({png.height, png.width});
        std::memcpy(out.mutable_data(), png.deep.data(), static_cast<std::size_t>(out.size()) * sizeof(std::uint16_t));
        return out;
    }
    py::array_t<std::uint8_t> out({png.height, png.width, 3});
    Picture p(kBlack, png.width, png.height);
    p.place(png.width, png.height, png.pixels.data());
    picturePixels(p, out.mutable_data());
    return out;
}

// The file's bytes (read once: a pipe cannot be read again) put into the
// height slot of a map of its size, through the batch tool's loader (the
// toolkit's readers in their plugin). A probe at 1 x 1 tells the size
// unless the caller gave it.
std::variant<Workspace, Error> loadedWorkspace(const batch::LoadStep& step, const std::vector<unsigned char>& bytes,
                                               const std::optional<std::pair<int, int>>& size)
{
    std::pair<int, int> wh;
    if (size) {
        wh = *size;
    } else {
        Workspace probe(1, 1);
        auto read = batch::loadFileBytes(probe, step, bytes);
        if (const Error* e = std::get_if<Error>(&read)) return *e;
        wh = {std::get<LoadedFile>(read).width, std::get<LoadedFile>(read).height};
    }
    checkMapSize(wh.first, wh.second);
    Workspace ws(wh.first, wh.second);
    auto read = batch::loadFileBytes(ws, step, bytes);
    if (const Error* e = std::get_if<Error>(&read)) return *e;
    return ws;
}

} // namespace

ElevationRange checkedRange(double low, double high)
{
    if (!std::isfinite(low) || !std::isfinite(high) || !(low < high))
        throw std::invalid_argument("heights needs two finite numbers LO,HI with LO below HI (as in -20,850.5)");
    return {low, high};
}

py::array loadArray(const std::string& path, const std::optional<ElevationRange>& heights,
                    const std::optional<std::pair<int, int>>& size)
{
    if (path.empty()) throw std::invalid_argument("load needs a file name, not an empty text");
    if (size) checkMapSize(size->first, size->second);
    const batch::LoadStep step{Slot::Height, path, false, heights};
    std::variant<Workspace, Error> read = Error{};
    std::optional<DecodedPng> png;
    {
        py::gil_scoped_release unlocked;
        auto bytes = batch::readLoadFile(step);
        if (Error* e = std::get_if<Error>(&bytes)) {
            read = std::move(*e);
        } else {
            const auto& file = std::get<std::vector<unsigned char>>(bytes);
            png = plainPng(path, file);
            if (!png) read = loadedWorkspace(step, file, size);
        }
    }
    if (png) return arrayOf(*png);
    if (const Error* e = std::get_if<Error>(&read)) throw FileError("cannot read " + quoted(path) + ": " + e->message);
    const Workspace& ws = std::get<Workspace>(read);
    if (heightsAreDeep(ws)) return slotArray(ws, Slot::Height);
    py::array_t<std::uint8_t> out({ws.height(), ws.width(), 3});
    picturePixels(ws.heightPicture(), out.mutable_data());
    return out;
}

} // namespace gloamery::python
