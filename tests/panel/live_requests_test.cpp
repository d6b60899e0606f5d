// The live relight's requests as one value: how requests collapse, which
// kind of run they begin, and what rests, holds and queued starts allow.

#include "panel/live_requests.h"

#include <gtest/gtest.h>

#include <vector>

using gloamery::panel::Begun;
using gloamery::panel::LiveRequests;
using gloamery::panel::Want;

namespace {

struct Ask {
    bool texture;
    bool previewed;
};

LiveRequests asked(const std::vector<Ask>& asks)
{
    LiveRequests r;
    for (const Ask& a : asks) r.ask(a.texture, a.previewed);
    return r;
}

} // namespace

TEST(LiveRequests, CollapseIntoTheMostAnyAsked)
{
    const struct {
        const char* what;
        std::vector<Ask> asks;
        Want want;
        bool owed;
    } cases[] = {
        {"nothing asked", {}, Want::Nothing, false},
        {"a move on a large map", {{false, true}}, Want::Preview, true},
        {"a move on a small map", {{false, false}}, Want::Exact, false},
        {"moves, then the map made small", {{false, true}, {false, false}}, Want::Exact, true},
        {"the texture, then moves", {{true, true}, {false, true}}, Want::TextureThenExact, false},
        {"moves, then the texture", {{false, true}, {true, true}}, Want::TextureThenExact, true},
    };
    for (const auto& c : cases) {
        const LiveRequests r = asked(c.asks);
        EXPECT_EQ(r.want(), c.want) << c.what;
        EXPECT_EQ(r.owed(), c.owed) << c.what;
        EXPECT_EQ(r.wanted(), c.want != Want::Nothing) << c.what;
    }
}

TEST(LiveRequests, BeginTheRunAskedForAndForgetTheRequest)
{
    const struct {
        const char* what;
        std::vector<Ask> asks;
        bool previewedAtStart;
        Begun begun;
        bool owedAfter;
    } cases[] = {
        {"a preview, sampled afresh the first time", {{false, true}}, true, {false, false, true}, true},
        {"a move on a small map", {{false, false}}, false, {true, false, true}, false},
        {"a preview asked, the map since made small", {{false, true}}, false, {true, false, true}, false},
        {"the texture first", {{true, true}}, true, {true, true, true}, false},
        {"moves then an exact one", {{false, true}, {false, false}}, true, {true, false, true}, false},
    };
    for (const auto& c : cases) {
        LiveRequests r = asked(c.asks);
        const Begun b = r.begin(c.previewedAtStart);
        EXPECT_EQ(b.exact, c.begun.exact) << c.what;
        EXPECT_EQ(b.texture, c.begun.texture) << c.what;
        EXPECT_EQ(b.resample, c.begun.resample) << c.what;
        EXPECT_EQ(r.owed(), c.owedAfter) << c.what;
        EXPECT_FALSE(r.wanted()) << c.what;
    }
}

TEST(LiveRequests, APreviewSamplesAgainOnlyAfterTheMapMayHaveChanged)
{
    const struct {
        const char* what;
        void (*between)(LiveRequests&);
        bool resample;
    } cases[] = {
        {"two previews in a row", [](LiveRequests&) {}, false},
        {"a settle between", [](LiveRequests& r) { r.settled(); }, true},
        {"a run that remade the texture between", [](LiveRequests& r) { r.ended(true); }, true},
        {"a run that kept the texture between", [](LiveRequests& r) { r.ended(false); }, false},
    };
    for (const auto& c : cases) {
        LiveRequests r;
        r.ask(false, true);
        r.begin(true);
        c.between(r);
        r.ask(false, true);
        EXPECT_EQ(r.begin(true).resample, c.resample) << c.what;
    }
}

TEST(LiveRequests, AnExactRelightIsOwedOnlyAfterAPreview)
{
    const struct {
        const char* what;
        std::vector<Ask> asks;
        bool rests;   // the rest asks for the exact relight
        bool settles; // a settle relights exactly, texture included when asked
        bool texture;
    } cases[] = {
        {"nothing asked", {}, false, false, false},
        {"moves on a small map", {{false, false}}, false, false, false},
        {"moves on a large map", {{false, true}}, true, true, false},
        {"moves, then the texture", {{false, true}, {true, true}}, true, true, true},
    };
    for (const auto& c : cases) {
        LiveRequests resting = asked(c.asks);
        EXPECT_EQ(resting.rest(), c.rests) << c.what;
        if (c.rests) EXPECT_GE(resting.want(), Want::Exact) << c.what;
        LiveRequests settling = asked(c.asks);
        EXPECT_EQ(settling.owed(), c.settles) << c.what;
        if (!settling.owed()) continue;
        const Begun b = settling.beginOwed(true);
        EXPECT_TRUE(b.exact) << c.what;
        EXPECT_EQ(b.texture, c.texture) << c.what;
        EXPECT_FALSE(settling.owed()) << c.what;
    }
}

TEST(LiveRequests, StartsWaitForTheRunTheHoldsAndTheQueue)
{
    const struct {
        const char* what;
        int holds;
        bool runIdle;
        bool asked;
        bool begins;
    } cases[] = {
        {"free, a request waiting", 0, true, true, true},
        {"nothing asked", 0, true, false, false},
        {"a run not yet shown", 0, false, true, false},
        {"a command holds", 1, true, true, false},
        {"two commands hold", 2, true, true, false},
    };
    for (const auto& c : cases) {
        LiveRequests r;
        if (c.asked) r.ask(false, false);
        for (int i = 0; i < c.holds; ++i) r.hold();
        EXPECT_TRUE(r.queue(false)) << c.what;
        EXPECT_FALSE(r.queue(false)) << c.what << ": one start on its way at a time";
        EXPECT_EQ(r.arrive(c.runIdle), c.begins) << c.what;
        EXPECT_FALSE(r.queued()) << c.what;
        // Only the last hold to end, with a request waiting, sends a start.
        for (int i = c.holds; i > 0; --i) EXPECT_EQ(r.release(), i == 1 && c.asked) << c.what;
        EXPECT_FALSE(r.held()) << c.what;
    }
    LiveRequests closing;
    closing.ask(false, false);
    EXPECT_FALSE(closing.queue(true)) << "no start once the window closes";
}
