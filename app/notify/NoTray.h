#pragma once

#include "app/notify/Tray.h"

namespace app {

// Where no notification-area icon is shown (a terminal, a desktop without a tray): it keeps the
// animation state alone, so the check's rules about the icon still hold.
class NoTray final : public Tray {
public:
    bool Animating() const override { return animating_; }
    void StartAnimation() override { animating_ = true; }
    void StopAnimation() override { animating_ = false; }

private:
    bool animating_ = false;
};

}  // namespace app
