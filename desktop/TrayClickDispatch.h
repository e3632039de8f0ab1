#pragma once
// What a click on the notification-area icon means, decided apart from Qt so the rules can be run without a tray.

#include <functional>

namespace desktop {

enum class TrayButton { Left, Right, Middle };

// The reports the tray host gives: a left click, a left double-click, the right button, the middle button.
// Each comes once per click; on X11 already at the press.
enum class TrayActivation { Trigger, DoubleClick, Context, Middle };

struct TrayPoint {
    int x = 0;
    int y = 0;
};

// The icon's events; an empty one is not assigned, which changes what a left click means.
struct TrayEvents {
    std::function<void()> OnClick;
    std::function<void()> OnDblClick;
    std::function<void(TrayButton, TrayPoint)> OnMouseDown;
    std::function<void(TrayButton, TrayPoint)> OnMouseUp;
};

// A left click only becomes OnClick once the double-click interval has passed without a second one, so a
// double-click never also counts as a click. The owner runs the single-click timer and reports its expiry.
class TrayClickDispatch {
public:
    struct Hooks {
        // (Re)starts the one-shot wait for a second click.
        std::function<void()> startSingleClickTimer;
        // Pops up the button's menu at the point when it has one and popping up is on; false when none came up.
        std::function<bool(TrayButton, TrayPoint)> popupMenu;
    };

    TrayClickDispatch(const TrayEvents& events, Hooks hooks);

    // Hosts that report one activation per click and never a double-click (StatusNotifierItem) get
    // OnClick at once; further clicks within the double-click interval are the rest of a habitual
    // double-click and are ignored, not taken as cancelling the first.
    void SetClickAtOnce(bool atOnce) { clickAtOnce_ = atOnce; }

    bool Enabled() const { return enabled_; }
    // Turning it off also forgets a click still waiting for its timer.
    void SetEnabled(bool enabled);

    void Report(TrayActivation activation, TrayPoint at);
    void OnSingleClickTimerExpired();

private:
    void LeftRelease(TrayPoint at);

    const TrayEvents& events_;
    Hooks hooks_;
    bool enabled_ = true;
    bool clickAtOnce_ = false;
    // Set by the first release of a click; the next release is the second half of a double-click.
    bool clickPending_ = false;
    // Cleared by a double-click. The X11 tray reports a double-click as one click and then the double-click,
    // with no second release to clear clickPending_, so that alone would still let the first click fire.
    bool pendingClickFires_ = false;
};

}  // namespace desktop
