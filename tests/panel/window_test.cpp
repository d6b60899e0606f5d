// The panel as a desktop window: every control reachable on small screens,
// the cells zoomed with the window, the menu bar reaching each operation,
// undo keeping every control's change, and what the window tells of saves,
// long runs and a raster's units.

#include "panel_support.h"

#include "panel/panel_reporter.h"
#include "panel/panel_window.h"
#include "panel/side_panel.h"
#include "panel/status_line.h"
#include "panel/sun_fields.h"
#include "panel/undo_steps.h"

#include <QAbstractSlider>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>

#include <memory>

using namespace gloamery;
using namespace gloamery::testing;

namespace {

// The controls a user works: buttons, fields and bars, not the scroll
// areas' own bars.
QList<QWidget*> controlsOf(QWidget& form)
{
    QList<QWidget*> out;
    for (QWidget* w : form.findChildren<QWidget*>()) {
        const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                             qobject_cast<QAbstractSlider*>(w);
        if (!control || !w->isVisibleTo(&form)) continue;
        if (qobject_cast<QScrollArea*>(w->parentWidget() ? w->parentWidget()->parentWidget() : nullptr)) continue;
        out << w;
    }
    return out;
}

// Whether all of w shows inside every scroll area around it and the window.
bool wholeInView(QWidget& w, QWidget& window)
{
    const QRect inWindow(w.mapTo(&window, QPoint(0, 0)), w.size());
    if (!window.rect().contains(inWindow)) return false;
    for (QWidget* p = w.parentWidget(); p && p != &window; p = p->parentWidget())
        if (auto* area = qobject_cast<QScrollArea*>(p)) {
            const QRect viewport(area->viewport()->mapTo(&window, QPoint(0, 0)), area->viewport()->size());
            if (!viewport.contains(inWindow)) return false;
        }
    return true;
}

// Scrolls the area until all of w shows (a field's own reveal shows only
// its text cursor).
void reveal(QScrollArea& area, QWidget& w)
{
    if (!area.widget()->isAncestorOf(&w)) return;
    const QPoint centre = w.mapTo(area.widget(), w.rect().center());
    area.ensureVisible(centre.x(), centre.y(), w.width() / 2 + 1, w.height() / 2 + 1);
}

void pressKeys(QWidget* target, QKeySequence keys)
{
    const QKeyCombination k = keys[0];
    QTest::keyClick(target, k.key(), k.keyboardModifiers());
}

} // namespace

class WindowTest : public QObject {
    Q_OBJECT

    ScriptedUser user;
    std::unique_ptr<panel::PanelWindow> window;
    std::unique_ptr<QTemporaryDir> dir;

    panel::Form1& form() { return window->form(); }
    template <class W>
    W* the(const char* name) { return window->findChild<W*>(QString::fromLatin1(name)); }
    QString status() { return the<QLabel>("labWork")->text(); }
    QAction* menuAction(const char* menu, const QString& text)
    {
        for (QAction* a : the<QMenu>(menu)->actions())
            if (a->text().remove(QLatin1Char('&')) == text) return a;
        return nullptr;
    }

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        window = std::make_unique<panel::PanelWindow>(user.prompts());
        form().undoSteps().setRestInterval(0);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    void cleanup() { window.reset(); }

