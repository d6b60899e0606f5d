#include "progress_line.h"

#include <cmath>
#include <cstdio>
#include <ostream>

namespace gloamery::batch {

namespace {

constexpr std::chrono::milliseconds kRedraw{200};

} // namespace

ProgressLine::ProgressLine(std::ostream& out, std::string what, bool shown, std::chrono::milliseconds after)
    : out_(out), what_(std::move(what)), after_(after)
{
    // A ticker rather than drawing on each report: many operations report
    // their share only at the end, and the line is to move meanwhile.
    if (shown) ticker_ = std::thread([this] { tick(); });
}

ProgressLine::~ProgressLine() { finish(); }

void ProgressLine::finish()
{
    if (!ticker_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        done_ = true;
    }
    wake_.notify_one();
    ticker_.join();
    if (drawn_) out_ << "\r\033[K" << std::flush; // the line goes; what follows takes its place
}

void ProgressLine::status(std::string_view text)
{
    std::lock_guard lock(mutex_);
    status_ = text;
}

void ProgressLine::progress(double fraction) { fraction_ = fraction; }

void ProgressLine::tick()
{
    std::unique_lock lock(mutex_);
    if (wake_.wait_until(lock, start_ + after_, [this] { return done_; })) return;
    do draw(std::chrono::steady_clock::now() - start_);
    while (!wake_.wait_for(lock, kRedraw, [this] { return done_; }));
}

void ProgressLine::draw(std::chrono::steady_clock::duration elapsed)
{
    char share[16] = "";
    if (const double f = fraction_; f >= 0)
        std::snprintf(share, sizeof share, " %3d%%", static_cast<int>(std::floor(std::fmin(f, 1.0) * 100)));
    char time[32];
    std::snprintf(time, sizeof time, " %.1f s", std::chrono::duration<double>(elapsed).count());
    out_ << "\r\033[K" << what_ << (status_.empty() ? "" : " ") << status_ << share << time << std::flush;
    drawn_ = true;
}

} // namespace gloamery::batch
