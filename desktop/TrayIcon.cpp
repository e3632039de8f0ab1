#include "desktop/TrayIcon.h"

#include <QApplication>
#include <QCursor>
#include <QStyleHints>
#include <algorithm>

#include "jcode/DisplayText.h"
#include "jcode/SjisBytes.h"

namespace desktop {

namespace {

constexpr int kShortestAnimateRate = 100;
// The wait for a second click runs a little past the system's interval, so a double-click at its very edge
// is not also taken for a click.
constexpr int kSingleClickSlack = 50;

// The longest start of `sjis` that fits in `limit` bytes without splitting a double-byte character.
std::string_view CutAtCharacter(std::string_view sjis, std::size_t limit) {
    std::size_t end = 0;
    while (end < sjis.size()) {
        const std::size_t next = end + (jcode::IsSjisLead(static_cast<unsigned char>(sjis[end])) ? 2 : 1);
        if (next > limit) break;
        end = std::min(next, sjis.size());
    }
    return sjis.substr(0, end);
}

TrayPoint CursorPoint() {
    const QPoint at = QCursor::pos();
    return {at.x(), at.y()};
}

}  // namespace

TTrayIcon::TTrayIcon(app::Timer& frameTimer)
    : frameTimer_(frameTimer),
      dispatch_(*this, {[this] { singleClickTimer_.start(); },
                        [this](TrayButton button, TrayPoint at) { return PopupMenu(button, at); }}) {
    frameTimer_.OnTimer = [this] { ShowNextFrame(); };
    frameTimer_.SetInterval(static_cast<std::uint32_t>(animateRate_));
    singleClickTimer_.setSingleShot(true);
    QObject::connect(&singleClickTimer_, &QTimer::timeout, [this] {
        dispatch_.OnSingleClickTimerExpired();
    });
    QObject::connect(&trayIcon_, &QSystemTrayIcon::activated,
                     [this](QSystemTrayIcon::ActivationReason reason) { Activate(reason); });
    SetTipHelp("TipHelp");
}

TTrayIcon::~TTrayIcon() {
    frameTimer_.Stop();
    frameTimer_.OnTimer = nullptr;
}

void TTrayIcon::StartAnimation() {
    if (animating_ || frames_.isEmpty()) return;
    animating_ = true;
    nextFrame_ = 0;
    ShowNextFrame();
    frameTimer_.Start();
}

void TTrayIcon::StopAnimation() {
    if (!animating_) return;
    frameTimer_.Stop();
    animating_ = false;
    Show(icon_);
}

void TTrayIcon::ShowNextFrame() {
    // The frame timer is the caller's; a tick it delivers after Stop must not cover the static icon.
    if (!animating_) return;
    Show(frames_[nextFrame_]);
    nextFrame_ = (nextFrame_ + 1) % frames_.size();
}

void TTrayIcon::Show(const QIcon& icon) {
    // Only a real change reaches the host, so an animation of one frame costs nothing between ticks.
    if (icon.cacheKey() != trayIcon_.icon().cacheKey()) trayIcon_.setIcon(icon);
}

void TTrayIcon::SetAnimateIcons(const QList<QIcon>& frames) {
    if (!animating_) frames_ = frames;
}

void TTrayIcon::SetAnimateRate(int milliseconds) {
    animateRate_ = std::max(milliseconds, kShortestAnimateRate);
    frameTimer_.SetInterval(static_cast<std::uint32_t>(animateRate_));
}

void TTrayIcon::SetIcon(const QIcon& icon) {
    icon_ = icon;
    if (!animating_) Show(icon_);
    if (icon_.isNull()) trayIcon_.hide();
}

void TTrayIcon::SetAutoPopup(bool autoPopup) {
    autoPopup_ = autoPopup;
    ShareRightMenu();
}

void TTrayIcon::SetRBPopupMenu(QMenu* menu) {
    rightMenu_ = menu;
    ShareRightMenu();
}

void TTrayIcon::ShareRightMenu() { trayIcon_.setContextMenu(autoPopup_ ? rightMenu_.data() : nullptr); }

void TTrayIcon::SetTipHelp(std::string_view sjis) {
    tipHelp_ = CutAtCharacter(sjis, kTipHelpBytes);
    trayIcon_.setToolTip(QString::fromStdString(jcode::SjisToUtf8(tipHelp_)));
}

void TTrayIcon::SetVisible(bool visible) { trayIcon_.setVisible(visible && !icon_.isNull()); }

void TTrayIcon::Activate(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Trigger:
            singleClickTimer_.setInterval(QApplication::styleHints()->mouseDoubleClickInterval() + kSingleClickSlack);
            dispatch_.Report(TrayActivation::Trigger, CursorPoint());
            break;
        case QSystemTrayIcon::DoubleClick:
            dispatch_.Report(TrayActivation::DoubleClick, CursorPoint());
            break;
        case QSystemTrayIcon::Context:
            dispatch_.Report(TrayActivation::Context, CursorPoint());
            break;
        case QSystemTrayIcon::MiddleClick:
            dispatch_.Report(TrayActivation::Middle, CursorPoint());
            break;
        case QSystemTrayIcon::Unknown:
            break;
    }
}

bool TTrayIcon::PopupMenu(TrayButton button, TrayPoint at) {
    // The tray has opened its context menu by the time it reports the button.
    if (button == TrayButton::Right && trayIcon_.contextMenu() != nullptr) return true;
    QMenu* menu = button == TrayButton::Left ? leftMenu_.data() : nullptr;
    if (menu == nullptr || !autoPopup_) return false;
    menu->popup(QPoint(at.x, at.y));
    return true;
}

}  // namespace desktop
