#include "desktop/TrayClickDispatch.h"

#include <utility>

namespace desktop {

TrayClickDispatch::TrayClickDispatch(const TrayEvents& events, Hooks hooks)
    : events_(events), hooks_(std::move(hooks)) {}

void TrayClickDispatch::SetEnabled(bool enabled) {
    enabled_ = enabled;
    if (!enabled) clickPending_ = false;
}

void TrayClickDispatch::Report(TrayActivation activation, TrayPoint at) {
    if (!enabled_) return;
    switch (activation) {
        case TrayActivation::Trigger:
            // The host gives no separate press and release; a left menu takes the whole click.
            if (!hooks_.popupMenu(TrayButton::Left, at)) LeftRelease(at);
            break;
        case TrayActivation::DoubleClick:
            // Whether a release is reported before it, after it or not at all, the click waiting for the
            // timer must not fire.
            clickPending_ = true;
            pendingClickFires_ = false;
            if (events_.OnDblClick) events_.OnDblClick();
            break;
        case TrayActivation::Context:
            if (!hooks_.popupMenu(TrayButton::Right, at) && events_.OnMouseDown) {
                events_.OnMouseDown(TrayButton::Right, at);
            }
            break;
        case TrayActivation::Middle:
            // One report for the whole click.
            if (events_.OnMouseDown) events_.OnMouseDown(TrayButton::Middle, at);
            if (events_.OnMouseUp) events_.OnMouseUp(TrayButton::Middle, at);
            break;
    }
}

void TrayClickDispatch::LeftRelease(TrayPoint at) {
    if (clickAtOnce_ && !events_.OnMouseUp) {
        // The timer only marks the interval in which further clicks are ignored.
        if (clickPending_ || !events_.OnClick) return;
        clickPending_ = true;
        pendingClickFires_ = false;
        hooks_.startSingleClickTimer();
        events_.OnClick();
    } else if (events_.OnMouseUp) {
        events_.OnMouseUp(TrayButton::Left, at);
    } else if (!events_.OnClick || clickPending_) {
        clickPending_ = false;
    } else {
        clickPending_ = true;
        pendingClickFires_ = true;
        hooks_.startSingleClickTimer();
    }
}

void TrayClickDispatch::OnSingleClickTimerExpired() {
    const bool fire = enabled_ && clickPending_ && pendingClickFires_;
    clickPending_ = false;
    pendingClickFires_ = false;
    if (fire && events_.OnClick) events_.OnClick();
}

}  // namespace desktop
