// The control panel driven through its widgets, on the offscreen platform.

#include "panel_fixture.h"

#include "panel/open_formats.h"
#include "panel/save_formats.h"

#include "imageio/qt/height_files.h"
#include "compose/texture.h"
#include "imageio/qt/format_checks.h"
#include "inputs/shadow_inputs.h"
#include "workspace/numeric.h"

#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QGuiApplication>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtEndian>

#include <sys/resource.h>

#include <csignal>
#include <memory>

using namespace gloamery;
using namespace gloamery::testing;
using panel::Form1;

Q_DECLARE_METATYPE(gloamery::Slot)
Q_DECLARE_METATYPE(Qt::MouseButton)

// Keeps the last status text and progress fraction an operation reported.
struct LastReport final : Reporter {
    std::optional<QString> text;
    std::optional<double> fraction;
    void status(std::string_view t) override { text = QString::fromUtf8(t.data(), qsizetype(t.size())); }
    void progress(double f) override { fraction = f; }
    void busy(bool) override {}
};

// How another program's clipboard looks to the toolkit: encoded bytes under
// their type, which it also offers as an image decoded by itself.
class ForeignClipboard : public QMimeData {
public:
    ForeignClipboard(const QString& type, const QByteArray& bytes) : type_(type) { setData(type, bytes); }
    QStringList formats() const override { return {type_, QStringLiteral("application/x-qt-image")}; }
    bool hasFormat(const QString& f) const override { return formats().contains(f); }

protected:
    QVariant retrieveData(const QString& f, QMetaType t) const override
    {
        if (f == QLatin1String("application/x-qt-image")) return QImage::fromData(QMimeData::data(type_));
        return QMimeData::retrieveData(f, t);
    }

private:
    QString type_;
};

class Form1Test : public PanelFixture {
    Q_OBJECT

    // On the indicator: only the indicator and the caption take a click.
    void choose(const QString& option) { QTest::mouseClick(form->findChild<QRadioButton*>(option), Qt::LeftButton, {}, QPoint(6, 8)); }

private slots:

    void startsWithDesignValuesAndDefaultPictures()
    {
        QCOMPARE(form->windowTitle(), QStringLiteral("Gloamery  v0.7"));
        QCOMPARE(form->size(), QSize(785, 785));
        QCOMPARE(the<QLabel>("Label4")->text(), QStringLiteral("CONTROL PANEL\n"));
        QCOMPARE(the<QLabel>("labWork")->text(), QStringLiteral("Done"));
        QCOMPARE(form->pbFullWidth(), 509.0);
        QCOMPARE(the<QWidget>("pb")->width(), 509);
        const Controls c = form->controls();
        QCOMPARE(c.x0, "0");
        QCOMPARE(c.y0, "0");
        QCOMPARE(c.alt, "5");
        QCOMPARE(c.darkness, 128);
        QCOMPARE(c.contrast, 0);
        QVERIFY(c.blur);
        QVERIFY(c.blend == BlendMode::Multiply);
        for (auto [name, max] : {std::pair{"HScroll1", 100}, std::pair{"HScroll2", 255}}) {
            QScrollBar* s = the<QScrollBar>(name);
            QCOMPARE(s->minimum(), 0);
            QCOMPARE(s->maximum(), max);
            QCOMPARE(s->pageStep(), 10);
            QCOMPARE(s->singleStep(), 1);
        }
        QVERIFY(!form->pictureMenu().popTarget());
        QStringList items;
        for (QAction* a : form->pictureMenu().mnuPopup().actions()) items << a->objectName() + "=" + a->text();
        QCOMPARE(items, QStringList({"mnpopsave=&Save picture...", "mnpopload=&Load Picture",
                                     "mnupopsaveclip=&To Clipboard", "mnmpoploadclip=&From Clipboard"}));
        QCOMPARE(the<QWidget>("Picture4")->toolTip(), QStringLiteral("Color Map"));
        QCOMPARE(firstDifference(form->workspace(), defaultWorkspace()), QString());
    }

