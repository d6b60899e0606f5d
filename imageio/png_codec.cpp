#include "png_codec.h"

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
// or that tell of transparency.
constexpr png_uint_32 kDeclined = PNG_INFO_tRNS | PNG_INFO_gAMA | PNG_INFO_cHRM | PNG_INFO_iCCP | PNG_INFO_sRGB;

// Everything that must outlive a longjmp lives outside the function that
// calls setjmp.
struct ReadState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<unsigned char> bytes;
    std::vector<png_bytep> rows;
    Colour palette[256] = {};
    int paletteSize = 0;
    ~ReadState() { png_destroy_read_struct(&png, &info, nullptr); }
};

bool readInto(ReadState& st, Source& src, DecodedPng& out, int limitMiB)
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
    png_set_interlace_handling(st.png);
    png_read_update_info(st.png, st.info);
    const std::size_t stride = png_get_rowbytes(st.png, st.info);
    st.bytes.resize(stride * h);
    st.rows.resize(h);
    for (png_uint_32 y = 0; y < h; ++y) st.rows[y] = st.bytes.data() + stride * y;
    png_read_image(st.png, st.rows.data());
    png_read_end(st.png, nullptr);

    out.width = static_cast<int>(w);
    out.height = static_cast<int>(h);
    const std::size_t n = static_cast<std::size_t>(w) * h;
    const unsigned char* p = st.bytes.data();
    if (deep) {
        out.deep = HeightSamples(out.width, out.height, std::uint16_t{0});
        std::uint16_t* s = out.deep.data();
        for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<std::uint16_t>(p[2 * i] << 8 | p[2 * i + 1]);
        return true;
    }
    out.pixels.resize(n);
    Colour* c = out.pixels.data();
    if (type == PNG_COLOR_TYPE_PALETTE) {
        // Indexes past the palette are shown differently by the toolkit's
        // reader from one bit depth to another: such files are its to read.
        for (std::size_t i = 0; i < n; ++i)
            if (p[i] >= st.paletteSize) return false;
        for (std::size_t i = 0; i < n; ++i) c[i] = st.palette[p[i]];
    } else if (grey) {
        for (std::size_t i = 0; i < n; ++i) c[i] = gloamery::grey(p[i]);
    } else {
        for (std::size_t i = 0; i < n; ++i) c[i] = compose(p[3 * i], p[3 * i + 1], p[3 * i + 2]);
    }
    return true;
}

} // namespace

bool looksLikePng(const unsigned char* data, std::size_t size) { return size >= 8 && png_sig_cmp(data, 0, 8) == 0; }

std::optional<DecodedPng> decodePlainPng(const unsigned char* data, std::size_t size, int limitMiB)
{
    if (!looksLikePng(data, size)) return std::nullopt;
    ReadState st;
    st.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, stop, ignore);
    if (st.png) st.info = png_create_info_struct(st.png);
    if (!st.info) return std::nullopt;
    Source src{data, size, 0};
    DecodedPng out;
    if (!readInto(st, src, out, limitMiB)) return std::nullopt;
    return out;
}

} // namespace gloamery
