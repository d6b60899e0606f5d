// Every file of the corpus of broken and unusual pictures (written by
// corpus/make_corpus.py) through loadPicture, as the window and the batch
// tool load them: it loads at the top-left over the slot's background, or
// it is refused with a reason and the slot keeps every pixel.

#include "imageio/qt/height_files.h"
#include "imageio/native_io.h"
#include "imageio/qt/picture_io.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <cctype>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

using namespace gloamery;

namespace {

const QString kCorpus = QStringLiteral(GLOAMERY_CORPUS_DIR);

struct Rgb {
    int r, g, b;
};
constexpr Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kYellow{255, 255, 0}, kWhite3{255, 255, 255},
    kBlack3{0, 0, 0}, kBg{240, 240, 240};

struct Px {
    int x, y;
    Rgb c;
};

enum class Outcome { Loads, Refused };

struct Case {
    const char* file;
    Outcome outcome;
    std::vector<Px> pixels;     // for a load: known pixels
    const char* reason = "";    // for a refusal: a part of the reason
    int tolerance = 0;          // per channel, for lossy formats
    std::function<void(const Picture&)> check = nullptr;
};

// The quadrant pictures: red, green / blue, yellow, of size n x n.
std::vector<Px> quadrants(int n)
{
    return {{0, 0, kRed}, {n - 1, 0, kGreen}, {0, n - 1, kBlue}, {n - 1, n - 1, kYellow},
            {n, 0, kBg},  {0, n, kBg},        {255, 255, kBg}};
}

// The 160 x 160 noise of the GIFs whose code table fills up, recomputed.
void expectNoise(const Picture& p, int rows)
{
    const Rgb palette[4] = {kRed, kGreen, kBlue, kYellow};
    std::uint32_t seed = 7;
    int wrong = 0;
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 160; ++x) {
            seed = (seed * 1103515245u + 12345u) & 0x7FFFFFFFu;
            if (y >= rows) continue;
            const Rgb want = palette[(seed >> 16) & 3];
            const Channels got = split(p.pixel(x, y));
            if ((got.r != want.r || got.g != want.g || got.b != want.b) && ++wrong <= 5)
                ADD_FAILURE() << "noise pixel at " << x << "," << y;
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(p.pixel(160, 0), compose(240, 240, 240));
}

std::vector<Case> cases()
{
    const Outcome L = Outcome::Loads, R = Outcome::Refused;
    return {
        // BMP, well formed.
        {"bmp_24bit.bmp", L, quadrants(8)},
        {"bmp_24bit_top_down.bmp", L, quadrants(8)},
        {"bmp_16bit_565.bmp", L, quadrants(8), "", 8},
        {"bmp_8bit_palette.bmp", L, quadrants(8)},
        {"bmp_4bit_palette.bmp", L, quadrants(8)},
        {"bmp_1bit.bmp", L, {{0, 0, kBlack3}, {1, 0, kWhite3}, {0, 1, kWhite3}, {8, 0, kBg}}},
        {"bmp_32bit_alpha.bmp", L, {{0, 0, kRed}, {3, 7, kRed}, {4, 0, kBg}, {7, 7, kBg}}},
        {"bmp_rle8.bmp", L, {{0, 0, kRed}, {7, 0, kGreen}, {3, 1, kRed}, {4, 1, kGreen}, {0, 3, kBlue}, {0, 4, kBg}}},
        {"bmp_rle4.bmp", L, {{0, 0, kRed}, {7, 0, kGreen}, {3, 1, kRed}, {4, 1, kGreen}, {0, 3, kBlue}, {0, 4, kBg}}},
        // Run-length data gone wrong: runs cut at the row's end, pixels the
        // data never reaches transparent.
        {"bmp_rle8_run_past_row.bmp", L, {{0, 3, kGreen}, {7, 3, kGreen}, {0, 2, kYellow}, {7, 2, kYellow}, {0, 1, kBg}, {0, 0, kBg}}},
        {"bmp_rle4_run_past_row.bmp", L, {{0, 3, kGreen}, {1, 3, kBlue}, {7, 3, kBlue}, {0, 2, kGreen}, {7, 2, kGreen}, {0, 1, kBg}}},
        {"bmp_rle8_delta_past_end.bmp", L, {{0, 3, kGreen}, {1, 3, kGreen}, {2, 3, kBg}, {0, 0, kBg}}},
        {"bmp_rle8_absolute_past_end.bmp", L, {{0, 3, kGreen}, {1, 3, kBlue}, {2, 3, kYellow}, {3, 3, kBg}}},
        {"bmp_rle8_no_end.bmp", L, {{2, 3, kGreen}, {3, 3, kBg}, {0, 0, kBg}}},
        {"bmp_rle8_rows_past_end.bmp", L, {{0, 0, kGreen}, {7, 3, kGreen}, {0, 4, kBg}}},
        // Indexes past a two-colour palette show black.
        {"bmp_8bit_index_past_palette.bmp", L, {{0, 0, kRed}, {4, 0, kBlack3}, {7, 7, kBlack3}, {8, 0, kBg}}},
        {"bmp_4bit_index_past_palette.bmp", L, {{0, 0, kRed}, {4, 0, kBlack3}, {7, 7, kBlack3}, {8, 0, kBg}}},
        {"bmp_8bit_huge_palette_count.bmp", R, {}, "palette"},
        {"bmp_zero_width.bmp", R, {}, "0 x 8"},
        {"bmp_zero_height.bmp", R, {}, "8 x 0"},
        {"bmp_negative_width.bmp", R, {}, "-8 x 8"},
        {"bmp_height_int_min.bmp", R, {}, "impossible size"},
        {"bmp_65535x65535.bmp", R, {}, "65535 x 65535 pixels, too large"},
        {"bmp_65535x65535_1bit.bmp", R, {}, "too large"},
        {"bmp_65535x65535_rle8.bmp", R, {}, "too large"},
        {"bmp_2147483647x2147483647.bmp", R, {}, "too large"},
        {"bmp_100000x100000.bmp", R, {}, "100000 x 100000 pixels, too large to load (the largest map is 16384 x 16384"},
        {"bmp_16385x1.bmp", R, {}, "16385 x 1 pixels, too large"},
        {"bmp_truncated_file_header.bmp", R, {}, "cut short"},
        {"bmp_truncated_info_header.bmp", R, {}, "cut short"},
        {"bmp_truncated_pixels.bmp", R, {}, "holds 120 of the 192 bytes"},
        {"bmp_offset_past_end.bmp", R, {}, "beyond the end"},
        {"bmp_bad_bit_count.bmp", R, {}, "7 bits per pixel"},
        {"bmp_bad_header_size.bmp", R, {}, "header of an unknown kind"},
        {"bmp_header_size_41.bmp", R, {}, "header of an unknown kind (41 bytes)"},
        {"bmp_bad_compression.bmp", R, {}, "BMP"},
        {"bmp_bitfields_zero_masks.bmp", R, {}, "BMP"},

        // GIF.
        {"gif_basic.gif", L, quadrants(8)},
        {"gif_interlaced.gif", L, quadrants(8)},
        {"gif_no_clear_code.gif", L, quadrants(8)},
        {"gif_code_size_12.gif", L, quadrants(8)},
        {"gif_local_palette.gif", L, {{0, 0, kBlue}, {7, 0, kYellow}, {0, 7, kRed}, {7, 7, kGreen}, {8, 8, kBg}}},
        {"gif_transparent.gif", L, {{0, 0, kRed}, {7, 0, kGreen}, {0, 7, kBlue}, {7, 7, kBg}, {4, 4, kBg}}},
        {"gif_animated.gif", L, {{0, 0, kRed}, {7, 7, kRed}, {8, 0, kBg}}},
        {"gif_no_clear_full_table.gif", L, {}, "", 0, [](const Picture& p) { expectNoise(p, 160); }},
        {"gif_full_table_with_clear.gif", L, {}, "", 0, [](const Picture& p) { expectNoise(p, 160); }},
        {"gif_truncated_pixels_large.gif", L, {}, "", 0, [](const Picture& p) { expectNoise(p, 40); }},
        {"gif_truncated_pixels.gif", L, {{0, 0, kRed}, {7, 0, kGreen}, {8, 0, kBg}}},
        {"gif_index_past_palette.gif", L, {{0, 0, kRed}, {8, 0, kBg}}},
        {"gif_no_palette.gif", L, {{8, 0, kBg}, {0, 8, kBg}}},
        // Screen left uncovered by the first picture is transparent.
        {"gif_partial_frame.gif", L, {{2, 3, kRed}, {3, 3, kGreen}, {5, 6, kGreen}, {0, 0, kBg}, {1, 3, kBg}, {6, 3, kBg}, {2, 7, kBg}}},
        {"gif_partial_frame_local_palette.gif", L, {{2, 3, kWhite3}, {3, 3, kBlack3}, {5, 6, kBlack3}, {0, 0, kBg}, {7, 7, kBg}}},
        {"gif_frame_outside_screen.gif", L, {{0, 0, kBg}, {7, 7, kBg}, {8, 0, kBg}}},
        {"gif_frame_outside_screen_local_palette.gif", L, {{0, 0, kBg}, {7, 7, kBg}}},
        {"gif_zero_height_screen_partial_frame.gif", L, {{2, 3, kWhite3}, {5, 6, kBlack3}, {0, 0, kBg}, {7, 6, kBg}, {2, 7, kBg}}},
        {"gif_partial_frame_zero_size.gif", R, {}, "nothing to show"},
        {"gif_frame_larger_than_screen.gif", L, {{0, 0, kRed}, {3, 3, kRed}, {4, 0, kBg}, {0, 4, kBg}}},
        {"gif_code_size_0.gif", L, {{8, 0, kBg}}},
        {"gif_bad_codes.gif", L, {{8, 0, kBg}}},
        {"gif_zero_size.gif", R, {}, "0 x 0"},
        {"gif_65535x65535.gif", R, {}, "too large"},
        {"gif_truncated_header.gif", R, {}, "GIF"},
        {"gif_truncated_palette.gif", R, {}, "GIF"},

        // PNG.
        {"png_rgb8.png", L, quadrants(8)},
        {"png_rgb16.png", L, quadrants(8)},
        {"png_interlaced.png", L, quadrants(8)},
        {"png_grey1.png", L, {{0, 0, kBlack3}, {3, 7, kBlack3}, {4, 0, kWhite3}, {7, 7, kWhite3}, {8, 0, kBg}}},
        {"png_grey2.png", L, {{0, 0, kBlack3}, {1, 0, {85, 85, 85}}, {2, 3, {170, 170, 170}}, {7, 7, kWhite3}}},
        {"png_grey4_interlaced.png", L, {{0, 0, kBlack3}, {1, 5, {34, 34, 34}}, {7, 7, {238, 238, 238}}, {8, 0, kBg}}},
        {"png_grey8.png", L, {{0, 0, kBlack3}, {7, 6, {216, 216, 216}}, {8, 0, kBg}}},
        {"png_grey8_gamma.png", L, {{0, 0, kBlack3}, {7, 6, {216, 216, 216}}, {8, 0, kBg}}},
        {"png_palette2.png", L, quadrants(8)},
        // Index 1 past a one-colour palette: the toolkit shows white.
        {"png_palette1_one_colour.png", L, {{0, 0, kRed}, {3, 7, kRed}, {4, 0, kWhite3}, {7, 7, kWhite3}, {8, 0, kBg}}},
        {"png_named_bmp.bmp", L, quadrants(8)},
        {"png_grey16.png", L, {{0, 0, kBlack3}, {7, 0, {224, 224, 224}}, {0, 7, {7, 7, 7}}, {8, 0, kBg}}},
        {"png_grey_alpha8.png", L, {{0, 0, {200, 200, 200}}, {3, 7, {200, 200, 200}}, {4, 0, kBg}, {7, 7, kBg}}},
        {"png_grey_alpha16.png", L, {{0, 0, {100, 100, 100}}, {4, 0, kBg}, {7, 7, kBg}}},
        {"png_rgba8.png", L, {{0, 0, kBlue}, {7, 3, kBlue}, {0, 4, kBg}, {7, 7, kBg}}},
        {"png_palette_trns.png", L, {{0, 0, kRed}, {7, 0, kGreen}, {0, 7, kBlue}, {7, 7, kBg}}},
        {"png_index_past_palette.png", L, {{0, 0, kRed}, {8, 0, kBg}}},
        {"png_zero_size.png", R, {}, "PNG"},
        {"png_65535x65535.png", R, {}, "too large"},
        {"png_100000x100000.png", R, {}, "100000 x 100000 pixels, too large"},
        {"png_16385x2.png", R, {}, "16385 x 2 pixels, too large"},
        {"png_bad_ihdr_depth.png", R, {}, "PNG"},
        {"png_truncated_signature.png", R, {}, "not a picture in any format"},
        {"png_truncated_header.png", R, {}, "PNG"},
        {"png_truncated_pixels.png", R, {}, "PNG"},
        {"png_bad_crc.png", R, {}, "PNG"},
        {"png_idat_garbage.png", R, {}, "PNG"},

        // JPEG: lossy, so a few levels either way.
        {"jpeg_baseline.jpg", L, quadrants(16), "", 3},
        {"jpeg_progressive.jpg", L, quadrants(16), "", 3},
        {"jpeg_64.jpg", L, quadrants(64), "", 3},
        {"jpeg_progressive_64.jpg", L, quadrants(64), "", 3},
        {"jpeg_grey.jpg", L, {{0, 0, {40, 40, 40}}, {15, 15, {220, 220, 220}}, {16, 0, kBg}}, "", 3},
        {"jpeg_cmyk.jpg", L, {{0, 0, kRed}, {7, 15, kRed}, {8, 0, kWhite3}, {16, 0, kBg}}, "", 3},
        {"jpeg_scan_markers_in_metadata.jpg", L, quadrants(16), "", 3},
        {"jpeg_256_scans.jpg", L, {{0, 0, {128, 128, 128}}, {8, 0, kBg}}, "", 3},
        // Cut inside the picture data: what was decoded shows.
        {"jpeg_truncated_pixels.jpg", L, {{0, 0, kRed}, {63, 0, kGreen}, {64, 0, kBg}}, "", 3},
        {"jpeg_progressive_truncated.jpg", L, quadrants(64), "", 3},
        {"jpeg_257_scans.jpg", R, {}, "more than 256 scans"},
        {"jpeg_many_scans.jpg", R, {}, "scans"},
        {"jpeg_65500x65500.jpg", R, {}, "65500 x 65500 pixels, too large"},
        {"jpeg_65535x65535.jpg", R, {}, "JPEG"},
        {"jpeg_zero_size.jpg", R, {}, "JPEG"},
        {"jpeg_bad_component_table.jpg", R, {}, "JPEG"},
        {"jpeg_truncated_header.jpg", R, {}, "JPEG"},
        {"jpeg_truncated_before_scan.jpg", R, {}, "JPEG"},
        {"jpeg_soi_only.jpg", R, {}, "JPEG"},

        // Found by the fuzz target.
        {"fuzz_gif_picture_outside_screen.gif", R, {}, "too large"},
        {"fuzz_gif_zero_height_screen.gif", R, {}, "nothing to show"},
        {"fuzz_bmp_unknown_header_size.bmp", R, {}, "header of an unknown kind"},

        // The toolkit's other formats, which the batch tool is asked to read.
        {"ppm_quadrants.ppm", L, quadrants(8)},
        {"ppm_ascii.ppm", L, {{0, 0, kRed}, {1, 0, kBlue}, {2, 0, kBg}, {0, 1, kBg}}},
        {"pgm_16bit.pgm", L, {{0, 0, kBlack3}, {1, 0, kWhite3}, {2, 0, kBg}}},
        {"pbm_bits.pbm", L, {{0, 0, kBlack3}, {1, 0, kWhite3}, {0, 1, kWhite3}, {1, 1, kBlack3}, {8, 0, kBg}, {0, 2, kBg}}},
        {"ppm_truncated_pixels.ppm", R, {}, "PPM"},
        {"ppm_65535x65535.ppm", R, {}, "PPM"},
        {"ppm_maxval_0.ppm", R, {}, "PPM"},
        {"ppm_zero_size.ppm", R, {}, "PPM"},
        {"xpm_two_colours.xpm", L, {{0, 0, kRed}, {2, 0, kBlue}, {0, 1, kBlue}, {2, 1, kRed}, {4, 0, kBg}, {0, 2, kBg}}},
        // A pixel of a colour the table does not define takes the first colour.
        {"xpm_undefined_colour.xpm", L, {{0, 0, kRed}, {0, 1, kBlue}, {2, 1, kRed}, {4, 1, kBg}}},
        {"xpm_truncated.xpm", R, {}, "XPM"},
        {"xbm_bits.xbm", L, {{0, 0, kBlack3}, {4, 0, kWhite3}, {0, 1, kWhite3}, {4, 1, kBlack3}, {8, 0, kBg}}},
        {"ico_quadrants.ico", L, quadrants(8)},
        {"ico_truncated.ico", R, {}, "ICO"},

        // Not pictures at all.
        {"empty.bmp", R, {}, "empty"},
        {"random_bytes.bin", R, {}, "not a picture in any format"},
        {"text.jpg", R, {}, "not a picture in any format"},
        {"random_bytes_after_bmp_magic.bmp", R, {}, "BMP"},
        {"random_bytes_after_gif_magic.gif", R, {}, "GIF"},
        {"random_bytes_after_jpeg_magic.jpg", R, {}, "JPEG"},
        {"random_bytes_after_png_magic.png", R, {}, "PNG"},
    };
}

// Not the background anywhere, so a half-done load shows.
Picture patterned()
{
    Picture p(compose(240, 240, 240));
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) p.setPixel(x, y, compose(x, y, 77));
    return p;
}

