#pragma once
// A Reporter that keeps every call in order, so a test can compare the
// exact sequence of status texts, progress fractions and busy pointers.

#include "workspace/reporter.h"

#include <ostream>
#include <string>
#include <vector>

namespace gloamery::testing {

struct Report {
    enum class Kind { Status, Progress, Busy };
    Kind kind;
    std::string text;    // Status
    double fraction = 0; // Progress
    bool on = false;     // Busy

    static Report status(std::string_view t) { return {Kind::Status, std::string(t)}; }
    static Report progress(double f) { return {Kind::Progress, {}, f}; }
    static Report busy(bool b) { return {Kind::Busy, {}, 0, b}; }

    // Fractions compare exactly: every one is a small integer over 255 or 256.
    bool operator==(const Report&) const = default;
};

inline void PrintTo(const Report& r, std::ostream* os)
{
    switch (r.kind) {
    case Report::Kind::Status: *os << "status \"" << r.text << '"'; break;
    case Report::Kind::Progress: *os << "progress " << r.fraction; break;
    case Report::Kind::Busy: *os << "busy " << (r.on ? "on" : "off"); break;
    }
}

class RecordingReporter final : public Reporter {
public:
    void status(std::string_view text) override { log.push_back(Report::status(text)); }
    void progress(double fraction) override { log.push_back(Report::progress(fraction)); }
    void busy(bool on) override { log.push_back(Report::busy(on)); }

    std::vector<Report> log;
};

// Appends progress first/divisor, ..., last/divisor.
inline void appendProgress(std::vector<Report>& v, int first, int last, double divisor)
{
    for (int i = first; i <= last; ++i) v.push_back(Report::progress(i / divisor));
}

} // namespace gloamery::testing
