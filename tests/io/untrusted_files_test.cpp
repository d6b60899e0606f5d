// Files that are not what they seem: pipes, devices, folders, files whose
// size is known to be too large, saves onto links, pipes and full devices,
// leftovers of a killed save, names at the system's limit, and elevation
// ranges wider than a double; text from files as messages show it, and
// headers weighed against the file's length.

#include "imageio/elevation.h"
#include "imageio/header_length.h"
#include "imageio/printable_text.h"
#include "imageio/input_file.h"
#include "imageio/native_io.h"

#include "tests/scratch_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

using namespace gloamery;

namespace {

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void spit(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// Writes text into a FIFO from another thread, once a reader opens it.
std::thread writerOf(const std::string& fifo, const std::string& text)
{
    return std::thread([fifo, text] { spit(fifo, text); });
}

// Reads a FIFO whole from another thread, once a writer opens it.
std::thread readerOf(const std::string& fifo, std::string& into)
{
    return std::thread([fifo, &into] { into = slurp(fifo); });
}

ByteSink::result_type putText(const ByteSink& put, const std::string& text) { return put(text); }

} // namespace

TEST(InputFile, ReadsPlainFilesAndPipesOnceAndRefusesTheRestWithoutWaiting)
{
    ScratchDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string d = dir.path();
    spit(d + "/plain", "bytes");
    ASSERT_EQ(::mkfifo((d + "/fed").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((d + "/silent").c_str(), 0600), 0);
    // 100 GB that take no room: refused by their size, unread.
    ASSERT_EQ(::truncate((spit(d + "/sparse", ""), d + "/sparse").c_str(), 100LL << 30), 0);
    std::thread writer = writerOf(d + "/fed", "piped");

    struct Case {
        std::string path;
        std::string bytes;  // what is read, or
        std::string reason; // part of the refusal
    };
    const Case cases[] = {
        {d + "/plain", "bytes", ""},
        {d + "/fed", "piped", ""},
        {d + "/silent", "", "Nothing was written to the pipe"},
        {d + "/sparse", "", "larger than 1 MiB"},
        {d, "", "folder"},
        {"/dev/zero", "", "device"},
        {d + "/missing", "", "No such file"},
    };
    for (const Case& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        const auto read = readInputFile(c.path, 1 << 20);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_LT(seconds, kPipeWaitMilliseconds / 1000.0 + 2) << c.path;
        if (c.reason.empty()) {
            ASSERT_TRUE(std::holds_alternative<std::vector<unsigned char>>(read)) << c.path << ": " << std::get<Error>(read).message;
            const auto& got = std::get<std::vector<unsigned char>>(read);
            EXPECT_EQ(std::string(got.begin(), got.end()), c.bytes) << c.path;
        } else {
            ASSERT_TRUE(std::holds_alternative<Error>(read)) << c.path;
            EXPECT_NE(std::get<Error>(read).message.find(c.reason), std::string::npos) << std::get<Error>(read).message;
        }
    }
    writer.join();
}

TEST(AtomicSave, KeepsLinksWritesPipesStraightAndRefusesFullDevicesAndFolders)
{
    ScratchDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string d = dir.path();
    const auto save = [](const std::string& path) {
        return writeFileAtomically(path, [](const ByteSink& put) { return putText(put, "new"); });
    };

    // A link: the target gets the bytes, the link stays a link.
    spit(d + "/target", "old");
    ASSERT_EQ(::symlink("target", (d + "/link").c_str()), 0);
    EXPECT_FALSE(save(d + "/link"));
    struct stat st {};
    ASSERT_EQ(::lstat((d + "/link").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(slurp(d + "/target"), "new");
    // A dangling link: its target is made.
    ASSERT_EQ(::symlink("made", (d + "/dangling").c_str()), 0);
    EXPECT_FALSE(save(d + "/dangling"));
    EXPECT_EQ(slurp(d + "/made"), "new");

    // A pipe: written straight to while read, refused at once unread.
    ASSERT_EQ(::mkfifo((d + "/pipe").c_str(), 0600), 0);
    std::string piped;
    std::thread reader = readerOf(d + "/pipe", piped);
    Refusal toPipe;
    for (int i = 0; i < 200; ++i) { // until the reader has opened it
        toPipe = save(d + "/pipe");
        if (!toPipe) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    reader.join();
    EXPECT_FALSE(toPipe) << toPipe->message;
    EXPECT_EQ(piped, "new");
    ASSERT_EQ(::lstat((d + "/pipe").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the pipe was replaced";
    const Refusal unread = save(d + "/pipe");
    ASSERT_TRUE(unread);
    EXPECT_NE(unread->message.find("no program is reading"), std::string::npos);

    // A full device reports the failure and stays the device.
    const Refusal full = save("/dev/full");
    ASSERT_TRUE(full);
    ASSERT_EQ(::stat("/dev/full", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    ASSERT_TRUE(save(d));

    // Nothing but the saved files was left in the folder.
    for (const char* stray : {"/.link.part", "/.target.part", "/.pipe.part"})
        EXPECT_NE(::access((d + stray).c_str(), F_OK), 0) << stray;
}

TEST(AtomicSave, TemporaryNamesStayWithinTheLimitAndLeftoversAreTakenOver)
{
    ScratchDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string d = dir.path();
    const auto save = [](const std::string& path, const std::string& text) {
        return writeFileAtomically(path, [&](const ByteSink& put) { return putText(put, text); });
    };
    // The longest name there is.
    const std::string longest = d + "/" + std::string(251, 'n') + ".png";
    EXPECT_FALSE(save(longest, "long"));
    EXPECT_EQ(slurp(longest), "long");

    // What a save killed half-way left is taken over by the next save.
    spit(d + "/.tile.png.part", "half");
    EXPECT_FALSE(save(d + "/tile.png", "whole"));
    EXPECT_EQ(slurp(d + "/tile.png"), "whole");
    EXPECT_NE(::access((d + "/.tile.png.part").c_str(), F_OK), 0);

    // A link planted in its place is not followed, and not taken over.
    spit(d + "/victim", "keep");
    ASSERT_EQ(::symlink("victim", (d + "/.b.png.part").c_str()), 0);
    EXPECT_FALSE(save(d + "/b.png", "saved"));
    EXPECT_EQ(slurp(d + "/victim"), "keep");
    EXPECT_EQ(slurp(d + "/b.png"), "saved");

    // While another save writes it, a fresh name is taken.
    const int held = ::open((d + "/.c.png.part").c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    EXPECT_FALSE(save(d + "/c.png", "also"));
    EXPECT_EQ(slurp(d + "/c.png"), "also");
    EXPECT_EQ(::access((d + "/.c.png.part").c_str(), F_OK), 0) << "the other save's file was taken";
    ::close(held);
}

TEST(ElevationRange, RangesWiderThanADoubleStillSpreadOverTheSamples)
{
    const double most = 1.7e308;
    const struct {
        ElevationRange range;
        double v;
        std::uint16_t sample;
    } cases[] = {
        {{-most, most}, -most, 0},
        {{-most, most}, 0.0, 32768}, // 32767.5, halves to even
        {{-most, most}, most, 65535},
        {{-most, most}, most / 2, 49151}, // 49151.25
        {{0, most}, most / 2, 32768},
        {{-20, 850.5}, 415.25, 32768}, // an ordinary range, as written
    };
    for (const auto& c : cases) EXPECT_EQ(elevationSample(c.v, c.range), c.sample) << c.v;
}

TEST(PrintableText, ControlsAndStrayBytesEscapedAndCutBetweenCharacters)
{
    const struct {
        std::string text;
        std::size_t most;
        std::string shown;
    } cases[] = {
        {"plain \xc3\xa9t\xc3\xa9", 100, "plain \xc3\xa9t\xc3\xa9"},
        {"\x1b]0;t\x07\x1b[2J", 100, "\\x1b]0;t\\x07\\x1b[2J"},
        {"tab\tnew\nDEL\x7f", 100, "tab\\x09new\\x0aDEL\\x7f"},
        {"csi \xc2\x9b and nbsp \xc2\xa0", 100, "csi \\u009b and nbsp \xc2\xa0"},
        {"latin-1 \xe9t\xe9", 100, "latin-1 \\xe9t\\xe9"},
        {"overlong \xc0\xaf, surrogate \xed\xa0\x80", 100, "overlong \\xc0\\xaf, surrogate \\xed\\xa0\\x80"},
        {"\xc3\xa9\xc3\xa9\xc3\xa9", 5, "\xc3\xa9\xc3\xa9..."},
        {"ab\x1b", 4, "ab..."},
        {"abc", 3, "abc"},
    };
    for (const auto& c : cases) EXPECT_EQ(printable(c.text, c.most), c.shown) << c.text;
}

TEST(HeaderLength, HeadersThatDeclareMoreThanTheFileHoldsAreRefused)
{
    const auto png = [](std::uint32_t w, std::uint32_t h, int type, std::size_t size) {
        std::string b = std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
        for (std::uint32_t v : {w, h})
            for (int shift : {24, 16, 8, 0}) b += static_cast<char>((v >> shift) & 255);
        b += std::string{'\x08', static_cast<char>(type), 0, 0, 0};
        b.resize(size, '\0');
        return b;
    };
    const auto le16 = [](std::uint32_t v) { return std::string{static_cast<char>(v & 255), static_cast<char>(v >> 8)}; };
    const auto gif = [&](std::uint32_t w, std::uint32_t h, std::size_t size) {
        std::string b = "GIF89a" + le16(w) + le16(h) + std::string(3, '\0') + "\x2c" + le16(0) + le16(0) + le16(w)
                      + le16(h) + std::string(1, '\0');
        b.resize(size, '\0');
        return b;
    };
    // A frame of three components, the first sampled at twice the others.
    const auto jpeg = [](std::uint32_t w, std::uint32_t h, std::size_t size) {
        std::string b = "\xff\xd8\xff\xe0" + std::string("\0\x04\0\0", 4) + "\xff\xc0" + std::string("\0\x11\x08", 3);
        for (std::uint32_t v : {h, w}) b += {static_cast<char>(v >> 8), static_cast<char>(v & 255)};
        b += std::string("\x03\x01\x22\0\x02\x11\x01\x03\x11\x01", 10);
        b.resize(size, '\0');
        return b;
    };
    // A TIFF of `samples` 8-bit samples a pixel (their bits a sample beyond the entry when more than two), in
    // either byte order.
    const auto tiff = [](std::uint32_t w, std::uint32_t h, int compression, int samples, bool little,
                         std::size_t size) {
        std::string b = little ? std::string("II\x2a\0\x08\0\0\0", 8) : std::string("MM\0\x2a\0\0\0\x08", 8);
        const auto put = [&](std::uint64_t v, int bytes) {
            for (int i = 0; i < bytes; ++i) b += static_cast<char>(v >> (8 * (little ? i : bytes - 1 - i)) & 255);
        };
        const auto entry = [&](int tag, int type, std::uint32_t count, std::uint32_t v) {
            put(tag, 2), put(type, 2), put(count, 4);
            if (type == 3 && count <= 2) put(v, 2), put(0, 2);
            else put(v, 4);
        };
        put(5, 2);
        entry(256, 4, 1, w), entry(257, 4, 1, h), entry(258, 3, samples, samples > 2 ? 200 : 8);
        entry(259, 3, 1, compression), entry(277, 3, 1, samples);
        b.resize(200, '\0');
        for (int s = 0; s < samples; ++s) put(8, 2);
        b.resize(size, '\0');
        return b;
    };
    const struct {
        std::string bytes;
        bool refused;
    } cases[] = {
        {png(16384, 16384, 2, 128), true},       // 768 MiB of rows in 128 bytes
        {png(16384, 16384, 0, 300000), false},  // zeros deflate 1032 to 1: it could hold them
        {png(16384, 16384, 0, 200000), true},
        {png(65535, 65535, 2, 80), false},       // over the size limit: refused as too large elsewhere
        {"P6 16384 16384 255\n\0\0\0", true},
        {"P6 2 2 255\n" + std::string(12, 'x'), false},
        {"P6 2 2 65535\n" + std::string(12, 'x'), true},   // two bytes a sample
        {"P3\n# a comment\n2 2 255\n1 2 3 4 5 6 7 8 9 10 11 12", false},
        {"P2 4 4 255\n1 2 3", true},
        {"P1 8 8\n0101", true},
        {"P4 9 2\n\xff\xff\xff\xff", false},   // rows are whole bytes
        {"P4 9 2\n\xff\xff\xff", true},
        {"GIF89a", false},
        {gif(16384, 16384, 200), true},          // 256 Mi pixels need 96 KiB of 12-bit codes
        {gif(16384, 16384, 100000), false},
        {gif(64, 64, 40), false},
        {jpeg(16384, 16384, 300), true},         // a million units of blocks, a bit each
        {jpeg(16384, 16384, 140000), false},
        {jpeg(64, 64, 40), false},
        {tiff(16384, 16384, 1, 3, true, 400), true},            // 768 MiB stored in 400 bytes
        {tiff(16384, 16384, 1, 3, false, 400), true},
        {tiff(64, 64, 1, 1, false, 4096 + 200), false},          // stored whole
        {tiff(64, 64, 1, 1, true, 4000), true},
        {tiff(16384, 16384, 8, 3, true, 700000), true},          // deflate: 780 336 bytes at least
        {tiff(16384, 16384, 8, 3, true, 800000), false},
        {tiff(16384, 16384, 5, 1, true, 90000), true},           // LZW: 98 292 bytes at least
        {tiff(16384, 16384, 5, 1, true, 100000), false},
        {tiff(16384, 16384, 32773, 1, true, 4000000), true},     // PackBits: 4 MiB at least
        {tiff(16384, 16384, 7, 3, true, 100000), true},          // JPEG: 131 072 bytes at least
        {tiff(16384, 16384, 50000, 3, true, 400), false},        // a compression not judged
    };
    for (const auto& c : cases) {
        const auto* data = reinterpret_cast<const unsigned char*>(c.bytes.data());
        const Refusal r = headerBeyondLength(data, c.bytes.size());
        EXPECT_EQ(r.has_value(), c.refused) << c.bytes.substr(0, 20);
        if (r) {
            EXPECT_NE(r->message.find("cut short"), std::string::npos) << r->message;
        }
    }
}
