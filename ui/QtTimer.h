#pragma once

#include <QTimer>

#include "app/Timer.h"

namespace ui {

// A timer of the main window, ticking on the user-interface thread.
class QtTimer final : public app::Timer {
public:
    QtTimer();

    void Start() override { timer_.start(); }
    void Stop() override { timer_.stop(); }
    bool Running() const override { return timer_.isActive(); }
    void SetInterval(std::uint32_t milliseconds) override;
    std::uint32_t Interval() const override { return static_cast<std::uint32_t>(timer_.interval()); }

private:
    QTimer timer_;
};

}  // namespace ui
