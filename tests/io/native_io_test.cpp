// The batch tool's toolkit-free files: the same default pictures as the
// window's, saves that read back unchanged through the toolkit, and saves
// that never damage the file they replace.

#include "imageio/native_io.h"
#include "imageio/qt/picture_io.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

using namespace gloamery;

TEST(NativeIo, BuiltInDefaultsAreTheWindowsDefaults)
{
    const std::vector<Slot> inputs = {Slot::Height, Slot::Grass, Slot::Stone, Slot::Detail};
    Workspace window, batch;
    loadDefaultPictures(window);
    loadBuiltInDefaults(batch, inputs);
    for (Slot s : inputs) EXPECT_TRUE(slotPicture(window, s) == slotPicture(batch, s)) << "slot " << static_cast<int>(s);
}

TEST(NativeIo, SavesReadBackUnchangedAndAtomically)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Picture p(kBlack, 37, 23); // odd width: BMP rows are padded
    std::mt19937 random(5);
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) p.setPixel(x, y, static_cast<Colour>(random() & 0xFFFFFF));
    HeightSamples deep(5, 3, std::uint16_t{0});
    for (int i = 0; i < 15; ++i) deep.data()[i] = static_cast<std::uint16_t>(random());

    for (const char* format : {"png", "bmp"}) {
        const std::string path = dir.filePath(QStringLiteral("a.") + format).toStdString();
        ASSERT_FALSE(savePictureFile(p, path, format)) << format;
        Picture back(kBlack, p.width(), p.height());
        ASSERT_FALSE(loadPicture(back, QString::fromStdString(path))) << format;
        EXPECT_TRUE(back == p) << format;
    }
    const std::string deepPath = dir.filePath(QStringLiteral("d.png")).toStdString();
    ASSERT_FALSE(saveDeepHeightsFile(deep, deepPath));
    const QImage grey(QString::fromStdString(deepPath));
    ASSERT_EQ(grey.format(), QImage::Format_Grayscale16);
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(reinterpret_cast<const std::uint16_t*>(grey.constScanLine(i / 5))[i % 5], deep.data()[i]);

    // A save that cannot finish (a directory in the way) leaves what was
    // there, and no half-written file beside it.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("taken.png")));
    EXPECT_TRUE(savePictureFile(p, dir.filePath(QStringLiteral("taken.png")).toStdString(), "png").has_value());
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("taken.png"))).isDir());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);

    // Nor does one whose bytes stop coming half-way (memory ran out).
    const std::string kept = dir.filePath(QStringLiteral("a.png")).toStdString();
    EXPECT_TRUE(writeFileAtomically(kept, [](const ByteSink& put) { return put("half") && false; }).has_value());
    Picture back(kBlack, p.width(), p.height());
    ASSERT_FALSE(loadPicture(back, QString::fromStdString(kept)));
    EXPECT_TRUE(back == p);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
}
