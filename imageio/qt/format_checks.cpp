#include "format_checks.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QString>

#include <algorithm>
#include <cstring>
#include <limits>

namespace gloamery {

namespace {

std::uint32_t u16(const uchar* p) { return static_cast<std::uint32_t>(p[0] | (p[1] << 8)); }
std::uint32_t u32(const uchar* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8)
         | (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::int32_t i32(const uchar* p) { return static_cast<std::int32_t>(u32(p)); }

Error bmpError(const char* what) { return Error{std::string("The BMP file ") + what + "."}; }

constexpr std::int64_t kFileHeader = 14;

enum Compression : std::uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3, kAlphaBitfields = 6 };

struct BmpHeader {
    std::int64_t width = 0;
    std::int64_t height = 0; // rows, always positive
    bool topDown = false;
    int bitsPerPixel = 0;
    std::uint32_t compression = kRgb;
    std::int64_t paletteStart = 0;
    int paletteEntries = 0;
    int paletteEntryBytes = 4;
    std::int64_t dataStart = 0;
};

// The 256 palette colours of a run-length file, opaque. Indexes past the
// palette the file holds are black, as the toolkit shows them in files
// without compression.
void readPalette(const uchar* data, const BmpHeader& h, QRgb (&palette)[256])
{
    std::fill(std::begin(palette), std::end(palette), qRgb(0, 0, 0));
    for (int i = 0; i < h.paletteEntries; ++i) {
        const uchar* e = data + h.paletteStart + static_cast<std::int64_t>(i) * h.paletteEntryBytes;
        palette[i] = qRgb(e[2], e[1], e[0]);
    }
}

QImage decodeRle(const QByteArray& bytes, const BmpHeader& h)
{
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    QRgb palette[256];
    readPalette(data, h, palette);

    const int w = static_cast<int>(h.width);
    const int rows = static_cast<int>(h.height);
    QImage image(w, rows, QImage::Format_ARGB32);
    if (image.isNull()) return image;
    image.fill(Qt::transparent);

    const bool four = h.compression == kRle4;
    const uchar* p = data + h.dataStart;
    const uchar* const end = data + bytes.size();
    int x = 0;
    int row = 0; // counted from the bottom, as the file stores them
    QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(rows - 1));
    auto put = [&](int index) {
        if (x < w) line[x] = palette[index];
        ++x;
    };
    auto nextRow = [&](int by) {
        row += by;
        if (row < rows) line = reinterpret_cast<QRgb*>(image.scanLine(rows - 1 - row));
    };

    while (end - p >= 2 && row < rows) {
        const int count = p[0];
        const int value = p[1];
        p += 2;
        if (count > 0) {
            // A run, cut at the end of its row.
            for (int i = 0; i < count && x < w; ++i) put(four ? (i % 2 == 0 ? value >> 4 : value & 15) : value);
        } else if (value == 0) {
            x = 0;
            nextRow(1);
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            if (end - p < 2) break;
            x = std::min(x + p[0], w);
            nextRow(p[1]);
            p += 2;
        } else {
            // Absolute mode: `value` pixels follow, padded to an even byte count.
            const int n = value;
            const std::int64_t stored = four ? (n + 1) / 2 : n;
            const std::int64_t available = std::min<std::int64_t>(stored, end - p);
            for (int i = 0; i < n && x < w; ++i) {
                const std::int64_t at = four ? i / 2 : i;
                if (at >= available) break;
                put(four ? (i % 2 == 0 ? p[at] >> 4 : p[at] & 15) : p[at]);
            }
            if (available < stored) break;
            p += std::min<std::int64_t>(stored + (stored & 1), end - p);
        }
    }
    return image;
}

} // namespace

FormatCheck checkBmp(const QByteArray& bytes, int limitMiB)
{
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    const std::int64_t size = bytes.size();
    if (size < 2 || data[0] != 'B' || data[1] != 'M') return std::monostate{};
    if (size < kFileHeader + 4) return bmpError("is cut short in its header");

    const std::uint32_t infoSize = u32(data + kFileHeader);
    BmpHeader h;
    std::int64_t heightField = 0;
    const uchar* info = data + kFileHeader;
    if (infoSize == 12) {
        if (size < kFileHeader + 12) return bmpError("is cut short in its header");
        h.width = u16(info + 4);
        heightField = u16(info + 6);
        h.bitsPerPixel = static_cast<int>(u16(info + 10));
        h.paletteEntryBytes = 3;
    } else if (infoSize == 40 || infoSize == 52 || infoSize == 56 || infoSize == 64 || infoSize == 108
               || infoSize == 124) {
        if (size < kFileHeader + infoSize) return bmpError("is cut short in its header");
        h.width = i32(info + 4);
        heightField = i32(info + 8);
        h.bitsPerPixel = static_cast<int>(u16(info + 14));
        h.compression = u32(info + 16);
        const std::uint32_t used = u32(info + 32);
        if (h.bitsPerPixel <= 8 && used > 256)
            return bmpError("declares a palette of more than 256 colours");
        if (h.bitsPerPixel <= 8 && used) h.paletteEntries = static_cast<int>(used);
    } else {
        // The toolkit reads on past a header of any other size and decodes
        // rows it never found.
        return Error{"The BMP file has a header of an unknown kind (" + std::to_string(infoSize) + " bytes)."};
    }

    const int bits = h.bitsPerPixel;
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return Error{"The BMP file declares " + std::to_string(bits) + " bits per pixel, which the format does not have."};

    if (bits <= 8 && h.paletteEntries == 0) h.paletteEntries = 1 << bits;

    h.topDown = heightField < 0;
    h.height = heightField < 0 ? -heightField : heightField;
    if (h.width <= 0 || h.height <= 0 || h.height > std::numeric_limits<std::int32_t>::max())
        return Error{"The BMP file declares an impossible size of " + std::to_string(h.width) + " x "
                     + std::to_string(heightField) + " pixels."};
    if (exceedsLimit(h.width, h.height, limitMiB)) return tooLargeError(h.width, h.height, limitMiB);

    // Colour masks follow a 40-byte header; the longer headers hold them.
    std::int64_t masks = 0;
    if (infoSize == 40 && h.compression == kBitfields) masks = 12;
    if (infoSize == 40 && h.compression == kAlphaBitfields) masks = 16;
    h.paletteStart = kFileHeader + infoSize + masks;
    const std::int64_t paletteEnd = h.paletteStart + static_cast<std::int64_t>(h.paletteEntries) * h.paletteEntryBytes;
    if (paletteEnd > size) return bmpError("is cut short in its palette");
    // The pixel data starts where the file header says, but never inside
    // the palette.
    h.dataStart = std::max<std::int64_t>(u32(data + 10), paletteEnd);
    if (h.dataStart > size) return bmpError("says its pixel data starts beyond the end of the file");

    const bool rle = (h.compression == kRle8 && h.bitsPerPixel == 8) || (h.compression == kRle4 && h.bitsPerPixel == 4);
    if (rle && infoSize != 12) {
        if (h.topDown) return bmpError("is run-length encoded and stored top-down, which the format does not allow");
        QImage image = decodeRle(bytes, h);
        if (image.isNull()) return tooLargeError(h.width, h.height, limitMiB);
        return image;
    }
    if (h.compression == kRgb || h.compression == kBitfields || h.compression == kAlphaBitfields || infoSize == 12) {
        const std::int64_t stride = (h.width * h.bitsPerPixel + 31) / 32 * 4;
        const std::int64_t needed = stride * h.height;
        const std::int64_t held = size - h.dataStart;
        if (held < needed)
            return Error{"The BMP file is cut short: it holds " + std::to_string(held) + " of the "
                         + std::to_string(needed) + " bytes of its pixel data."};
    }
    return std::monostate{};
}

