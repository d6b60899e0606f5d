#include "height_file_kinds.h"

#include "raster_units.h"
#include "raster_window.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace gloamery {

namespace {

bool startsWith(std::span<const unsigned char> b, const char* magic, std::size_t n)
{
    return b.size() >= n && std::memcmp(b.data(), magic, n) == 0;
}

bool isBigTiff(std::span<const unsigned char> b) { return startsWith(b, "II+\0", 4) || startsWith(b, "MM\0+", 4); }

std::string rawLengthError(std::size_t held, int w, int h, int bits, std::size_t needed)
{
    return "The raw file holds " + std::to_string(held) + " bytes; a " + std::to_string(w) + " x " + std::to_string(h)
           + " map of " + std::to_string(bits) + "-bit samples takes " + std::to_string(needed) + ".";
}

// The raster's place, and its no-data cells over the part the map takes
// when it has any there.
MapOrigin rasterOrigin(const std::string& path, int w, int h)
{
    MapOrigin o = worldRegionOrigin(path, 0, 0, w, h).value_or(MapOrigin{});
    if (std::find(o.noData.begin(), o.noData.end(), 1) == o.noData.end()) o.noData.clear();
    return o;
}

std::variant<LoadedFile, Error> load(Workspace& ws, Slot slot, HeightFileKind kind, const std::string& path,
                                     std::span<const unsigned char> bytes, bool tile,
                                     const std::optional<ElevationRange>& heights)
{
    const int w = ws.width(), h = ws.height();
    if (kind == HeightFileKind::Raw8) {
        auto raw = readRawBytes(bytes, w, h);
        if (Error* e = std::get_if<Error>(&raw)) return std::move(*e);
        placeGreySamples(ws, slot, std::get<std::vector<std::uint8_t>>(raw).data(), w, h, tile);
        return LoadedFile{w, h, {}, {}};
    }
    if (kind == HeightFileKind::Raw16) {
        auto raw = readRawHeights(bytes, w, h);
        if (Error* e = std::get_if<Error>(&raw)) return std::move(*e);
        placeDeepSamples(ws, slot, std::get<HeightSamples>(raw), tile);
        return LoadedFile{w, h, {}, {}};
    }
    auto read = readRasterHeights(path, w, h, heights);
    if (Error* e = std::get_if<Error>(&read)) return std::move(*e);
    RasterHeights& r = std::get<RasterHeights>(read);
    placeDeepSamples(ws, slot, r.samples, tile);
    const bool window = r.fileWidth > 0;
    return LoadedFile{window ? r.fileWidth : r.samples.width(), window ? r.fileHeight : r.samples.height(),
                      std::move(r.note), std::move(r.origin)};
}

} // namespace

bool isTiff(std::span<const unsigned char> b)
{
    return startsWith(b, "II*\0", 4) || startsWith(b, "MM\0*", 4) || isBigTiff(b);
}

namespace {

// Whether the first directory carries the tags that place a TIFF on the
// Earth, its bytes read through read(offset, count, out), which says
// whether they were there.
template <class Read>
bool geoTagsIn(const Read& read)
{
    unsigned char magic[4];
    if (!read(0, 4, magic)) return false;
    const bool little = magic[0] == 'I';
    const bool big = isBigTiff({magic, 4});
    auto u = [&](long long at, int bytes) -> long long {
        unsigned char b[8];
        if (at < 0 || !read(at, bytes, b)) return -1;
        unsigned long long v = 0;
        for (int k = 0; k < bytes; ++k) v = v << 8 | b[little ? bytes - 1 - k : k];
        return v > (1ULL << 62) ? -1 : static_cast<long long>(v);
    };
    // Classic: a 4-byte offset, 2-byte count, 12-byte entries; BigTIFF:
    // 8, 8 and 20.
    const long long ifd = big ? u(8, 8) : u(4, 4);
    const long long count = ifd < 0 ? -1 : (big ? u(ifd, 8) : u(ifd, 2));
    const int head = big ? 8 : 2, entry = big ? 20 : 12;
    for (long long k = 0; k < count; ++k) {
        const long long tag = u(ifd + head + entry * k, 2);
        if (tag < 0) return false;
        if (tag == 33550 || tag == 33922 || tag == 34264 || tag == 34735) return true;
    }
    return false;
}

} // namespace

bool hasGeoTags(std::span<const unsigned char> b)
{
    if (b.size() < 8) return false;
    return geoTagsIn([&](long long at, int n, unsigned char* out) {
        if (at + n > static_cast<long long>(b.size())) return false;
        std::copy_n(b.data() + at, n, out);
        return true;
    });
}

