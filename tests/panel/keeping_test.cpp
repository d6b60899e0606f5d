// Work the panel keeps and takes back: every change undone and redone with
// the keys, and settings files saved, loaded and rerun by the batch tool;
// on the offscreen platform.

#include "panel_fixture.h"

#include "batch_run.h"
#include "imageio/qt/height_files.h"
#include "panel/settings_commands.h"
#include "panel/undo_steps.h"
#include "settings/settings_file.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QUrl>

#include <functional>
#include <memory>
#include <sstream>

using namespace gloamery;
using namespace gloamery::testing;
using panel::Form1;

namespace {

// Everything an undo must bring back.
struct Seen {
    Workspace ws;
    Controls controls;
    ShadowMode shadow;

    explicit Seen(const Form1& f) : ws(*f.workspace()), controls(f.controls()), shadow(f.liveLighting().shadowMode()) {}
};

QString differences(const Seen& a, const Seen& b)
{
    if (a.ws.width() != b.ws.width() || a.ws.height() != b.ws.height()) return QStringLiteral("map sizes differ");
    if (const QString d = firstDifference(a.ws, b.ws); !d.isEmpty()) return d;
    if (heightsAreDeep(a.ws) != heightsAreDeep(b.ws)) return QStringLiteral("depths differ");
    if (!(a.controls == b.controls)) return QStringLiteral("controls differ");
    if (a.shadow != b.shadow) return QStringLiteral("shadow buttons differ");
    return {};
}

} // namespace

class KeepingTest : public PanelFixture {
    Q_OBJECT

    QString status() { return the<QLabel>("labWork")->text(); }

    void newForm()
    {
        openForm();
        form->undoSteps().setRestInterval(5);
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
    }

    // Lets live relights and resting changes end as steps.
    void settle()
    {
        QCoreApplication::processEvents();
        QTRY_VERIFY(form->liveLighting().idle());
        QTest::qWait(20);
        form->undoSteps().flush();
    }

    void dropOn(Slot slot, const QString& path)
    {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&form->pictureView(slot), &enter);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&form->pictureView(slot), &drop);
        QCoreApplication::processEvents();
    }

    void dragSun(std::initializer_list<QPoint> points)
    {
        QWidget& view = form->pictureView(Slot::Height);
        QTest::mousePress(&view, Qt::LeftButton, {}, *points.begin());
        for (QPoint p : points) {
            moveHeld(p);
            QTest::qWait(10);
        }
        QTest::mouseRelease(&view, Qt::LeftButton, {}, *(points.end() - 1));
    }

