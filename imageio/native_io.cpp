#include "native_io.h"

#include "file_kind.h"
#include "slot_sink.h"
#include "input_file.h"
#include "picture_limits.h"
#include "png_codec.h"
#include "png_writer.h"
#include "workspace/height_rows.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace gloamery {

// The default pictures' PNG files, compiled in (built_in_defaults.cpp,
// generated from resources/).
struct BuiltInFile {
    const unsigned char* data;
    std::size_t size;
};
extern const BuiltInFile kDefaultHeight, kDefaultGrass, kDefaultStone, kDefaultDetail;

namespace {

void put16(std::vector<unsigned char>& b, std::uint32_t v)
{
    b.push_back(static_cast<unsigned char>(v & 255));
    b.push_back(static_cast<unsigned char>(v >> 8 & 255));
}
void put32(std::vector<unsigned char>& b, std::uint32_t v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

std::optional<LoadedFile> loadPng(Workspace& ws, Slot slot, const unsigned char* data, std::size_t size, bool tile)
{
    SlotSink sink(ws, slot, tile);
    if (!decodePlainPngRows(data, size, kDecodeLimitMiB, sink)) return std::nullopt;
    return sink.finish(ws);
}

} // namespace

void placeDeepSamples(Workspace& ws, Slot slot, const HeightSamples& samples, bool tile)
{
    if (slot == Slot::Height) return ws.setDeepHeights(samples, tile);
    SlotSink sink(ws, slot, tile);
    sink.start(samples.width(), samples.height(), PngRowKind::Deep);
    for (int y = 0; y < samples.height(); ++y) sink.deep(y, samples.data() + static_cast<std::size_t>(y) * samples.width());
    sink.finish(ws);
}

void placeGreySamples(Workspace& ws, Slot slot, const std::uint8_t* samples, int w, int h, bool tile)
{
    SlotSink sink(ws, slot, tile);
    sink.start(w, h, PngRowKind::Grey);
    for (int y = 0; y < h; ++y) sink.grey(y, samples + static_cast<std::size_t>(y) * w);
    sink.finish(ws);
}

namespace {

std::uint32_t bmpStride(int width) { return (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u; }

std::vector<unsigned char> bmpHeader(int width, int height)
{
    const std::uint32_t dataBytes = bmpStride(width) * static_cast<std::uint32_t>(height);
    std::vector<unsigned char> b;
    b.push_back('B');
    b.push_back('M');
    put32(b, 54 + dataBytes);
    put32(b, 0);
    put32(b, 54);
    put32(b, 40);
    put32(b, static_cast<std::uint32_t>(width));
    put32(b, static_cast<std::uint32_t>(height));
    put16(b, 1);
    put16(b, 24);
    put32(b, 0); // no compression
    put32(b, dataBytes);
    put32(b, 3937); // 100 dots an inch, as the toolkit writes
    put32(b, 3937);
    put32(b, 0);
    put32(b, 0);
    return b;
}

// A row as stored: blue, green, red, padded to 4 bytes.
void bmpRow(const Colour* row, int width, unsigned char* out)
{
    for (int x = 0; x < width; ++x) {
        const Channels c = split(row[x]);
        *out++ = static_cast<unsigned char>(c.b);
        *out++ = static_cast<unsigned char>(c.g);
        *out++ = static_cast<unsigned char>(c.r);
    }
    std::fill_n(out, bmpStride(width) - static_cast<std::uint32_t>(width) * 3, 0);
}

} // namespace

std::vector<unsigned char> encodeBmp(const Colour* pixels, int width, int height)
{
    std::vector<unsigned char> b = bmpHeader(width, height);
    const std::size_t stride = bmpStride(width);
    b.resize(54 + stride * static_cast<std::size_t>(height));
    for (int y = height - 1; y >= 0; --y)
        bmpRow(pixels + static_cast<std::size_t>(y) * width, width, b.data() + 54 + stride * static_cast<std::size_t>(height - 1 - y));
    return b;
}

Refusal saveBmpRows(const std::string& path, int width, int height, const ColourRows& rows)
{
    return writeFileAtomically(path, [&](const ByteSink& put) {
        const std::vector<unsigned char> head = bmpHeader(width, height);
        if (!put(std::string_view(reinterpret_cast<const char*>(head.data()), head.size()))) return false;
        std::vector<Colour> scratch(static_cast<std::size_t>(width));
        std::vector<unsigned char> row(bmpStride(width));
        for (int y = height - 1; y >= 0; --y) {
            bmpRow(rows(y, scratch.data()), width, row.data());
            if (!put(std::string_view(reinterpret_cast<const char*>(row.data()), row.size()))) return false;
        }
        return true;
    });
}

std::string lowerExtension(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    const std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    const std::size_t dot = name.rfind('.');
    std::string ext = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return ext;
}

bool namesElevationRaster(const std::string& path) { return fileKind(path) == FileKind::ElevationRaster; }

bool namesRawOrRaster(const std::string& path) { return toldByName(fileKind(path)); }

std::optional<LoadedFile> loadPlainFile(Workspace& ws, Slot slot, const std::string& path, bool tile)
{
    if (namesRawOrRaster(path)) return std::nullopt;
    const auto bytes = readInputFile(path, kMaxPictureFileBytes);
    if (!std::holds_alternative<std::vector<unsigned char>>(bytes)) return std::nullopt;
    return loadPlainBytes(ws, slot, path, std::get<std::vector<unsigned char>>(bytes), tile);
}

std::optional<LoadedFile> loadPlainBytes(Workspace& ws, Slot slot, const std::string& path,
                                         const std::vector<unsigned char>& bytes, bool tile)
{
    // The toolkit's reader tells the raw and raster kinds by their names;
    // a PNG needs none.
    if (namesRawOrRaster(path)) return std::nullopt;
    return loadPng(ws, slot, bytes.data(), bytes.size(), tile);
}

Refusal savePngFile(const std::string& path, const std::function<PngResult(const PngSink&)>& write)
{
    // Straight to the file: a large map's PNG held whole as well would add
    // to the run's peak.
    PngResult written = PngResult::Written;
    const Refusal r = writeFileAtomically(path, [&](const ByteSink& put) {
        written = write(put);
        return written == PngResult::Written;
    });
    if (written == PngResult::OutOfMemory) return Error{"There is not enough memory to compress the picture."};
    return r;
}

Refusal savePictureFile(const Picture& picture, const std::string& path, const std::string& format)
{
    if (format != "png") return writeFileAtomically(path, encodeBmp(picture.data(), picture.width(), picture.height()));
    return savePngFile(path, [&](const PngSink& put) { return writePng(picture, put); });
}

Refusal saveDeepHeightsFile(const HeightSamples& samples, const std::string& path)
{
    return savePngFile(path, [&](const PngSink& put) { return writeGrey16Png(samples, put); });
}

void loadBuiltInDefaults(Workspace& ws, const std::vector<Slot>& wanted)
{
    const struct {
        Slot slot;
        const BuiltInFile& file;
    } defaults[] = {
        {Slot::Height, kDefaultHeight},
        {Slot::Grass, kDefaultGrass},
        {Slot::Stone, kDefaultStone},
        {Slot::Detail, kDefaultDetail},
    };
    for (const auto& d : defaults) {
        if (std::find(wanted.begin(), wanted.end(), d.slot) == wanted.end()) continue;
        // The files are plain opaque PNGs (resources/make_defaults.py), so
        // they always decode here.
        loadPng(ws, d.slot, d.file.data, d.file.size, false);
    }
}

} // namespace gloamery
