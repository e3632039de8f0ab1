#pragma once
// The notification-area icon on QSystemTrayIcon: a static icon, an animation for new mail, a tool tip, menus
// for the left and right buttons, and click events that tell a click from a double-click.

#include <QIcon>
#include <QList>
#include <QMenu>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <string>
#include <string_view>

#include "app/Timer.h"
#include "app/notify/Tray.h"
#include "desktop/TrayClickDispatch.h"

namespace desktop {

// The events are the TrayEvents members (OnClick, OnDblClick, OnMouseDown, OnMouseUp). The tray host puts the
// icon back by itself when it restarts, so nothing here registers it again.
class TTrayIcon final : public app::Tray, public TrayEvents {
public:
    // The frames advance on each tick of frameTimer, which must outlive the icon.
    explicit TTrayIcon(app::Timer& frameTimer);
    ~TTrayIcon() override;
    TTrayIcon(const TTrayIcon&) = delete;
    TTrayIcon& operator=(const TTrayIcon&) = delete;

    bool Animating() const override { return animating_; }
    // Does nothing while animating or without frames; otherwise shows frame 0 at once.
    void StartAnimation() override;
    void StopAnimation() override;

    const QList<QIcon>& AnimateIcons() const { return frames_; }
    // Ignored while animating, so the running cycle never indexes a list that changed under it.
    void SetAnimateIcons(const QList<QIcon>& frames);
    int AnimateRate() const { return animateRate_; }
    // Milliseconds per frame, at least 100.
    void SetAnimateRate(int milliseconds);
    bool AutoPopup() const { return autoPopup_; }
    void SetAutoPopup(bool autoPopup);
    bool Enabled() const { return dispatch_.Enabled(); }
    void SetEnabled(bool enabled) { dispatch_.SetEnabled(enabled); }
    const QIcon& Icon() const { return icon_; }
    // An empty icon also hides the tray icon: the host would show an empty slot.
    void SetIcon(const QIcon& icon);
    QMenu* LBPopupMenu() const { return leftMenu_; }
    void SetLBPopupMenu(QMenu* menu) { leftMenu_ = menu; }
    QMenu* RBPopupMenu() const { return rightMenu_; }
    // Given to the tray as its context menu, which the tray opens itself: on the right button on an X tray,
    // and over dbusmenu on a StatusNotifierItem host, which draws its own menus and never asks the
    // program to pop one up.
    void SetRBPopupMenu(QMenu* menu);
    // A click acts at once, for hosts that never report a double-click.
    void SetClickAtOnce(bool atOnce) { dispatch_.SetClickAtOnce(atOnce); }
    // Shift_JIS, at most kTipHelpBytes bytes.
    const std::string& TipHelp() const { return tipHelp_; }
    // Longer text is cut before the character that would cross the limit.
    void SetTipHelp(std::string_view sjis);
    bool Visible() const { return trayIcon_.isVisible(); }
    // Stays hidden while there is no static icon.
    void SetVisible(bool visible);

    // What the host is showing, for the tests.
    const QSystemTrayIcon& SystemTrayIcon() const { return trayIcon_; }
    // The clicks as Qt reports them, so a test can click without a tray host.
    void Activate(QSystemTrayIcon::ActivationReason reason);

    static constexpr std::size_t kTipHelpBytes = 62;

private:
    void ShowNextFrame();
    bool PopupMenu(TrayButton button, TrayPoint at);
    void Show(const QIcon& icon);
    void ShareRightMenu();

    QSystemTrayIcon trayIcon_;
    app::Timer& frameTimer_;
    QTimer singleClickTimer_;
    TrayClickDispatch dispatch_;
    QList<QIcon> frames_;
    QIcon icon_;
    QPointer<QMenu> leftMenu_;
    QPointer<QMenu> rightMenu_;
    std::string tipHelp_;
    int animateRate_ = 500;
    bool autoPopup_ = true;
    bool animating_ = false;
    qsizetype nextFrame_ = 0;
};

}  // namespace desktop
