#include "native_io.h"

#include "input_file.h"
#include "picture_limits.h"
#include "png_codec.h"
#include "png_writer.h"

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

// Places (or tiles) a picture of w x h colour values in the slot, as
// placeImage and tileImage place an opaque image, at its own size: the
// slot keeps it with the rule. The height slot takes the pixels as its
// 8-bit heights.
void putSlotPixels(Workspace& ws, Slot slot, int w, int h, const Colour* pixels, bool tile)
{
    Picture one(slotBackground(slot), w, h);
    one.place(w, h, pixels);
    if (slot != Slot::Height) {
        const SlotImage& now = ws.image(slot);
        ws.setImage(slot, SlotImage(std::move(one), now.width(), now.height(), tile));
        return;
    }
    ws.setHeightPicture(one, tile);
}

} // namespace

std::vector<unsigned char> encodeBmp(const Colour* pixels, int width, int height)
{
    const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
    const std::uint32_t dataBytes = stride * static_cast<std::uint32_t>(height);
    std::vector<unsigned char> b;
    b.reserve(54 + dataBytes);
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
    for (int y = height - 1; y >= 0; --y) {
        const Colour* row = pixels + static_cast<std::size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            const Channels c = split(row[x]);
            b.push_back(static_cast<unsigned char>(c.b));
            b.push_back(static_cast<unsigned char>(c.g));
            b.push_back(static_cast<unsigned char>(c.r));
        }
        b.resize(b.size() + (stride - static_cast<std::uint32_t>(width) * 3), 0);
    }
    return b;
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

bool namesElevationRaster(const std::string& path)
{
    const std::string suffix = lowerExtension(path);
    return suffix == "hgt" || suffix == "asc" || suffix == "dem";
}

bool namesRawOrRaster(const std::string& path)
{
    const std::string suffix = lowerExtension(path);
    return suffix == "r8" || suffix == "r16" || suffix == "raw" || namesElevationRaster(path);
}

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
    auto png = decodePlainPng(bytes.data(), bytes.size(), kDecodeLimitMiB);
    if (!png) return std::nullopt;
    if (!png->deep.empty()) {
        if (slot == Slot::Height) {
            ws.setDeepHeights(png->deep, tile);
            return LoadedFile{png->width, png->height, {}, {}};
        }
        png->pixels.resize(static_cast<std::size_t>(png->width) * png->height);
        const std::uint16_t* s = png->deep.data();
        for (std::size_t i = 0; i < png->pixels.size(); ++i) png->pixels[i] = grey(shownByte(s[i]));
    }
    putSlotPixels(ws, slot, png->width, png->height, png->pixels.data(), tile);
    return LoadedFile{png->width, png->height, {}, {}};
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
        const auto png = decodePlainPng(d.file.data, d.file.size, kDecodeLimitMiB);
        if (png) putSlotPixels(ws, d.slot, png->width, png->height, png->pixels.data(), false);
    }
}

} // namespace gloamery
