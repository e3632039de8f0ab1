#include "net/ThreadTimer.h"

#include "net/Exceptions.h"

#include <utility>

namespace net {

namespace {
// The largest period the platform timer accepts; a longer one was refused there.
constexpr std::uint32_t kLongestInterval = 0x7FFFFFFF;
}  // namespace

TThreadTimer::TThreadTimer(NowFunction now) : now_(std::move(now)) {}

void TThreadTimer::SetInterval(std::uint32_t milliseconds)
{
    if (milliseconds != interval_) {
        interval_ = milliseconds;
        Restart();
    }
}

void TThreadTimer::SetEnabled(bool enabled)
{
    if (enabled != enabled_) {
        enabled_ = enabled;
        Restart();
    }
}

void TThreadTimer::SetOnTimer(TimerEvent handler)
{
    onTimer_ = std::move(handler);
    Restart();
}

void TThreadTimer::Restart()
{
    running_ = false;
    if (interval_ == 0 || !enabled_ || !onTimer_) {
        return;
    }
    if (interval_ > kLongestInterval) {
        throw Exception("No Timer");
    }
    due_ = now_() + std::chrono::milliseconds(interval_);
    running_ = true;
}

void TThreadTimer::DeliverDue()
{
    if (!running_) {
        return;
    }
    const Clock::time_point now = now_();
    if (now < due_) {
        return;
    }
    due_ = now + std::chrono::milliseconds(interval_);
    // A copy, because the handler may replace itself.
    TimerEvent handler = onTimer_;
    handler(*this);
}

}  // namespace net
