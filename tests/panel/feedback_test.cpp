// What the panel tells the user and what it writes: whole status messages,
// saved files whose content matches their names, 16-bit pastes, refused map
// sizes, the open dialog's formats and the question before closing with
// unsaved pictures. On the offscreen platform.

#include "panel_fixture.h"

#include "imageio/qt/height_files.h"
#include "panel/map_size_dialog.h"
#include "panel/open_formats.h"
#include "panel/save_formats.h"
#include "panel/status_line.h"
#include "panel/undo_steps.h"

#include <QBuffer>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>
#include <set>

using namespace gloamery;
using namespace gloamery::testing;
using panel::CloseAnswer;
using panel::Form1;

Q_DECLARE_METATYPE(gloamery::Slot)

namespace {

// "png", "bmp" or "other", from the file's first bytes; for PNG also the
// bit depth and colour type of its header.
struct Signature {
    QString kind;
    int depth = 0;
    int colourType = -1;
};

Signature signatureOf(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {QStringLiteral("missing")};
    const QByteArray head = f.read(26);
    if (head.startsWith("\x89PNG\r\n\x1a\n") && head.size() == 26)
        return {QStringLiteral("png"), static_cast<unsigned char>(head[24]), static_cast<unsigned char>(head[25])};
    if (head.startsWith("BM")) return {QStringLiteral("bmp")};
    return {QStringLiteral("other")};
}

// A 16-bit grey ramp with more distinct values than 8 bits hold.
QImage deepRamp(int w, int h)
{
    QImage img(w, h, QImage::Format_Grayscale16);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<quint16*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) line[x] = static_cast<quint16>((x * 8 + y * 3) % 65536);
    }
    return img;
}

QByteArray pngBytes(const QImage& image)
{
    QByteArray bytes;
    QBuffer b(&bytes);
    b.open(QIODevice::WriteOnly);
    image.save(&b, "PNG");
    return bytes;
}

QSettings settings() { return QSettings(QStringLiteral("gloamery"), QStringLiteral("gloamery")); }

} // namespace

class FeedbackTest : public PanelFixture {
    Q_OBJECT

    QLabel* status() { return the<QLabel>("labWork"); }

private slots:
    void initTestCase()
    {
        // The question's setting goes to a test location, never the user's.
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(QSettings(QStringLiteral("gloamery"), QStringLiteral("gloamery")).fileName().contains(QStringLiteral("qttest")));
    }

    void init()
    {
        settings().remove(panel::CloseGuard::settingsKey());
        PanelFixture::init();
    }

