// Live relighting at 2048 x 2048 under a busy hand: while the exact relight
// runs on its thread, the sun is dragged, heights are pasted (one of
// another size, worked at) and every control changes. Once all is done the
// maps must be those of a fresh run with the final inputs, then also after
// "Make Texture" and "Linear". On the offscreen platform; built with
// -DGLOAMERY_TSAN=ON it is one of the runs ThreadSanitizer watches.

#include "panel_fixture.h"

#include "compose/texture.h"
#include "inputs/shadow_inputs.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include <cmath>
#include <memory>
#include <random>

using namespace gloamery;
using namespace gloamery::testing;
using panel::Form1;

namespace {

// Hills that differ with the seed, so each paste changes every shadow.
QImage hills(QSize size, int seed)
{
    QImage img(size, QImage::Format_RGB32);
    const double fx = 40.0 + 7 * seed, fy = 55.0 + 5 * seed;
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const int h = static_cast<int>(128 + 90 * std::sin(x / fx + seed) * std::cos(y / fy));
            line[x] = qRgb(h, h, h);
        }
    }
    return img;
}

} // namespace

class LiveStressTest : public PanelFixture {
    Q_OBJECT

    std::mt19937 random{20261209};

    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); }
    QPoint anywhere() { return {pick(0, 255), pick(0, 255)}; } // within the height map's cell

    // Replaces the height map from the clipboard, through the menu.
    void paste(const QImage& image)
    {
        QGuiApplication::clipboard()->setImage(image);
        useMenu(*form, user, Slot::Height, "mnmpoploadclip");
    }

    // One change of a control, as the hand makes it.
    void changeAControl()
    {
        switch (pick(0, 4)) {
        case 0: the<QScrollBar>("HScroll2")->setValue(pick(0, 255)); break;
        case 1: {
            const char* decays[] = {"0.5", "2", "3", "5", "0"};
            the<QLineEdit>("Alt")->setText(QString::fromLatin1(decays[pick(0, 4)]));
            break;
        }
        case 2: the<QCheckBox>("SwiBlur")->toggle(); break;
        case 3: the<QRadioButton>(QStringLiteral("Option%1").arg(pick(1, 4)))->setChecked(true); break;
        default: the<QScrollBar>("HScroll1")->setValue(pick(0, 100)); break; // reruns the texture
        }
    }

    // Releases the pointer and lets the exact relight start, without
    // waiting for it to end.
    void releaseAndStartExact(QPoint at)
    {
        QTest::mouseRelease(&form->pictureView(Slot::Height), Qt::LeftButton, {}, at);
        QCoreApplication::processEvents();
    }

    void settle()
    {
        QCoreApplication::processEvents();
        QTRY_VERIFY_WITH_TIMEOUT(form->liveLighting().idle(), 120000);
        form->liveLighting().settle();
    }

private slots:
    void init()
    {
        ScriptedUser answers;
        answers.workAtSize = true;
        openForm(answers);
    }

    void busyHandMatchesAFreshRun()
    {
        panel::LiveLighting& live = form->liveLighting();
        live.setRestInterval(3600000); // exact relights at release and before reads alone
        QVERIFY(form->mapResizer().resize({2048, 2048}));
        the<QCheckBox>("Live")->setChecked(true);
        QWidget& height = form->pictureView(Slot::Height);

        QSize size(2048, 2048);
        QImage last;
        int overlapped = 0; // actions taken while an exact relight was running
        for (int round = 0; round < 4; ++round) {
            QPoint at = anywhere();
            QTest::mousePress(&height, Qt::LeftButton, {}, at);
            for (int move = 0; move < 3; ++move) {
                moveHeld(at = anywhere());
                QCoreApplication::processEvents(); // a preview runs
            }
            releaseAndStartExact(at);
            // While it runs: more moves, control changes and a paste (the
            // second round's of another size, worked at).
            for (int action = 0; action < 6; ++action) {
                if (!live.idle()) ++overlapped;
                if (action == 3) {
                    if (round == 1) size = QSize(2048, 1536);
                    paste(last = hills(size, round));
                    QTest::mousePress(&height, Qt::LeftButton, {}, at);
                    releaseAndStartExact(at);
                } else if (action % 2 == 0) {
                    QTest::mousePress(&height, Qt::LeftButton, {}, at = anywhere());
                    moveHeld(at = anywhere());
                    releaseAndStartExact(at);
                } else {
                    changeAControl();
                }
            }
        }
        // The report's decay, then the texture rerun after the last paste,
        // so its heights are the last pasted, as in the fresh run.
        the<QLineEdit>("Alt")->setText(QStringLiteral("0.5"));
        the<QScrollBar>("HScroll1")->setValue(the<QScrollBar>("HScroll1")->value() == 33 ? 34 : 33);
        settle();
        QVERIFY2(overlapped >= 12, qPrintable(QString::number(overlapped)));
        QVERIFY(user.messages.isEmpty());

        const Controls final = form->controls();
        Workspace expected = defaultWorkspace();
        expected.resize(size.width(), size.height());
        putImage(expected, Slot::Height, last);
        SilentReporter quiet;
        makeTexture(expected, final.contrast, quiet);
        clearShadow(expected);
        QVERIFY(!runShadowButton(expected, ShadowMode::Linear, final, localeNumberParser(), quiet));
        QCOMPARE(firstDifference(*form->workspace(), expected), QString());

        // The buttons after it all, as in the report of a grey plain:
        // "Make Texture", then "Linear" drawing over the live shadows.
        QTest::mouseClick(the<QPushButton>("Command8"), Qt::LeftButton);
        QTest::mouseClick(the<QPushButton>("Command5"), Qt::LeftButton);
        makeTexture(expected, final.contrast, quiet);
        QVERIFY(!runShadowButton(expected, ShadowMode::Linear, final, localeNumberParser(), quiet));
        QCOMPARE(firstDifference(*form->workspace(), expected), QString());
    }
};

QTEST_MAIN(LiveStressTest)
#include "live_stress_test.moc"
