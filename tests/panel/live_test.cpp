// "Live": the panel relights as the sun is dragged and the controls change;
// on the offscreen platform.

#include "panel_fixture.h"

#include "panel/fitted_image.h"
#include "panel/status_line.h"

#include "compose/texture.h"
#include "shadow/shadow_params.h"
#include "inputs/shadow_inputs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include <cmath>
#include <memory>
#include <vector>

using namespace gloamery;
using namespace gloamery::testing;
using panel::Form1;

namespace {

// Passes a run's words on to the panel's reporter, and keeps them.
struct KeptWords final : Reporter {
    explicit KeptWords(Reporter& to) : to(to) {}
    void status(std::string_view text) override
    {
        words << QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
        to.status(text);
    }
    void progress(double fraction) override { to.progress(fraction); }
    void busy(bool on) override { to.busy(on); }
    Reporter& to;
    QStringList words;
};

// A user who asked the run to stop before it began.
struct StoppedAtOnce final : Reporter {
    void status(std::string_view) override {}
    void progress(double) override {}
    void busy(bool) override {}
    bool cancelled() override { return true; }
};

} // namespace

class LiveTest : public PanelFixture {
    Q_OBJECT

    // Lets the collapsed requests run to their end.
    void settle()
    {
        QCoreApplication::processEvents();
        QTRY_VERIFY(form->liveLighting().idle());
    }

    // The default workspace after a shadow run at the sun given.
    static void shadowAt(Workspace& ws, ShadowMode mode, Controls c, const char* x, const char* y)
    {
        c.x0 = x;
        c.y0 = y;
        SilentReporter quiet;
        QVERIFY(!runShadowButton(ws, mode, c, localeNumberParser(), quiet));
    }

private slots:

    void sitsBelowThreeDAndStartsOff()
    {
        QCheckBox* live = the<QCheckBox>("Live");
        QCOMPARE(live->text(), QStringLiteral("Live"));
        QVERIFY(!live->isChecked());
        QCOMPARE(live->geometry(), QRect(4020 / 15, 10800 / 15, 1215 / 15, 315 / 15));
        // Without it a drag does nothing and changes start no run.
        QTest::mousePress(&form->pictureView(Slot::Height), Qt::LeftButton, {}, QPoint(5, 5));
        moveHeld({50, 60});
        the<QLineEdit>("Alt")->setText("3");
        settle();
        QCOMPARE(form->liveLighting().runs(), 0);
        QCOMPARE(the<QLineEdit>("X0")->text(), QStringLiteral("5"));
    }

    void dragEndsWithAFreshRunAtTheReleasePoint()
    {
        QTest::mousePress(&form->pictureView(Slot::Height), Qt::LeftButton, {}, QPoint(10, 10));
        QTest::mouseClick(the<QPushButton>("Command9"), Qt::LeftButton); // "Sin func", then live
        the<QCheckBox>("Live")->setChecked(true);
        QTest::mousePress(&form->pictureView(Slot::Height), Qt::LeftButton, {}, QPoint(200, 10));
        settle();
        for (QPoint p : {QPoint(50, 60), QPoint(90, 70), QPoint(120, 80)}) {
            moveHeld(p);
            settle();
        }
        QTest::mouseRelease(&form->pictureView(Slot::Height), Qt::LeftButton, {}, QPoint(120, 80));
        settle();
        QCOMPARE(form->liveLighting().runs(), 4);

        Workspace expected = defaultWorkspace();
        shadowAt(expected, ShadowMode::Sin, {}, "10", "10");
        clearShadow(expected);
        shadowAt(expected, ShadowMode::Sin, {}, "120", "80");
        QCOMPARE(firstDifference(*form->workspace(), expected), QString());
        QVERIFY(form->pictureView(Slot::Colour).image() == toQImage(expected.picture(Slot::Colour)));
    }

