// The panel's results for other tools: "Save picture..." as GeoTIFF and as
// raw heights by the name's extension, "Export terrain..." on the height
// map's menu alone, and a raster's place kept in the GeoTIFF it saves.

#include "panel_fixture.h"

#include "imageio/qt/height_files.h"
#include "panel/picture_menu.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>

using namespace gloamery;
using namespace gloamery::testing;
using panel::Form1;

class ResultsTest : public PanelFixture {
    Q_OBJECT

    QByteArray bytes(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:

    void saveDialogOffersTheFormatsOfEachMap()
    {
        const struct {
            Slot slot;
            bool raw; // .r16 and .raw offered
        } cases[] = {{Slot::Grass, false}, {Slot::Colour, false}, {Slot::Shadow, false}, {Slot::Height, true}};
        for (const auto& c : cases) {
            useMenu(*form, user, c.slot, "mnpopsave");
            QVERIFY2(user.saveFilter.contains(QLatin1String("(*.tif *.tiff)")), qPrintable(user.saveFilter));
            QCOMPARE(user.saveFilter.contains(QLatin1String("(*.r16 *.raw)")), c.raw);
        }
    }

    void savesGeoTiffAndRawHeightsByTheName()
    {
        const Workspace& ws = *form->workspace();
        user.saveAnswer = file("grass.TIF");
        useMenu(*form, user, Slot::Grass, "mnpopsave");
        QVERIFY2(user.messages.isEmpty(), qPrintable(user.messages.join('\n')));
        QVERIFY(bytes(user.saveAnswer).startsWith(QByteArray("II*\0", 4)));

        user.saveAnswer = file("heights.r16");
        useMenu(*form, user, Slot::Height, "mnpopsave");
        const QByteArray raw = bytes(user.saveAnswer);
        QCOMPARE(raw.size(), 2 * ws.width() * ws.height());
        const int x = 40, y = 17, i = 2 * (y * ws.width() + x);
        QCOMPARE(static_cast<uchar>(raw[i]) | static_cast<uchar>(raw[i + 1]) << 8, 257 * red(ws.heightPicture().at(x, y)));

        // A shadow map named .r16 is no height map: BMP under that name.
        user.saveAnswer = file("shadow.r16");
        useMenu(*form, user, Slot::Shadow, "mnpopsave");
        QVERIFY(bytes(user.saveAnswer).startsWith("BM"));
    }

    void exportTerrainIsOnTheHeightMapsMenuAlone()
    {
        user.saveAnswer = file("terrain");
        useMenu(*form, user, Slot::Grass, "mnexportterrain");
        QCOMPARE(user.saves, 0);
        useMenu(*form, user, Slot::Height, "mnexportterrain");
        QCOMPARE(user.saves, 1);
        QCOMPARE(user.saveFilter, panel::kTerrainFilter);
        QVERIFY2(user.messages.isEmpty(), qPrintable(user.messages.join('\n')));
        QVERIFY(bytes(file("terrain.glb")).startsWith("glTF"));
    }

    void aRastersPlaceIsKeptInGeoTiff()
    {
        if (!elevationReaderAvailable()) QSKIP("the gloamery-gdal plugin is not built");
        QVERIFY(writeFile(file("hill.asc"), "ncols 3\nnrows 2\nxllcorner 1000\nyllcorner 2000\ncellsize 5\n1 2 3\n4 5 6\n"));
        user.workAtSize = true;
        loadInto(Slot::Height, file("hill.asc"));
        QCOMPARE(form->workspace()->width(), 3);
        user.saveAnswer = file("colour.tif");
        useMenu(*form, user, Slot::Colour, "mnpopsave");
        QVERIFY2(user.messages.isEmpty(), qPrintable(user.messages.join('\n')));
        QProcess info;
        info.start(QStringLiteral("gdalinfo"), {user.saveAnswer});
        if (!info.waitForFinished(30000)) QSKIP("gdalinfo is not installed");
        const QString text = QString::fromUtf8(info.readAllStandardOutput());
        QVERIFY2(text.contains(QLatin1String("Origin = (1000.000000000000000,2010.000000000000000)")), qPrintable(text));
        QVERIFY2(text.contains(QLatin1String("Pixel Size = (5.000000000000000,-5.000000000000000)")), qPrintable(text));
    }
};

QTEST_MAIN(ResultsTest)
#include "results_test.moc"