    void statusMessagesAreWhollyReadable_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("fits");
        QTest::newRow("design text") << QStringLiteral("Calculating...") << true;
        QTest::newRow("map size") << QStringLiteral("Map 1024 \u00d7 768") << true;
        QTest::newRow("refused decay") << QStringLiteral("Decay must be a finite number, not \"abc\".") << true;
        QTest::newRow("raster range") << QStringLiteral("heights from -4.5 to 4810.25 mapped onto 0..65535") << true;
        QTest::newRow("longer than the bar") << QStringLiteral("A message far longer than the status line, ").repeated(4) << false;
    }
    void statusMessagesAreWhollyReadable()
    {
        QFETCH(QString, message);
        QFETCH(bool, fits);
        form->reporter().status(message.toStdString());
        QLabel* label = status();
        QCOMPARE(panel::fullStatus(*label), message);
        if (fits) {
            QCOMPARE(label->text(), message);
            QVERIFY(label->toolTip().isEmpty());
        } else {
            QVERIFY(label->text().endsWith(QChar(0x2026)));
            QCOMPARE(label->toolTip(), message);
        }
        // What is shown fits the label whole; nothing is cut by the label's edge.
        QVERIFY(label->fontMetrics().horizontalAdvance(label->text()) <= label->contentsRect().width());
        // The next short message takes the tooltip away.
        form->reporter().status("Done");
        QCOMPARE(label->text(), QStringLiteral("Done"));
        QVERIFY(label->toolTip().isEmpty());
    }

    void savedFileMatchesItsName_data()
    {
        QTest::addColumn<gloamery::Slot>("slot");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        const Slot saved[] = {Slot::Height, Slot::Shadow, Slot::Colour, Slot::Grass, Slot::Stone, Slot::Texture, Slot::Detail};
        for (Slot s : saved) {
            const QString slot = QString::fromLatin1(slotName(s).data(), qsizetype(slotName(s).size()));
            QTest::addRow("%s .png", qPrintable(slot)) << s << "x.png" << "png";
            QTest::addRow("%s .PNG", qPrintable(slot)) << s << "x.PNG" << "png";
            QTest::addRow("%s .bmp", qPrintable(slot)) << s << "x.bmp" << "bmp";
            QTest::addRow("%s no extension", qPrintable(slot)) << s << "x" << "bmp";
            QTest::addRow("%s unknown extension", qPrintable(slot)) << s << "x.pic" << "bmp";
        }
    }
    void savedFileMatchesItsName()
    {
        QFETCH(gloamery::Slot, slot);
        QFETCH(QString, name);
        QFETCH(QString, kind);
        click("Command8");
        click("Command5");
        user.saveAnswer = file(name);
        useMenu(*form, user, slot, "mnpopsave");
        QVERIFY(user.messages.isEmpty());
        QCOMPARE(user.saveFilter, panel::saveFilter(slot));
        const Signature sig = signatureOf(user.saveAnswer);
        QCOMPARE(sig.kind, kind);
        if (kind == QLatin1String("png")) {
            QCOMPARE(sig.depth, 8);
            QCOMPARE(sig.colourType, 2); // RGB
        }
        // Read back, the file holds the picture.
        QImageReader reader(user.saveAnswer);
        reader.setDecideFormatFromContent(true);
        QVERIFY(reader.read().convertToFormat(QImage::Format_RGB32) == toQImage(slotPicture(*form->workspace(), slot)));
    }

    void saveDialogListsEachFormat()
    {
        for (Slot s : {Slot::Height, Slot::Colour, Slot::Grass}) {
            const QStringList entries = panel::saveFilter(s).split(QStringLiteral(";;"));
            const auto formats = panel::saveFormats();
            const auto offered = std::count_if(formats.begin(), formats.end(),
                                               [&](const panel::SaveFormat& f) { return !f.heightOnly || s == Slot::Height; });
            QCOMPARE(entries.size(), int(offered));
            // The format that keeps a picture whole first, where the dialog starts.
            QVERIFY2(entries[0].endsWith(QLatin1String("(*.png)")), qPrintable(entries[0]));
            QVERIFY2(entries.filter(QStringLiteral("(*.bmp)")).size() == 1, qPrintable(entries.join('|')));
            QVERIFY(panel::saveFilter(s, {}, true).startsWith(QLatin1String("GeoTIFF")));
        }
        QVERIFY(panel::saveFilter(Slot::Colour, QStringLiteral("Color Map")).startsWith(QLatin1String("Color Map as ")));
    }

    void deepHeightMapSavesSixteenBitPng()
    {
        const QImage ramp = deepRamp(256, 256);
        QVERIFY(ramp.save(file(QStringLiteral("deep.png"))));
        user.openAnswer = file(QStringLiteral("deep.png"));
        useMenu(*form, user, Slot::Height, "mnpopload");
        QVERIFY(heightsAreDeep(*form->workspace()));
        for (const char* name : {"h.png", "h.bmp"}) {
            user.saveAnswer = file(QString::fromLatin1(name));
            useMenu(*form, user, Slot::Height, "mnpopsave");
            const Signature sig = signatureOf(user.saveAnswer);
            QCOMPARE(sig.kind, QString::fromLatin1(name).section('.', 1));
            if (sig.kind == QLatin1String("png")) {
                QCOMPARE(sig.depth, 16);
                QCOMPARE(sig.colourType, 0); // grey
                QVERIFY(QImage(user.saveAnswer) == ramp);
            }
        }
        // The grass shows the heights in 8 bits wherever it is loaded.
        useMenu(*form, user, Slot::Grass, "mnpopload");
        user.saveAnswer = file(QStringLiteral("g.png"));
        useMenu(*form, user, Slot::Grass, "mnpopsave");
        QCOMPARE(signatureOf(user.saveAnswer).depth, 8);
    }

    // Another program offers a 16-bit PNG: pasted, the heights keep every
    // sample, as loading the same file does; other slots show 8 bits.
    void clipboardKeepsSixteenBitPng_data()
    {
        QTest::addColumn<bool>("alsoDecoded"); // offered decoded by the toolkit as well
        QTest::addColumn<QSize>("size");
        QTest::newRow("png alone") << false << QSize(256, 256);
        QTest::newRow("beside the toolkit's image") << true << QSize(256, 256);
        QTest::newRow("another size, worked at") << false << QSize(300, 200);
    }
    void clipboardKeepsSixteenBitPng()
    {
        QFETCH(bool, alsoDecoded);
        QFETCH(QSize, size);
        const QImage ramp = deepRamp(size.width(), size.height());
        auto* data = new QMimeData;
        if (alsoDecoded) data->setImageData(ramp.convertToFormat(QImage::Format_RGB32));
        data->setData(QStringLiteral("image/png"), pngBytes(ramp));
        QGuiApplication::clipboard()->setMimeData(data);
        user.workAtSize = true;
        useMenu(*form, user, Slot::Height, "mnmpoploadclip");
        QVERIFY(user.messages.isEmpty());
        const Workspace& ws = *form->workspace();
        QCOMPARE(QSize(ws.width(), ws.height()), size);
        QVERIFY(heightsAreDeep(ws));
        const HeightSamples samples = ws.heightSamples();
        std::set<std::uint16_t> distinct;
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x) {
                const quint16 want = reinterpret_cast<const quint16*>(ramp.constScanLine(y))[x];
                QVERIFY2(samples.at(x, y) == want, qPrintable(QStringLiteral("at %1,%2").arg(x).arg(y)));
                distinct.insert(samples.at(x, y));
            }
        QVERIFY(distinct.size() > 256);

        // Into another slot: its 8-bit view, as a load of the file gives.
        useMenu(*form, user, Slot::Stone, "mnmpoploadclip");
        const DeepPicture deep = *deepPictureOf(ramp);
        Picture expected = ws.picture(Slot::Stone);
        placeImage(expected, deep.shown);
        QCOMPARE(firstDifference(ws.picture(Slot::Stone), expected), QString());
        QVERIFY(heightsAreDeep(ws));

        // An 8-bit paste makes the heights 8-bit again.
        QGuiApplication::clipboard()->setImage(toQImage(ws.picture(Slot::Grass)));
        useMenu(*form, user, Slot::Height, "mnmpoploadclip");
        QVERIFY(!heightsAreDeep(ws));
    }

    void mapSizeRefusesWhatItCannotMake_data()
    {
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("height");
        QTest::addColumn<QSize>("taken"); // invalid: refused
        QTest::newRow("too wide") << "20000" << "768" << QSize();
        QTest::newRow("one past the largest") << "256" << "16385" << QSize();
        QTest::newRow("zero") << "0" << "256" << QSize();
        QTest::newRow("negative") << "256" << "-4" << QSize();
        QTest::newRow("letters") << "abc" << "256" << QSize();
        QTest::newRow("a fraction") << "256.5" << "256" << QSize();
        QTest::newRow("empty") << "" << "256" << QSize();
        QTest::newRow("the smallest") << "1" << "1" << QSize(1, 1);
        QTest::newRow("the largest, with blanks") << " 16384" << "2 " << QSize(16384, 2);
    }
    void mapSizeRefusesWhatItCannotMake()
    {
        QFETCH(QString, width);
        QFETCH(QString, height);
        QFETCH(QSize, taken);
        QStringList refusals;
        panel::MapSizeDialog dialog(QSize(256, 256), [&](QWidget*, const QString& text) { refusals << text; }, nullptr);
        dialog.show();
        dialog.findChild<QLineEdit*>(QStringLiteral("width"))->setText(width);
        dialog.findChild<QLineEdit*>(QStringLiteral("height"))->setText(height);
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        if (taken.isValid()) {
            QVERIFY(refusals.isEmpty());
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(dialog.chosen(), std::optional<QSize>(taken));
        } else {
            QCOMPARE(refusals.size(), 1);
            QVERIFY2(refusals[0].contains(QLatin1String("from 1 to 16384")), qPrintable(refusals[0]));
            QVERIFY(dialog.isVisible()); // open to mend the number
            QVERIFY(!dialog.chosen());
        }
    }

    void openDialogFirstListsEveryReadableFormat()
    {
        for (Slot s : {Slot::Height, Slot::Grass, Slot::Stone, Slot::Texture, Slot::Detail}) {
            user.opens = 0;
            useMenu(*form, user, s, "mnpopload");
            QCOMPARE(user.opens, 1);
            const QString first = user.openFilter.section(QStringLiteral(";;"), 0, 0);
            QStringList wanted = {"bmp", "jpg", "jpeg", "gif", "png", "pgm", "ppm", "tif", "tiff", "r16", "raw", "hgt", "asc"};
            for (const QByteArray& f : QImageReader::supportedImageFormats()) wanted << QString::fromLatin1(f);
            for (const QString& ext : wanted)
                QVERIFY2(first.contains(QStringLiteral("*.") + ext + QLatin1Char(' ')) || first.contains(QStringLiteral("*.") + ext + QLatin1Char(')')),
                         qPrintable(ext + " missing from " + first));
        }
    }

    void closingAsksOnlyWithUnsavedWork()
    {
        // The start state: nothing to lose.
        QVERIFY(form->close());
        QVERIFY(user.closeQuestions.isEmpty());

        init();
        click("Command8");
        click("Command5");
        user.closeAnswer = {CloseAnswer::Cancel, false};
        QVERIFY(!form->close());
        QVERIFY(form->isVisible());
        QCOMPARE(user.closeQuestions.value(0), QStringList({"Shadow Map", "Color Map", "Texture Map"}));

        // Saved from the menu, a picture is no longer asked about.
        user.saveAnswer = file(QStringLiteral("colour.png"));
        useMenu(*form, user, Slot::Colour, "mnpopsave");
        QVERIFY(!form->close());
        QCOMPARE(user.closeQuestions.value(1), QStringList({"Shadow Map", "Texture Map"}));

        // Save: each in turn; a dialog cancelled keeps the window open.
        user.closeAnswer = {CloseAnswer::Save, false};
        user.saveAnswer.clear();
        QVERIFY(!form->close());
        QCOMPARE(user.closeQuestions.size(), 3);
        user.saveAnswer = file(QStringLiteral("each.bmp"));
        const int saves = user.saves;
        QVERIFY(form->close());
        QCOMPARE(user.saves - saves, 2);
        QVERIFY(user.saveFilter.startsWith(QLatin1String("Texture Map as ")));
        QCOMPARE(signatureOf(user.saveAnswer).kind, QStringLiteral("bmp"));
    }

    void closingAsksAboutLoadedAndPastedPictures()
    {
        QGuiApplication::clipboard()->setImage(toQImage(form->workspace()->picture(Slot::Stone)));
        useMenu(*form, user, Slot::Grass, "mnmpoploadclip");
        QVERIFY(toQImage(form->workspace()->picture(Slot::Stone)).save(file(QStringLiteral("s.bmp"))));
        user.openAnswer = file(QStringLiteral("s.bmp"));
        useMenu(*form, user, Slot::Detail, "mnpopload");
        user.closeAnswer = {CloseAnswer::Discard, false};
        QVERIFY(form->close());
        QCOMPARE(user.closeQuestions.value(0), QStringList({"Grass Map", "Detail Map"}));
    }

    // Undo and redo: a picture is unsaved while it differs from what was
    // saved or shown at start.
    void undoBackToTheStartLeavesNothingToSave()
    {
        click("Command8");
        form->undoSteps().undo();
        QVERIFY(form->closeGuard().unsaved().empty());
        form->undoSteps().redo();
        QCOMPARE(form->closeGuard().unsaved(), std::vector<Slot>{Slot::Texture});
        user.saveAnswer = file(QStringLiteral("t.png"));
        useMenu(*form, user, Slot::Texture, "mnpopsave");
        QVERIFY(form->closeGuard().unsaved().empty());
        form->undoSteps().undo(); // the texture now differs from the file
        QCOMPARE(form->closeGuard().unsaved(), std::vector<Slot>{Slot::Texture});
    }

    void dontAskAgainIsKept()
    {
        click("Command8");
        user.closeAnswer = {CloseAnswer::Cancel, true}; // a cancel decides nothing
        QVERIFY(!form->close());
        QVERIFY(settings().value(panel::CloseGuard::settingsKey(), true).toBool());
        user.closeAnswer = {CloseAnswer::Discard, true};
        QVERIFY(form->close());
        QCOMPARE(settings().value(panel::CloseGuard::settingsKey(), true).toBool(), false);

        // A new window with unsaved work closes at once.
        form = std::make_unique<Form1>(user.prompts());
        form->show();
        click("Command8");
        QVERIFY(form->close());
        QCOMPARE(user.closeQuestions.size(), 2);
    }
};

QTEST_MAIN(FeedbackTest)
#include "feedback_test.moc"