FormatCheck checkGif(const QByteArray& bytes, int limitMiB)
{
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    const std::int64_t n = bytes.size();
    if (n < 13 || std::memcmp(p, "GIF", 3) != 0) return std::monostate{};
    const int declaredW = static_cast<int>(u16(p + 6));
    const int declaredH = static_cast<int>(u16(p + 8));

    // Find the first image descriptor: past the global palette and any
    // extension blocks. A file that ends first is left to the toolkit.
    std::int64_t at = 13;
    if (p[10] & 0x80) at += 3 << ((p[10] & 7) + 1);
    while (at < n && p[at] == 0x21) {
        at += 2;
        while (at < n && p[at] != 0) at += 1 + p[at];
        ++at;
    }
    if (at + 10 > n || p[at] != 0x2C) return std::monostate{};
    const int x = static_cast<int>(u16(p + at + 1));
    const int y = static_cast<int>(u16(p + at + 3));
    const int w = static_cast<int>(u16(p + at + 5));
    const int h = static_cast<int>(u16(p + at + 7));
    if (w == 0 || h == 0)
        return Error{"The GIF file's first picture is " + std::to_string(w) + " x " + std::to_string(h)
                     + " pixels, which has nothing to show."};
    // A screen side of 0 reaches as far as the picture, as the toolkit has it.
    const int screenW = declaredW ? declaredW : x + w;
    const int screenH = declaredH ? declaredH : y + h;
    if (exceedsLimit(screenW, screenH, limitMiB)) return tooLargeError(screenW, screenH, limitMiB);
    if (x == 0 && y == 0 && w >= screenW && h >= screenH) return std::monostate{};
    if (exceedsLimit(w, h, limitMiB)) return tooLargeError(w, h, limitMiB);

    QByteArray own = bytes;
    auto* q = reinterpret_cast<uchar*>(own.data());
    q[6] = p[at + 5];
    q[7] = p[at + 6];
    q[8] = p[at + 7];
    q[9] = p[at + 8];
    std::memset(q + at + 1, 0, 4);
    QBuffer buffer(&own);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "gif");
    reader.setAllocationLimit(limitMiB);
    QImage picture;
    if (!reader.read(&picture) || picture.isNull()) return Error{"The GIF file is damaged or incomplete."};

    QImage screen(screenW, screenH, QImage::Format_ARGB32);
    if (screen.isNull()) return tooLargeError(screenW, screenH, limitMiB);
    screen.fill(Qt::transparent);
    QPainter painter(&screen);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(x, y, picture);
    painter.end();
    return screen;
}

FormatCheck checkJpeg(const QByteArray& bytes)
{
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    const std::int64_t n = bytes.size();
    if (n < 2 || p[0] != 0xFF || p[1] != 0xD8) return std::monostate{};
    int scans = 0;
    // Marker segments carry their length and are skipped whole (a thumbnail
    // inside one is not counted); between them, the entropy-coded data of a
    // scan holds no 0xFF but as 0xFF 0x00 or a restart marker.
    std::int64_t at = 2;
    while (at + 1 < n) {
        if (p[at] != 0xFF) {
            ++at;
            continue;
        }
        const int marker = p[at + 1];
        if (marker == 0xFF) {
            ++at;
            continue;
        }
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
            at += 2;
            continue;
        }
        if (marker == 0xD9) break;
        if (at + 4 > n) break;
        const int length = (p[at + 2] << 8) | p[at + 3];
        if (marker == 0xDA && ++scans > kMaxJpegScans)
            return Error{"The JPEG file holds more than " + std::to_string(kMaxJpegScans)
                         + " scans, far more than any encoder writes."};
        at += 2 + std::max(length, 2);
    }
    return std::monostate{};
}

} // namespace gloamery
