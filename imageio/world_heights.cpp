#include "world_heights.h"

#include "file_kind.h"
#include "gdal_plugin.h"
#include "native_io.h"
#include "raster_plugin.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace gloamery {

namespace {

// The window of the bands, of either depth.
template <class T, class Fill>
std::variant<HeightWindow, Error> readBands(int w, int h, const std::vector<Rect>& bands, const Fill& fill)
{
    auto window = filledWindow<T>(w, h, bands, fill);
    if (Error* e = std::get_if<Error>(&window)) return std::move(*e);
    return HeightWindow(std::move(std::get<WindowGrid<T>>(window)));
}

class RawHeights final : public HeightSource {
public:
    RawHeights(int fd, int w, int h, bool deep) : fd_(fd), w_(w), h_(h), deep_(deep) {}
    ~RawHeights() override { ::close(fd_); }

    bool deep() const override { return deep_; }
    std::variant<HeightWindow, Error> read(const std::vector<Rect>& bands) const override
    {
        if (!deep_)
            return readBands<std::uint8_t>(w_, h_, bands, [&](int y, int x0, int n, std::uint8_t* out) {
                return readAt(offset(y, x0, 1), out, static_cast<std::size_t>(n));
            });
        return readBands<std::uint16_t>(w_, h_, bands, [&](int y, int x0, int n, std::uint16_t* out) -> Refusal {
            if (Refusal r = readAt(offset(y, x0, 2), out, 2 * static_cast<std::size_t>(n))) return r;
            // Little-endian on disk, whatever the machine.
            auto* bytes = reinterpret_cast<const unsigned char*>(out);
            for (int i = n - 1; i >= 0; --i) out[i] = static_cast<std::uint16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
            return std::nullopt;
        });
    }

private:
    off_t offset(int y, int x, int bytes) const
    {
        return (static_cast<off_t>(y) * w_ + x) * bytes;
    }
    Refusal readAt(off_t at, void* into, std::size_t size) const
    {
        auto* p = static_cast<char*>(into);
        while (size > 0) {
            const ssize_t got = ::pread(fd_, p, size, at);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return Error{got < 0 ? std::strerror(errno) : "the file has become shorter than the world"};
            p += got;
            at += got;
            size -= static_cast<std::size_t>(got);
        }
        return std::nullopt;
    }

    int fd_;
    int w_;
    int h_;
    bool deep_;
};

class RasterHeights final : public HeightSource {
public:
    RasterHeights(void* raster, int w, int h, ElevationRange range) : raster_(raster), w_(w), h_(h), range_(range) {}
    ~RasterHeights() override { rasterPlugin().close(raster_); }

    bool deep() const override { return true; }
    std::variant<HeightWindow, Error> read(const std::vector<Rect>& bands) const override
    {
        std::vector<double> values;
        std::vector<unsigned char> valid;
        return readBands<std::uint16_t>(w_, h_, bands, [&](int y, int x0, int n, std::uint16_t* out) -> Refusal {
            values.resize(static_cast<std::size_t>(n));
            valid.resize(static_cast<std::size_t>(n));
            char message[512] = {};
            if (rasterPlugin().readWindow(raster_, x0, y, n, 1, values.data(), valid.data(), message, sizeof message) != 0)
                return Error{message};
            for (int i = 0; i < n; ++i) out[i] = valid[static_cast<std::size_t>(i)] ? elevationSample(values[static_cast<std::size_t>(i)], range_) : 0;
            return std::nullopt;
        });
    }

private:
    void* raster_;
    int w_;
    int h_;
    ElevationRange range_;
};

std::string sizeText(long long w, long long h) { return std::to_string(w) + " x " + std::to_string(h); }

} // namespace

bool isRawHeightFile(const std::string& path) { return isRaw(fileKind(path)); }

std::variant<std::unique_ptr<HeightSource>, Error> openWorldHeights(const std::string& path, int w, int h,
                                                                    const std::optional<ElevationRange>& range)
{
    if (isRawHeightFile(path)) {
        // Without waiting on a pipe: a world's heights are read by offset,
        // from a plain file only.
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        struct stat st {};
        if (fd < 0 || ::fstat(fd, &st) != 0) {
            const Error e{std::strerror(errno)};
            if (fd >= 0) ::close(fd);
            return e;
        }
        if (!S_ISREG(st.st_mode)) {
            ::close(fd);
            return Error{"a world's heights are read by window, from a plain file, not a pipe or a device"};
        }
        const long long cells = static_cast<long long>(w) * h, size = st.st_size;
        const std::string ext = lowerExtension(path);
        const bool deep = ext == "r16" || (ext == "raw" && size == 2 * cells);
        if (size != (deep ? 2 : 1) * cells) {
            ::close(fd);
            return Error{"the file holds " + std::to_string(size) + " bytes; a " + sizeText(w, h) + " world of "
                         + (deep ? "16-bit samples takes " : "8-bit samples takes ") + std::to_string((deep ? 2 : 1) * cells)
                         + (ext == "raw" ? " (or twice that, of 16-bit samples)" : "")};
        }
        return std::unique_ptr<HeightSource>(new RawHeights(fd, w, h, deep));
    }
    if (!range)
        return Error{"an elevation raster read as a world needs --heights LO,HI before it: its least and greatest "
                     "elevations cannot be known from the windows a region reads"};
    const RasterPlugin& plugin = rasterPlugin();
    if (!plugin.loaded()) return Error{"elevation rasters are read by the gloamery-gdal plugin, which is not installed"};
    int rw = 0, rh = 0;
    char message[512] = {};
    void* raster = plugin.openWorld(path.c_str(), &rw, &rh, message, sizeof message);
    if (!raster) return Error{message};
    if (rw != w || rh != h) {
        plugin.close(raster);
        return Error{"the raster is " + sizeText(rw, rh) + " cells; the world is " + sizeText(w, h)};
    }
    return std::unique_ptr<HeightSource>(new RasterHeights(raster, w, h, *range));
}

} // namespace gloamery
