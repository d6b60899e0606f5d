// The "Sun" button and its fields on the control panel; on the offscreen
// platform.

#include "panel_fixture.h"

#include "shadow/sun.h"
#include "inputs/shadow_inputs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>

#include <memory>

using namespace gloamery;
using namespace gloamery::testing;
using panel::Form1;

class SunPanelTest : public PanelFixture {
    Q_OBJECT

    static Workspace sunOnDefaults(const SunControls& sun)
    {
        Workspace ws = defaultWorkspace();
        Controls c;
        c.sun = sun;
        SilentReporter quiet;
        if (runShadowButton(ws, ShadowMode::Sun, c, parseCNumber, quiet)) qFatal("refused");
        return ws;
    }

private slots:

    // Every new control lies in room no other control (nor picture) takes:
    // in the side panel, beside the grid.
    void controlsTakeOnlyFreeRoom()
    {
        const char* added[] = {"Command12", "Azimuth", "Altitude", "SunSize", "Sky",
                               "LabelAzimuth", "LabelAltitude", "LabelSunSize", "LabelSky"};
        QList<QWidget*> mine;
        for (const char* name : added) {
            QWidget* w = the<QWidget>(name);
            QVERIFY2(w, name);
            mine << w;
        }
        QCOMPARE(the<QPushButton>("Command12")->text(), QStringLiteral("Sun"));
        const auto onForm = [this](QWidget* w) { return QRect(w->mapTo(form.get(), QPoint(0, 0)), w->size()); };
        for (QWidget* w : mine) {
            QVERIFY2(QRect(QPoint(0, 0), form->size()).contains(onForm(w)), qPrintable(w->objectName()));
            for (QWidget* other : form->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
                if (other->objectName() == QLatin1String("Label4") || other->objectName() == QLatin1String("SidePanel") ||
                    !other->isVisible())
                    continue;
                QVERIFY2(!onForm(w).intersects(other->geometry()),
                         qPrintable(w->objectName() + QLatin1String(" overlaps ") + other->objectName()));
            }
        }
    }

    void sunButtonLightsAsTheCoreDoes()
    {
        the<QLineEdit>("Azimuth")->setText("120");
        the<QLineEdit>("Altitude")->setText("25");
        the<QLineEdit>("SunSize")->setText("2");
        the<QLineEdit>("Sky")->setText("0.2");
        QTest::mouseClick(the<QPushButton>("Command12"), Qt::LeftButton);
        SunControls sun;
        sun.azimuth = 120;
        sun.altitude = 25;
        sun.size = 2;
        sun.sky = 0.2;
        QCOMPARE(firstDifference(*form->workspace(), sunOnDefaults(sun)), QString());
        QVERIFY(user.messages.isEmpty());
    }

    void badFieldsAreRefusedByNameAndChangeNothing()
    {
        const struct {
            const char* field;
            const char* text;
            const char* message;
        } cases[] = {
            {"Azimuth", "east", "Azimuth must be a finite number, not \"east\"."},
            {"Altitude", "", "Altitude must be a finite number, not \"\"."},
            {"Altitude", "95", "Altitude must be a number from 0 to 90, not \"95\"."},
            {"SunSize", "12", "Sun size must be a number from 0 to 10, not \"12\"."},
            {"Sky", "-0.5", "Sky must be a number from 0 to 1, not \"-0.5\"."},
        };
        for (const auto& c : cases) {
            init();
            const Workspace before = *form->workspace();
            the<QLineEdit>(c.field)->setText(QString::fromLatin1(c.text));
            QTest::mouseClick(the<QPushButton>("Command12"), Qt::LeftButton);
            QCOMPARE(user.messages.size(), 1);
            QVERIFY2(user.messages[0].contains(QString::fromLatin1(c.message)), qPrintable(user.messages[0]));
            QCOMPARE(firstDifference(*form->workspace(), before), QString());
        }
    }

    // An elevation raster sets the Sun's units and says so on the status line.
    void rasterSetsTheUnits()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("g.asc"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("ncols 3\nnrows 2\nxllcorner 0\nyllcorner 0\ncellsize 25\n100 110 120\n130 140 355\n");
        f.close();
        if (!form->openHeightMap(path)) QSKIP("no raster plugin");
        const SunControls sun = form->controls().sun;
        QCOMPARE(sun.groundX, 25.0);
        QCOMPARE(sun.groundY, 25.0);
        QCOMPARE(sun.vertical, 255.0 / 255);
        const QString status = the<QLabel>("labWork")->toolTip() + the<QLabel>("labWork")->text();
        QVERIFY2(status.contains(QString::fromUtf8("units: 25 \u00d7 25 a pixel, 1 a height level")), qPrintable(status));
        QCOMPARE(the<QLineEdit>("GroundX")->text(), QStringLiteral("25"));
    }

    // Live under "Sun": dragging turns the sun about the map's centre.
    void liveDragTurnsTheSunTowardsThePointer()
    {
        QTest::mouseClick(the<QPushButton>("Command12"), Qt::LeftButton);
        the<QCheckBox>("Live")->setChecked(true);
        QWidget& view = form->pictureView(Slot::Height);
        QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(250, 127)); // right of the centre
        QMouseEvent move(QEvent::MouseMove, QPoint(250, 128), view.mapToGlobal(QPoint(250, 128)), Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(&view, &move);
        QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(250, 128));
        QCoreApplication::processEvents();
        QTRY_VERIFY(form->liveLighting().idle());
        const double azimuth = the<QLineEdit>("Azimuth")->text().toDouble();
        QVERIFY2(azimuth > 89 && azimuth < 91, qPrintable(the<QLineEdit>("Azimuth")->text()));
        SunControls sun;
        sun.azimuth = azimuth;
        QCOMPARE(firstDifference(form->workspace()->picture(Slot::Shadow), sunOnDefaults(sun).picture(Slot::Shadow)), QString());
        QCOMPARE(the<QLineEdit>("X0")->text(), QStringLiteral("0")); // the point sun stays where it was
    }
};

QTEST_MAIN(SunPanelTest)
#include "sun_panel_test.moc"
