#pragma once
// How long operations tell the user what they are doing: the status line,
// the progress bar (as a fraction of its full width) and the busy pointer.
// The window draws them; tests record them; the batch tool ignores them.

#include <string_view>

namespace gloamery {

namespace status {
constexpr std::string_view kCalculating = "Calculating...";
constexpr std::string_view kBuffering = "Buffering...";
constexpr std::string_view kMerging = "Merging...";
constexpr std::string_view kDone = "Done";
} // namespace status

class Reporter {
public:
    virtual ~Reporter() = default;
    virtual void status(std::string_view text) = 0;
    // fraction 0..1 of the bar's full width.
    virtual void progress(double fraction) = 0;
    virtual void busy(bool on) = 0;
    // Whether the user asked a long run to stop; a run that can stop asks
    // between its parts and then leaves its results as they were.
    virtual bool cancelled() { return false; }
};

class SilentReporter final : public Reporter {
public:
    void status(std::string_view) override {}
    void progress(double) override {}
    void busy(bool) override {}
};

// Sets the busy pointer for the lifetime of a scope.
class BusyScope {
public:
    explicit BusyScope(Reporter& r) : r_(r) { r_.busy(true); }
    ~BusyScope() { r_.busy(false); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    Reporter& r_;
};

} // namespace gloamery
