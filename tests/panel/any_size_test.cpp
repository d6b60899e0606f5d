// The control panel at map sizes other than 256 x 256, and pictures loaded
// by dropping files on them; on the offscreen platform.

#include "panel_fixture.h"

#include "batch_run.h"
#include "preview3d/frm3D.h"
#include "shadow/sweep.h"
#include "workspace/fit_heights.h"

#include <QApplication>
#include <QCheckBox>
#include <QDropEvent>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>
#include <sstream>

using namespace gloamery;
using namespace gloamery::testing;
using panel::Form1;

class AnySizeTest : public PanelFixture {
    Q_OBJECT

    QString text(const char* name) { return the<QLineEdit>(name)->text(); }

private slots:

    void pastedHeightMapOfAnotherSize_data()
    {
        QTest::addColumn<bool>("workAtSize");
        QTest::newRow("work at its size") << true;
        QTest::newRow("keep the map's size") << false;
    }
    void pastedHeightMapOfAnotherSize()
    {
        QFETCH(bool, workAtSize);
        const QString path = file(QStringLiteral("h.png"));
        QVERIFY(greyRamp({300, 200}).save(path));
        QGuiApplication::clipboard()->setImage(greyRamp({300, 200}));
        user.workAtSize = workAtSize;
        useMenu(*form, user, Slot::Height, "mnmpoploadclip");
        QCOMPARE(user.askedImage, QSize(300, 200));
        QCOMPARE(user.askedMap, QSize(256, 256));
        QTest::mousePress(&form->pictureView(Slot::Height), Qt::LeftButton, {}, QPoint(40, 60));
        click("Command5");

        // The batch tool, at the same settings, from the same picture.
        const QString out = file(QStringLiteral("colour.png"));
        const QString sun = text("X0") + ',' + text("Y0");
        QStringList args;
        if (workAtSize) args << "--size" << "300,200";
        args << "--load" << "height" << path << "--sun" << sun << "linear" << "--save" << "colour" << out;
        std::ostringstream sink;
        QCOMPARE(batch::runTool(args, sink, sink), batch::kExitOk);
        QCOMPARE(toQImage(form->workspace()->picture(Slot::Colour)), QImage(out).convertToFormat(QImage::Format_RGB32));
        const QSize map(form->workspace()->width(), form->workspace()->height());
        QCOMPARE(map, workAtSize ? QSize(300, 200) : QSize(256, 256));
        if (workAtSize) {
            QCOMPARE(sun, QStringLiteral("46,21")); // shown 256 x 171, 42 cell pixels down
            QCOMPARE(form->pictureView(Slot::Colour).image().size(), QSize(256, 171));
            QCOMPARE(form->pictureView(Slot::Work).image().size(), QSize(20, 20));
        }
        QVERIFY(user.messages.isEmpty());
    }

    void clickOnAScaledHeightMap_data()
    {
        QTest::addColumn<QSize>("map");
        QTest::addColumn<QPoint>("click");
        QTest::addColumn<QString>("sun"); // X0,Y0 after the click; "0,0": not moved
        QTest::newRow("1024 x 768, centre") << QSize(1024, 768) << QPoint(128, 128) << "512,384";
        QTest::newRow("1024 x 768, last pixel") << QSize(1024, 768) << QPoint(255, 223) << "1020,764";
        QTest::newRow("1024 x 768, margin above") << QSize(1024, 768) << QPoint(100, 20) << "0,0";
        QTest::newRow("100 x 50, enlarged") << QSize(100, 50) << QPoint(255, 64) << "99,0";
        QTest::newRow("100 x 50, margin below") << QSize(100, 50) << QPoint(5, 200) << "0,0";
        QTest::newRow("16 x 4096, one pixel wide") << QSize(16, 4096) << QPoint(127, 255) << "0,4080";
    }
    void clickOnAScaledHeightMap()
    {
        QFETCH(QSize, map);
        QFETCH(QPoint, click);
        QFETCH(QString, sun);
        QVERIFY(form->mapResizer().resize(map));
        QCOMPARE(form->findChild<QLabel*>(QStringLiteral("labWork"))->text(),
                 QStringLiteral("Map %1 \u00d7 %2").arg(map.width()).arg(map.height()));
        QTest::mousePress(&form->pictureView(Slot::Height), Qt::LeftButton, {}, click);
        QCOMPARE(text("X0") + ',' + text("Y0"), sun);
        // The cell keeps its place and size; the margin shows the window.
        const QImage shot = form->pictureView(Slot::Height).grab().toImage();
        QCOMPARE(shot.size(), QSize(256, 256));
        const QRect shown = form->pictureView(Slot::Height).shownRect();
        if (shown.top() > 0) QCOMPARE(shot.pixelColor(0, 0), form->palette().window().color());
        // Shrunk: a shown pixel is the rounded mean of the block it covers.
        const int bw = map.width() / shown.width(), bh = map.height() / shown.height();
        if (bw > 1 && shown.width() > 1 && map.width() % shown.width() == 0) {
            int sum[3] = {};
            for (int y = 0; y < bh; ++y)
                for (int x = 0; x < bw; ++x) {
                    const Channels c = split(form->workspace()->heightPicture().at(bw + x, y));
                    sum[0] += c.r, sum[1] += c.g, sum[2] += c.b;
                }
            const int n = bw * bh;
            QCOMPARE(form->pictureView(Slot::Height).image().pixel(1, 0),
                     qRgb((sum[0] + n / 2) / n, (sum[1] + n / 2) / n, (sum[2] + n / 2) / n));
        }
    }

