#pragma once
// A one-line progress indicator on a terminal: a step that runs longer
// than a second shows its name, the status and share of the work the
// operation reports through the Reporter interface, and the time taken,
// redrawn in place a few times a second and cleared when the step ends.

#include "workspace/reporter.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <iosfwd>
#include <mutex>
#include <string>
#include <thread>

namespace gloamery::batch {

class ProgressLine final : public Reporter {
public:
    // Shows nothing unless `shown` (standard error is a terminal and the
    // user did not ask for quiet); the line appears once `after` has passed.
    ProgressLine(std::ostream& out, std::string what, bool shown,
                 std::chrono::milliseconds after = std::chrono::seconds(1));
    ~ProgressLine() override;
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Stops and clears the line, so that what the step prints next starts
    // a line of its own; the destructor does the same.
    void finish();

    void status(std::string_view text) override;
    void progress(double fraction) override;
    void busy(bool) override {}

private:
    void tick();
    void draw(std::chrono::steady_clock::duration elapsed);

    std::ostream& out_;
    const std::string what_;
    const std::chrono::milliseconds after_;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    bool drawn_ = false;
    std::string status_;
    std::atomic<double> fraction_{-1.0}; // below 0 until an operation reports a share
    std::thread ticker_;                 // redraws the line while the step runs
};

} // namespace gloamery::batch
