// The side panel's groups made from the tables ("Relief", "Colours",
// "Engine maps") and the saves of the maps beside the pictures; on the
// offscreen platform.

#include "panel_fixture.h"

#include "batch/engine_steps.h"
#include "imageio/colour_tables.h"
#include "imageio/map_files.h"
#include "inputs/operations.h"
#include "inputs/shadow_inputs.h"
#include "panel/map_saves.h"
#include "panel/schema_group.h"
#include "panel/status_line.h"
#include "panel/undo_steps.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

using namespace gloamery;
using namespace gloamery::testing;

class GroupsTest : public PanelFixture {
    Q_OBJECT

    QString status() { return the<QLabel>("labWork")->text(); }

    void setField(const QString& name, const QString& text)
    {
        if (auto* e = the<QLineEdit>(name)) e->setText(text);
        else the<QComboBox>(name)->setEditText(text);
    }

    // What the row makes of the workspace with these controls, run
    // straight through the core.
    static Workspace expectedRun(Workspace ws, const OperationRow& row, const Controls& c)
    {
        ShadowParams params;
        params.darkness = c.darkness;
        params.sun = c.sun;
        std::optional<TintSource> tint;
        if (holds(row.controls, ControlId::Colours))
            tint = tintSource(ws, std::get<ReadColourTable>(loadColourTable(c.colours)), c.colourEntries, {},
                              c.sun.vertical);
        SilentReporter quiet;
        if (row.run(ws, OperationInput{c, params, tint ? &*tint : nullptr}, quiet)) qFatal("refused");
        return ws;
    }

private slots:

