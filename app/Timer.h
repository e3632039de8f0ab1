#pragma once

#include <cstdint>
#include <functional>

namespace app {

// A periodic timer of the main window, ticking on the main thread. The window supplies the real one and
// calls Tick at every expiry; the owner of the handler binds OnTimer.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void Start() = 0;
    virtual void Stop() = 0;
    virtual bool Running() const = 0;
    virtual void SetInterval(std::uint32_t milliseconds) = 0;
    virtual std::uint32_t Interval() const = 0;

    void Tick() {
        if (OnTimer) OnTimer();
    }

    std::function<void()> OnTimer;
};

}  // namespace app
