// Times the undo history on a map of each size given (default 256, 1024,
// 4096): the first state recorded, a step after "Linear" (two pictures
// changed, six compared and shared) and an undo's restore.
//   build/panel/history_timing 4096

#include "panel/history.h"
#include "inputs/shadow_inputs.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace gloamery;

namespace {

double msSince(std::chrono::steady_clock::time_point& t)
{
    const auto now = std::chrono::steady_clock::now();
    const double ms = std::chrono::duration<double, std::milli>(now - t).count();
    t = now;
    return ms;
}

void timeSide(int side)
{
    Workspace ws(side, side);
    for (int i = 0; i < kSlotCount; ++i) {
        const auto fill = [i](Picture& p) {
            for (int y = 0; y < p.height(); ++y)
                for (int x = 0; x < p.width(); ++x) p.at(x, y) = (x * 7 + y * 13 + i) & 0xffffff;
        };
        if (static_cast<Slot>(i) == Slot::Height) ws.editHeightPicture(fill);
        else fill(ws.picture(static_cast<Slot>(i)));
    }
    panel::History history;
    auto t = std::chrono::steady_clock::now();
    history.record(ws, Settings{}, "start");
    const double first = msSince(t);
    SilentReporter quiet;
    const Controls c{"100", "50", "5", 128, 0, true, BlendMode::Multiply, {}, {}, {}, {}};
    runShadowButton(ws, ShadowMode::Linear, c, parseCNumber, quiet);
    msSince(t);
    history.record(ws, Settings{}, "Linear");
    const double step = msSince(t);
    panel::History::restore(*history.undo(), ws);
    const double undo = msSince(t);
    std::printf("%5d x %-5d: first state %.1f ms, step after Linear %.1f ms, undo %.1f ms; history %.0f MiB\n", side,
                side, first, step, undo, static_cast<double>(history.bytes()) / (1 << 20));
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<int> sides;
    for (int i = 1; i < argc; ++i) sides.push_back(std::atoi(argv[i]));
    if (sides.empty()) sides = {256, 1024, 4096};
    for (int side : sides) timeSide(side);
}