    // At a scale factor of 2 a 1280 x 1024 screen holds 640 x 512 of the
    // window's pixels; a 1024 x 768 screen holds that. Less the window's
    // frame and a panel bar, every control can be scrolled to and lies whole
    // inside the window.
    void everyControlCanBeReachedOnSmallScreens_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::newRow("1280 x 1024") << QSize(1280, 1024);
        QTest::newRow("1024 x 768") << QSize(1024, 768);
    }
    void everyControlCanBeReachedOnSmallScreens()
    {
        QFETCH(QSize, screen);
        const QSize room = screen / window->devicePixelRatio() - QSize(8, 60);
        window->resize(room);
        QTRY_COMPARE(window->size(), room);
        const QList<QWidget*> controls = controlsOf(form());
        QVERIFY(controls.size() > 20);
        for (QWidget* w : controls) {
            reveal(form().sidePanel(), *w);
            reveal(window->scrollArea(), *w);
            QApplication::processEvents();
            QVERIFY2(wholeInView(*w, *window), qPrintable(w->objectName()));
        }
        QVERIFY(window->menuBar()->geometry().right() <= window->width());
    }

    // The cells grow with the window and keep their proportions; the
    // designed size is the least.
    void cellsScaleWithTheWindow()
    {
        window->resize(form().minimumWidth() * 2, form().minimumHeight() * 2 + 100);
        QTRY_VERIFY(form().zoom() > 1.5);
        const double z = form().zoom();
        QCOMPARE(form().pictureView(Slot::Colour).width(), qRound(256 * z));
        QCOMPARE(form().pbFullWidth(), 509 * z);
        form().setZoom(1.0);
        QCOMPARE(form().pictureView(Slot::Colour).width(), 256);
        QCOMPARE(form().pbFullWidth(), 509.0);
        pressKeys(window.get(), QKeySequence::ZoomIn);
        QCOMPARE(form().zoom(), 1.25);
    }

    // Every control's change is an undo step of its own name, which undo
    // and redo take back and make again exactly, wherever the focus is.
    void undoAndRedoEveryControl_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("step");
        QTest::addColumn<QString>("typed"); // into a text field
        const char* rows[][3] = {
            {"X0", "Sun position", "0.5"},   {"Y0", "Sun position", "0.5"}, {"Alt", "Decay", "0.5"},
            {"HScroll1", "Texture contrast"}, {"HScroll2", "Darkness"}, {"SwiBlur", "Blur"},
            {"Option3", "Blend mode"}, {"Azimuth", "Azimuth", "0.5"}, {"Altitude", "Altitude", "0.5"},
            {"SunSize", "Sun size", "0.5"},   {"Sky", "Sky", "0.5"},          {"GroundX", "Units", "0.5"},
            {"GroundY", "Units", "0.5"},      {"Vertical", "Units", "0.5"},
            {"Directions", "Directions", "8"}, {"Radius", "Radius", "0.5"}, {"BlendOpacity", "Blend opacity", "0.5"},
            {"Colours", "Colours", "grey"}, {"ColourEntries", "Colour entries"}, {"BlendSoftLight", "Blend mode"},
            {"NormalConvention", "Normal convention"}, {"NormalDepth", "Normal depth"},
        };
        for (const auto& r : rows)
            QTest::newRow(r[0]) << QString::fromLatin1(r[0]) << QString::fromLatin1(r[1]) << QString::fromLatin1(r[2]);
    }
    void undoAndRedoEveryControl()
    {
        QFETCH(QString, control);
        QFETCH(QString, step);
        QFETCH(QString, typed);
        const Controls before = form().controls();
        QWidget* w = window->findChild<QWidget*>(control);
        QVERIFY(w);
        auto* list = qobject_cast<QComboBox*>(w);
        if (auto* e = list && list->isEditable() ? list->lineEdit() : qobject_cast<QLineEdit*>(w)) {
            reveal(form().sidePanel(), *e);
            e->setFocus();
            e->selectAll();
            QTest::keyClicks(e, typed);
        } else if (list) {
            list->setCurrentIndex(list->count() - 1);
        } else if (auto* s = qobject_cast<QAbstractSlider*>(w)) {
            s->setValue(s->value() + 7);
        } else {
            qobject_cast<QAbstractButton*>(w)->click();
        }
        const Controls after = form().controls();
        QVERIFY(!(after == before));
        // Ctrl+Z with the focus where the change was made.
        pressKeys(QApplication::focusWidget() ? QApplication::focusWidget() : window.get(), QKeySequence::Undo);
        QCOMPARE(status(), QStringLiteral("Undone: %1").arg(step));
        QVERIFY(form().controls() == before);
        QCOMPARE(form().undoSteps().redoAction().text(), QStringLiteral("&Redo %1").arg(step));
        pressKeys(window.get(), QKeySequence(Qt::CTRL | Qt::Key_Y));
        QCOMPARE(status(), QStringLiteral("Redone: %1").arg(step));
        QVERIFY(form().controls() == after);
    }

    // A Live drag of the sun under "Sun" is one step, and a command that
    // changes nothing in between makes none: each drag's azimuth comes back.
    void liveSunDragsAreStepsAndNoOpCommandsAreNone()
    {
        auto* live = the<QCheckBox>("Live");
        live->setChecked(true);
        form().undoSteps().flush();
        QTest::mouseClick(the<QPushButton>("Command12"), Qt::LeftButton);
        auto drag = [&](QPoint to) {
            panel::PictureView& view = form().pictureView(Slot::Height);
            QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(128, 128));
            QMouseEvent move(QEvent::MouseMove, to, view.mapToGlobal(to), Qt::NoButton, Qt::LeftButton, {});
            QApplication::sendEvent(&view, &move);
            QTest::mouseRelease(&view, Qt::LeftButton, {}, to);
            form().liveLighting().settle();
            form().undoSteps().flush();
            return the<QLineEdit>("Azimuth")->text();
        };
        const QString first = drag(QPoint(250, 128)), second = drag(QPoint(128, 250));
        QVERIFY(first != second);
        const std::size_t states = form().undoSteps().history().states();
        user.menuChoice = QStringLiteral("mnupopsaveclip");
        QTest::mousePress(&form().pictureView(Slot::Colour), Qt::RightButton, {}, QPoint(10, 10));
        QCOMPARE(form().undoSteps().history().states(), states); // "To Clipboard" changed nothing
        form().undoSteps().undo();
        QCOMPARE(the<QLineEdit>("Azimuth")->text(), first);
        form().undoSteps().undo();
        QCOMPARE(the<QLineEdit>("Azimuth")->text(), QStringLiteral("315"));
        form().undoSteps().redo();
        form().undoSteps().redo();
        QCOMPARE(the<QLineEdit>("Azimuth")->text(), second);
    }

    // The menu bar's commands reach the operations of the buttons and the
    // picture menu, and the window says what a save wrote.
    void menuCommandsReachTheirOperations()
    {
        const QStringList light = {"Linear", "Linear sim", "Sin func", "Cos func", "Embossed", "Sun", "Make Texture",
                                   "Make Texture2", "Sky view", "Openness", "Openness below", "Multi hillshade",
                                   "Tint", "Clear"};
        for (const QString& caption : light) {
            QAction* a = menuAction("menuLight", caption);
            QVERIFY2(a, qPrintable(caption));
            a->trigger();
            QCOMPARE(QString::fromStdString(form().undoSteps().history().undoLabel()), caption);
        }
        QCOMPARE(form().undoSteps().undoAction().text(), QStringLiteral("&Undo Clear"));
        QVERIFY(user.messages.isEmpty());
        for (const char* entry : {"Save Layer...", "Save Normal Map...", "Save Splat Map...", "Save Occlusion Map..."})
            QVERIFY2(menuAction("menuFile", QString::fromLatin1(entry)), entry);

        user.saveAnswer = dir->filePath(QStringLiteral("colour.png"));
        pressKeys(window.get(), QKeySequence::Save);
        QVERIFY(QFile::exists(user.saveAnswer));
        QCOMPARE(user.saveTitle, QStringLiteral("Save Color Map"));
        QVERIFY2(user.saveFilter.startsWith(QLatin1String("PNG picture")), qPrintable(user.saveFilter));
        QVERIFY2(panel::fullStatus(*the<QLabel>("labWork")).startsWith(QLatin1String("Saved Color Map to ")), qPrintable(status()));

        user.openAnswer = dir->filePath(QStringLiteral("ramp.png"));
        QVERIFY(greyish(QSize(256, 256)).save(user.openAnswer));
        pressKeys(window.get(), QKeySequence::Open);
        QCOMPARE(user.openTitle, QStringLiteral("Load Height Map"));
        QCOMPARE(red(form().workspace()->heightPicture().at(3, 0)), 3);

        QCursor::setPos(window->mapToGlobal(QPoint(-50, -50))); // over no picture: the height map
        pressKeys(window.get(), QKeySequence::Copy);
        QCOMPARE(QGuiApplication::clipboard()->image().pixelColor(3, 0).red(), 3);

        menuAction("menuHelp", QStringLiteral("Keys and Mouse"))->trigger();
        QTRY_VERIFY(window->findChild<QWidget*>(QStringLiteral("KeysBox")));
    }

    // A long run says that Esc stops it; once it ends, only its message stays.
    void busyRunsSayEscStopsThem()
    {
        Reporter& r = form().reporter();
        r.busy(true);
        r.status("Calculating...");
        QCOMPARE(status(), QStringLiteral("Calculating... (Esc stops)"));
        r.busy(false);
        QCOMPARE(status(), QStringLiteral("Calculating..."));
    }

    void unitsReadAsTheRasterCountsThem_data()
    {
        QTest::addColumn<QString>("wkt");
        QTest::addColumn<double>("gx");
        QTest::addColumn<double>("gy");
        QTest::addColumn<QString>("text");
        const QString utm = QStringLiteral(
            R"w(PROJCS["WGS 84 / UTM zone 32N",GEOGCS["WGS 84",DATUM["WGS_1984"],UNIT["degree",0.0174532925199433]],)w"
            R"w(PROJECTION["Transverse_Mercator"],UNIT["metre",1]])w");
        const QString feet = QStringLiteral(
            R"w(PROJCS["NAD83 / Ohio North (ftUS)",GEOGCS["NAD83",DATUM["North_American_Datum_1983"],)w"
            R"w(UNIT["degree",0.0174532925199433]],PROJECTION["Lambert_Conformal_Conic_2SP"],UNIT["US survey foot",0.3048006096]])w");
        const QString degrees = QStringLiteral(R"w(GEOGCS["WGS 84",DATUM["WGS_1984"],UNIT["degree",0.0174532925199433]])w");
        QTest::newRow("metres") << utm << 30.0 << 30.0 << QStringLiteral("30 m \u00d7 30 m a pixel, 9.02 m a height level");
        QTest::newRow("feet") << feet << 98.5 << 98.5 << QStringLiteral("98.5 ft \u00d7 98.5 ft a pixel, 9.02 ft a height level");
        QTest::newRow("degrees, measured in metres") << degrees << 21.87 << 30.72
                                                     << QStringLiteral("21.87 m \u00d7 30.72 m a pixel, 9.02 m a height level");
        QTest::newRow("no system") << QString() << 1.0 << 1.0 << QStringLiteral("1 \u00d7 1 a pixel, 9.02 a height level");
    }
    void unitsReadAsTheRasterCountsThem()
    {
        QFETCH(QString, wkt);
        QFETCH(double, gx);
        QFETCH(double, gy);
        QFETCH(QString, text);
        QLocale::setDefault(QLocale::c());
        const double vertical = 2300.0 / 255; // 9.019607843137255
        QCOMPARE(panel::unitsText(gx, gy, vertical, panel::unitSymbol(wkt.toStdString())), text);
    }

    // A raster's units show in the "Units" group, which can change them.
    void unitsGroupShowsAndEditsTheRastersUnits()
    {
        const QString path = dir->filePath(QStringLiteral("hill.asc"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("ncols 3\nnrows 2\nxllcorner 1000\nyllcorner 2000\ncellsize 30\n1 2 3\n4 5 6\n");
        f.close();
        QVERIFY(form().openHeightMap(path));
        QCOMPARE(the<QLineEdit>("GroundX")->text(), QStringLiteral("30"));
        QVERIFY2(the<QLabel>("UnitsText")->text().startsWith(QString::fromUtf8("30 \u00d7 30 a pixel")),
                 qPrintable(the<QLabel>("UnitsText")->text()));
        the<QLineEdit>("GroundX")->setText(QStringLiteral("12.5"));
        QCOMPARE(form().controls().sun.groundX, 12.5);
        // A georeferenced map's saves start on GeoTIFF.
        user.saveAnswer.clear();
        pressKeys(window.get(), QKeySequence::Save);
        QVERIFY2(user.saveFilter.startsWith(QLatin1String("GeoTIFF")), qPrintable(user.saveFilter));
    }

private:
    static QImage greyish(QSize size)
    {
        QImage img(size, QImage::Format_RGB32);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x) img.setPixel(x, y, qRgb(x % 200, x % 200, x % 200));
        return img;
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
