// The window with slots kept compact: the cells show a slot never filled,
// a small picture placed or repeated, and the height samples exactly as
// they showed the expanded pictures, and undo and redo bring such slots
// back as they were, still compact; on the offscreen platform.

#include "panel_support.h"

#include "panel/fitted_image.h"
#include "panel/undo_steps.h"

#include <QPushButton>

#include <memory>

using namespace gloamery;
using namespace gloamery::testing;
using panel::Form1;

namespace {

Picture pattern(int w, int h, int seed)
{
    Picture p(kInputBackground, w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.at(x, y) = compose((x * 7 + seed) & 255, (y * 5 + seed) & 255, (x + y * 3) & 255);
    return p;
}

// What a state of the window shows and holds, slot by slot.
struct Shown {
    std::vector<QImage> cells;
    std::vector<Picture> pictures;

    explicit Shown(Form1& f)
    {
        for (int s = 0; s < kSlotCount; ++s) {
            cells.push_back(f.pictureView(Slot(s)).image());
            pictures.push_back(s == 0 ? f.workspace()->heightPicture() : f.workspace()->image(Slot(s)).expanded());
        }
    }
};

QString differences(const Shown& a, const Shown& b)
{
    for (int s = 0; s < kSlotCount; ++s) {
        if (a.cells[s] != b.cells[s]) return QStringLiteral("cell of Picture%1").arg(s + 1);
        if (const QString d = firstDifference(a.pictures[s], b.pictures[s]); !d.isEmpty())
            return QStringLiteral("Picture%1 ").arg(s + 1) + d;
    }
    return {};
}

} // namespace

class LeanTest : public QObject {
    Q_OBJECT

private slots:
    // A cell scales the slot as it is kept to exactly what it scaled the
    // slot's expanded picture to: shrunk, pixel for pixel and enlarged.
    void cellsShowCompactSlotsAsExpanded()
    {
        const struct {
            const char* name;
            std::function<SlotImage(int w, int h)> make;
        } kinds[] = {
            {"never filled", [](int w, int h) { return SlotImage(kWhite, w, h); }},
            {"repeated", [](int w, int h) { return SlotImage(pattern(37, 23, 1), w, h, true); }},
            {"placed", [](int w, int h) { return SlotImage(pattern(50, 90, 2), w, h, false); }},
            {"whole", [](int w, int h) { return SlotImage(pattern(w, h, 3), w, h, false); }},
        };
        const struct {
            QSize map, to;
        } sizes[] = {{{1000, 600}, {260, 156}}, {{301, 97}, {260, 84}}, {{260, 260}, {260, 260}}, {{60, 40}, {260, 173}}};
        for (const auto& k : kinds)
            for (const auto& s : sizes) {
                const SlotImage image = k.make(s.map.width(), s.map.height());
                QVERIFY2(panel::scaledImage(panel::rowsOf(image), s.to) == panel::scaledImage(image.expanded(), s.to),
                         qPrintable(QStringLiteral("%1 at %2 x %3").arg(k.name).arg(s.map.width()).arg(s.map.height())));
            }
    }

    // The height cell reads the samples of either depth, and the colour a
    // height picture may carry, as the height picture shows them.
    void heightCellShowsTheSamplesAsThePicture()
    {
        const struct {
            const char* name;
            std::function<void(Workspace&)> fill;
        } kinds[] = {
            {"8-bit", [](Workspace& ws) { ws.setHeightPicture(pattern(40, 30, 4), true); }},
            {"deep", [](Workspace& ws) {
                 HeightSamples s(70, 50, std::uint16_t{0});
                 for (int i = 0; i < 70 * 50; ++i) s.data()[i] = static_cast<std::uint16_t>(i * 37);
                 ws.setDeepHeights(s, true);
             }},
            {"coloured", [](Workspace& ws) { ws.setHeightPicture(pattern(500, 300, 5)); }},
        };
        for (const auto& k : kinds) {
            Workspace ws(500, 300);
            k.fill(ws);
            for (QSize to : {QSize(260, 156), QSize(97, 58)})
                QVERIFY2(panel::scaledImage(panel::rowsOf(ws.heights()), to) == panel::scaledImage(ws.heightPicture(), to),
                         k.name);
        }
    }

    // Undo and redo over "Make Texture" and "Linear" on a map larger than
    // the pictures: every state comes back as it was shown and held, the
    // texture never made holding no pixels and the grass repeated holding
    // its own alone.
    void undoAndRedoKeepCompactSlots()
    {
        ScriptedUser user;
        Form1 form(user.prompts());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        user.mapSizeAnswer = QSize(1024, 768);
        useMenu(form, user, Slot::Height, "mnmapsize");
        QCOMPARE(form.workspace()->width(), 1024);
        const std::size_t grassBytes = form.workspace()->image(Slot::Grass).bytes();
        QCOMPARE(grassBytes, std::size_t{256 * 256 * sizeof(Colour)});
        QCOMPARE(form.workspace()->image(Slot::Texture).bytes(), std::size_t{0});
        std::vector<Shown> states{Shown(form)};
        for (const char* button : {"Command8", "Command5"}) {
            QTest::mouseClick(form.findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
            states.emplace_back(form);
        }
        for (int i = 1; i >= 0; --i) {
            form.undoSteps().undo();
            const QString d = differences(Shown(form), states[static_cast<std::size_t>(i)]);
            QVERIFY2(d.isEmpty(), qPrintable(QStringLiteral("undo to state %1: ").arg(i) + d));
        }
        QCOMPARE(form.workspace()->image(Slot::Texture).bytes(), std::size_t{0});
        QCOMPARE(form.workspace()->image(Slot::Grass).bytes(), grassBytes);
        for (int i = 1; i <= 2; ++i) {
            form.undoSteps().redo();
            const QString d = differences(Shown(form), states[static_cast<std::size_t>(i)]);
            QVERIFY2(d.isEmpty(), qPrintable(QStringLiteral("redo to state %1: ").arg(i) + d));
        }
        QCOMPARE(form.workspace()->image(Slot::Grass).bytes(), grassBytes);
    }
};

QTEST_MAIN(LeanTest)
#include "lean_test.moc"