    void controlsSitAtTheirDesignPlace_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("twips"); // left, top, width, height
        const QRect picture(0, 0, 3840, 3840);
        QTest::newRow("Picture1") << "Picture1" << picture.translated(60, 60);
        QTest::newRow("Picture8") << "Picture8" << picture.translated(7860, 7860);
        QTest::newRow("Picture2") << "Picture2" << QRect(4020, 10380, 300, 300);
        QTest::newRow("Command5") << "Command5" << QRect(180, 8460, 1215, 375);
        QTest::newRow("Command10") << "Command10" << QRect(5400, 8460, 1335, 375);
        QTest::newRow("Command6") << "Command6" << QRect(4020, 10320, 3675, 375);
        QTest::newRow("HScroll2") << "HScroll2" << QRect(4020, 9720, 3615, 255);
        QTest::newRow("Alt") << "Alt" << QRect(900, 10080, 675, 315);
        QTest::newRow("SwiBlur") << "SwiBlur" << QRect(2880, 9540, 615, 315);
        QTest::newRow("Option4 in Frame1") << "Option4" << QRect(1680 + 120, 9360 + 1020, 0, 0);
        QTest::newRow("Shape1") << "Shape1" << QRect(120, 11280, 7635, 375);
        QTest::newRow("labWork") << "labWork" << QRect(240, 11340, 7395, 255);
    }
    void controlsSitAtTheirDesignPlace()
    {
        QFETCH(QString, name);
        QFETCH(QRect, twips);
        QWidget* w = form->findChild<QWidget*>(name);
        QVERIFY(w);
        QCOMPARE(w->mapTo(form.get(), QPoint(0, 0)), QPoint(twips.x() / 15, twips.y() / 15));
        if (!twips.isEmpty()) QCOMPARE(w->size(), twips.size() / 15);
    }

    void picturesShowTheWorkspaceWithoutBorder()
    {
        click("Command8");
        click("Command5");
        const QImage shot = form->grab().toImage();
        for (Slot s : {Slot::Height, Slot::Shadow, Slot::Colour, Slot::Grass, Slot::Stone, Slot::Texture, Slot::Detail}) {
            const QPoint origin = form->pictureView(s).pos();
            for (QPoint p : {QPoint(0, 0), QPoint(255, 0), QPoint(0, 255), QPoint(255, 255), QPoint(37, 200)}) {
                const Channels c = split(slotPicture(form->workspace(), s).pixel(p.x(), p.y()));
                QVERIFY2(shot.pixel(origin + p) == qRgb(c.r, c.g, c.b),
                         qPrintable(QStringLiteral("slot %1 at %2,%3").arg(int(s)).arg(p.x()).arg(p.y())));
            }
        }
        QCOMPARE(form->pictureView(Slot::Height).pos(), QPoint(4, 4));
    }

    void defaultPicturesAreWhatTheWindowPromises()
    {
        // The files the build compiles in.
        const QString dir = QStringLiteral(GLOAMERY_RESOURCES_DIR "/");
        const QImage height(dir + "height.png"), detail(dir + "detail.png");
        QCOMPARE(height.size(), QSize(256, 256));
        QCOMPARE(QImage(dir + "grass.png").size(), QSize(512, 512));
        QCOMPARE(QImage(dir + "stone.png").size(), QSize(256, 256));
        QCOMPARE(detail.format(), QImage::Format_Indexed8);
        for (int i = 0; i < detail.colorCount(); ++i) QCOMPARE(detail.color(i), qRgb(i, i, i));
        const struct { Slot slot; int lo, hi; } grey[] = {{Slot::Height, 27, 239}, {Slot::Detail, 121, 232}};
        for (const auto& g : grey) {
            int lo = 255, hi = 0;
            const Picture p = slotPicture(form->workspace(), g.slot);
            for (int y = 0; y < 256; ++y)
                for (int x = 0; x < 256; ++x) {
                    const Channels c = split(p.at(x, y));
                    QVERIFY2(c.r == c.g && c.g == c.b, qPrintable(QStringLiteral("grey at %1,%2").arg(x).arg(y)));
                    lo = std::min(lo, c.r);
                    hi = std::max(hi, c.r);
                }
            QCOMPARE(lo, g.lo);
            QCOMPARE(hi, g.hi);
        }
        const Channels grass = split(form->workspace().picture(Slot::Grass).at(10, 10));
        QVERIFY(grass.g > grass.r && grass.g > grass.b);
    }

    void pressRules_data()
    {
        QTest::addColumn<gloamery::Slot>("slot");
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<bool>("opensMenu");
        QTest::newRow("height, right") << Slot::Height << Qt::RightButton << true;
        QTest::newRow("height, middle") << Slot::Height << Qt::MiddleButton << true;
        for (Slot s : {Slot::Shadow, Slot::Colour, Slot::Grass, Slot::Stone, Slot::Texture, Slot::Detail}) {
            const QByteArray n = QByteArray::number(int(s) + 1);
            QTest::newRow("Picture" + n + ", right") << s << Qt::RightButton << true;
            QTest::newRow("Picture" + n + ", left") << s << Qt::LeftButton << false;
            QTest::newRow("Picture" + n + ", middle") << s << Qt::MiddleButton << false;
        }
        for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton})
            QTest::newRow("Picture2, " + QByteArray::number(b)) << Slot::Work << b << false;
    }
    void pressRules()
    {
        QFETCH(gloamery::Slot, slot);
        QFETCH(Qt::MouseButton, button);
        QFETCH(bool, opensMenu);
        useMenu(*form, user, Slot::Stone, ""); // an earlier target, dismissed
        QTest::mousePress(&form->pictureView(slot), button, {}, QPoint(5, 6));
        QCOMPARE(user.menus, opensMenu ? 2 : 1);
        QVERIFY(form->pictureMenu().popTarget() == (opensMenu ? slot : Slot::Stone));
        QCOMPARE(the<QLineEdit>("X0")->text(), QStringLiteral("0"));
    }

    void leftPressOnHeightMapPlacesTheSun()
    {
        useMenu(*form, user, Slot::Grass, "");
        QTest::mousePress(&form->pictureView(Slot::Height), Qt::LeftButton, {}, QPoint(37, 200));
        QCOMPARE(the<QLineEdit>("X0")->text(), QStringLiteral("37"));
        QCOMPARE(the<QLineEdit>("Y0")->text(), QStringLiteral("200"));
        QCOMPARE(user.menus, 1);
        QVERIFY(form->pictureMenu().popTarget() == Slot::Grass);
        QCOMPARE(firstDifference(form->workspace(), defaultWorkspace()), QString()); // starts nothing
    }

    void computedMapsRefuseFilesButTakeTheClipboard()
    {
        user.openAnswer = file("never.bmp");
        for (Slot s : {Slot::Shadow, Slot::Colour}) useMenu(*form, user, s, "mnpopload");
        QCOMPARE(user.opens, 0);
        QGuiApplication::clipboard()->setImage(toQImage(form->workspace().picture(Slot::Stone)));
        useMenu(*form, user, Slot::Colour, "mnmpoploadclip");
        QCOMPARE(firstDifference(form->workspace().picture(Slot::Colour), form->workspace().picture(Slot::Stone)), QString());
        QVERIFY(user.messages.isEmpty());
    }

    void savedPicturesLoadBack_data()
    {
        QTest::addColumn<gloamery::Slot>("from");
        QTest::addColumn<gloamery::Slot>("into");
        QTest::newRow("stone into grass") << Slot::Stone << Slot::Grass;
        QTest::newRow("detail into height") << Slot::Detail << Slot::Height;
        QTest::newRow("colour into texture") << Slot::Colour << Slot::Texture;
        QTest::newRow("height into detail") << Slot::Height << Slot::Detail;
        QTest::newRow("shadow into stone") << Slot::Shadow << Slot::Stone;
    }
    void savedPicturesLoadBack()
    {
        QFETCH(gloamery::Slot, from);
        QFETCH(gloamery::Slot, into);
        click("Command8");
        QTest::mousePress(&form->pictureView(Slot::Height), Qt::LeftButton, {}, QPoint(200, 60));
        click("Command5");
        // Saved under a name with no extension it knows: a BMP, at that very path.
        user.saveAnswer = user.openAnswer = file("saved.pic");
        useMenu(*form, user, from, "mnpopsave");
        QCOMPARE(user.saveFilter, panel::saveFilter(from));
        QCOMPARE(QImageReader(user.saveAnswer).format(), QByteArray("bmp"));
        useMenu(*form, user, into, "mnpopload");
        QCOMPARE(user.openFilter, panel::openFilter(into));
        const Workspace& ws = form->workspace();
        QCOMPARE(firstDifference(slotPicture(ws, into), slotPicture(ws, from)), QString());
        QVERIFY(form->pictureView(into).image() == toQImage(slotPicture(ws, into)));
        QVERIFY(user.messages.isEmpty());
    }

    void deepHeightMapsLoadShowTheirRangeAndSaveSixteenBits()
    {
        std::vector<std::uint16_t> ramp(256 * 256);
        for (std::size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<std::uint16_t>(i);
        const HeightSamples samples(256, 256, ramp.data());
        QVERIFY(!saveDeepHeights(samples, file("deep.png")));
        user.openAnswer = file("deep.png");
        useMenu(*form, user, Slot::Height, "mnpopload");
        QVERIFY(heightsAreDeep(form->workspace()));
        QCOMPARE(form->workspace().heightPicture().pixel(200, 1), grey(shownByte(456)));

        // Offered as 16-bit PNG, and written so.
        user.saveAnswer = file("saved.png");
        useMenu(*form, user, Slot::Height, "mnpopsave");
        QCOMPARE(user.saveFilter, panel::saveFilter(Slot::Height));
        const QImage saved(user.saveAnswer);
        QCOMPARE(saved.format(), QImage::Format_Grayscale16);
        QCOMPARE(reinterpret_cast<const quint16*>(saved.constScanLine(1))[200], quint16(456));

        // A raster tells the range it used on the status line.
        QVERIFY(writeFile(file("hill.asc"), "ncols 2\nnrows 1\nxllcorner 0\nyllcorner 0\ncellsize 1\n-4.5 120\n"));
        if (!elevationReaderAvailable()) QSKIP("the gloamery-gdal plugin is not built");
        loadInto(Slot::Height, file("hill.asc"));
        QVERIFY(user.messages.isEmpty());
        // The range, then the units the raster sets for "Sun" (whole in the tooltip).
        const QLabel* status = form->findChild<QLabel*>("labWork");
        QVERIFY2(status->text().startsWith(QStringLiteral("heights from -4.5 to 120 mapped onto 0..65535; ")), qPrintable(status->text()));
        QVERIFY2(status->toolTip().endsWith(QStringLiteral("in elevation (--ground 1,1 --vertical 0.48823529411764705)")),
                 qPrintable(status->toolTip()));
    }

    void cancelledDialogsChangeNothing()
    {
        useMenu(*form, user, Slot::Grass, "mnpopsave");
        useMenu(*form, user, Slot::Grass, "mnpopload");
        QCOMPARE(user.saves + user.opens, 2);
        QVERIFY(user.messages.isEmpty());
        QVERIFY(QDir(dir->path()).isEmpty());
        QCOMPARE(firstDifference(form->workspace(), defaultWorkspace()), QString());
    }

    void failedSaveKeepsTheExistingFile()
    {
        // Files may grow to a few bytes only, so writing the picture
        // fails half-way (as on a full disk).
        const QString path = dir->filePath(QStringLiteral("kept.bmp"));
        QFile existing(path);
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.write("precious");
        existing.close();
        user.saveAnswer = path;
        rlimit before {};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &before), 0);
        const rlimit small{1000, before.rlim_max};
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        useMenu(*form, user, Slot::Grass, "mnpopsave");
        ::setrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, oldHandler);
        QCOMPARE(user.messages.size(), 1);
        QVERIFY2(user.messages[0].startsWith("Cannot save " + path + ": "), qPrintable(user.messages[0]));
        QVERIFY(existing.open(QIODevice::ReadOnly));
        QCOMPARE(existing.readAll(), QByteArray("precious"));
    }

    void unreadableFilesLeaveThePicture_data()
    {
        QTest::addColumn<QByteArray>("content");
        QByteArray bmp;
        {
            QBuffer b(&bmp);
            b.open(QIODevice::WriteOnly);
            toQImage(defaultWorkspace().picture(Slot::Stone)).save(&b, "BMP");
        }
        // A valid header that declares a 40000 x 40000 picture in 24 bits.
        QByteArray huge = bmp.left(54);
        qToLittleEndian<qint32>(40000, huge.data() + 18);
        qToLittleEndian<qint32>(40000, huge.data() + 22);
        qToLittleEndian<quint16>(24, huge.data() + 28);
        QTest::newRow("not an image") << QByteArray("hello, world");
        QTest::newRow("truncated") << bmp.left(40);
        QTest::newRow("cut short in its pixel rows") << bmp.left(bmp.size() / 2);
        QTest::newRow("declares a huge picture") << huge;
        QTest::newRow("empty") << QByteArray();
    }
    void unreadableFilesLeaveThePicture()
    {
        QFETCH(QByteArray, content);
        const QString path = file("bad.bmp");
        QVERIFY(writeFile(path, content));
        loadInto(Slot::Grass, path);
        QCOMPARE(user.messages.size(), 1);
        QVERIFY2(user.messages[0].startsWith("Cannot load " + path + ": "), qPrintable(user.messages[0]));
        QVERIFY(user.messages[0].size() > ("Cannot load " + path + ": ").size());
        QCOMPARE(firstDifference(form->workspace(), defaultWorkspace()), QString());
    }

    void clipboardBothWays()
    {
        QClipboard* clip = QGuiApplication::clipboard();
        useMenu(*form, user, Slot::Stone, "mnupopsaveclip");
        QVERIFY(clip->image().convertToFormat(QImage::Format_RGB32) == toQImage(form->workspace().picture(Slot::Stone)));

        // No image: nothing changes, nothing is said.
        clip->setText(QStringLiteral("not a picture"));
        useMenu(*form, user, Slot::Height, "mnmpoploadclip");
        QCOMPARE(firstDifference(form->workspace(), defaultWorkspace()), QString());

        // Only encoded bytes, as another program may offer them; smaller
        // than the slot, so the rest shows its background.
        QImage small(100, 50, QImage::Format_RGB32);
        small.fill(qRgb(10, 20, 30));
        QByteArray bytes;
        QBuffer b(&bytes);
        b.open(QIODevice::WriteOnly);
        small.save(&b, "BMP");
        auto* data = new QMimeData;
        data->setData(QStringLiteral("image/bmp"), bytes);
        clip->setMimeData(data);
        useMenu(*form, user, Slot::Height, "mnmpoploadclip");
        Picture expected(slotBackground(Slot::Height));
        placeImage(expected, small);
        QCOMPARE(firstDifference(form->workspace().heightPicture(), expected), QString());
        QCOMPARE(expected.pixel(99, 49), compose(10, 20, 30));
        QVERIFY(form->pictureView(Slot::Height).image() == toQImage(expected));
        QVERIFY(user.messages.isEmpty());

        // Another program's damaged BMP, which the toolkit would also offer
        // decoded by itself: refused like a damaged file, and said so.
        const QByteArray cut = bytes.left(bytes.size() / 2);
        QVERIFY(!QImage::fromData(cut, "BMP").isNull()); // what an unchecked paste would show
        clip->setMimeData(new ForeignClipboard(QStringLiteral("image/bmp"), cut));
        useMenu(*form, user, Slot::Stone, "mnmpoploadclip");
        QCOMPARE(firstDifference(form->workspace().picture(Slot::Stone), defaultWorkspace().picture(Slot::Stone)),
                 QString());
        QCOMPARE(user.messages.size(), 1);
        QVERIFY2(user.messages[0].startsWith(QStringLiteral("Cannot load the picture on the clipboard: ")),
                 qPrintable(user.messages[0]));
        user.messages.clear();

        // A type no picture file has is still taken as the toolkit reads it.
        clip->setMimeData(new ForeignClipboard(QStringLiteral("image/x-other"), bytes));
        useMenu(*form, user, Slot::Detail, "mnmpoploadclip");
        Picture detail(slotBackground(Slot::Detail));
        placeImage(detail, small);
        QCOMPARE(firstDifference(form->workspace().picture(Slot::Detail), detail), QString());
        QVERIFY(user.messages.isEmpty());
    }

    // A picture beyond the decoding limit on the clipboard is refused with
    // the same message box and the same reason as the same picture from a
    // file, whichever way the clipboard holds it.
    void oversizedClipboardPictureIsRefusedLikeTheFile_data()
    {
        QTest::addColumn<QString>("type"); // empty: a decoded image, as copied in a program
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        // One pixel wider than the largest map; one bit a pixel keeps the
        // test's own images small.
        QImage big(16385, 4, QImage::Format_Mono);
        big.fill(1);
        QByteArray png;
        {
            QBuffer b(&png);
            b.open(QIODevice::WriteOnly);
            QVERIFY(big.save(&b, "PNG"));
        }
        QByteArray bmp;
        {
            QBuffer b(&bmp);
            b.open(QIODevice::WriteOnly);
            QVERIFY(QImage(8, 8, QImage::Format_RGB32).save(&b, "BMP"));
        }
        // A valid header that declares a 40000 x 40000 picture in 24 bits.
        bmp = bmp.left(54);
        qToLittleEndian<qint32>(40000, bmp.data() + 18);
        qToLittleEndian<qint32>(40000, bmp.data() + 22);
        qToLittleEndian<quint16>(24, bmp.data() + 28);
        const QString reasonTooWide = QString::fromStdString(tooLargeError(16385, 4, kDecodeLimitMiB).message);
        QTest::newRow("PNG from another program") << QStringLiteral("image/png") << png << reasonTooWide;
        QTest::newRow("PNG with the toolkit's decoding offered too") << QStringLiteral("image/png+qt") << png
                                                                     << reasonTooWide;
        QTest::newRow("PNG under a type no file has") << QStringLiteral("image/x-other+qt") << png << reasonTooWide;
        QTest::newRow("BMP declaring 40000 x 40000") << QStringLiteral("image/bmp") << bmp
                                                     << QString::fromStdString(
                                                            tooLargeError(40000, 40000, kDecodeLimitMiB).message);
        QTest::newRow("decoded image, copied in a program") << QString() << png << reasonTooWide;
    }

    void oversizedClipboardPictureIsRefusedLikeTheFile()
    {
        QFETCH(QString, type);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);

        // The same picture from a file.
        const QString path = file("big.img");
        QVERIFY(writeFile(path, bytes));
        loadInto(Slot::Grass, path);
        QCOMPARE(user.messages, QStringList("Cannot load " + path + ": " + reason));
        user.messages.clear();

        QClipboard* clip = QGuiApplication::clipboard();
        if (type.isEmpty()) {
            QImage image(16385, 4, QImage::Format_Mono);
            image.fill(1);
            clip->setImage(image);
        } else if (type.endsWith(QLatin1String("+qt"))) {
            clip->setMimeData(new ForeignClipboard(type.chopped(3), bytes));
        } else {
            auto* data = new QMimeData;
            data->setData(type, bytes);
            clip->setMimeData(data);
        }
        useMenu(*form, user, Slot::Grass, "mnmpoploadclip");
        QCOMPARE(user.messages, QStringList("Cannot load the picture on the clipboard: " + reason));
        QCOMPARE(firstDifference(form->workspace(), defaultWorkspace()), QString());
        clip->clear();
    }

    void unusableNumbersAreRefused_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("refused");
        QTest::newRow("X0 junk, Linear") << "Command5" << int(ShadowMode::Linear) << "X0" << "abc" << true;
        QTest::newRow("Y0 empty, Cos func") << "Command4" << int(ShadowMode::Cos) << "Y0" << "" << true;
        QTest::newRow("Alt infinite, Sin func") << "Command9" << int(ShadowMode::Sin) << "Alt" << "1e999" << true;
        QTest::newRow("Alt nan, Embossed") << "Command11" << int(ShadowMode::Embossed) << "Alt" << "nan" << true;
        QTest::newRow("Alt too small for a double, Linear") << "Command5" << int(ShadowMode::Linear) << "Alt" << "1e-400" << false;
        QTest::newRow("X0 junk, Linear sim (no sun)") << "Command7" << int(ShadowMode::LinearSim) << "X0" << "abc" << false;
    }
    void unusableNumbersAreRefused()
    {
        QFETCH(QString, button);
        QFETCH(int, mode);
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(bool, refused);
        form->findChild<QLineEdit*>(box)->setText(text);
        the<QWidget>("pb")->resize(100, 25);
        Workspace expected = defaultWorkspace();
        SilentReporter quiet;
        const Refusal core = runShadowButton(expected, ShadowMode(mode), form->controls(), localeNumberParser(), quiet);
        QTest::mouseClick(form->findChild<QPushButton*>(button), Qt::LeftButton);
        if (refused) {
            QVERIFY(core);
            QCOMPARE(user.messages, QStringList(QString::fromStdString(core->message)));
            QCOMPARE(firstDifference(form->workspace(), defaultWorkspace()), QString());
            QCOMPARE(the<QWidget>("pb")->width(), 100);
        } else {
            QVERIFY(user.messages.isEmpty());
            QVERIFY(!firstDifference(form->workspace(), defaultWorkspace()).isEmpty());
        }
    }

    void buttonsRunTheirOperation_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("op"); // a ShadowMode, or one of the others below
        enum { Texture = 10, Texture2, Clear };
        QTest::newRow("Linear") << "Command5" << int(ShadowMode::Linear);
        QTest::newRow("Linear sim") << "Command7" << int(ShadowMode::LinearSim);
        QTest::newRow("Embossed") << "Command11" << int(ShadowMode::Embossed);
        QTest::newRow("Sin func") << "Command9" << int(ShadowMode::Sin);
        QTest::newRow("Cos func") << "Command4" << int(ShadowMode::Cos);
        QTest::newRow("Make Texture") << "Command8" << int(Texture);
        QTest::newRow("Make Texture2") << "Command10" << int(Texture2);
        QTest::newRow("Clear") << "Command3" << int(Clear);
    }
    void buttonsRunTheirOperation()
    {
        QFETCH(QString, button);
        QFETCH(int, op);
        // Every input away from its default, so a control read wrongly shows.
        enter({.x0 = "40", .y0 = "30", .decay = "3", .texture = 30, .darkness = 100, .blur = false});
        choose("Option3");
        // Work on a texture and a shadow that are not plain.
        click("Command10");
        click("Command5");
        Workspace expected = form->workspace();
        const Controls c{"40", "30", "3", 100, 30, false, BlendMode::MultiplyHalf, {}, {}, {}, {}};
        LastReport core;
        if (op == 10) makeTexture(expected, 30, core);
        else if (op == 11) makeTexture2(expected, 30, core);
        else if (op == 12) clearShadow(expected);
        else QVERIFY(!runShadowButton(expected, ShadowMode(op), c, localeNumberParser(), core));

        the<QLabel>("labWork")->setText("before");
        the<QWidget>("pb")->resize(3, 25);
        QTest::mouseClick(form->findChild<QPushButton*>(button), Qt::LeftButton);
        QCOMPARE(firstDifference(form->workspace(), expected), QString());
        for (int s = 0; s < kSlotCount; ++s)
            QVERIFY2(form->pictureView(Slot(s)).image() == toQImage(slotPicture(expected, Slot(s))), qPrintable(QString::number(s)));
        // The status line and the bar end where the operation left them.
        QCOMPARE(the<QLabel>("labWork")->text(), core.text.value_or("before"));
        QCOMPARE(the<QWidget>("pb")->width(), core.fraction ? int(nearest(*core.fraction * 509)) : 3);
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void clearTwiceEmptiesShadowAndWorkOnly()
    {
        click("Command5");
        const Picture colour = form->workspace().picture(Slot::Colour);
        click("Command3");
        click("Command3");
        QCOMPARE(firstDifference(form->workspace().picture(Slot::Shadow), Picture(kWhite)), QString());
        QCOMPARE(firstDifference(form->workspace().picture(Slot::Work), Picture(kBlack, 20, 20)), QString());
        QCOMPARE(firstDifference(form->workspace().picture(Slot::Colour), colour), QString());
    }

    void reporterDrivesStatusBarAndPointer()
    {
        Reporter& r = form->reporter();
        QWidget* pb = the<QWidget>("pb");
        for (auto [fraction, width] : {std::pair{0.0, 0}, {0.5, 254}, {255 / 256.0, 507}, {1.0, 509}, {1.5, 509}, {-1.0, 0}}) {
            r.progress(fraction);
            QVERIFY2(pb->width() == width, qPrintable(QString::number(fraction)));
        }
        r.status("Merging...");
        QCOMPARE(the<QLabel>("labWork")->text(), QStringLiteral("Merging..."));
        r.busy(true);
        QVERIFY(QGuiApplication::overrideCursor() && QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor);
        r.busy(false);
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void blendOptionsAreExclusive()
    {
        const BlendMode modes[] = {BlendMode::Half, BlendMode::Multiply, BlendMode::MultiplyHalf, BlendMode::Multiply3};
        for (int pick : {3, 0, 2, 1}) {
            choose(QStringLiteral("Option%1").arg(pick + 1));
            for (int i = 0; i < 4; ++i)
                QCOMPARE(the<QRadioButton>(qPrintable(QStringLiteral("Option%1").arg(i + 1)))->isChecked(), i == pick);
            QVERIFY(form->controls().blend == modes[pick]);
        }
    }
};

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
