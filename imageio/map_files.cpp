#include "map_files.h"

#include "gdal_plugin.h"
#include "native_io.h"
#include "plugins.h"


#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace gloamery {

namespace {

GloameryWriteGeoTiff geoTiffWriter()
{
    static const auto writer = reinterpret_cast<GloameryWriteGeoTiff>(
        pluginSymbol(openPlugin("libgloamery-gdal.so", "GLOAMERY_ELEVATION_PLUGIN"), "gloamery_write_geotiff"));
    return writer;
}

// What a save writes, read a row at a time: the map's colour rows, and
// the deep samples' rows for deep heights (null otherwise).
struct MapRows {
    Slot slot;
    int width;
    int height;
    ColourRows colour;
    SampleRows deep;
    const MapOrigin& origin;
};

// Colour, texture and shadow maps show the light on the terrain: where the
// terrain held no data, they are clear. The inputs (and the heights) keep
// their pixels.
const unsigned char* clearPixels(Slot slot, int width, int height, const MapOrigin& origin)
{
    const bool lit = slot == Slot::Colour || slot == Slot::Texture || slot == Slot::Shadow;
    const bool fits = origin.width == width && origin.height == height;
    return lit && fits && origin.hasNoData() ? origin.noData.data() : nullptr;
}

bool deepHeights(const SlotMap& m)
{
    return m.slot == Slot::Height && !m.deep.empty() && m.deep.width() == m.picture.width()
        && m.deep.height() == m.picture.height();
}

// The heights as 16-bit little-endian samples, row by row: the deep ones,
// or 257 times the 8-bit ones.
Refusal saveRawHeights(const MapRows& m, const std::string& path)
{
    return writeFileAtomically(path, [&](const ByteSink& put) {
        std::vector<Colour> scratch(static_cast<std::size_t>(m.width));
        std::string bytes(2 * static_cast<std::size_t>(m.width), '\0');
        for (int y = 0; y < m.height; ++y) {
            const std::uint16_t* deep = m.deep ? m.deep(y) : nullptr;
            const Colour* shown = deep ? nullptr : m.colour(y, scratch.data());
            for (int x = 0; x < m.width; ++x) {
                const auto v = deep ? deep[x] : static_cast<std::uint16_t>(red(shown[x]) * 257);
                bytes[2 * static_cast<std::size_t>(x)] = static_cast<char>(v & 255);
                bytes[2 * static_cast<std::size_t>(x) + 1] = static_cast<char>(v >> 8);
            }
            if (!put(bytes)) return false;
        }
        return true;
    });
}

// The samples a GeoTIFF holds: heights as one band (16 bits when deep),
// the shadow map as one grey band, every other map as RGB; an alpha band
// after them where the map has clear pixels.
struct Samples {
    int bands = 0;
    int bits = 8;
    std::vector<unsigned char> bytes;
};

Samples geoTiffSamples(const SlotMap& m)
{
    const unsigned char* clear = clearPixels(m.slot, m.picture.width(), m.picture.height(), m.origin);
    const std::size_t cells = static_cast<std::size_t>(m.picture.width()) * static_cast<std::size_t>(m.picture.height());
    Samples s;
    if (deepHeights(m)) {
        s.bands = 1;
        s.bits = 16;
        s.bytes.resize(2 * cells);
        std::memcpy(s.bytes.data(), m.deep.data(), 2 * cells); // in the machine's order, as GDAL takes them
        return s;
    }
    const int colours = m.slot == Slot::Height || m.slot == Slot::Shadow ? 1 : 3;
    s.bands = colours + (clear ? 1 : 0);
    s.bytes.resize(cells * static_cast<std::size_t>(s.bands));
    unsigned char* out = s.bytes.data();
    for (std::size_t i = 0; i < cells; ++i) {
        const Channels c = split(m.picture.data()[i]);
        *out++ = static_cast<unsigned char>(c.r);
        if (colours == 3) {
            *out++ = static_cast<unsigned char>(c.g);
            *out++ = static_cast<unsigned char>(c.b);
        }
        if (clear) *out++ = clear[i] ? 0 : 255;
    }
    return s;
}

Refusal saveGeoTiff(const SlotMap& m, const std::string& path)
{
    const GloameryWriteGeoTiff write = geoTiffWriter();
    if (!write) return Error{geoTiffWriterMissing()};
    const auto& place = m.origin.place;
    if (place && !std::all_of(place->transform.begin(), place->transform.end(), [](double v) { return std::isfinite(v); }))
        return Error{"The raster's place on the Earth is not finite numbers, which no GeoTIFF can hold."};
    const Samples s = geoTiffSamples(m);
    const GloameryImage image{m.picture.width(), m.picture.height(), s.bands, s.bits, s.bytes.data(),
                              place ? place->transform.data() : nullptr, place ? place->wkt.c_str() : nullptr};
    // GDAL writes to a name; a scratch file it might make beside it
    // (its COG driver puts overviews there) goes with the save.
    return writeNamedFileAtomically(path, [&](const std::string& temp) -> Refusal {
        char message[1024] = {};
        if (write(temp.c_str(), &image, message, sizeof message) != 0) return Error{message};
        return std::nullopt;
    }, ".ovr.tmp");
}

Refusal savePng(const MapRows& m, const std::string& path)
{
    if (m.deep) return savePngFile(path, [&](const PngSink& put) { return writeGrey16PngRows(m.width, m.height, m.deep, put); });
    const unsigned char* clear = clearPixels(m.slot, m.width, m.height, m.origin);
    if (!clear) return savePngFile(path, [&](const PngSink& put) { return writePngRows(m.width, m.height, m.colour, put); });
    return savePngFile(path, [&](const PngSink& put) { return writeRgbaPngRows(m.width, m.height, m.colour, clear, put); });
}

// PNG, BMP and raw heights, from rows.
Refusal saveRows(const MapRows& m, const std::string& path, const std::string& format)
{
    if (format == "png") return savePng(m, path);
    if (format == "r16") {
        if (m.slot != Slot::Height) return Error{"Only the height map saves as raw 16-bit heights."};
        return saveRawHeights(m, path);
    }
    return saveBmpRows(path, m.width, m.height, m.colour);
}

} // namespace

