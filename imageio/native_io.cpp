#include "native_io.h"

#include "picture_limits.h"
#include "png_codec.h"
#include "png_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

Error systemError() { return Error{std::strerror(errno)}; }

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

bool writeAll(int fd, const unsigned char* p, std::size_t n)
{
    while (n > 0) {
        const ssize_t k = ::write(fd, p, n);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) return false;
        p += k;
        n -= static_cast<std::size_t>(k);
    }
    return true;
}

// Places (or tiles) a picture of w x h colour values in the slot, as
// placeImage and tileImage place an opaque image.
void putPixels(Picture& picture, int w, int h, const Colour* pixels, bool tile)
{
    if (!tile) {
        picture.place(w, h, pixels);
        return;
    }
    Picture one(picture.background(), w, h);
    one.place(w, h, pixels);
    picture = tiled(one, picture.width(), picture.height());
}

} // namespace

std::optional<std::vector<unsigned char>> readSmallFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::vector<unsigned char> bytes;
    unsigned char block[64 * 1024];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 || static_cast<std::int64_t>(bytes.size()) + n > kMaxPictureFileBytes) ok = false;
        if (n <= 0 || !ok) break;
        bytes.insert(bytes.end(), block, block + n);
    }
    ::close(fd);
    if (!ok) return std::nullopt;
    return bytes;
}

Refusal writeFileAtomically(const std::string& path, const std::vector<unsigned char>& bytes)
{
    return writeFileAtomically(path, [&](const ByteSink& put) {
        return put(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    });
}

Refusal writeFileAtomically(const std::string& path, const std::function<bool(const ByteSink&)>& produce)
{
    const std::size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temp = dir + "." + name + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return systemError();
    // mkstemp makes the file private: give it the mode of the file it
    // replaces, or of an ordinary new file.
    struct stat old {};
    mode_t mode = 0;
    if (::stat(path.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    int saved = 0;
    bool ok = ::fchmod(fd, mode) == 0;
    if (!ok) saved = errno;
    ok = ok && produce([&](std::string_view piece) {
        if (writeAll(fd, reinterpret_cast<const unsigned char*>(piece.data()), piece.size())) return true;
        saved = errno != 0 ? errno : EIO;
        return false;
    });
    // A producer that stopped on its own (out of memory) leaves errno as is.
    if (!ok && saved == 0) saved = ENOMEM;
    if (::close(fd) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        saved = errno;
    }
    if (ok) return std::nullopt;
    ::unlink(temp.c_str());
    return Error{std::strerror(saved)};
}

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

std::optional<LoadedFile> loadPlainFile(Workspace& ws, Slot slot, const std::string& path, bool tile)
{
    // The toolkit's reader tells the raw and raster kinds by their names;
    // a PNG needs none.
    const std::string suffix = lowerExtension(path);
    if (suffix == "r8" || suffix == "r16" || suffix == "raw" || suffix == "hgt" || suffix == "asc" || suffix == "dem")
        return std::nullopt;
    const auto bytes = readSmallFile(path);
    if (!bytes) return std::nullopt;
    auto png = decodePlainPng(bytes->data(), bytes->size(), kDecodeLimitMiB);
    if (!png) return std::nullopt;
    if (!png->deep.empty()) {
        if (slot == Slot::Height) {
            ws.setDeepHeights(png->deep, tile);
            return LoadedFile{png->width, png->height, {}};
        }
        png->pixels.resize(static_cast<std::size_t>(png->width) * png->height);
        const std::uint16_t* s = png->deep.data();
        for (std::size_t i = 0; i < png->pixels.size(); ++i) png->pixels[i] = grey(shownByte(s[i]));
    }
    putPixels(ws.picture(slot), png->width, png->height, png->pixels.data(), tile);
    if (slot == Slot::Height) ws.clearDeepHeights();
    return LoadedFile{png->width, png->height, {}};
}

Refusal savePictureFile(const Picture& picture, const std::string& path, const std::string& format)
{
    if (format != "png") return writeFileAtomically(path, encodeBmp(picture.data(), picture.width(), picture.height()));
    // Straight to the file: a large map's PNG held whole as well would add
    // to the run's peak.
    PngResult written = PngResult::Written;
    const Refusal r = writeFileAtomically(path, [&](const ByteSink& put) {
        written = writePng(picture, put);
        return written == PngResult::Written;
    });
    if (written == PngResult::OutOfMemory) return Error{"There is not enough memory to compress the picture."};
    return r;
}

Refusal saveDeepHeightsFile(const HeightSamples& samples, const std::string& path)
{
    const auto bytes = encodeGrey16Png(samples);
    if (bytes.empty()) return Error{"The heights could not be encoded."};
    return writeFileAtomically(path, bytes);
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
        if (png) ws.picture(d.slot).place(png->width, png->height, png->pixels.data());
    }
}

} // namespace gloamery
