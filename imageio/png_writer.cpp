#include "png_writer.h"

#include "workspace/colour.h"
#include "workspace/parallel.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <memory>
#include <string>
#include <new>
#include <string_view>
#include <vector>

namespace gloamery {

namespace {

// Rows a band holds: enough that starting each band's dictionary afresh
// costs next to nothing in size.
constexpr int kBandRows = 256;

void putBigEndian(std::string& out, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((v >> shift) & 255));
}

// A chunk of the given type whose data is the pieces one after another,
// handed on as its length, its type and data, and its check value.
bool putChunk(const PngSink& put, const char* type, std::initializer_list<std::string_view> pieces)
{
    std::size_t length = 0;
    for (std::string_view piece : pieces) length += piece.size();
    std::string head;
    putBigEndian(head, static_cast<std::uint32_t>(length));
    head.append(type, 4);
    uLong crc = crc32_z(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(type), 4);
    if (!put(head)) return false;
    for (std::string_view piece : pieces) {
        if (piece.empty()) continue; // (a null start would restart the check value)
        crc = crc32_z(crc, reinterpret_cast<const Bytef*>(piece.data()), piece.size());
        if (!put(piece)) return false;
    }
    std::string tail;
    putBigEndian(tail, static_cast<std::uint32_t>(crc));
    return put(tail);
}

// What a file holds: its header's colour type and bit depth, and its rows
// as the format stores them before filtering (big-endian samples).
struct Rows {
    int width;
    int height;
    char colourType; // 0 grey, 2 RGB, 6 RGBA
    char bitDepth;   // 8 or 16
    std::size_t bytes; // a row's, without its filter byte
    std::function<void(int y, std::uint8_t* out)> raw;
};

// One row with the "Up" filter: each byte less the one above it (none
// above the first row). libpng's search for the best filter of each row
// took four times as long as the deflating, and on terrain and its
// textures "Up" alone makes files as small (a tenth smaller to 5% larger),
// which also decode faster than the search's "Paeth" rows.
void filterRow(const std::uint8_t* row, const std::uint8_t* above, std::size_t n, std::uint8_t* out)
{
    out[0] = 2;
    if (!above) std::copy(row, row + n, out + 1);
    else
        for (std::size_t i = 0; i < n; ++i) out[1 + i] = static_cast<std::uint8_t>(row[i] - above[i]);
}

// Room written only as far as it is used (a vector or a string would
// clear it first); should deflate ever need more than it was given, it
// grows by copying what it holds.
class Output {
public:
    void clear() { used_ = 0; }
    void reserve(std::size_t bytes)
    {
        auto more = std::make_unique_for_overwrite<char[]>(bytes);
        std::copy_n(bytes_.get(), used_, more.get());
        bytes_ = std::move(more);
        room_ = bytes;
    }
    char* end() { return bytes_.get() + used_; }
    std::size_t room() const { return room_; }
    std::size_t left() const { return room_ - used_; }
    void wrote(std::size_t bytes) { used_ += bytes; }
    std::string_view held() const { return {bytes_.get(), used_}; }

private:
    std::unique_ptr<char[]> bytes_;
    std::size_t room_ = 0;
    std::size_t used_ = 0;
};

struct Band {
    Output deflated;
    uLong adler = 0;
    uLong length = 0;
    bool failed = false;
};

// A band's rows as raw deflate data ending on a byte boundary (the last
// band ends the stream), and the checksum of the bytes it holds. Row by
// row, so a band costs one row of filtered bytes besides its output.
void compressBand(const Rows& rows, int firstRow, int lastRow, bool last, Band& band) noexcept
try {
    const std::size_t rowBytes = 1 + rows.bytes;
    std::vector<std::uint8_t> row(rowBytes), raw(rows.bytes), above(rows.bytes);
    if (firstRow > 0) rows.raw(firstRow - 1, above.data());
    band.deflated.clear();
    band.adler = adler32(0, nullptr, 0);
    band.length = 0;

    z_stream z{};
    // Level 1: several times faster than the default for files a fifth larger.
    if (deflateInit2(&z, 1, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        band.failed = true;
        return;
    }
    // The most the band can take, and room for the flushes: what deflate
    // does not reach of it is never touched.
    const uLong bandBytes = static_cast<uLong>(rowBytes) * static_cast<uLong>(lastRow - firstRow);
    try {
        const std::size_t room = deflateBound(&z, bandBytes) + 1024;
        if (band.deflated.left() < room) band.deflated.reserve(room);
    } catch (const std::bad_alloc&) {
        deflateEnd(&z);
        throw;
    }
    int result = Z_OK;
    for (int y = firstRow; y < lastRow && result != Z_STREAM_ERROR; ++y) {
        rows.raw(y, raw.data());
        filterRow(raw.data(), y > 0 ? above.data() : nullptr, rows.bytes, row.data());
        raw.swap(above);
        band.adler = adler32_z(band.adler, row.data(), rowBytes);
        band.length += static_cast<uLong>(rowBytes);
        z.next_in = row.data();
        z.avail_in = static_cast<uInt>(rowBytes);
        const int flush = y + 1 < lastRow ? Z_NO_FLUSH : (last ? Z_FINISH : Z_SYNC_FLUSH);
        do {
            if (band.deflated.left() < 16 * 1024) {
                try {
                    band.deflated.reserve(2 * band.deflated.room());
                } catch (const std::bad_alloc&) {
                    deflateEnd(&z);
                    throw;
                }
            }
            const std::size_t room = std::min<std::size_t>(band.deflated.left(), std::numeric_limits<uInt>::max());
            z.next_out = reinterpret_cast<Bytef*>(band.deflated.end());
            z.avail_out = static_cast<uInt>(room);
            result = deflate(&z, flush);
            band.deflated.wrote(room - z.avail_out);
        } while (result == Z_OK && z.avail_out == 0);
    }
    // A flush asked again with nothing left to write reports no progress.
    band.failed = last ? result != Z_STREAM_END : (result != Z_OK && result != Z_BUF_ERROR);
    deflateEnd(&z);
} catch (const std::bad_alloc&) {
    band.failed = true;
}

PngResult write(const Rows& rows, const PngSink& put)
{
    const int w = rows.width, h = rows.height;
    std::string header;
    putBigEndian(header, static_cast<std::uint32_t>(w));
    putBigEndian(header, static_cast<std::uint32_t>(h));
    header.push_back(rows.bitDepth);
    header.push_back(rows.colourType);
    header += std::string_view("\x00\x00\x00", 3); // deflate, filters per row, no interlace

    // 100 dots an inch (3937 a metre), the resolution every picture saved
    // by the program has carried.
    std::string resolution;
    putBigEndian(resolution, 3937);
    putBigEndian(resolution, 3937);
    resolution.push_back('\x01'); // dots a metre

    if (!put(std::string_view("\x89PNG\r\n\x1a\n", 8)) || !putChunk(put, "IHDR", {header})
        || !putChunk(put, "pHYs", {resolution}))
        return PngResult::WriteFailed;

    // One data chunk a band: the first opens the zlib frame with a header
    // that says "deflate, 32 KiB window, fastest", the last closes it with
    // the checksum of all rows. The bands are compressed a few at a time,
    // two for each thread, and handed on in order before the next few
    // reuse their room: a large map's compressed bands are never all held.
    const int bands = (h + kBandRows - 1) / kBandRows;
    const int group = std::min(bands, 2 * threadCount());
    std::vector<Band> parts(static_cast<std::size_t>(group));
    uLong adler = adler32(0, nullptr, 0);
    for (int first = 0; first < bands; first += group) {
        const int count = std::min(group, bands - first);
        forEachRow(count, static_cast<std::size_t>(w) * static_cast<std::size_t>(count * kBandRows), [&](int i) {
            const int b = first + i;
            compressBand(rows, b * kBandRows, std::min(h, (b + 1) * kBandRows), b + 1 == bands, parts[static_cast<std::size_t>(i)]);
        });
        for (int i = 0; i < count; ++i) {
            const Band& part = parts[static_cast<std::size_t>(i)];
            if (part.failed) return PngResult::OutOfMemory;
            adler = adler32_combine(adler, part.adler, static_cast<z_off_t>(part.length));
            const bool last = first + i + 1 == bands;
            std::string adlerBytes;
            if (last) putBigEndian(adlerBytes, static_cast<std::uint32_t>(adler));
            if (!putChunk(put, "IDAT", {first + i == 0 ? std::string_view("\x78\x01", 2) : std::string_view(),
                                        part.deflated.held(), adlerBytes}))
                return PngResult::WriteFailed;
        }
    }
    return putChunk(put, "IEND", {}) ? PngResult::Written : PngResult::WriteFailed;
}

// Room for a row read through a rule, one a thread.
Colour* scratchRow(int w)
{
    thread_local std::vector<Colour> scratch;
    if (scratch.size() < static_cast<std::size_t>(w)) scratch.resize(static_cast<std::size_t>(w));
    return scratch.data();
}

} // namespace

PngResult writePngRows(int w, int h, const ColourRows& rows, const PngSink& put)
{
    return write({w, h, 2, 8, 3 * static_cast<std::size_t>(w),
                  [&](int y, std::uint8_t* out) {
                      const Colour* in = rows(y, scratchRow(w));
                      for (int x = 0; x < w; ++x) {
                          const Channels c = split(in[x]);
                          out[3 * x] = static_cast<std::uint8_t>(c.r);
                          out[3 * x + 1] = static_cast<std::uint8_t>(c.g);
                          out[3 * x + 2] = static_cast<std::uint8_t>(c.b);
                      }
                  }},
                 put);
}

PngResult writeRgbaPngRows(int w, int h, const ColourRows& rows, const unsigned char* clear, const PngSink& put)
{
    return write({w, h, 6, 8, 4 * static_cast<std::size_t>(w),
                  [&](int y, std::uint8_t* out) {
                      const Colour* in = rows(y, scratchRow(w));
                      const unsigned char* holes = clear + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
                      for (int x = 0; x < w; ++x) {
                          const Channels c = split(in[x]);
                          out[4 * x] = static_cast<std::uint8_t>(c.r);
                          out[4 * x + 1] = static_cast<std::uint8_t>(c.g);
                          out[4 * x + 2] = static_cast<std::uint8_t>(c.b);
                          out[4 * x + 3] = holes[x] ? 0 : 255;
                      }
                  }},
                 put);
}

PngResult writeGrey16PngRows(int w, int h, const SampleRows& rows, const PngSink& put)
{
    return write({w, h, 0, 16, 2 * static_cast<std::size_t>(w),
                  [&](int y, std::uint8_t* out) {
                      const std::uint16_t* in = rows(y);
                      for (int x = 0; x < w; ++x) {
                          out[2 * x] = static_cast<std::uint8_t>(in[x] >> 8);
                          out[2 * x + 1] = static_cast<std::uint8_t>(in[x] & 255);
                      }
                  }},
                 put);
}

PngResult writeChannelPngRows(int w, int h, int channels, int bits, const ChannelRows& rows, const PngSink& put)
{
    static constexpr char kTypes[] = {0, 0, 0, 2, 6}; // by channels: grey, RGB, RGBA
    const std::size_t samples = static_cast<std::size_t>(channels) * static_cast<std::size_t>(w);
    const std::size_t size = bits == 16 ? 2 : 1;
    return write({w, h, kTypes[channels], static_cast<char>(bits), size * samples,
                  [&](int y, std::uint8_t* out) {
                      thread_local std::vector<std::uint16_t> scratch;
                      if (scratch.size() < samples) scratch.resize(samples);
                      const std::uint16_t* in = rows(y, scratch.data());
                      for (std::size_t i = 0; i < samples; ++i) {
                          if (size == 2) out[2 * i] = static_cast<std::uint8_t>(in[i] >> 8);
                          out[size * i + size - 1] = static_cast<std::uint8_t>(in[i] & 255);
                      }
                  }},
                 put);
}

namespace {

ColourRows rowsOf(const Picture& p)
{
    return [&p](int y, Colour*) { return p.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(p.width()); };
}

} // namespace

PngResult writePng(const Picture& picture, const PngSink& put)
{
    return writePngRows(picture.width(), picture.height(), rowsOf(picture), put);
}

PngResult writeRgbaPng(const Picture& picture, const unsigned char* clear, const PngSink& put)
{
    return writeRgbaPngRows(picture.width(), picture.height(), rowsOf(picture), clear, put);
}

PngResult writeGrey16Png(const HeightSamples& samples, const PngSink& put)
{
    const std::size_t w = static_cast<std::size_t>(samples.width());
    return writeGrey16PngRows(samples.width(), samples.height(),
                              [&](int y) { return samples.data() + static_cast<std::size_t>(y) * w; }, put);
}

} // namespace gloamery
