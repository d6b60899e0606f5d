// The panel's peak memory as a user drives it: the window shown, "Map
// size..." from the height map's menu, then "Linear"; with --more also
// "Make Texture", a live drag of the sun, Undo and Redo. After each step
// prints the step's peak resident memory (VmHWM, reset before the step
// through /proc/self/clear_refs), the memory resident after it, and at the
// end the run's peak.
//   memory_peak [--more] [SIDE]        SIDE defaults to 16384

#include "form1.h"
#include "live_lighting.h"
#include "picture_view.h"
#include "undo_steps.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>

using gloamery::Slot;
using gloamery::panel::Form1;

namespace {

// A field of /proc/self/status in MiB, -1 when it is not there.
double statusMiB(const char* field)
{
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind(field, 0) == 0) return std::stod(line.substr(line.find(':') + 1)) / 1024.0; // kB
    return -1;
}

// Starts the next step's peak from the memory resident now.
bool resetPeak()
{
    std::ofstream out("/proc/self/clear_refs");
    out << "5";
    return static_cast<bool>(out.flush());
}

double runPeak = 0;
bool peakResets = false;

void step(const char* name, const std::function<void()>& act)
{
    peakResets = resetPeak();
    act();
    QTest::qWait(50); // the repaints it asked for
    const double peak = statusMiB("VmHWM"), now = statusMiB("VmRSS");
    runPeak = std::max(runPeak, peak);
    std::printf("%-14s peak %7.0f MiB, resident after %7.0f MiB\n", name, peak, now);
    std::fflush(stdout);
}

void click(Form1& form, const char* name) { QTest::mouseClick(form.findChild<QPushButton*>(QString::fromLatin1(name)), Qt::LeftButton); }

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int side = 16384;
    bool more = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--more") more = true;
        else side = std::atoi(argv[i]);
    }
    QString menuChoice;
    gloamery::panel::Prompts prompts;
    prompts.showMenu = [&menuChoice](QMenu& menu, const QPoint&) { return menu.findChild<QAction*>(menuChoice); };
    prompts.mapSize = [side](QWidget*, QSize) { return std::optional<QSize>(QSize(side, side)); };
    prompts.message = [](QWidget*, const QString& text) { std::fprintf(stderr, "message: %s\n", qPrintable(text)); };

    std::optional<Form1> form;
    step("start", [&] {
        form.emplace(prompts);
        form->show();
        if (!QTest::qWaitForWindowExposed(&*form)) std::fprintf(stderr, "the panel was never shown\n");
    });
    step("Map size...", [&] {
        menuChoice = QStringLiteral("mnmapsize");
        QTest::mousePress(&form->pictureView(Slot::Height), Qt::RightButton, {}, QPoint(10, 10));
    });
    if (form->workspace()->width() != side) {
        std::fprintf(stderr, "the map was not made %d x %d\n", side, side);
        return 1;
    }
    step("Linear", [&] { click(*form, "Command5"); });
    if (more) {
        step("Make Texture", [&] { click(*form, "Command8"); });
        step("Live drag", [&] {
            form->findChild<QCheckBox*>(QStringLiteral("Live"))->setChecked(true);
            auto& height = form->pictureView(Slot::Height);
            QTest::mousePress(&height, Qt::LeftButton, {}, QPoint(60, 60));
            for (int i = 1; i <= 4; ++i) QTest::mouseMove(&height, QPoint(60 + 20 * i, 60 + 10 * i), 100);
            QTest::mouseRelease(&height, Qt::LeftButton, {}, QPoint(140, 100));
            form->liveLighting().settle();
            form->findChild<QCheckBox*>(QStringLiteral("Live"))->setChecked(false);
        });
        step("Undo", [&] { form->undoSteps().undo(); });
        step("Redo", [&] { form->undoSteps().redo(); });
    }
    std::printf("run peak %.0f MiB at %d x %d%s\n", runPeak, side, side,
                peakResets ? "" : " (the peak could not be reset: each figure is the run's so far)");
    return 0;
}