private slots:
    void initTestCase()
    {
        // One folder for every test: the pictures written here are loaded by all.
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        // The last settings file is remembered here, not in the user's home.
        qputenv("XDG_CONFIG_HOME", file("config").toUtf8());
        QVERIFY(greyRamp({256, 256}).save(file("ramp.png")));
        QVERIFY(greyRamp({300, 200}, 17).save(file("wide.png")));
    }
    // Each test opens its own panel, some after changing the locale.
    void init() {}

    void everyChangeIsUndoneAndRedoneWithTheKeys()
    {
        struct Case {
            const char* label;
            std::function<void()> prepare; // not part of the step
            std::function<void()> change;
        };
        auto menu = [this](Slot s, const char* item) { return [this, s, item] { useMenu(*form, user, s, item); }; };
        auto click = [this](const char* b) { return [this, b] { QTest::mouseClick(the<QPushButton>(b), Qt::LeftButton); }; };
        auto nothing = [] {};
        const Case cases[] = {
            {"Linear", nothing, click("Command5")},
            {"Clear", click("Command9"), click("Command3")},
            {"Make Texture2", nothing, click("Command10")},
            {"Load Picture on Height Map", [this] { user.openAnswer = file("ramp.png"); }, menu(Slot::Height, "mnpopload")},
            {"Load Picture on Height Map", // "Work at 300 x 200"
             [this] { user.openAnswer = file("wide.png"); user.workAtSize = true; }, menu(Slot::Height, "mnpopload")},
            {"From Clipboard on Grass Map", [] { QGuiApplication::clipboard()->setImage(greyRamp({64, 64})); },
             menu(Slot::Grass, "mnmpoploadclip")},
            {"Drop on Stone Map", nothing, [this] { dropOn(Slot::Stone, file("ramp.png")); }},
            {"Map size on Height Map", [this] { user.mapSizeAnswer = QSize(90, 40); }, menu(Slot::Height, "mnmapsize")},
            {"Fit to engine size on Height Map", [this] { user.mapSizeAnswer = QSize(65, 33); },
             menu(Slot::Height, "mnfitengine")},
            {"Darkness", nothing, [this] { the<QScrollBar>("HScroll2")->setValue(40); }},
            {"Decay, Blend mode", nothing, [this] {
                 the<QLineEdit>("Alt")->setText("2.5");
                 the<QRadioButton>("Option3")->setChecked(true);
             }},
            {"Sun position", // a live drag is one step
             [this] { the<QCheckBox>("Live")->setChecked(true); }, [this] { dragSun({{10, 10}, {60, 20}, {90, 70}}); }},
            {"Load settings",
             [this] {
                 Settings s;
                 s.controls.alt = "1";
                 s.map = MapSize{128, 64};
                 s.shadow = ShadowMode::Cos;
                 QVERIFY(!writeSettingsFile(file("small.json").toStdString(), s));
             },
             [this] { form->settingsCommands().loadFrom(file("small.json")); }},
        };
        for (const Case& c : cases) {
            newForm();
            c.prepare();
            settle();
            const std::size_t states = form->undoSteps().history().states();
            const Seen before(*form);
            c.change();
            settle();
            const Seen after(*form);
            QVERIFY2(!differences(before, after).isEmpty(), c.label);
            QCOMPARE(form->undoSteps().history().states(), states + 1);

            QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
            QVERIFY2(differences(Seen(*form), before).isEmpty(), qPrintable(c.label + (": " + differences(Seen(*form), before))));
            QCOMPARE(status(), QStringLiteral("Undone: ") + c.label);
            QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
            QVERIFY2(differences(Seen(*form), after).isEmpty(), c.label);
            QCOMPARE(status(), QStringLiteral("Redone: ") + c.label);
            QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
            QTest::keyClick(form.get(), Qt::Key_Y, Qt::ControlModifier);
            QVERIFY2(differences(Seen(*form), after).isEmpty(), c.label);
            // The cells show the pictures restored.
            QCOMPARE(form->pictureView(Slot::Colour).image().size().isEmpty(), false);
            QVERIFY(user.messages.isEmpty());
        }
    }

    // An 8-bit picture in place of deep heights leaves them 8-bit; the step
    // back brings every 16-bit sample back, and the step forward the 8 bits.
    void undoBringsDeepHeightsBack()
    {
        std::vector<std::uint16_t> hills(256 * 256);
        for (std::size_t i = 0; i < hills.size(); ++i) hills[i] = static_cast<std::uint16_t>(i * 37 % 65536);
        const HeightSamples deep(256, 256, hills.data());
        QVERIFY(!saveDeepHeights(deep, file("deep.png")));
        struct Case {
            const char* label;
            std::function<void()> change;
        };
        const Case cases[] = {
            {"Load Picture on Height Map", [this] { loadInto(Slot::Height, file("ramp.png")); }},
            {"From Clipboard on Height Map", [this] {
                 QGuiApplication::clipboard()->setImage(greyRamp({256, 256}, 5));
                 useMenu(*form, user, Slot::Height, "mnmpoploadclip");
             }},
            {"Drop on Height Map", [this] { dropOn(Slot::Height, file("ramp.png")); }},
        };
        for (const Case& c : cases) {
            newForm();
            loadInto(Slot::Height, file("deep.png"));
            settle();
            QVERIFY2(form->workspace()->heightSamples() == deep, c.label);
            c.change();
            settle();
            QVERIFY2(!heightsAreDeep(*form->workspace()), c.label);
            const Picture edited = form->workspace()->heightPicture();

            QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(status(), QStringLiteral("Undone: ") + c.label);
            QVERIFY2(form->workspace()->heightSamples() == deep, c.label);
            QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
            QVERIFY2(!heightsAreDeep(*form->workspace()), c.label);
            QCOMPARE(firstDifference(form->workspace()->heightPicture(), edited), QString());
            QVERIFY(user.messages.isEmpty());
        }
    }

    void undoStopsAtTheStart()
    {
        newForm();
        QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(status(), QStringLiteral("Nothing to undo"));
        QTest::keyClick(form.get(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(status(), QStringLiteral("Nothing to redo"));
        // The commands are on the window's own menu, and the pictures keep theirs.
        QCOMPARE(form->contextMenuPolicy(), Qt::ActionsContextMenu);
        QStringList shown;
        for (QAction* a : form->actions())
            if (!a->isSeparator()) shown << a->text() + ' ' + a->shortcut().toString();
        QCOMPARE(shown, QStringList({"&Undo Ctrl+Z", "&Redo Ctrl+Shift+Z", "&Save settings... Ctrl+Shift+S",
                                     "&Load settings... Ctrl+Shift+O"}));
        QCOMPARE(form->pictureView(Slot::Height).contextMenuPolicy(), Qt::PreventContextMenu);
    }

    void settingsAreSavedAndOfferedAgain()
    {
        QSettings(QStringLiteral("gloamery"), QStringLiteral("gloamery")).clear();
        newForm();
        the<QLineEdit>("X0")->setText("12");
        the<QScrollBar>("HScroll1")->setValue(33);
        // The side panel's groups too.
        the<QLineEdit>("Radius")->setText("25");
        the<QComboBox>("ColourEntries")->setCurrentText("exact");
        the<QRadioButton>("BlendScreen")->click();
        const Controls saved = form->controls();
        QString suggested = QStringLiteral("unset");
        form->settingsCommands().askSavePath = [&](QWidget*, const QString& s) { suggested = s; return file("look.json"); };
        form->settingsCommands().askOpenPath = [&](QWidget*, const QString& s) { suggested = s; return s; };
        the<QAction>("actSaveSettings")->trigger();
        QCOMPARE(suggested, QString());
        QCOMPARE(status(), QStringLiteral("Settings saved to look.json"));

        // Another session offers the same file, which brings the controls back.
        newForm();
        form->settingsCommands().askOpenPath = [&](QWidget*, const QString& s) { suggested = s; return s; };
        the<QAction>("actLoadSettings")->trigger();
        QCOMPARE(suggested, file("look.json"));
        QCOMPARE(the<QLineEdit>("X0")->text(), QStringLiteral("12"));
        QCOMPARE(the<QScrollBar>("HScroll1")->value(), 33);
        QCOMPARE(the<QLineEdit>("Radius")->text(), QStringLiteral("25"));
        QVERIFY(the<QRadioButton>("BlendScreen")->isChecked());
        QVERIFY(form->controls() == saved);
        QCOMPARE(status(), QStringLiteral("Settings loaded from look.json"));
        QVERIFY(user.messages.isEmpty());
    }

    void badSettingsFilesChangeNothing()
    {
        const struct {
            const char* content;
            const char* inMessage;
        } cases[] = {
            {"{\"format\": \"gloamery-settings\"", "cut short"},
            {"<settings/>", "not JSON"},
            {R"({"format": "gloamery-settings", "version": 9, "darkness": 1})", "\"version\""},
            {R"({"format": "gloamery-settings", "version": 1, "darkness": 1, "map": {"width": 20000}})", "\"map.width\""},
        };
        newForm();
        the<QScrollBar>("HScroll2")->setValue(77);
        settle();
        const Seen before(*form);
        const std::size_t states = form->undoSteps().history().states();
        for (const auto& c : cases) {
            QFile f(file("bad.json"));
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(c.content);
            f.close();
            user.messages.clear();
            QVERIFY(!form->settingsCommands().loadFrom(file("bad.json")));
            QCOMPARE(user.messages.size(), 1);
            QVERIFY2(user.messages[0].startsWith("Cannot load the settings in " + file("bad.json") + ": ")
                         && user.messages[0].contains(QLatin1String(c.inMessage)),
                     qPrintable(user.messages[0]));
            QCOMPARE(differences(Seen(*form), before), QString());
            QCOMPARE(form->undoSteps().history().states(), states);
        }
        // Nor is a box that holds no number saved.
        the<QLineEdit>("Alt")->setText("steep");
        QVERIFY(!form->settingsCommands().saveTo(file("never.json")));
        QVERIFY(!QFile::exists(file("never.json")));
        QVERIFY2(user.messages.last().contains(QLatin1String("Decay must be a finite number")), qPrintable(user.messages.last()));
    }

    // In a locale that writes 2,5 and 1.000, the file still holds what the
    // panel computed with, and the batch tool makes the same bytes from it.
    void thePanelsResultIsRerunByTheBatchTool()
    {
        const QLocale was;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        newForm();
        QVERIFY(form->mapResizer().resize(QSize(300, 200)));
        enter({.x0 = "-40", .y0 = "1.000", .decay = "2,5", .texture = 60, .darkness = 90, .blur = false});
        the<QRadioButton>("Option1")->setChecked(true);
        QTest::mouseClick(the<QPushButton>("Command10"), Qt::LeftButton);
        QTest::mouseClick(the<QPushButton>("Command9"), Qt::LeftButton);
        QVERIFY(form->settingsCommands().saveTo(file("panel.json")));
        QFile saved(file("panel.json"));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray text = saved.readAll();
        QVERIFY2(text.contains("\"y0\": \"1000\"") && text.contains("\"decay\": \"2.5\"") && text.contains("\"shadow\": \"sin\""),
                 text.constData());

        const QString out = file("batch-colour.png");
        std::ostringstream sink;
        const int status = batch::runTool(QStringList{"--settings", file("panel.json"), "make-texture2", "shadow", "--save",
                                                      "colour", out},
                                          sink, sink);
        QCOMPARE(status, batch::kExitOk);
        QCOMPARE(QImage(out).convertToFormat(QImage::Format_RGB32), toQImage(form->workspace()->picture(Slot::Colour)));

        // Loaded back, the boxes read as the locale writes numbers.
        the<QLineEdit>("Y0")->setText("0");
        QVERIFY(form->settingsCommands().loadFrom(file("panel.json")));
        QCOMPARE(the<QLineEdit>("Y0")->text(), QStringLiteral("1000"));
        QCOMPARE(the<QLineEdit>("Alt")->text(), QStringLiteral("2,5"));
        form.reset();
        QLocale::setDefault(was);
    }
};

QTEST_MAIN(KeepingTest)
#include "keeping_test.moc"
