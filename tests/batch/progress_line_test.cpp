// The progress line of long steps: drawn in place only when shown and only
// once the step has run long enough, with the status and share the
// operation reports, and cleared when the step ends.

#include "progress_line.h"

#include <gtest/gtest.h>

#include <sstream>
#include <thread>

using namespace gloamery::batch;
using namespace std::chrono_literals;

TEST(ProgressLine, DrawsLongShownStepsInPlaceAndClearsThem)
{
    const struct {
        bool shown;
        std::chrono::milliseconds after;
        bool drawn;
    } cases[] = {// drawn a little after the start, once the status and share are set
                 {true, 100ms, true}, {false, 0ms, false}, {true, 60s, false}};
    for (const auto& c : cases) {
        std::ostringstream out;
        {
            ProgressLine line(out, "linear", c.shown, c.after);
            line.status("Calculating...");
            line.progress(0.427);
            std::this_thread::sleep_for(300ms);
            line.finish();
            if (c.drawn) out << "next\n"; // after finish, on a line of its own
        }
        const std::string text = out.str();
        if (!c.drawn) {
            EXPECT_EQ(text, "") << c.shown << " " << c.after.count();
            continue;
        }
        EXPECT_EQ(text.rfind("\r\033[Klinear Calculating...  42% ", 0), 0u) << text;
        EXPECT_NE(text.find(" s\r\033[Knext\n"), std::string::npos) << text;
        EXPECT_EQ(text.find('\n'), text.size() - 1) << "one line, redrawn in place: " << text;
    }
}
