#pragma once
// The new-mail notification on the desktop's freedesktop notification service, over the session bus.

#include <QDBusConnection>
#include <QImage>
#include <QObject>
#include <QString>
#include <functional>

#include "app/notify/DesktopNotice.h"

namespace desktop {

// Every call is asynchronous and its failure ignored: with no service on the bus, or no bus at all,
// nothing happens and the check is not held up.
class DesktopNotifications final : public QObject, public app::DesktopNotice {
    Q_OBJECT
public:
    // `icon` is shown with the notification; `desktopEntry` names the program's desktop file without
    // its ".desktop".
    DesktopNotifications(QImage icon, QString desktopEntry);

    // One notification, replacing the one still shown.
    void Show(const app::NewMail& mail) override;
    void Close() override;

    // A click on the notification itself.
    std::function<void()> OnDefaultAction;

private slots:
    void ActionInvoked(uint id, const QString& action);
    void NotificationClosed(uint id, uint reason);

private:
    void Notify(const QString& summary, const QString& body, bool markup);

    QDBusConnection bus_;
    QImage icon_;
    QString desktopEntry_;
    // The id the service gave the notification shown, 0 when none is.
    uint shown_ = 0;
    // From Show until the service has answered the Notify or failed.
    bool notifying_ = false;
    // Close came while the service had not yet said which id to close.
    bool closeWhenShown_ = false;
};

}  // namespace desktop