// Fills every block the allocator hands out with `fill`, so pixels a
// decoder never writes come out differently from one load to the next.
// Fill bytes 0 and 1 are both inside any palette, so even leftover palette
// indexes show. glibc only does this with its per-thread cache off, which
// the test's environment does (GLIBC_TUNABLES, see CMakeLists.txt); the
// sanitizer builds have their own allocator, where this does nothing.
void fillAllocations(int fill)
{
#ifdef __GLIBC__
    mallopt(M_PERTURB, fill < 0 ? 0 : fill ^ 0xFF); // glibc fills new blocks with the complement
#else
    (void)fill;
#endif
}

class Corpus : public ::testing::TestWithParam<Case> {};

TEST_P(Corpus, LoadsAtTheTopLeftOrIsRefusedLeavingTheSlot)
{
    const Case& c = GetParam();
    const QString path = kCorpus + "/" + c.file;
    const Picture start = patterned();
    Picture p = start;
    const Refusal r = loadPicture(p, path);

    if (c.outcome == Outcome::Refused) {
        ASSERT_TRUE(r.has_value()) << c.file << " loaded";
        EXPECT_FALSE(r->message.empty());
        EXPECT_NE(r->message.find(c.reason), std::string::npos) << "reason: " << r->message;
        EXPECT_TRUE(p == start) << "a refused load changed the slot";
        return;
    }
    ASSERT_FALSE(r.has_value()) << r->message;
    for (const Px& px : c.pixels) {
        const Channels got = split(p.pixel(px.x, px.y));
        EXPECT_NEAR(got.r, px.c.r, c.tolerance) << "red at " << px.x << "," << px.y;
        EXPECT_NEAR(got.g, px.c.g, c.tolerance) << "green at " << px.x << "," << px.y;
        EXPECT_NEAR(got.b, px.c.b, c.tolerance) << "blue at " << px.x << "," << px.y;
    }
    if (c.check) c.check(p);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const Colour v = p.pixel(x, y);
            ASSERT_TRUE(v >= 0 && v <= 0xFFFFFF) << "invalid colour value " << v << " at " << x << "," << y;
        }
}

