#include "map_files.h"

#include "gdal_plugin.h"
#include "native_io.h"
#include "plugins.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

// Colour, texture and shadow maps show the light on the terrain: where the
// terrain held no data, they are clear. The inputs (and the heights) keep
// their pixels.
const unsigned char* clearPixels(const SlotMap& m)
{
    const bool lit = m.slot == Slot::Colour || m.slot == Slot::Texture || m.slot == Slot::Shadow;
    const bool fits = m.origin.width == m.picture.width() && m.origin.height == m.picture.height();
    return lit && fits && m.origin.hasNoData() ? m.origin.noData.data() : nullptr;
}

bool deepHeights(const SlotMap& m)
{
    return m.slot == Slot::Height && !m.deep.empty() && m.deep.width() == m.picture.width()
        && m.deep.height() == m.picture.height();
}

// The heights as 16-bit samples: the deep ones, or 257 times the 8-bit ones.
std::uint16_t heightAt(const SlotMap& m, std::size_t i)
{
    return deepHeights(m) ? m.deep.data()[i] : static_cast<std::uint16_t>(red(m.picture.data()[i]) * 257);
}

Refusal saveRawHeights(const SlotMap& m, const std::string& path)
{
    const std::size_t cells = static_cast<std::size_t>(m.picture.width()) * static_cast<std::size_t>(m.picture.height());
    std::vector<unsigned char> bytes(2 * cells);
    for (std::size_t i = 0; i < cells; ++i) {
        const std::uint16_t v = heightAt(m, i);
        bytes[2 * i] = static_cast<unsigned char>(v & 255);
        bytes[2 * i + 1] = static_cast<unsigned char>(v >> 8);
    }
    return writeFileAtomically(path, bytes);
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
    const unsigned char* clear = clearPixels(m);
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

// GDAL writes to a name, not to a stream: a new file beside the target,
// renamed over it once complete, so a failed save leaves the old one.
Refusal writeBeside(const std::string& path, const std::function<Refusal(const std::string&)>& write)
{
    const std::size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string temp = dir + "." + path.substr(slash == std::string::npos ? 0 : slash + 1) + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return Error{std::strerror(errno)};
    ::close(fd);
    struct stat old {};
    mode_t mode = 0;
    if (::stat(path.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    Refusal r = write(temp);
    if (!r && (::chmod(temp.c_str(), mode) != 0 || ::rename(temp.c_str(), path.c_str()) != 0))
        r = Error{std::strerror(errno)};
    if (r) ::unlink(temp.c_str());
    return r;
}

Refusal saveGeoTiff(const SlotMap& m, const std::string& path)
{
    const GloameryWriteGeoTiff write = geoTiffWriter();
    if (!write) return Error{geoTiffWriterMissing()};
    const Samples s = geoTiffSamples(m);
    const auto& place = m.origin.place;
    const GloameryImage image{m.picture.width(), m.picture.height(), s.bands, s.bits, s.bytes.data(),
                              place ? place->transform.data() : nullptr, place ? place->wkt.c_str() : nullptr};
    return writeBeside(path, [&](const std::string& temp) -> Refusal {
        char message[1024] = {};
        if (write(temp.c_str(), &image, message, sizeof message) != 0) return Error{message};
        return std::nullopt;
    });
}

Refusal savePng(const SlotMap& m, const std::string& path)
{
    if (deepHeights(m)) return saveDeepHeightsFile(m.deep, path);
    const unsigned char* clear = clearPixels(m);
    if (!clear) return savePictureFile(m.picture, path, "png");
    return savePngFile(path, [&](const PngSink& put) { return writeRgbaPng(m.picture, clear, put); });
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
    if (format == "png") return savePng(map, path);
    if (format == "tif") return saveGeoTiff(map, path);
    if (format == "r16") {
        if (map.slot != Slot::Height) return Error{"Only the height map saves as raw 16-bit heights."};
        return saveRawHeights(map, path);
    }
    return savePictureFile(map.picture, path, format);
}

bool geoTiffWriterAvailable() { return geoTiffWriter() != nullptr; }

std::string geoTiffWriterMissing()
{
    return "GeoTIFF files are written by the libgloamery-gdal.so plugin (GDAL), which is not installed.";
}

} // namespace gloamery
