#pragma once
// The time-out timer of the socket component. There is no window message loop to deliver its ticks: the
// wait loops that stand in for it call DeliverDue on every pass, so a tick arrives at the same points where
// the message loop would have delivered it.

#include <chrono>
#include <cstdint>
#include <functional>

namespace net {

class TThreadTimer {
public:
    using Clock = std::chrono::steady_clock;
    using NowFunction = std::function<Clock::time_point()>;
    using TimerEvent = std::function<void(TThreadTimer& sender)>;

    explicit TThreadTimer(NowFunction now = Clock::now);

    std::uint32_t Interval() const { return interval_; }
    bool Enabled() const { return enabled_; }
    bool Running() const { return running_; }

    // Each change restarts the period; setting a value the timer already has leaves it alone.
    void SetInterval(std::uint32_t milliseconds);
    void SetEnabled(bool enabled);
    void SetOnTimer(TimerEvent handler);

    // Fires OnTimer once if a period has passed, and starts the next period.
    void DeliverDue();

private:
    void Restart();

    NowFunction now_;
    std::uint32_t interval_ = 1000;
    bool enabled_ = true;
    TimerEvent onTimer_;
    bool running_ = false;
    Clock::time_point due_{};
};

}  // namespace net