bool isGeoTiffFile(const std::string& path)
{
    // Only a plain file, and nothing else opened: a pipe's writer would
    // take the probe for the reader, and its bytes would be gone.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    bool geo = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 8;
    unsigned char head[4];
    geo = geo && ::pread(fd, head, 4, 0) == 4 && isTiff({head, 4});
    geo = geo && geoTagsIn([&](long long at, int n, unsigned char* out) {
        return at + n <= st.st_size && ::pread(fd, out, static_cast<std::size_t>(n), at) == n;
    });
    ::close(fd);
    return geo;
}

bool readsByName(const std::string& path) { return namesElevationRaster(path) || isGeoTiffFile(path); }

HeightFileKind heightFileKind(const std::string& path, std::span<const unsigned char> bytes, int mapWidth, int mapHeight)
{
    const std::size_t cells = static_cast<std::size_t>(mapWidth) * static_cast<std::size_t>(mapHeight);
    switch (fileKind(path, bytes)) {
    case FileKind::ElevationRaster: return HeightFileKind::Raster;
    case FileKind::Raw8: return HeightFileKind::Raw8;
    case FileKind::Raw16: return HeightFileKind::Raw16;
    case FileKind::RawEither: return bytes.size() == cells ? HeightFileKind::Raw8 : HeightFileKind::Raw16;
    // A raster is opened again by name: only a plain file can be (the
    // plugin refuses a pipe, whose bytes are gone).
    case FileKind::Tiff: {
        // Bytes left unread (readsByName) are a GeoTIFF's, told by its file.
        const bool geo = bytes.empty() ? isGeoTiffFile(path) : isTiff(bytes) && hasGeoTags(bytes);
        return geo ? HeightFileKind::Raster : HeightFileKind::Other;
    }
    case FileKind::Picture: break;
    }
    return HeightFileKind::Other;
}

std::variant<std::vector<std::uint8_t>, Error> readRawBytes(std::span<const unsigned char> bytes, int w, int h)
{
    const std::size_t cells = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    if (bytes.size() != cells) return Error{rawLengthError(bytes.size(), w, h, 8, cells)};
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

std::variant<HeightSamples, Error> readRawHeights(std::span<const unsigned char> bytes, int w, int h)
{
    const std::size_t cells = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    if (bytes.size() != cells * 2) return Error{rawLengthError(bytes.size(), w, h, 16, cells * 2)};
    HeightSamples samples(w, h, std::uint16_t{0});
    for (std::size_t i = 0; i < cells; ++i)
        samples.data()[i] = static_cast<std::uint16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    return samples;
}

std::variant<RasterHeights, Error> readRasterHeights(const std::string& path, int mapWidth, int mapHeight,
                                                     const std::optional<ElevationRange>& heights)
{
    auto read = readElevationWindow(path, mapWidth, mapHeight, heights);
    if (const Error* e = std::get_if<Error>(&read)) return *e;
    auto& w = std::get<WindowedElevations>(read);
    RasterHeights r{std::move(w.mapped.samples), rangeNote(w.mapped.range), w.fileWidth, w.fileHeight, {}};
    r.origin = rasterOrigin(path, r.samples.width(), r.samples.height());
    // Without a place the raster's pixels are a unit each, as GDAL has them.
    const GeoPlace place = r.origin.place.value_or(GeoPlace{{0, 1, 0, 0, 0, 1}, {}});
    const int rows = r.fileHeight > 0 ? r.fileHeight : r.samples.height();
    r.origin.units = rasterUnits(place.transform, rows, isGeographic(place.wkt), w.mapped.range);
    r.origin.elevations = w.mapped.range;
    return r;
}

std::optional<std::variant<LoadedFile, Error>> loadHeightFile(Workspace& ws, Slot slot, const std::string& path,
                                                              std::span<const unsigned char> bytes, bool tile,
                                                              const std::optional<ElevationRange>& heights)
{
    const HeightFileKind kind = heightFileKind(path, bytes, ws.width(), ws.height());
    if (kind == HeightFileKind::Other) return std::nullopt;
    try {
        return load(ws, slot, kind, path, bytes, tile, heights);
    } catch (const std::bad_alloc&) {
        // As the toolkit's plugin reports it.
        return Error{"There is not enough memory to read it."};
    }
}

std::variant<LoadedFile, Error> loadRasterFile(Workspace& ws, Slot slot, const std::string& path, bool tile,
                                               const std::optional<ElevationRange>& heights)
{
    try {
        return load(ws, slot, HeightFileKind::Raster, path, {}, tile, heights);
    } catch (const std::bad_alloc&) {
        return Error{"There is not enough memory to read it."};
    }
}

} // namespace gloamery
