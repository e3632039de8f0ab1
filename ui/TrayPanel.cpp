#include "ui/TrayPanel.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>

#include "app/Texts.h"
#include "desktop/MailProgram.h"
#include "ui/MainWindow.h"
#include "ui/ProgramIcon.h"

namespace ui {
namespace {

// Hosts that speak StatusNotifierItem report a single activation and never a double-click.
bool StatusNotifierHostPresent() {
    const QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    return bus != nullptr && bus->isServiceRegistered(QStringLiteral("org.kde.StatusNotifierWatcher"));
}

}  // namespace

TrayPanel::TrayPanel(desktop::TTrayIcon& tray, desktop::DesktopNotifications& notice, MainWindow& window,
                     app::NewMailNotifier& notifier)
    : PopupMenu1(&window) {
    PopupMenu1.setObjectName(QStringLiteral("PopupMenu1"));
    struct Item {
        const char* name;
        QString caption;
        std::function<void()> action;
    };
    const Item items[] = {
        {"Undo1", QStringLiteral(u"\u5143\u306b\u623b\u3059"), [&window] { window.BringToFront(); }},
        {"N2", QStringLiteral(u"\u901a\u77e5\u6d88\u53bb"), [&notifier] { notifier.StopNotification(); }},
        {"N4", QStringLiteral(u"\u97f3\u697d\u306e\u505c\u6b62"), [&notifier] { notifier.StopSound(); }},
        {"N1", QStringLiteral(u"\u5185\u5bb9\u8868\u793a"), [&window] { window.ShowContentView(); }},
        {"Exit1", QStringLiteral(u"\u7d42\u4e86"), [&window] { window.close(); }},
    };
    for (const Item& item : items) {
        QAction* action = PopupMenu1.addAction(item.caption);
        action->setObjectName(QString::fromLatin1(item.name));
        QObject::connect(action, &QAction::triggered, &window, item.action);
    }
    tray.SetIcon(ProgramIcon());
    tray.SetAnimateIcons(NewMailFrames());
    tray.SetRBPopupMenu(&PopupMenu1);
    const auto startMailProgram = [&notifier] {
        notifier.StopNotification();
        desktop::StartDefaultMailProgram();
    };
    notice.OnDefaultAction = startMailProgram;
    // There a click does at once what the double-click does elsewhere, or the mail program could not be
    // reached.
    if (StatusNotifierHostPresent()) {
        tray.SetTipHelp(app::kTrayTipClick);
        tray.SetClickAtOnce(true);
        tray.OnClick = startMailProgram;
    } else {
        tray.SetTipHelp(app::kTrayTip);
        tray.OnDblClick = startMailProgram;
    }
}

}  // namespace ui
