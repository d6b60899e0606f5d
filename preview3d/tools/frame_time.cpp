// Time of one frame of the 3D view at its design size.
//
//   frame_time [--frames N] [--flat] [--size W,H] [--save FRAME.png]
//
// --size shows a generated W x H terrain instead of the default pictures
// (both after "Make Texture" and "Linear"); --save writes the last frame
// drawn, to compare what two builds draw.
//
// Prints three figures:
// - memory: what "3D" (the grid build, the view's load and its first
//   frame) adds to the process's resident size, at its peak and after;
// - draw: a render request drawn by paintGL into the drawing area's
//   framebuffer and read back (grabFramebuffer), median over N frames;
// - cpu: processor time of all threads a drawn frame, the rasteriser's
//   included (less disturbed by other work on the machine than wall time);
// - on screen: frames shown per second when every shown frame at once asks
//   for the next (the auto-render timer asks only every 50 ms), as a mean
//   frame interval; it includes composition and the window system's pacing.
//
// --flat keeps the load-time view (angles 0, the mesh seen from the side at
// eye level); by default the mesh is tilted towards the eye so that it
// fills most of the frame, the costlier case.

#include "demo_view.h"
#include "preview3d/frm3D.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <sys/resource.h>

namespace {

// A field of /proc/self/status in KiB (VmRSS, VmHWM).
long statusKiB(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field + ":", 0) == 0) return std::atol(line.c_str() + field.size() + 1);
    return -1;
}

// Starts the peak (VmHWM) afresh from the present resident size.
void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// Processor time of every thread of the process (the rasteriser's too) in
// ms: steadier than wall time on a shared machine.
double cpuMs()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int frames = 200;
    bool flat = false;
    const char* save = nullptr;
    int w = gloamery::kDefaultMapSize, h = gloamery::kDefaultMapSize;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--frames") && i + 1 < argc)
            frames = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--flat"))
            flat = true;
        else if (!std::strcmp(argv[i], "--save") && i + 1 < argc)
            save = argv[++i];
        else if (!std::strcmp(argv[i], "--size") && i + 1 < argc
                 && std::sscanf(argv[++i], "%d,%d", &w, &h) == 2 && gloamery::validMapSize(w, h))
            continue;
        else {
            std::fprintf(stderr, "usage: frame_time [--frames N] [--flat] [--size W,H] [--save FRAME.png]\n");
            return 2;
        }
    }

    gloamery::Workspace ws;
    if (auto refusal = gloamery::prepareDemoMaps(ws, w, h)) {
        std::fprintf(stderr, "%s\n", refusal->message.c_str());
        return 1;
    }
    const long rssBefore = statusKiB("VmRSS");
    resetPeak();
    const auto demo = gloamery::openDemoView(ws); // only the caller's frames are drawn
    if (!demo) return 1;
    frm3D& view = *demo;
    view.Command1_Click();
    view.Disp->grabFramebuffer();
    const long peakAdded = statusKiB("VmHWM") - rssBefore;
    const long rssAdded = statusKiB("VmRSS") - rssBefore;
    if (!flat) view.camera().turnTo(35.0f, 30.0f);
    QElapsedTimer clock;
    clock.start();
    while (!(view.windowHandle() && view.windowHandle()->isExposed()) && clock.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);

    // Draw cost.
    auto draw = [&] {
        view.Command1_Click();
        return view.Disp->grabFramebuffer();
    };
    for (int i = 0; i < 5; ++i) draw(); // warm-up
    std::vector<double> ms;
    ms.reserve(frames);
    const long before = view.framesDrawn();
    const double cpuBefore = cpuMs();
    for (int i = 0; i < frames; ++i) {
        clock.start();
        const QImage img = draw();
        ms.push_back(clock.nsecsElapsed() / 1e6);
        if (img.isNull()) return 1;
        if (save && i + 1 == frames && !img.save(QString::fromLocal8Bit(save))) {
            std::fprintf(stderr, "cannot write %s\n", save);
            return 1;
        }
    }
    if (view.framesDrawn() - before != frames) {
        std::fprintf(stderr, "expected %d frames, %ld drawn\n", frames, view.framesDrawn() - before);
        return 1;
    }
    const double cpuPerFrame = (cpuMs() - cpuBefore) / frames;
    std::sort(ms.begin(), ms.end());

    // On-screen rate: each shown frame asks for the next.
    QObject::connect(view.Disp, &QOpenGLWidget::frameSwapped, &view, [&] { view.Command1_Click(); });
    const long shownBefore = view.framesDrawn();
    view.Command1_Click();
    clock.start();
    while (clock.elapsed() < 2000) QApplication::processEvents(QEventLoop::AllEvents, 10);
    const double seconds = clock.nsecsElapsed() / 1e9;
    const long shown = view.framesDrawn() - shownBefore;

    const TerrainMesh& terrain = view.Disp->terrain();
    std::printf("map %dx%d, mesh %dx%d points, drawing area %dx%d, %s view\n", w, h, terrain.pointColumns(),
                terrain.pointRows(), view.Disp->width(), view.Disp->height(), flat ? "flat" : "tilted");
    std::printf("triangles: %d in the last frame, of %d in the full mesh\n", terrain.trianglesDrawn(),
                2 * (terrain.pointColumns() - 1) * (terrain.pointRows() - 1));
    std::printf("memory: \"3D\" adds %.1f MiB at its peak, %.1f MiB after its first frame\n", peakAdded / 1024.0,
                rssAdded / 1024.0);
    std::printf("draw: median %.2f ms over %d frames (min %.2f, max %.2f)\n", ms[ms.size() / 2], frames, ms.front(),
                ms.back());
    std::printf("cpu: %.2f ms a frame over all threads\n", cpuPerFrame);
    if (shown > 0)
        std::printf("on screen: %ld frames in %.2f s, %.2f ms per frame\n", shown, seconds, seconds * 1000.0 / shown);
    view.close();
    return 0;
}
