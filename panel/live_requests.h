#pragma once
// What has been asked of the live relight and not yet done, as one value:
// the request waiting to start, whether the cells show a preview the
// exact relight has still to replace, whether the preview's sample is out
// of date, whether a start is on its way through the event loop, and the
// commands holding relights off. Plain rules, no threads and no Qt: the
// live relight keeps it under its lock and does what its answers say.

#include <algorithm>

namespace gloamery::panel {

// A request not yet started, from the least to the most it asks; requests
// made while one waits collapse into the most any of them asked.
enum class Want {
    Nothing,
    Preview,          // a preview in the cells will do (a map too large to relight each move)
    Exact,            // the full map relit
    TextureThenExact, // the texture button reran first, then the full map relit
};

// How a run begins: which kind, and whether the preview samples the map afresh.
struct Begun {
    bool exact = true;
    bool texture = false;
    bool resample = false;
};

class LiveRequests {
public:
    // A request. previewed: the map is too large to relight on every move.
    // True when it leaves an exact relight owed, to run once requests rest.
    bool ask(bool texture, bool previewed)
    {
        const Want kind = texture ? Want::TextureThenExact : previewed ? Want::Preview : Want::Exact;
        want_ = std::max(want_, kind);
        const bool previewOnly = kind == Want::Preview && want_ != Want::TextureThenExact;
        if (previewOnly) owed_ = true;
        return previewOnly;
    }

    // The requests rested: true when a preview is owed its exact relight,
    // which is then wanted.
    bool rest()
    {
        if (!owed_) return false;
        want_ = std::max(want_, Want::Exact);
        return true;
    }

    // Whether to send a start through the event loop now (none is on its way).
    bool queue(bool stopped)
    {
        if (queued_ || stopped) return false;
        queued_ = true;
        return true;
    }
    // The start sent arrived: whether to begin a run now.
    bool arrive(bool runIdle)
    {
        queued_ = false;
        return runIdle && want_ != Want::Nothing && holds_ == 0;
    }

    // A run begins with what is wanted; exact unless only a preview was
    // asked for on a previewed map.
    Begun begin(bool previewed)
    {
        Begun b;
        b.exact = want_ >= Want::Exact || !previewed;
        b.texture = b.exact && want_ == Want::TextureThenExact;
        b.resample = resample_;
        want_ = Want::Nothing;
        if (b.exact) owed_ = false;
        else resample_ = false;
        return b;
    }
    // The exact relight a settle needs before the workspace is read.
    Begun beginOwed(bool previewed)
    {
        want_ = std::max(want_, Want::Exact);
        return begin(previewed);
    }
    // A run ended; the texture it remade puts the preview's sample out of date.
    void ended(bool texture)
    {
        if (texture) resample_ = true;
    }
    // Someone settled: they may change the heights or the texture.
    void settled() { resample_ = true; }
    // The user stopped a run: what was asked meanwhile is dropped, and the
    // cells show the workspace again, so no exact relight is owed.
    void stopped()
    {
        want_ = Want::Nothing;
        owed_ = false;
    }

    void hold() { ++holds_; }
    // True when the last hold ended with a request waiting.
    bool release() { return --holds_ == 0 && wanted(); }

    bool wanted() const { return want_ != Want::Nothing; }
    Want want() const { return want_; }
    bool owed() const { return owed_; }
    bool queued() const { return queued_; }
    bool held() const { return holds_ > 0; }

private:
    Want want_ = Want::Nothing;
    bool owed_ = false;     // a preview was asked for since the last exact relight
    bool resample_ = true;  // the preview's sample may be out of date
    bool queued_ = false;   // a start is on its way through the event loop
    int holds_ = 0;
};

} // namespace gloamery::panel