    void requestsCollapseIntoOneRunWithTheNewestValues()
    {
        the<QCheckBox>("Live")->setChecked(true);
        the<QLabel>("labWork")->setText("before");
        the<QWidget>("pb")->resize(3, 25);
        QTest::mouseClick(the<QPushButton>("Command10"), Qt::LeftButton); // "Make Texture2" is rerun
        the<QLabel>("labWork")->setText("before");
        the<QWidget>("pb")->resize(3, 25);
        Workspace expected = *form->workspace();

        the<QLineEdit>("Alt")->setText("3");
        the<QScrollBar>("HScroll2")->setValue(90);
        the<QCheckBox>("SwiBlur")->setChecked(false);
        the<QRadioButton>("Option3")->setChecked(true);
        QTest::mousePress(&form->pictureView(Slot::Height), Qt::LeftButton, {}, QPoint(70, 20));
        the<QScrollBar>("HScroll1")->setValue(20);
        QCOMPARE(form->liveLighting().runs(), 0);
        settle();
        QCOMPARE(form->liveLighting().runs(), 1);

        SilentReporter quiet;
        makeTexture2(expected, 20, quiet);
        clearShadow(expected);
        shadowAt(expected, ShadowMode::Linear, {"", "", "3", 90, 20, false, BlendMode::MultiplyHalf, {}}, "70", "20");
        QCOMPARE(firstDifference(*form->workspace(), expected), QString());
        QVERIFY(form->pictureView(Slot::Texture).image() == toQImage(expected.picture(Slot::Texture)));
        // Live frames leave the status line and the bar alone.
        QCOMPARE(the<QLabel>("labWork")->text(), QStringLiteral("before"));
        QCOMPARE(the<QWidget>("pb")->width(), 3);

        // Requests made while a relight runs (long enough on a larger map)
        // collapse into one more run, with the values of the last.
        QVERIFY(form->mapResizer().resize({1024, 1024}));
        expected.resize(1024, 1024);
        QTest::mousePress(&form->pictureView(Slot::Height), Qt::LeftButton, {}, QPoint(10, 10));
        QCoreApplication::processEvents(); // starts it
        QVERIFY(!form->liveLighting().idle());
        for (QPoint p : {QPoint(20, 30), QPoint(40, 50), QPoint(60, 70)}) {
            moveHeld(p);
            the<QScrollBar>("HScroll2")->setValue(p.x());
        }
        settle();
        QCOMPARE(form->liveLighting().runs(), 3);
        clearShadow(expected);
        shadowAt(expected, ShadowMode::Linear, {"", "", "3", 60, 20, false, BlendMode::MultiplyHalf, {}}, "240", "280");
        QCOMPARE(firstDifference(*form->workspace(), expected), QString());
    }

