#pragma once
// TrayIcon1 as the program has it: the program's icon, the new-mail frames, the tip, PopupMenu1 on the right
// button, and the double-click that clears the notification and starts the desktop's mail program. A click
// on the desktop's new-mail notification does the same.

#include <QMenu>

#include "app/notify/NewMailNotifier.h"
#include "desktop/DesktopNotifications.h"
#include "desktop/TrayIcon.h"

namespace ui {

class MainWindow;

class TrayPanel {
public:
    TrayPanel(desktop::TTrayIcon& tray, desktop::DesktopNotifications& notice, MainWindow& window,
              app::NewMailNotifier& notifier);

private:
    // Undo1 restores the window, N2 clears the notification, N4 stops the sound (the icon keeps
    // animating), N1 shows the content view and Exit1 ends the program.
    QMenu PopupMenu1;
};

}  // namespace ui