TEST_P(Corpus, BytesInMemoryLoadLikeTheFile)
{
    const Case& c = GetParam();
    QFile f(kCorpus + "/" + c.file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    Picture fromFile = patterned(), fromBytes = patterned();
    const Refusal a = loadPicture(fromFile, f.fileName());
    const Refusal b = loadPictureData(fromBytes, bytes);
    ASSERT_EQ(a.has_value(), b.has_value());
    if (a) {
        EXPECT_EQ(a->message, b->message);
    }
    EXPECT_TRUE(fromFile == fromBytes);
}

TEST_P(Corpus, ResultDoesNotDependOnLeftoverMemory)
{
    const Case& c = GetParam();
    const QString path = kCorpus + "/" + c.file;
    Picture first = patterned(), second = patterned();
    fillAllocations(0x00);
    const Refusal a = loadPicture(first, path);
    fillAllocations(0x01);
    const Refusal b = loadPicture(second, path);
    fillAllocations(-1);
    ASSERT_EQ(a.has_value(), b.has_value());
    EXPECT_TRUE(first == second) << "pixels the decoder never wrote reached the slot";
}

void PrintTo(const Case& c, std::ostream* os) { *os << c.file; }

INSTANTIATE_TEST_SUITE_P(Files, Corpus, ::testing::ValuesIn(cases()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             std::string name = info.param.file;
                             for (char& ch : name)
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return name;
                         });

// A file added to the corpus without an expectation, or an expectation
// whose file the generator no longer writes, fails here.
TEST(CorpusTable, CoversEveryFileOfTheCorpus)
{
    std::set<std::string> listed;
    for (const Case& c : cases()) EXPECT_TRUE(listed.insert(c.file).second) << "listed twice: " << c.file;
    std::set<std::string> present;
    // The deep height files have a table of their own (deep_heights_io_test).
    for (const QString& f : QDir(kCorpus).entryList(QDir::Files))
        if (!f.endsWith(QLatin1String(".py")) && !f.startsWith(QLatin1String("deep_"))) present.insert(f.toStdString());
    for (const std::string& f : present) EXPECT_TRUE(listed.count(f)) << "no expectation for " << f;
    for (const std::string& f : listed) EXPECT_TRUE(present.count(f)) << "missing from the corpus: " << f;
}

// The batch tool reads plain PNG files without the toolkit: whatever that
// reader takes (from every file here, deep ones too) must come out exactly
// as the toolkit's reader has it, in any slot, placed or tiled, and the
// height map's depth with it.
TEST(CorpusTable, PlainReaderMatchesTheToolkitOrDeclines)
{
    int taken = 0;
    for (const QString& f : QDir(kCorpus).entryList(QDir::Files)) {
        const std::string path = (kCorpus + "/" + f).toStdString();
        for (const Slot slot : {Slot::Height, Slot::Grass, Slot::Colour})
            for (const bool tile : {false, true}) {
                Workspace viaToolkit, plain;
                setSlotPicture(plain, slot, patterned());
                setSlotPicture(viaToolkit, slot, patterned());
                const auto expected = loadSlotFile(viaToolkit, slot, QString::fromStdString(path), tile);
                const auto got = loadPlainFile(plain, slot, path, tile);
                SCOPED_TRACE(f.toStdString() + " slot " + std::to_string(static_cast<int>(slot)) + (tile ? " tiled" : ""));
                if (!got) {
                    EXPECT_TRUE(slotPicture(plain, slot) == patterned()) << "a declined file changed the slot";
                    continue;
                }
                ++taken;
                ASSERT_TRUE(std::holds_alternative<LoadedFile>(expected)) << "the toolkit refuses what the plain reader took";
                EXPECT_EQ(got->width, std::get<LoadedFile>(expected).width);
                EXPECT_EQ(got->height, std::get<LoadedFile>(expected).height);
                EXPECT_TRUE(slotPicture(plain, slot) == slotPicture(viaToolkit, slot));
                EXPECT_TRUE(plain.heightSamples() == viaToolkit.heightSamples());
            }
    }
    EXPECT_GE(taken, 6 * 10) << "the plain reader took too few of the corpus's PNG files to tell anything";
}

} // namespace