    // Above the preview side, moves show a preview in the cells alone; the
    // exact relight follows at release, at rest and before the workspace is
    // read, and the preview looks like it. For 8-bit and deep heights.
    void largeMapsPreviewWhileDraggingAndEndExact()
    {
        for (bool deep : {false, true}) {
            if (deep) init();
            panel::LiveLighting& live = form->liveLighting();
            live.setPreviewSide(100);
            live.setRestInterval(3600000);
            QVERIFY(form->mapResizer().resize({300, 200})); // sampled down to 100 x 67
            if (deep) {
                std::vector<std::uint16_t> hills(300 * 200);
                for (std::size_t i = 0; i < hills.size(); ++i)
                    hills[i] = static_cast<std::uint16_t>(32768 + 30000 * std::sin(i % 300 / 17.0) * std::cos(i / 300 / 13.0));
                form->workspace()->setDeepHeights(HeightSamples(300, 200, hills.data()));
                QVERIFY(heightsAreDeep(*form->workspace()));
            }
            the<QCheckBox>("Live")->setChecked(true);
            const Workspace before = *form->workspace();
            auto exactAtSun = [&] {
                Workspace expected = before;
                clearShadow(expected);
                shadowAt(expected, ShadowMode::Linear, form->controls(), qPrintable(the<QLineEdit>("X0")->text()),
                         qPrintable(the<QLineEdit>("Y0")->text()));
                return expected;
            };
            const panel::PictureView& colour = form->pictureView(Slot::Colour);
            QWidget& height = form->pictureView(Slot::Height);

            QTest::mousePress(&height, Qt::LeftButton, {}, QPoint(40, 60));
            QTRY_COMPARE(live.previews(), 1);
            moveHeld({200, 150});
            QTRY_COMPARE(live.previews(), 2);
            QCOMPARE(live.runs(), 0);
            const QImage preview = colour.image();
            QCOMPARE(preview.size(), colour.shownRect().size());
            // Read while a preview is on show, the workspace is relit exactly
            // first; the release then owes nothing more.
            Workspace expected = exactAtSun();
            QCOMPARE(firstDifference(*form->workspace(), expected), QString());
            QCOMPARE(live.runs(), 1);

            QTest::mouseRelease(&height, Qt::LeftButton, {}, QPoint(200, 150));
            settle();
            QCOMPARE(live.runs(), 1);
            QCOMPARE(firstDifference(*form->workspace(), expected), QString());
            QVERIFY(colour.image() == panel::fittedImage(expected.picture(Slot::Colour), colour.size()));
            QVERIFY(colour.image() != preview);
            // Close to the exact picture: the sun and the decay were scaled.
            double off = 0;
            for (int y = 0; y < preview.height(); ++y)
                for (int x = 0; x < preview.width(); ++x)
                    off += std::abs(qGreen(preview.pixel(x, y)) - qGreen(colour.image().pixel(x, y)));
            off /= preview.width() * preview.height();
            QVERIFY2(off < 5, qPrintable(QString::number(off))); // 7 with the sun unscaled, 12 the decay


            // When the pointer rests, and when something reads the workspace.
            live.setRestInterval(1);
            moveHeld({100, 100});
            settle();
            QCOMPARE(live.runs(), 2);
            QCOMPARE(firstDifference(*form->workspace(), exactAtSun()), QString());
            live.setRestInterval(3600000);
            moveHeld({30, 120});
            QTRY_COMPARE(live.previews(), 4);
            live.settle();
            QCOMPARE(live.runs(), 3);
            QCOMPARE(firstDifference(*form->workspace(), exactAtSun()), QString());
        }
    }

    // The exact relight that replaces a preview tells its progress on the
    // status line and the bar, as a button's run does; the previews, and
    // the relights of a map small enough to relight at every move, tell
    // nothing.
    void theExactRelightAfterAPreviewShowsItsProgress_data()
    {
        QTest::addColumn<int>("previewSide");
        QTest::addColumn<bool>("told");
        QTest::newRow("previewed map") << 100 << true;
        QTest::newRow("map relit at every move") << 4096 << false;
    }
    void theExactRelightAfterAPreviewShowsItsProgress()
    {
        QFETCH(int, previewSide);
        QFETCH(bool, told);
        panel::LiveLighting& live = form->liveLighting();
        live.setPreviewSide(previewSide);
        live.setRestInterval(3600000);
        QVERIFY(form->mapResizer().resize({300, 200}));
        the<QCheckBox>("Live")->setChecked(true);
        form->reporter().status("Ready");
        form->reporter().progress(0);
        QLabel* status = the<QLabel>("labWork");
        QWidget* bar = the<QWidget>("pb");
        KeptWords kept(form->reporter());
        live.setReporter(kept);
        QWidget& height = form->pictureView(Slot::Height);
        QTest::mousePress(&height, Qt::LeftButton, {}, QPoint(40, 60));
        QTRY_COMPARE(live.previews() + live.runs(), 1);
        moveHeld({200, 150});
        QTRY_COMPARE(live.previews() + live.runs(), 2);
        QCoreApplication::processEvents();
        QCOMPARE(status->text(), QStringLiteral("Ready"));
        QCOMPARE(bar->width(), 0);
        const int runs = live.runs();
        QTest::mouseRelease(&height, Qt::LeftButton, {}, QPoint(200, 150));
        settle();
        QCOMPARE(live.runs(), told ? runs + 1 : runs);
        QCOMPARE(status->text(), told ? QStringLiteral("Done") : QStringLiteral("Ready"));
        QCOMPARE(bar->width() > 0, told);
        // While it ran, it said that Esc stops it, as a button's long run does.
        QCOMPARE(kept.words.filter(QStringLiteral(" (Esc stops)")).isEmpty(), !told);
        QCOMPARE(kept.words.value(kept.words.size() - 1), told ? QStringLiteral("Done") : QString());
    }