std::optional<std::string> saveFormatOf(const std::string& path)
{
    const std::string ext = lowerExtension(path);
    if (ext == "bmp" || ext == "png") return ext;
    if (ext == "tif" || ext == "tiff") return std::string("tif");
    if (ext == "r16" || ext == "raw") return std::string("r16");
    return std::nullopt;
}

Refusal saveSlotMap(const SlotMap& map, const std::string& path, const std::string& format)
{
    if (format == "tif") return saveGeoTiff(map, path);
    const Picture& p = map.picture;
    const std::size_t w = static_cast<std::size_t>(p.width());
    const HeightSamples& deep = map.deep;
    SampleRows deepRows;
    if (deepHeights(map) && format != "bmp") deepRows = [&](int y) { return deep.data() + static_cast<std::size_t>(y) * w; };
    return saveRows(MapRows{map.slot, p.width(), p.height(),
                            [&](int y, Colour*) { return p.data() + static_cast<std::size_t>(y) * w; }, deepRows, map.origin},
                    path, format);
}

Refusal saveWorkspaceSlot(const Workspace& ws, Slot slot, const MapOrigin& origin, const std::string& path,
                          const std::string& format)
{
    const bool heights = slot == Slot::Height;
    const bool deep = heights && format != "bmp" && ws.deepHeights();
    if (format == "tif") {
        const HeightSamples samples = deep ? ws.heightSamples() : HeightSamples{};
        return withSlotPicture(ws, slot, [&](const Picture& p) { return saveGeoTiff(SlotMap{slot, p, samples, origin}, path); });
    }
    SampleRows deepRows;
    if (deep) deepRows = [grid = ws.heights().grid().deepGrid()](int y) { return grid->row(y); };
    if (heights) {
        const HeightSlot& h = ws.heights();
        return saveRows(MapRows{slot, ws.width(), ws.height(),
                                [&h](int y, Colour* scratch) {
                                    h.pictureRow(y, scratch);
                                    return static_cast<const Colour*>(scratch);
                                },
                                deepRows, origin},
                        path, format);
    }
    const SlotView view = ws.image(slot).view();
    return saveRows(MapRows{slot, view.width(), view.height(),
                            [&view](int y, Colour* scratch) { return view.span(0, y, view.width(), scratch); }, deepRows,
                            origin},
                    path, format);
}

Refusal saveLayer(const ValueLayer& layer, const MapOrigin& origin, const std::string& path)
{
    if (saveFormatOf(path) != "tif")
        return Error{"a layer saves as a 32-bit float GeoTIFF only: name the file .tif or .tiff"};
    const GloameryWriteGeoTiff write = geoTiffWriter();
    if (!write) return Error{geoTiffWriterMissing()};
    const std::size_t cells = layer.values.size();
    const bool masked = origin.hasNoData() && origin.noData.size() == cells;
    std::vector<float> samples(cells);
    for (std::size_t i = 0; i < cells; ++i)
        samples[i] = masked && origin.noData[i] ? static_cast<float>(kLayerNoData) : static_cast<float>(layer.values[i]);
    const auto& place = origin.place;
    const GloameryImage image{layer.width, layer.height, 1, 32, samples.data(), place ? place->transform.data() : nullptr,
                              place ? place->wkt.c_str() : nullptr, 1, kLayerNoData};
    return writeNamedFileAtomically(path, [&](const std::string& temp) -> Refusal {
        char message[1024] = {};
        if (write(temp.c_str(), &image, message, sizeof message) != 0) return Error{message};
        return std::nullopt;
    }, ".ovr.tmp");
}

bool geoTiffWriterAvailable() { return geoTiffWriter() != nullptr; }

std::string geoTiffWriterMissing()
{
    return "GeoTIFF files are written by the libgloamery-gdal.so plugin (GDAL), which is not installed.";
}

} // namespace gloamery
