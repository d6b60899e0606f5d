#include "engine_maps.h"

#include "native_io.h"
#include "png_writer.h"

#include <algorithm>
#include <vector>

namespace gloamery {

Refusal saveSampleMap(const std::string& path, int w, int h, int channels, int bits, const RowFill& rows)
{
    return savePngFile(path, [&](const PngSink& put) {
        return writeChannelPngRows(w, h, channels, bits, [&](int y, std::uint16_t* scratch) {
            rows(y, scratch);
            return static_cast<const std::uint16_t*>(scratch);
        }, put);
    });
}

Refusal saveNormalMap(const Workspace& ws, const NormalOptions& o, const std::string& path)
{
    return saveSampleMap(path, ws.width(), ws.height(), 3, o.bits,
                         [&](int y, std::uint16_t* out) { workspaceNormalRow(ws, o, y, out); });
}

Refusal saveSplatMap(const Workspace& ws, const std::string& path)
{
    const auto& rows = ws.splatRows();
    if (!rows) return Error{"there is no splat map before \"Make Texture\" or \"Make Texture2\" has run"};
    return saveSampleMap(path, ws.width(), ws.height(), 4, 8, *rows);
}

Refusal saveGreyMap(const std::string& path, int w, int h, const std::vector<std::uint8_t>& grey)
{
    return saveSampleMap(path, w, h, 1, 8, [&](int y, std::uint16_t* out) {
        const auto row = grey.begin() + static_cast<std::ptrdiff_t>(y) * w;
        std::copy(row, row + w, out);
    });
}

RowFill croppedRows(RowFill rows, int channels, int fullWidth, const Rect& part)
{
    return [rows = std::move(rows), channels, fullWidth, part](int y, std::uint16_t* out) {
        thread_local std::vector<std::uint16_t> full;
        full.resize(static_cast<std::size_t>(channels) * static_cast<std::size_t>(fullWidth));
        rows(y + part.y0, full.data());
        const auto first = full.begin() + static_cast<std::ptrdiff_t>(channels) * part.x0;
        std::copy(first, first + static_cast<std::ptrdiff_t>(channels) * part.width, out);
    };
}

} // namespace gloamery