    // A value outside its range is refused with the schema's words, naming
    // the field, before anything runs: no picture changes, no undo step.
    void fieldsRefuseValuesOutsideTheirRange_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("message");
        const char* rows[][4] = {
            {"Directions", "0", "SkyViewButton", "Directions must be a whole number from 1 to 256, not \"0\"."},
            {"Directions", "2.5", "OpennessButton", "Directions must be a whole number from 1 to 256, not \"2.5\"."},
            {"Directions", "many", "SkyViewButton", "Directions must be a finite number, not \"many\"."},
            {"Radius", "-3", "OpennessNegativeButton",
             "Radius must be a radius in ground units 1e-9..1e12, or none, not \"-3\"."},
            {"BlendOpacity", "101", "MultiHillshadeButton",
             "Blend opacity must be a number from 0 to 100, not \"101\"."},
            {"BlendOpacity", "-1", "Command12", "Blend opacity must be a number from 0 to 100, not \"-1\"."},
            {"Colours", "", "TintButton", "Colours must be a colour table's name or a file name, not \"\"."},
        };
        for (const auto& r : rows)
            QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(r[0], r[1])))
                << QString::fromLatin1(r[0]) << QString::fromLatin1(r[1]) << QString::fromLatin1(r[2])
                << QString::fromLatin1(r[3]);
    }
    void fieldsRefuseValuesOutsideTheirRange()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, button);
        QFETCH(QString, message);
        const Workspace before = *form->workspace();
        setField(field, text);
        form->undoSteps().flush();
        const std::size_t states = form->undoSteps().history().states();
        QTest::mouseClick(the<QPushButton>(button), Qt::LeftButton);
        QCOMPARE(user.messages.value(user.messages.size() - 1), message);
        QCOMPARE(firstDifference(*form->workspace(), before), QString());
        QCOMPARE(form->undoSteps().history().states(), states);
    }

    // Each group button runs its row of the operation table with the
    // group's controls, as the core does; it is one undo step named by the
    // row's caption, which undo takes back (the layer with the pictures)
    // and redo makes again.
    void buttonsRunTheirRowsAndAreUndoable_data()
    {
        QTest::addColumn<QString>("operation");
        for (const char* name : {"sky-view", "openness", "openness-negative", "multi-hillshade", "tint"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void buttonsRunTheirRowsAndAreUndoable()
    {
        QFETCH(QString, operation);
        const OperationRow& row = *operationNamed(operation.toStdString());
        setField("Directions", "8");
        setField("Radius", "40");
        setField("BlendOpacity", "60");
        setField("Colours", "land-sea");
        the<QComboBox>("ColourEntries")->setCurrentText("nearest");
        QTest::mouseClick(the<QPushButton>("Command8"), Qt::LeftButton); // a texture to merge with
        form->undoSteps().flush();
        const Workspace before = *form->workspace();
        const Controls c = form->controls();
        QCOMPARE(c.relief.directions, 8);
        QCOMPARE(c.relief.radius, std::optional<double>(40));
        QCOMPARE(c.blendOpacity, 60.0);

        QPushButton* button = form->findChild<QPushButton*>(panel::camelName(row.python) + "Button");
        QVERIFY(button);
        QCOMPARE(button->text(), QString::fromUtf8(row.caption.data(), row.caption.size()));
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY2(user.messages.isEmpty(), qPrintable(user.messages.join('\n')));
        const Workspace expected = expectedRun(before, row, c);
        QCOMPARE(firstDifference(*form->workspace(), expected), QString());
        QCOMPARE(form->workspace()->layer() != nullptr, row.kind == OperationKind::Layer);
        QCOMPARE(form->undoSteps().undoAction().text(), QStringLiteral("&Undo %1").arg(button->text()));

        form->undoSteps().undo();
        QCOMPARE(firstDifference(*form->workspace(), before), QString());
        QVERIFY(!form->workspace()->layer());
        form->undoSteps().redo();
        QCOMPARE(firstDifference(*form->workspace(), expected), QString());
        QCOMPARE(form->workspace()->layer() != nullptr, row.kind == OperationKind::Layer);
    }

    // The table's list offers the shipped tables; its button a file, which
    // "Tint" reads when it runs: its colours, or the line it cannot read.
    void aChosenTableFileIsReadWhenTintRuns()
    {
        auto* colours = the<QComboBox>("Colours");
        for (std::string_view name : builtInColourNames())
            QVERIFY(colours->findText(QString::fromUtf8(name.data(), name.size())) >= 0);
        const QString good = file("two.txt"), bad = file("bad.txt");
        QVERIFY(writeFile(good, "0% 10 20 30\n100% 10 20 30\n"));
        QVERIFY(writeFile(bad, "0 1 2 3\nhigh 4 5 6\n"));

        user.openAnswer = good;
        QTest::mouseClick(the<QToolButton>("ColoursFile"), Qt::LeftButton);
        QCOMPARE(colours->currentText(), good);
        QCOMPARE(form->controls().colours, good.toStdString());
        QTest::mouseClick(the<QPushButton>("TintButton"), Qt::LeftButton);
        QVERIFY2(user.messages.isEmpty(), qPrintable(user.messages.join('\n')));
        QCOMPARE(form->workspace()->picture(Slot::Texture).at(100, 100), compose(10, 20, 30));

        user.openAnswer = bad;
        QTest::mouseClick(the<QToolButton>("ColoursFile"), Qt::LeftButton);
        QTest::mouseClick(the<QPushButton>("TintButton"), Qt::LeftButton);
        const QString refusal = QStringLiteral("Cannot read the colour table \"%1\": line 2").arg(bad);
        QVERIFY2(user.messages.value(0).startsWith(refusal), qPrintable(user.messages.value(0)));
        QCOMPARE(form->workspace()->picture(Slot::Texture).at(100, 100), compose(10, 20, 30));
    }

    // The strip under the table shows its colours from its lowest entry to
    // its highest, as the entries' rule colours them, and follows the field
    // (an undo too); a table that cannot be read shows none.
    void theStripShowsTheTablesColours_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("entries");
        QTest::addColumn<QList<int>>("reds"); // at the left end, the middle and the right end; empty: no strip
        QTest::newRow("grey, interpolated") << "grey" << "interpolate" << QList<int>{0, 127, 255};
        QTest::newRow("two entries, nearest") << "steps" << "nearest" << QList<int>{10, 200, 200};
        QTest::newRow("two entries, interpolated") << "steps" << "interpolate" << QList<int>{10, 105, 200};
        QTest::newRow("unreadable") << "nowhere.txt" << "interpolate" << QList<int>{};
    }
    void theStripShowsTheTablesColours()
    {
        QFETCH(QString, table);
        QFETCH(QString, entries);
        QFETCH(QList<int>, reds);
        QVERIFY(writeFile(file("steps.txt"), "100 10 0 0\n300 200 0 0\n"));
        const QString name = table == QLatin1String("steps") ? file("steps.txt") : table;
        the<QComboBox>("ColourEntries")->setCurrentText(entries);
        setField("Colours", name);
        auto* strip = the<QLabel>("ColourStrip");
        const QImage shown = strip->pixmap().toImage();
        if (reds.isEmpty()) {
            QVERIFY(shown.isNull());
            QVERIFY2(strip->toolTip().startsWith("Cannot read the colour table"), qPrintable(strip->toolTip()));
            return;
        }
        const int w = shown.width(), y = shown.height() / 2;
        const int left = qRed(shown.pixel(0, y)), middle = qRed(shown.pixel(w / 2, y));
        const int right = qRed(shown.pixel(w - 1, y));
        QCOMPARE(left, reds[0]);
        QVERIFY2(std::abs(middle - reds[1]) <= 2, qPrintable(QString::number(middle)));
        QCOMPARE(right, reds[2]);
        form->undoSteps().flush();
        setField("Colours", "land");
        form->undoSteps().flush();
        form->undoSteps().undo();
        QCOMPARE(strip->pixmap().toImage(), shown);
    }

    // The saves of the layer, the normal map and the splat map are enabled
    // only while there is one (undo takes the layer away again; the normal
    // and the occlusion map need only the heights), and write through the
    // core's savers, saying where.
    void mapSavesOnlyWhenThereIsAMap()
    {
        panel::MapSaves& saves = form->mapSaves();
        QVERIFY(!saves.layerAction().isEnabled());
        QVERIFY(!saves.splatAction().isEnabled());
        QVERIFY(saves.normalAction().isEnabled());
        QVERIFY(saves.occlusionAction().isEnabled());

        QTest::mouseClick(the<QPushButton>("Command10"), Qt::LeftButton); // "Make Texture2"
        QVERIFY(saves.splatAction().isEnabled());
        QVERIFY(!saves.layerAction().isEnabled());
        QTest::mouseClick(the<QPushButton>("SkyViewButton"), Qt::LeftButton);
        QVERIFY(saves.layerAction().isEnabled());
        form->undoSteps().undo();
        QVERIFY(!saves.layerAction().isEnabled());
        QVERIFY(saves.splatAction().isEnabled());
        form->undoSteps().redo();
        QVERIFY(saves.layerAction().isEnabled());

        the<QComboBox>("NormalDepth")->setCurrentText("16");
        const struct {
            QAction* action;
            const char* name;
            const char* title;
        } entries[] = {{&saves.normalAction(), "normal.png", "Save Normal Map"},
                       {&saves.splatAction(), "splat.png", "Save Splat Map"},
                       {&saves.occlusionAction(), "occlusion.png", "Save Occlusion Map"},
                       {&saves.layerAction(), "layer.tif", "Save Layer"}};
        for (const auto& e : entries) {
            if (e.action == &saves.layerAction() && !geoTiffWriterAvailable()) continue;
            user.saveAnswer = file(e.name);
            e.action->trigger();
            QCOMPARE(user.saveTitle, QString::fromLatin1(e.title));
            QVERIFY2(user.messages.isEmpty(), qPrintable(user.messages.join('\n')));
            QVERIFY2(QFile::exists(user.saveAnswer), e.name);
            QVERIFY2(status().startsWith(QStringLiteral("Saved ")), qPrintable(status()));
        }
        const QImage normal(file("normal.png")), splat(file("splat.png"));
        QCOMPARE(normal.size(), QSize(256, 256));
        QCOMPARE(normal.depth(), 64); // 16 bits a component, as the group asked
        QCOMPARE(splat.size(), QSize(256, 256));
        const QColor weights = splat.pixelColor(40, 40);
        QCOMPARE(weights.red() + weights.green(), 255);

        // A name the saver does not take is refused in its words.
        user.saveAnswer = file("layer.png");
        saves.layerAction().trigger();
        QVERIFY2(user.messages.value(0).startsWith(QStringLiteral("Cannot save ")), qPrintable(user.messages.value(0)));
    }

    // "Save Occlusion Map" writes what the batch tool's occlusion save
    // writes for the same heights, directions, radius and units, as a PNG,
    // and says where.
    void theOcclusionMapIsTheBatchToolsOne_data()
    {
        QTest::addColumn<QStringList>("fields"); // name, text, name, text...
        QTest::newRow("the start values") << QStringList{};
        QTest::newRow("directions and radius") << QStringList{"Directions", "5", "Radius", "12"};
        QTest::newRow("units") << QStringList{"GroundX", "3", "GroundY", "2", "Vertical", "0.5"};
    }
    void theOcclusionMapIsTheBatchToolsOne()
    {
        QFETCH(QStringList, fields);
        for (qsizetype i = 0; i + 1 < fields.size(); i += 2) the<QLineEdit>(fields[i])->setText(fields[i + 1]);
        user.saveAnswer = file("occlusion.png");
        form->mapSaves().occlusionAction().trigger();
        QVERIFY2(user.messages.isEmpty(), qPrintable(user.messages.join('\n')));
        QCOMPARE(user.saveTitle, QStringLiteral("Save Occlusion Map"));
        QVERIFY2(user.saveFilter.startsWith(QLatin1String("PNG picture")), qPrintable(user.saveFilter));
        QCOMPARE(panel::fullStatus(*the<QLabel>("labWork")),
                 QStringLiteral("Saved Occlusion Map to %1").arg(QDir::toNativeSeparators(user.saveAnswer)));

        const Controls c = form->controls();
        const batch::EngineSaveStep step{batch::EngineMap::Occlusion, file("batch.png").toStdString(), {}, c.sun, true,
                                         true, c.relief};
        QVERIFY(!batch::saveEngineMap(*form->workspace(), step, {}));
        QFile ours(user.saveAnswer), theirs(file("batch.png"));
        QVERIFY(ours.open(QIODevice::ReadOnly) && theirs.open(QIODevice::ReadOnly));
        QVERIFY(ours.readAll() == theirs.readAll());
        QCOMPARE(QImage(user.saveAnswer).format(), QImage::Format_Grayscale8);
    }

    // Esc while the occlusion is worked out, as in a button's long run:
    // nothing is written, and the status line says so.
    void escStopsTheOcclusionSave()
    {
        user.saveAnswer = file("occlusion.png");
        QCoreApplication::postEvent(form.get(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        form->mapSaves().occlusionAction().trigger();
        QVERIFY2(user.messages.isEmpty(), qPrintable(user.messages.join('\n')));
        QVERIFY(!QFile::exists(user.saveAnswer));
        QCOMPARE(status(), QStringLiteral("Stopped: nothing was written."));
    }

    // The compositing blends and the four designed options are one choice.
    void compositingBlendsAndTheDesignedOptionsAreOneChoice()
    {
        auto* overlay = the<QRadioButton>("BlendOverlay");
        QVERIFY(overlay);
        overlay->click();
        QVERIFY(!the<QRadioButton>("Option2")->isChecked());
        QCOMPARE(form->controls().blend, BlendMode::Overlay);
        the<QRadioButton>("Option1")->click();
        QVERIFY(!overlay->isChecked());
        QCOMPARE(form->controls().blend, BlendMode::Half);
        Controls c = form->controls();
        c.blend = BlendMode::Screen;
        form->setControls(c);
        QVERIFY(the<QRadioButton>("BlendScreen")->isChecked());
        QVERIFY(!the<QRadioButton>("Option1")->isChecked());
    }
};

QTEST_MAIN(GroupsTest)
#include "groups_test.moc"
