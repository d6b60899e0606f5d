// The status line, progress bar and busy pointer, call by call.

#include "recording_reporter.h"
#include "inputs/shadow_inputs.h"
#include "workspace/view_maps.h"

#include <gtest/gtest.h>

using namespace gloamery;
using namespace gloamery::testing;

TEST(Reporting, LinearRunThenMerge)
{
    // Blur walks columns 1..255, the plain copy 0..255; both count in 255ths.
    for (bool blur : {true, false}) {
        Workspace ws;
        Controls c;
        c.blur = blur;
        RecordingReporter report;
        ASSERT_FALSE(runShadowButton(ws, ShadowMode::Linear, c, parseCNumber, report).has_value());

        std::vector<Report> want = {Report::status("Calculating...")};
        appendProgress(want, 0, 255, 256);
        want.push_back(Report::status("Buffering..."));
        appendProgress(want, blur ? 1 : 0, 255, 255);
        want.push_back(Report::status("Merging..."));
        appendProgress(want, 0, 256, 256);
        want.push_back(Report::status("Done"));
        EXPECT_EQ(report.log, want) << (blur ? "with blur" : "without blur");
    }
}

TEST(Reporting, CalculateMaps)
{
    Workspace ws;
    RecordingReporter report;
    CalculateMaps(ws, report);

    std::vector<Report> want = {Report::busy(true), Report::progress(0), Report::status("Calculating...")};
    appendProgress(want, 0, 256, 256);
    want.push_back(Report::status("Done"));
    want.push_back(Report::busy(false));
    EXPECT_EQ(report.log, want);
}