    // Esc while the exact relight after a drag runs stops it, whether the
    // run looks for Esc as it goes ("Sun") or is dropped once done: the
    // workspace keeps what it held (the texture rerun's too), the cells
    // show it again instead of the preview, the status line says the
    // shadow runs' stop message, and nothing is owed.
    void escStopsTheExactRelightAfterADrag_data()
    {
        QTest::addColumn<QString>("button"); // the shadow run Live repeats
        QTest::addColumn<bool>("texture");   // the contrast moved during the drag: the texture rerun first
        QTest::newRow("Linear") << "Command5" << false;
        QTest::newRow("Sun, which looks for Esc as it runs") << "Command12" << false;
        QTest::newRow("the texture rerun, then Linear") << "Command5" << true;
    }
    void escStopsTheExactRelightAfterADrag()
    {
        QFETCH(QString, button);
        QFETCH(bool, texture);
        panel::LiveLighting& live = form->liveLighting();
        live.setPreviewSide(100);
        live.setRestInterval(3600000);
        QVERIFY(form->mapResizer().resize({1024, 768}));
        click(qPrintable(button));
        the<QCheckBox>("Live")->setChecked(true);
        const Workspace before = *form->workspace();
        const QImage texturePicture = form->pictureView(Slot::Texture).image();

        QWidget& height = form->pictureView(Slot::Height);
        QTest::mousePress(&height, Qt::LeftButton, {}, QPoint(40, 60));
        QTRY_COMPARE(live.previews(), 1);
        moveHeld({200, 150});
        QTRY_COMPARE(live.previews(), 2);
        const QImage preview = form->pictureView(Slot::Colour).image();
        if (texture) the<QScrollBar>("HScroll1")->setValue(the<QScrollBar>("HScroll1")->value() + 7);
        QTest::mouseRelease(&height, Qt::LeftButton, {}, QPoint(200, 150));
        QCoreApplication::processEvents(); // the exact relight starts
        QVERIFY(!live.idle());
        the<QScrollBar>("HScroll2")->setValue(the<QScrollBar>("HScroll2")->value() + 5); // dropped with it
        QTest::keyClick(form.get(), Qt::Key_Escape);
        QTRY_VERIFY(live.idle());
        QCOMPARE(live.runs(), 1);
        for (Slot s : {Slot::Colour, Slot::Shadow}) {
            const panel::PictureView& cell = form->pictureView(s);
            QVERIFY(cell.image() == panel::fittedImage(before.picture(s), cell.size()));
        }
        QVERIFY(form->pictureView(Slot::Colour).image() != preview);
        QVERIFY(form->pictureView(Slot::Texture).image() == texturePicture);
        StoppedAtOnce stopping;
        Workspace stopped = defaultWorkspace();
        const Refusal stop = runShadowButton(stopped, ShadowMode::Sun, {}, localeNumberParser(), stopping);
        QCOMPARE(panel::fullStatus(*the<QLabel>("labWork")), QString::fromStdString(stop.value_or(Error{}).message));
        // Nothing owed: reading the workspace relights nothing.
        QCOMPARE(firstDifference(*form->workspace(), before), QString());
        QVERIFY(form->workspace()->splatRows() == before.splatRows());
        live.settle();
        QCoreApplication::processEvents();
        QVERIFY(live.idle());
        QCOMPARE(live.runs(), 1);
        QCOMPARE(live.previews(), 2);
        QVERIFY(user.messages.isEmpty());
    }

