#pragma once

namespace app {

// The notification-area icon as the check uses it: it animates while any checked account has mail.
class Tray {
public:
    virtual ~Tray() = default;
    virtual bool Animating() const = 0;
    // Cycles the frames until stopped.
    virtual void StartAnimation() = 0;
    // Shows the static icon again.
    virtual void StopAnimation() = 0;
};

}  // namespace app
