#pragma once

#include <cstdint>

namespace app {

// A periodic timer of the main window, ticking on the main thread. The window supplies the real one.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void Start() = 0;
    virtual void Stop() = 0;
    virtual bool Running() const = 0;
    virtual void SetInterval(std::uint32_t milliseconds) = 0;
    virtual std::uint32_t Interval() const = 0;
};

}  // namespace app
