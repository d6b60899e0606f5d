// Times live relighting as the user feels it: from a mouse move on the
// height map (left button held, "Live" ticked) to the end of the colour
// map's repaint. Prints the median, minimum and maximum per map size.
//   live_timing [--moves N] [SIZE...]      sizes default to 1024 4096

#include "fitted_image.h"
#include "form1.h"
#include "live_preview.h"
#include "picture_view.h"
#include "imageio/qt/picture_io.h"
#include "inputs/shadow_inputs.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using gloamery::Slot;
using gloamery::panel::Form1;
using gloamery::panel::PictureView;

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Milliseconds from the move to the colour map's repaint, or -1 when no
// repaint came within a few seconds.
double oneMove(PictureView& height, PictureView& colour, QPoint pos)
{
    QEventLoop loop;
    const auto done = QObject::connect(&colour, &PictureView::painted, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, [&loop] { loop.exit(1); });
    QElapsedTimer clock;
    clock.start();
    QMouseEvent move(QEvent::MouseMove, pos, height.mapToGlobal(pos), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(&height, &move);
    const int failed = loop.exec();
    const double ms = clock.nsecsElapsed() / 1e6;
    QObject::disconnect(done);
    return failed ? -1 : ms;
}

// The parts of a frame on their own, on this thread: an exact relight
// (clear, then Linear with its merge and blend), the two cells it changes
// converted, and on a previewed map the preview's sampling (once a drag)
// and its relight with its two cells.
void timeParts(Form1& form, int moves)
{
    using namespace gloamery;
    Workspace ws = *form.workspace();
    SilentReporter quiet;
    Controls sun;
    sun.x0 = "100";
    sun.y0 = "200";
    const ShadowParams params = std::get<ShadowParams>(readShadowParams(sun, parseCNumber, ShadowMode::Linear));
    const QSize cell(256, 256);
    panel::LivePreview preview;
    const bool previewed = panel::LivePreview::wanted(ws.width(), ws.height(), panel::LivePreview::kSide);
    std::vector<double> clear, relight, cells, sample, previewFrame;
    QElapsedTimer clock;
    auto lap = [&clock](std::vector<double>& into) {
        into.push_back(clock.nsecsElapsed() / 1e6);
        clock.restart();
    };
    for (int i = 0; i < moves; ++i) {
        clock.start();
        clearShadow(ws);
        lap(clear);
        runShadowButton(ws, ShadowMode::Linear, sun, parseCNumber, quiet);
        lap(relight);
        panel::fittedImage(panel::rowsOf(ws.image(Slot::Colour)), cell);
        panel::fittedImage(panel::rowsOf(ws.image(Slot::Shadow)), cell);
        lap(cells);
        if (!previewed) continue;
        preview.drop();
        preview.relight(ws, panel::LivePreview::kSide, params, sun, ShadowMode::Linear);
        lap(sample);
        preview.relight(ws, panel::LivePreview::kSide, params, sun, ShadowMode::Linear);
        panel::scaledImage(preview.colour(), cell);
        panel::scaledImage(preview.shadow(), cell);
        lap(previewFrame);
    }
    std::printf("  exact relight: clear %.1f ms, Linear + merge + blend %.1f ms, two cells converted %.1f ms\n",
                median(clear), median(relight), median(cells));
    if (previewed)
        std::printf("  preview: sampling and first relight %.1f ms (once a drag), relight + two cells %.1f ms\n",
                    median(sample), median(previewFrame));
}

bool timeSize(int side, int moves)
{
    Form1 form;
    form.show();
    if (!QTest::qWaitForWindowExposed(&form)) return false;
    if (!form.mapResizer().resize(QSize(side, side))) return false;
    form.findChild<QPushButton*>(QStringLiteral("Command8"))->click(); // "Make Texture"
    form.findChild<QCheckBox*>(QStringLiteral("Live"))->setChecked(true);
    PictureView& height = form.pictureView(Slot::Height);
    PictureView& colour = form.pictureView(Slot::Colour);
    QTest::mousePress(&height, Qt::LeftButton, {}, QPoint(128, 128));
    QTest::qWait(200);

    std::vector<double> ms;
    const int warmUp = 3;
    for (int i = 0; i < moves + warmUp; ++i) {
        // Round the map and through its middle, so the sun lies in every part.
        const QPoint pos(20 + (i * 37) % 216, 20 + (i * 53) % 216);
        const double t = oneMove(height, colour, pos);
        if (t < 0) {
            std::fprintf(stderr, "%d x %d: no repaint after a move\n", side, side);
            return false;
        }
        if (i >= warmUp) ms.push_back(t);
    }
    std::printf("live relight %5d x %-5d: median %.1f ms, min %.1f ms, max %.1f ms over %d moves\n", side, side,
                median(ms), *std::min_element(ms.begin(), ms.end()), *std::max_element(ms.begin(), ms.end()), moves);
    timeParts(form, moves);
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int moves = 31;
    std::vector<int> sides;
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (a == QLatin1String("--moves") && i + 1 < argc) moves = std::max(1, atoi(argv[++i]));
        else sides.push_back(a.toInt());
    }
    if (sides.empty()) sides = {1024, 4096};
    for (int side : sides)
        if (!timeSize(side, moves)) return 1;
    return 0;
}
