#include "png_codec.h"

#include "header_length.h"
#include "picture_limits.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>

namespace gloamery {

namespace {

struct Source {
    const unsigned char* data;
    std::size_t size;
    std::size_t at;
};

// libpng's default handlers print to stderr; a file declined here may be
// read by the toolkit next, which tells the user what it finds.
[[noreturn]] void stop(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void ignore(png_structp, png_const_charp) {}

void readFrom(png_structp png, png_bytep out, png_size_t n)
{
    auto* s = static_cast<Source*>(png_get_io_ptr(png));
    if (n > s->size - s->at) png_error(png, "cut short");
    std::memcpy(out, s->data + s->at, n);
    s->at += n;
}

// The chunks that make the toolkit treat the pixels other than as stored,
// or that tell of transparency. (A gamma alone only tags the picture.)
constexpr png_uint_32 kDeclined = PNG_INFO_tRNS | PNG_INFO_cHRM | PNG_INFO_iCCP | PNG_INFO_sRGB;

// Everything that must outlive a longjmp lives outside the function that
// calls setjmp.
struct ReadState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<unsigned char> bytes; // one row, or an interlaced file's every row
    std::vector<std::uint16_t> deep;
    std::vector<Colour> colours;
    Colour palette[256] = {};
    int paletteSize = 0;
    ~ReadState() { png_destroy_read_struct(&png, &info, nullptr); }
};

// Hands row y (its stored bytes at p) on as its kind; false for an index
// past the palette, whose pixels the toolkit's reader shows differently
// from one bit depth to another: such files are its to read.
bool handOn(ReadState& st, PngRowSink& sink, int y, const unsigned char* p, int type, bool deep, std::size_t w)
{
    if (deep) {
        for (std::size_t x = 0; x < w; ++x) st.deep[x] = static_cast<std::uint16_t>(p[2 * x] << 8 | p[2 * x + 1]);
        sink.deep(y, st.deep.data());
    } else if (type == PNG_COLOR_TYPE_PALETTE) {
        for (std::size_t x = 0; x < w; ++x) {
            if (p[x] >= st.paletteSize) return false;
            st.colours[x] = st.palette[p[x]];
        }
        sink.colour(y, st.colours.data());
    } else if (type == PNG_COLOR_TYPE_GRAY) {
        sink.grey(y, p);
    } else {
        for (std::size_t x = 0; x < w; ++x) st.colours[x] = compose(p[3 * x], p[3 * x + 1], p[3 * x + 2]);
        sink.colour(y, st.colours.data());
    }
    return true;
}

bool readInto(ReadState& st, Source& src, PngRowSink& sink, int limitMiB)
{
    if (setjmp(png_jmpbuf(st.png))) return false;
    png_set_read_fn(st.png, &src, readFrom);
    png_read_info(st.png, st.info);
    png_uint_32 w = 0, h = 0;
    int depth = 0, type = 0;
    png_get_IHDR(st.png, st.info, &w, &h, &depth, &type, nullptr, nullptr, nullptr);
    if (exceedsLimit(w, h, limitMiB) || png_get_valid(st.png, st.info, kDeclined)) return false;
    const bool grey = type == PNG_COLOR_TYPE_GRAY;
    const bool deep = grey && depth == 16;
    if (type == PNG_COLOR_TYPE_PALETTE) {
        png_colorp entries = nullptr;
        int count = 0;
        png_get_PLTE(st.png, st.info, &entries, &count);
        st.paletteSize = std::min(count, 256);
        for (int i = 0; i < st.paletteSize; ++i)
            st.palette[i] = compose(entries[i].red, entries[i].green, entries[i].blue);
        if (depth < 8) png_set_packing(st.png);
    } else if (grey && depth < 8) {
        png_set_expand_gray_1_2_4_to_8(st.png);
    } else if (!(grey && depth >= 8) && !(type == PNG_COLOR_TYPE_RGB && depth == 8)) {
        return false;
    }
    // Interlaced rows are complete only after the last pass: such a file
    // is decoded whole first.
    const int passes = png_set_interlace_handling(st.png);
    png_read_update_info(st.png, st.info);
    if (!sink.start(static_cast<int>(w), static_cast<int>(h),
                    deep ? PngRowKind::Deep : grey ? PngRowKind::Grey : PngRowKind::Colour))
        return false;
    const std::size_t stride = png_get_rowbytes(st.png, st.info);
    st.bytes.resize(passes > 1 ? stride * h : stride);
    st.deep.resize(deep ? w : 0);
    st.colours.resize(grey ? 0 : w);
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < h; ++y) {
            unsigned char* row = st.bytes.data() + (passes > 1 ? stride * y : 0);
            png_read_row(st.png, row, nullptr);
            if (pass + 1 == passes && !handOn(st, sink, static_cast<int>(y), row, type, deep, w)) return false;
        }
    png_read_end(st.png, nullptr);
    return true;
}

// Collects the rows into one decoded picture.
struct WholeSink final : PngRowSink {
    DecodedPng out;
    bool start(int width, int height, PngRowKind kind) override
    {
        out.width = width;
        out.height = height;
        if (kind == PngRowKind::Deep) out.deep = HeightSamples(width, height, std::uint16_t{0});
        else out.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        return true;
    }
    std::size_t at(int y) const { return static_cast<std::size_t>(y) * static_cast<std::size_t>(out.width); }
    void grey(int y, const std::uint8_t* row) override
    {
        for (int x = 0; x < out.width; ++x) out.pixels[at(y) + static_cast<std::size_t>(x)] = gloamery::grey(row[x]);
    }
    void deep(int y, const std::uint16_t* row) override { std::copy_n(row, out.width, out.deep.data() + at(y)); }
    void colour(int y, const Colour* row) override { std::copy_n(row, out.width, out.pixels.data() + at(y)); }
};

} // namespace

bool looksLikePng(const unsigned char* data, std::size_t size) { return size >= 8 && png_sig_cmp(data, 0, 8) == 0; }

bool decodePlainPngRows(const unsigned char* data, std::size_t size, int limitMiB, PngRowSink& sink)
{
    // A header declaring more than the file can hold is the toolkit's
    // reader's to refuse, with its reason, before any memory is taken.
    if (!looksLikePng(data, size) || headerBeyondLength(data, size)) return false;
    ReadState st;
    st.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, stop, ignore);
    if (st.png) st.info = png_create_info_struct(st.png);
    if (!st.info) return false;
    Source src{data, size, 0};
    return readInto(st, src, sink, limitMiB);
}

std::optional<DecodedPng> decodePlainPng(const unsigned char* data, std::size_t size, int limitMiB)
{
    WholeSink sink;
    if (!decodePlainPngRows(data, size, limitMiB, sink)) return std::nullopt;
    return std::move(sink.out);
}

} // namespace gloamery