    // With Live on, a field starts a relight only when the run Live repeats
    // or the merge after it reads it; another would only repeat the
    // pictures on show.
    void onlyFieldsTheRelightReadsStartOne_data()
    {
        QTest::addColumn<QString>("button"); // the shadow run Live repeats
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value"); // typed or chosen; a bar moves, the map is pressed
        QTest::addColumn<bool>("relights");
        const QString period = QStringLiteral("2026-06-21T00:00:00Z,2026-06-22T00:00:00Z,60");
        QTest::newRow("Linear: decay") << "Command5" << "Alt" << "3" << true;
        QTest::newRow("Linear: the blend's opacity") << "Command5" << "BlendOpacity" << "40" << true;
        QTest::newRow("Linear: the sun placed") << "Command5" << "Picture1" << "" << true;
        QTest::newRow("Linear: azimuth") << "Command5" << "Azimuth" << "100" << false;
        QTest::newRow("Linear: directions") << "Command5" << "Directions" << "8" << false;
        QTest::newRow("Linear: colour entries") << "Command5" << "ColourEntries" << "nearest" << false;
        QTest::newRow("Linear: normal depth") << "Command5" << "NormalDepth" << "16" << false;
        QTest::newRow("Linear sim: the sun placed") << "Command7" << "Picture1" << "" << false;
        QTest::newRow("Sun: azimuth") << "Command12" << "Azimuth" << "100" << true;
        QTest::newRow("Sun: ground size") << "Command12" << "GroundX" << "2" << true;
        QTest::newRow("Sun: darkness") << "Command12" << "HScroll2" << "" << true;
        QTest::newRow("Sun: decay") << "Command12" << "Alt" << "3" << false;
        QTest::newRow("Sun: period") << "Command12" << "Period" << period << false;
    }
    void onlyFieldsTheRelightReadsStartOne()
    {
        QFETCH(QString, button);
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(bool, relights);
        click(qPrintable(button));
        the<QCheckBox>("Live")->setChecked(true);
        settle();
        panel::LiveLighting& live = form->liveLighting();
        const int runs = live.runs();
        const Controls was = form->controls();
        QWidget* w = the<QWidget>(field);
        if (auto* edit = qobject_cast<QLineEdit*>(w)) edit->setText(value);
        else if (auto* list = qobject_cast<QComboBox*>(w)) list->setCurrentText(value);
        else if (auto* bar = qobject_cast<QScrollBar*>(w)) bar->setValue(bar->value() + 5);
        else QTest::mousePress(w, Qt::LeftButton, {}, QPoint(70, 20));
        QVERIFY(form->controls() != was);
        QCOMPARE(live.idle(), !relights);
        settle();
        QCOMPARE(live.runs(), runs + int(relights));
    }

    // The workspace is reached through an access: made, it waits for the
    // relight running; alive (nested too), it starts no other; ended, the
    // request it held off runs.
    void anAccessSettlesAndHoldsRelightsOff()
    {
        the<QCheckBox>("Live")->setChecked(true);
        panel::LiveLighting& live = form->liveLighting();
        live.request();
        QCoreApplication::processEvents(); // the relight starts
        {
            const auto outer = live.access();
            QCOMPARE(live.runs(), 1);
            QVERIFY(live.idle());
            live.request();
            {
                const auto inner = live.access();
                QTest::qWait(50);
            }
            QTest::qWait(50);
            QCOMPARE(live.runs(), 1);
        }
        settle();
        QCOMPARE(live.runs(), 2);
    }

    void junkDecayKeepsThePictureAndSaysWhy()
    {
        the<QCheckBox>("Live")->setChecked(true);
        QTest::mousePress(&form->pictureView(Slot::Height), Qt::LeftButton, {}, QPoint(30, 40));
        settle();
        const Workspace lit = *form->workspace();
        const QImage shown = form->pictureView(Slot::Colour).image();

        QTest::keyClicks(the<QLineEdit>("Alt"), "x"); // "5x"
        settle();
        QVERIFY(user.messages.isEmpty());
        QCOMPARE(firstDifference(*form->workspace(), lit), QString());
        QVERIFY(form->pictureView(Slot::Colour).image() == shown);
        Controls junk = form->controls();
        const auto refusal = readShadowParams(junk, localeNumberParser(), ShadowMode::Linear);
        QVERIFY(std::holds_alternative<Error>(refusal));
        QCOMPARE(the<QLabel>("labWork")->text(), QString::fromStdString(std::get<Error>(refusal).message));

        QTest::keyClick(the<QLineEdit>("Alt"), Qt::Key_Backspace);
        settle();
        QCOMPARE(the<QLabel>("labWork")->text(), QStringLiteral("Done"));
        QCOMPARE(firstDifference(*form->workspace(), lit), QString());
    }
};

QTEST_MAIN(LiveTest)
#include "live_test.moc"
