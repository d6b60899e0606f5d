// The "Date and time" group: the real sun's time, place and period typed
// as the batch tool reads them, its buttons against the core's runs, the
// place from a georeferenced raster, and the live time slider against the
// batch tool's --when; on the offscreen platform.

#include "panel_fixture.h"

#include "batch_run.h"
#include "inputs/control_values.h"
#include "inputs/operations.h"
#include "panel/settings_commands.h"
#include "panel/undo_steps.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include <gdal.h>
#include <ogr_srs_api.h>

#include <sstream>

using namespace gloamery;
using namespace gloamery::testing;

namespace {

constexpr const char* kMorning = "2026-06-21T09:00[Europe/Zurich]";
constexpr const char* kPlace = "46.5,7.9";
constexpr const char* kDay = "2026-06-21T03:00Z,2026-06-21T20:00Z,30";

std::string needsOf(ControlId id) { return std::string(controlRow(id).needs); }

} // namespace

class TimeTest : public PanelFixture {
    Q_OBJECT

    void set(const char* field, const QString& text) { the<QLineEdit>(field)->setText(text); }
    void setAll()
    {
        set("When", kMorning);
        set("Place", kPlace);
        set("Period", kDay);
    }

    // What the row makes of the workspace with these controls, run straight
    // through the core, the place given with grid north 0.
    static Workspace coreRun(Workspace ws, const OperationRow& row, const Controls& c)
    {
        ShadowParams params;
        params.darkness = c.darkness;
        params.sun = c.sun;
        SilentReporter quiet;
        if (row.run(ws, OperationInput{c, params}, quiet)) qFatal("refused");
        return ws;
    }

    // The colour map the batch tool makes with these arguments.
    QImage batchColour(QStringList args)
    {
        const QString out = file("batch.png");
        std::ostringstream sink;
        args << "--save" << "colour" << out;
        if (batch::runTool(args, sink, sink) != batch::kExitOk) qWarning("%s", sink.str().c_str());
        return QImage(out).convertToFormat(QImage::Format_RGB32);
    }
    QImage colour() { return toQImage(form->workspace()->picture(Slot::Colour)); }

private slots:

    // A bad time, zone, place or period (or no time for "Sun at this time")
    // is refused with the schema's words naming the value, before anything
    // runs: no picture changes, no undo step.
    void badTextsAreRefused_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("message");
        const auto refusal = [](ControlId id, const char* text, const char* why) {
            return QString::fromStdString(std::string(controlRow(id).captions[0]) + " must be " + needsOf(id)
                                          + ", not \"" + text + "\"" + why);
        };
        const struct {
            const char* field;
            ControlId id;
            const char* text;
            const char* button;
            const char* why;
        } rows[] = {
            {"When", ControlId::When, "2026-06-21T09:00", "SunAtTimeButton",
             ": The time '2026-06-21T09:00' has no zone"},
            {"When", ControlId::When, "2026-06-21T09:00[Mars/Olympus]", "SunAtTimeButton",
             ": The time zone 'Mars/Olympus'"},
            {"When", ControlId::When, "2026-03-29T02:30[Europe/Zurich]", "SunHoursButton",
             ": The time '2026-03-29T02:30"},
            {"When", ControlId::When, "none", "SunAtTimeButton", "."},
            {"Place", ControlId::Place, "91,7.9", "SunAtTimeButton", ": "},
            {"Place", ControlId::Place, "46.5", "DirectLightButton", ": The place '46.5' must be LAT,LON"},
            {"Period", ControlId::Period, "2026-06-21T00:00Z,2026-06-22T00:00Z,0", "SunHoursButton",
             ": The period's step must be a whole number of minutes from 1 to 1440"},
            {"Period", ControlId::Period, "2026-06-21T00:00,2026-06-22T00:00Z,10", "DirectLightButton", ": "},
        };
        for (const auto& r : rows)
            QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(r.field, r.text)))
                << QString::fromLatin1(r.field) << QString::fromLatin1(r.text) << QString::fromLatin1(r.button)
                << refusal(r.id, r.text, r.why);
    }
    void badTextsAreRefused()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, button);
        QFETCH(QString, message);
        setAll();
        set(qPrintable(field), text);
        form->undoSteps().flush();
        const Workspace before = *form->workspace();
        const std::size_t states = form->undoSteps().history().states();
        QTest::mouseClick(the<QPushButton>(button), Qt::LeftButton);
        QCOMPARE(user.messages.size(), 1);
        QVERIFY2(user.messages[0].startsWith(message), qPrintable(user.messages[0] + "\nwanted: " + message));
        QCOMPARE(firstDifference(*form->workspace(), before), QString());
        QCOMPARE(form->undoSteps().history().states(), states);
    }

    // Each button runs its row with the group's controls as the core does,
    // as one undo step named by its caption, which undo takes back.
    void buttonsRunAsTheCoreAndAreUndoable_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("caption");
        QTest::newRow("sun") << "SunAtTimeButton" << "sun" << "Sun at this time";
        QTest::newRow("sun-hours") << "SunHoursButton" << "sun-hours" << "Sun hours";
        QTest::newRow("direct-light") << "DirectLightButton" << "direct-light" << "Direct light";
    }
    void buttonsRunAsTheCoreAndAreUndoable()
    {
        QFETCH(QString, button);
        QFETCH(QString, operation);
        QFETCH(QString, caption);
        setAll();
        QTest::mouseClick(the<QPushButton>("Command8"), Qt::LeftButton); // a texture to merge with
        form->undoSteps().flush();
        const Workspace before = *form->workspace();
        const Controls c = form->controls();
        QVERIFY(c.when && c.place && c.period);
        const OperationRow& row = *operationNamed(operation.toStdString());
        QPushButton* b = the<QPushButton>(button);
        QCOMPARE(b->text(), caption);
        QTest::mouseClick(b, Qt::LeftButton);
        QVERIFY2(user.messages.isEmpty(), qPrintable(user.messages.join('\n')));
        const Workspace expected = coreRun(before, row, c);
        QCOMPARE(firstDifference(*form->workspace(), expected), QString());
        QCOMPARE(form->workspace()->layer() != nullptr, row.kind == OperationKind::Layer);
        QCOMPARE(form->undoSteps().undoAction().text(), QStringLiteral("&Undo %1").arg(caption));
        form->undoSteps().undo();
        QCOMPARE(firstDifference(*form->workspace(), before), QString());
        QVERIFY(!form->workspace()->layer());
    }

    // A GeoTIFF in UTM fills in its centre as the place; "Sun at this time"
    // then lights as the batch tool's --when does on that raster (its
    // centre, its grid north).
    void aGeoreferencedRasterFillsInThePlace()
    {
        const QString path = file("utm.tif");
        GDALAllRegister();
        GDALDatasetH ds = GDALCreate(GDALGetDriverByName("GTiff"), path.toLocal8Bit().constData(), 256, 256, 1,
                                     GDT_Float32, nullptr);
        QVERIFY(ds);
        std::vector<float> values(256 * 256);
        for (int i = 0; i < 256 * 256; ++i) values[i] = float(400 + (i % 256) * 3 + ((i / 256) % 40) * 5);
        QCOMPARE(GDALRasterIO(GDALGetRasterBand(ds, 1), GF_Write, 0, 0, 256, 256, values.data(), 256, 256,
                              GDT_Float32, 0, 0), CE_None);
        double t[6] = {780000, 30, 0, 5200000, 0, -30}; // far east of zone 33's meridian: grid north turns
        GDALSetGeoTransform(ds, t);
        OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
        OSRImportFromEPSG(srs, 32633);
        GDALSetSpatialRef(ds, srs);
        OSRDestroySpatialReference(srs);
        GDALClose(ds);
        if (!form->openHeightMap(path)) QSKIP("the raster plugin is not built");

        const auto read = readTypedText(controlRow(ControlId::Place), the<QLineEdit>("Place")->text().toStdString());
        const auto* place = std::get_if<ControlValue>(&read);
        QVERIFY2(place, qPrintable(the<QLineEdit>("Place")->text()));
        QVERIFY(place->place.latitude > 46 && place->place.latitude < 47.5);
        QVERIFY(place->place.longitude > 18 && place->place.longitude < 19.5);
        set("When", kMorning);
        QTest::mouseClick(the<QPushButton>("SunAtTimeButton"), Qt::LeftButton);
        QVERIFY2(user.messages.isEmpty(), qPrintable(user.messages.join('\n')));
        QCOMPARE(colour(), batchColour({"--load", "height", path, "--when", kMorning, "sun"}));
    }

    // With "Live", the slider moves the time in its zone and relights "Sun
    // at this time" as it is dragged (previews on a map above the preview
    // side), then exactly as the batch tool's --when at the time let go.
    void theSliderRelightsAsItIsDragged()
    {
        QSlider* slider = the<QSlider>("TimeSlider");
        QVERIFY(!slider->isVisible());
        the<QCheckBox>("Live")->setChecked(true);
        QVERIFY(slider->isVisible());
        set("When", "2026-06-21T07:00[Europe/Zurich]");
        set("Place", kPlace);
        QCOMPARE(slider->value(), 7 * 60);
        QTest::mouseClick(the<QPushButton>("SunAtTimeButton"), Qt::LeftButton);
        QTRY_VERIFY(form->liveLighting().idle());
        const QImage morning = colour();

        form->liveLighting().setPreviewSide(64);
        const int previews = form->liveLighting().previews();
        slider->setSliderDown(true);
        for (int minute : {9 * 60, 12 * 60, 15 * 60 + 30}) {
            slider->setValue(minute);
            QCoreApplication::processEvents();
        }
        slider->setSliderDown(false);
        QTRY_VERIFY(form->liveLighting().idle());
        QVERIFY(form->liveLighting().previews() > previews);
        QCOMPARE(the<QLineEdit>("When")->text(), QStringLiteral("2026-06-21T15:30[Europe/Zurich]"));
        QVERIFY(colour() != morning);
        QCOMPARE(colour(), batchColour({"--when", "2026-06-21T15:30[Europe/Zurich]", "--place", kPlace, "sun"}));
    }

    // Settings files keep the group's values and undo takes each change back.
    void valuesAreKeptAndUndone_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::newRow("time") << "When" << "2026-06-21T07:00:00Z" << "2026-12-21T12:00+01:00";
        QTest::newRow("place") << "Place" << "46.5,7.9" << "-33.9,18.4";
        QTest::newRow("period") << "Period" << "2026-06-21T00:00:00Z,2026-06-22T00:00:00Z,10"
                                << "2026-01-01T00:00:00Z,2027-01-01T00:00:00Z,60";
    }
    void valuesAreKeptAndUndone()
    {
        QFETCH(QString, field);
        QFETCH(QString, first);
        QFETCH(QString, second);
        QLineEdit* edit = the<QLineEdit>(field);
        edit->setText(first);
        form->undoSteps().flush();
        const Controls kept = form->controls();
        QVERIFY(form->settingsCommands().saveTo(file("time.json")));
        edit->setText(second);
        form->undoSteps().flush();
        QVERIFY(form->controls() != kept);
        form->undoSteps().undo();
        QCOMPARE(edit->text(), first);
        edit->setText("none");
        QVERIFY(form->settingsCommands().loadFrom(file("time.json")));
        QVERIFY(form->controls() == kept);
        QCOMPARE(edit->text(), first);
    }
};

QTEST_MAIN(TimeTest)
#include "time_test.moc"
