// The real window on a real X server (Xvfb), driven as a user drives it:
// the mouse on the pictures and buttons, the picture menu as it pops up,
// the system clipboard.

#include "panel_support.h"

#include "panel/panel_window.h"
#include "panel/application.h"
#include "panel/map_size_dialog.h"

#include "preview3d/frm3D.h"
#include "inputs/shadow_inputs.h"
#include "workspace/numeric.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <cmath>

#include <xcb/xcb.h>

using namespace gloamery;
using namespace gloamery::testing;
using panel::Form1;

namespace {

// A hilly terrain unlike the default one, so the result shows it was used.
QImage terrain()
{
    QImage img(256, 256, QImage::Format_RGB32);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const int h = static_cast<int>(128 + 60 * std::sin(x / 19.0) * std::cos(y / 23.0) + (x + y) / 8);
            img.setPixel(x, y, qRgb(h, h, h));
        }
    return img;
}

// Once the menu has popped up, clicks its item as the user would.
void clickMenuItemWhenShown(const QString& caption)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, caption] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu || !menu->isVisible()) return;
        for (QAction* a : menu->actions())
            if (a->text() == caption) QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
        poll->deleteLater();
    });
    poll->start(20);
}

// The title the window manager is given for a window, as the X server holds it.
QString titleOnTheServer(QWidget& w)
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* c = x11->connection();
    const char name[] = "_NET_WM_NAME";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof name - 1, name), nullptr);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, static_cast<xcb_window_t>(w.winId()), atom->atom, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), nullptr);
    const QString title = QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply)),
                                            xcb_get_property_value_length(reply));
    free(reply);
    free(atom);
    return title;
}

} // namespace

class EndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) QSKIP("needs an X server (runs under xvfb-run)");
    }

    void titlesAreExactlyTheWindowsOwn()
    {
        panel::setUpApplication();
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        frm3D view(*form.workspace(), ViewGrids());
        view.show(); // not loaded: no GL
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QCOMPARE(titleOnTheServer(form), QStringLiteral("Gloamery  v0.7"));
        QCOMPARE(titleOnTheServer(view), QStringLiteral("3D View"));
        panel::PanelWindow window; // the program's window, the panel inside it
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(titleOnTheServer(window), QStringLiteral("Gloamery  v0.7"));
    }

    void pasteClickLinearCopyMatchesTheLibrary()
    {
        Form1 form; // the real dialogs, message box and menu
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QClipboard* clip = QGuiApplication::clipboard();
        clip->setImage(terrain());

        clickMenuItemWhenShown(QStringLiteral("&From Clipboard"));
        QTest::mousePress(&form.pictureView(Slot::Height), Qt::RightButton, {}, QPoint(128, 128));
        QTest::mouseClick(&form.pictureView(Slot::Height), Qt::LeftButton, {}, QPoint(40, 30));
        QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("Command5")), Qt::LeftButton);
        clip->clear();
        clickMenuItemWhenShown(QStringLiteral("&To Clipboard"));
        QTest::mousePress(&form.pictureView(Slot::Colour), Qt::RightButton, {}, QPoint(10, 10));
        const QImage copied = clip->image().convertToFormat(QImage::Format_RGB32);

        Workspace expected = defaultWorkspace();
        putImage(expected, Slot::Height, terrain());
        SilentReporter quiet;
        Controls c;
        c.x0 = "40";
        c.y0 = "30";
        QVERIFY(!runShadowButton(expected, ShadowMode::Linear, c, localeNumberParser(), quiet));
        QCOMPARE(firstDifference(*form.workspace(), expected), QString());
        QCOMPARE(copied.size(), QSize(256, 256));
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                const Channels c = split(expected.picture(Slot::Colour).at(x, y));
                QVERIFY2(copied.pixel(x, y) == qRgb(c.r, c.g, c.b), qPrintable(QStringLiteral("at %1,%2").arg(x).arg(y)));
            }
    }

    // "gloamery FILE": the file becomes the height map, or the load's
    // refusal shows in its message box and the panel keeps its start state.
    void openHeightMapAsTheLauncherDoes_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("good");
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        terrain().save(&buffer, "PNG");
        QTest::newRow("a picture") << png << true;
        QTest::newRow("not a picture") << QByteArray("hello, world") << false;
        QTest::newRow("cut short") << png.left(png.size() / 2) << false;
        QTest::newRow("empty") << QByteArray() << false;
    }
    void openHeightMapAsTheLauncherDoes()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, good);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("hills.png"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();

        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QString shown, title;
        QTimer reader;
        QObject::connect(&reader, &QTimer::timeout, [&shown, &title] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                shown = box->text();
                title = box->windowTitle();
                box->close();
            }
        });
        reader.start(50);
        QCOMPARE(form.openHeightMap(path), good);
        reader.stop();

        Workspace expected = defaultWorkspace();
        Picture scratch = expected.heightPicture();
        const Refusal refusal = loadPicture(scratch, path);
        QCOMPARE(!refusal, good);
        if (good) putImage(expected, Slot::Height, terrain());
        QCOMPARE(shown, good ? QString() : QStringLiteral("Cannot load %1: %2").arg(path, QString::fromStdString(refusal->message)));
        QCOMPARE(title, good ? QString() : QStringLiteral("Gloamery"));
        QCOMPARE(firstDifference(*form.workspace(), expected), QString());
        QVERIFY(form.pictureView(Slot::Height).image() == toQImage(expected.heightPicture()));
    }

    // The real question on closing with unsaved work: the program's title,
    // Save / Discard / Cancel and "Don't ask again".
    void closingWithUnsavedWorkAsksInItsOwnBox()
    {
        QStandardPaths::setTestModeEnabled(true); // the setting goes to a test location
        QSettings(QStringLiteral("gloamery"), QStringLiteral("gloamery")).remove(panel::CloseGuard::settingsKey());
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("Command8")), Qt::LeftButton);
        for (QMessageBox::StandardButton answer : {QMessageBox::Cancel, QMessageBox::Discard}) {
            QString title, text, check;
            int buttons = 0;
            QTimer answerer;
            QObject::connect(&answerer, &QTimer::timeout, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (!box) return;
                title = box->windowTitle();
                text = box->text();
                check = box->checkBox() ? box->checkBox()->text() : QString();
                buttons = box->standardButtons();
                box->button(answer)->click();
            });
            answerer.start(50);
            QCOMPARE(form.close(), answer == QMessageBox::Discard);
            answerer.stop();
            QCOMPARE(title, QStringLiteral("Gloamery"));
            QVERIFY2(text.contains(QLatin1String("Texture Map")), qPrintable(text));
            QCOMPARE(check, QStringLiteral("Don't ask again"));
            QCOMPARE(buttons, int(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel));
        }
    }

    // "Map size..." refuses 20000 in the program's message box, naming the
    // range, and stays open.
    void mapSizeRefusalSaysTheRange()
    {
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QString title, text;
        bool typed = false;
        QTimer user;
        QObject::connect(&user, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                title = box->windowTitle();
                text = box->text();
                box->close();
            } else if (auto* dialog = qobject_cast<panel::MapSizeDialog*>(modal)) {
                if (typed) return dialog->reject(); // back after the refusal
                typed = true;
                dialog->findChild<QLineEdit*>(QStringLiteral("width"))->setText(QStringLiteral("20000"));
                // Queued: the refusal's box runs its own loop, where this
                // timer must fire again to close it.
                QMetaObject::invokeMethod(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                                          &QPushButton::click, Qt::QueuedConnection);
            }
        });
        user.start(50);
        QCOMPARE(form.prompts().mapSize(&form, QSize(256, 256)), std::optional<QSize>());
        user.stop();
        QCOMPARE(title, QStringLiteral("Gloamery"));
        QCOMPARE(text, QStringLiteral("The width must be a whole number from 1 to 16384 pixels, not \"20000\"."));
    }

    void threeDBuildsTheGridsAndReusesItsWindow()
    {
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        // The user closes whatever modal window shows: the view, or a
        // message from it.
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [] {
            if (QWidget* w = QApplication::activeModalWidget()) w->close();
        });
        closer.start(300);
        for (int opening = 0; opening < 2; ++opening)
            QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("Command6")), Qt::LeftButton);
        closer.stop();
        QCOMPARE(form.findChildren<frm3D*>().size(), 1);
        const Workspace& ws = *form.workspace();
        const ViewGrids& grids = form.findChild<frm3D*>()->grids();
        for (QPoint p : {QPoint(0, 0), QPoint(37, 200), QPoint(255, 255)})
            QCOMPARE(grids.HeightMap(p.x(), p.y()), float((red(ws.heightPicture().pixel(p.x(), p.y())) - 128) / 64.0));
        QCOMPARE(grids.ColorMap2R(10, 10), std::uint8_t(red(ws.picture(Slot::Detail).pixel(10, 10))));
    }
};

QTEST_MAIN(EndToEndTest)
#include "end_to_end_test.moc"
