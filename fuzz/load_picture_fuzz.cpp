// Bytes from anywhere -> loadPictureData -> a picture slot: the path that
// both the window and the batch tool load files through.
//
// Checked for every input, besides what the sanitizers catch:
//  - a refusal gives a reason and leaves the slot exactly as it was;
//  - a load leaves only valid colour values (0x000000..0xFFFFFF);
//  - the result does not depend on memory the decoder never wrote: the input
//    is decoded twice, with every small block allocated during the load
//    filled first with 0x00 and then with 0x01 (both inside any palette, so
//    leftover palette indexes show too), and both slots must agree.
// The same bytes then go through the deep height readers (16-bit PNG and
// TIFF, PGM above maxval 255), with the same checks on the samples, and
// through the batch tool's plain PNG reader, which must either decline or
// give exactly what the toolkit's reader gives.

#include "imageio/qt/height_files.h"
#include "imageio/qt/picture_io.h"
#include "imageio/png_codec.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QtGlobal>

#include <sanitizer/allocator_interface.h>
#include <sanitizer/common_interface_defs.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace gloamery;

namespace {

// Only blocks from the sanitizer's primary allocator are filled: calloc
// zeroes those after this hook runs, while larger blocks come straight
// from mmap and calloc relies on them being zero already.
constexpr std::size_t kMaxFilledBlock = 64 * 1024;

std::atomic<int> fillByte{-1};

void fillNewBlock(const volatile void* ptr, std::size_t size)
{
    const int fill = fillByte.load(std::memory_order_relaxed);
    if (fill >= 0 && ptr && size <= kMaxFilledBlock) std::memset(const_cast<void*>(ptr), fill, size);
}

void ignoreFree(const volatile void*) {}

void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

// The toolkit's decoders are not instrumented, so on its own the fuzzer
// sees only our few branches and soon drops most of the seed corpus's
// variety. These counters, which it reads as coverage, tell it what became
// of an input: the format sniffed, and the reason of a refusal (digits left
// out) or the size class of the picture loaded.
constexpr int kFormats = 9;
constexpr int kOutcomes = 32 + 10 * 10;
__attribute__((used, section("__libfuzzer_extra_counters"))) std::uint8_t outcomeCounters[kFormats * kOutcomes];

int formatIndex(const QByteArray& bytes)
{
    static const char* const known[] = {"bmp", "jpeg", "gif", "png", "ico", "ppm", "xbm", "xpm"};
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const QByteArray format = QImageReader::imageFormat(&buffer);
    for (int i = 0; i < kFormats - 1; ++i)
        if (format == known[i]) return i;
    return kFormats - 1;
}

int sizeClass(int v)
{
    int c = 0;
    while (v > 0 && c < 9) {
        v >>= 1;
        ++c;
    }
    return c;
}

void countOutcome(const QByteArray& bytes, const Refusal& refusal)
{
    int outcome;
    if (refusal) {
        std::uint32_t h = 2166136261u;
        for (char ch : refusal->message)
            if (ch < '0' || ch > '9') h = (h ^ static_cast<std::uint8_t>(ch)) * 16777619u;
        outcome = static_cast<int>(h % 32);
    } else {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        const QSize size = QImageReader(&buffer).size();
        outcome = 32 + sizeClass(size.width()) * 10 + sizeClass(size.height());
    }
    ++outcomeCounters[formatIndex(bytes) * kOutcomes + outcome];
}

Picture startPicture()
{
    // Not the background anywhere, so a half-done placement shows.
    Picture p(kInputBackground);
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) p.setPixel(x, y, compose(x, y, (x * 7 + y * 3) & 255));
    return p;
}

// The fuzz script closes stderr (libpng writes to it for every damaged
// file); the sanitizer's report channel stays open.
[[noreturn]] void fail(const char* what)
{
    __sanitizer_report_error_summary(what);
    std::abort();
}

Refusal loadWithFill(Picture& p, const QByteArray& bytes, int fill)
{
    fillByte.store(fill, std::memory_order_relaxed);
    Refusal r = loadPictureData(p, bytes);
    fillByte.store(-1, std::memory_order_relaxed);
    return r;
}

