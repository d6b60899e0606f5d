// Files that are not what they seem: pipes, devices, folders, files whose
// size is known to be too large, saves onto links, pipes and full devices,
// leftovers of a killed save, names at the system's limit, and elevation
// ranges wider than a double; text from files as messages show it.

#include "imageio/elevation.h"
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