    void mapSizeCommandResizesAsTheBatchToolDoes()
    {
        click("Command8");
        click("Command5");
        Workspace expected = *form->workspace();
        expected.resize(40, 30);
        user.mapSizeAnswer = QSize(40, 30);
        useMenu(*form, user, Slot::Grass, "mnmapsize"); // only the height map's menu has it
        QCOMPARE(form->workspace()->width(), 256);
        useMenu(*form, user, Slot::Height, "mnmapsize");
        QCOMPARE(firstDifference(*form->workspace(), expected), QString());
        QVERIFY(form->pictureMenu().mnuPopup().actions().size() == 4);
    }

    // "Fit to engine size..." offers the engine size nearest the map's and
    // resamples the heights as --fit does; a raster's units follow the new
    // pixels; a size the map cannot take leaves it as it was.
    void fitCommandResamplesAsTheBatchToolDoes_data()
    {
        QTest::addColumn<QString>("grid");   // an ESRI grid to open first, else the default map
        QTest::addColumn<QSize>("offered");
        QTest::addColumn<QSize>("answer");
        QTest::addColumn<QString>("groundX"); // the Units field after, empty when refused
        QTest::newRow("default map to 257 x 129") << QString() << QSize(257, 257) << QSize(257, 129) << "1";
        QTest::newRow("too large a side") << QString() << QSize(257, 257) << QSize(20000, 10) << QString();
        QTest::newRow("a 25 m raster to 5 x 3")
            << "ncols 3\nnrows 2\nxllcorner 0\nyllcorner 0\ncellsize 25\n100 110 120\n130 140 355\n" << QSize(3, 3)
            << QSize(5, 3) << "12.5";
    }
    void fitCommandResamplesAsTheBatchToolDoes()
    {
        QFETCH(QString, grid);
        QFETCH(QSize, offered);
        QFETCH(QSize, answer);
        QFETCH(QString, groundX);
        if (!grid.isEmpty()) {
            const QString path = file(QStringLiteral("g.asc"));
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(grid.toLatin1());
            f.close();
            user.workAtSize = true; // the map takes the raster's 3 x 2
            if (!form->openHeightMap(path)) QSKIP("no raster plugin");
        }
        const Workspace before = *form->workspace();
        Workspace expected = before;
        const bool fits = !groundX.isEmpty();
        if (fits) QVERIFY(!fitToSize(expected, answer.width(), answer.height()));
        user.mapSizeAnswer = answer;
        useMenu(*form, user, Slot::Height, "mnfitengine");
        QCOMPARE(user.offeredMapSize, offered);
        QCOMPARE(firstDifference(*form->workspace(), expected), QString());
        QCOMPARE(user.messages.size(), fits ? 0 : 1);
        if (fits) QCOMPARE(the<QLineEdit>("GroundX")->text(), groundX);
    }

    void droppedFilesLoadAsLoadPictureDoes_data()
    {
        QTest::addColumn<gloamery::Slot>("slot");
        QTest::addColumn<QByteArray>("content"); // empty: a good picture
        QTest::addColumn<bool>("accepted");
        QTest::newRow("picture on the stone map") << Slot::Stone << QByteArray() << true;
        QTest::newRow("picture on the height map") << Slot::Height << QByteArray() << true;
        QTest::newRow("damaged file on the grass map") << Slot::Grass << QByteArray("BM not really") << true;
        QTest::newRow("picture on the colour map") << Slot::Colour << QByteArray() << false;
    }
    void droppedFilesLoadAsLoadPictureDoes()
    {
        QFETCH(gloamery::Slot, slot);
        QFETCH(QByteArray, content);
        QFETCH(bool, accepted);
        const QString path = file(QStringLiteral("dropped.bmp"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        if (content.isEmpty()) QVERIFY(greyRamp({256, 256}).save(&f, "BMP"));
        else f.write(content);
        f.close();

        const Workspace before = *form->workspace();
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QWidget& view = form->pictureView(slot);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&view, &enter);
        QCOMPARE(enter.isAccepted(), accepted);
        if (accepted) {
            QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(&view, &drop);
            QVERIFY(drop.isAccepted());
            QCoreApplication::processEvents();
        }
        Workspace expected = before;
        if (accepted && content.isEmpty()) putImage(expected, slot, greyRamp({256, 256}));
        QCOMPARE(firstDifference(*form->workspace(), expected), QString());
        if (accepted && !content.isEmpty()) {
            QCOMPARE(user.messages.size(), 1);
            QVERIFY2(user.messages[0].startsWith("Cannot load " + path + ": "), qPrintable(user.messages[0]));
        } else {
            QVERIFY(user.messages.isEmpty());
        }
    }

    void threeDViewCaptionsFitTheirBoxes()
    {
        Workspace ws;
        frm3D view(ws, ViewGrids());
        // A check box's hint is its indicator and caption; a button's is at
        // least a style's minimum width, so its caption is measured alone.
        for (QWidget* w : QList<QWidget*>{view.Check1, view.Check2})
            QVERIFY2(w->sizeHint().width() <= w->width(), qPrintable(w->property("text").toString()));
        for (QPushButton* b : {view.Command2, view.Command3, view.Command4, view.pulRes})
            QVERIFY2(b->fontMetrics().horizontalAdvance(b->text()) + 8 <= b->width(), qPrintable(b->text()));
        QCOMPARE(view.windowTitle(), QStringLiteral("3D View"));
    }
};

QTEST_MAIN(AnySizeTest)
#include "any_size_test.moc"