AnyPicture readWithFill(const QByteArray& bytes, int fill)
{
    fillByte.store(fill, std::memory_order_relaxed);
    AnyPicture read = readAnyPictureData(bytes);
    fillByte.store(-1, std::memory_order_relaxed);
    return read;
}

void checkDeepRead(const QByteArray& bytes)
{
    const AnyPicture first = readWithFill(bytes, 0x00);
    const AnyPicture second = readWithFill(bytes, 0x01);
    if (first.index() != second.index()) fail("the same bytes read differently twice");
    if (const Error* e = std::get_if<Error>(&first)) {
        if (e->message.empty()) fail("a deep read refused without a reason");
        return;
    }
    const DeepPicture* a = std::get_if<DeepPicture>(&first);
    if (!a) return; // an 8-bit picture: checked through the slot above
    const DeepPicture& b = std::get<DeepPicture>(second);
    if (a->samples.width() != a->shown.width() || a->samples.height() != a->shown.height())
        fail("deep samples and their picture differ in size");
    if (!(a->samples == b.samples) || a->shown != b.shown) fail("deep samples depend on memory the decoder never wrote");
    Workspace ws(16, 16); // placed, cropped, over a small map
    ws.setDeepHeights(a->samples);
    if (!heightsAreDeep(ws)) fail("placed deep samples are not the ones read");
}

// Whatever the plain reader takes, the toolkit's reader takes alike: the
// same samples for a deep file, the same placed picture for any other.
void checkPlainPng(const std::uint8_t* data, std::size_t size, const Picture& start, const Picture& viaToolkit,
                   const Refusal& refusal, const QByteArray& bytes)
{
    const auto plain = decodePlainPng(data, size, kDecodeLimitMiB);
    if (!plain) return;
    if (!plain->deep.empty()) {
        const AnyPicture read = readAnyPictureData(bytes);
        const auto* deep = std::get_if<DeepPicture>(&read);
        if (!deep || !(deep->samples == plain->deep)) fail("the plain PNG reader's samples differ from the toolkit's");
        return;
    }
    if (refusal) fail("the plain PNG reader took a file the toolkit refuses");
    if (plain->pixels.size() != static_cast<std::size_t>(plain->width) * static_cast<std::size_t>(plain->height))
        fail("the plain PNG reader's picture is not its size");
    Picture placed = start;
    placed.place(plain->width, plain->height, plain->pixels.data());
    if (placed != viaToolkit) fail("the plain PNG reader's picture differs from the toolkit's");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Decoders warn about every damaged file; millions of lines help nobody.
    qInstallMessageHandler(quiet);
    // Both hooks are required, or neither is installed.
    if (!__sanitizer_install_malloc_and_free_hooks(fillNewBlock, ignoreFree)) {
        std::fprintf(stderr, "load_picture_fuzz: cannot install the allocation hooks\n");
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const Picture start = startPicture();
    // No copy: a decoder that reads past the input runs off the fuzzer's
    // own buffer, where the sanitizer sees it.
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    Picture first = start;
    const Refusal r1 = loadWithFill(first, bytes, 0x00);
    if (r1) {
        if (r1->message.empty()) fail("refused without a reason");
        if (first != start) fail("a refused load changed the slot");
    } else {
        const Colour* px = first.data();
        for (int i = 0; i < first.width() * first.height(); ++i)
            if (px[i] < 0 || px[i] > 0xFFFFFF) fail("a loaded pixel is not a valid colour value");
    }

    Picture second = start;
    const Refusal r2 = loadWithFill(second, bytes, 0x01);
    if (r1.has_value() != r2.has_value()) fail("the same bytes loaded once and were refused once");
    if (first != second) fail("the loaded picture depends on memory the decoder never wrote");
    countOutcome(bytes, r1);
    checkDeepRead(bytes);
    checkPlainPng(data, size, start, first, r1, bytes);
    return 0;
}
