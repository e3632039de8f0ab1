#pragma once
// Everything the program runs on, made once at start and kept for the run: the windows first (main
// window, content view, deletion dialog, About box), then the core with the main window as its view.

#include "app/MainModel.h"
#include "app/advertisements/AdvertisementHandler.h"
#include "app/check/CheckCycle.h"
#include "app/deletion/IndividualDeletion.h"
#include "app/log/Clock.h"
#include "app/log/EventLog.h"
#include "app/mail/ClientSetup.h"
#include "app/mail/SharedPop3Client.h"
#include "app/notify/NewMailNotifier.h"
#include "app/notify/SoundPlayer.h"
#include "desktop/DesktopNotifications.h"
#include "desktop/TrayIcon.h"
#include "ui/AboutBox.h"
#include "ui/ContentWindow.h"
#include "ui/DeleteDialog.h"
#include "ui/MainWindow.h"
#include "ui/QtTimer.h"
#include "ui/TrayPanel.h"

namespace ui {

class Program {
public:
    // `clients.pump` serves the windows while the mail clients wait.
    Program(const app::DataFolder& folder, app::SoundPlayer& player, const app::ClientSetup& clients);

    // Reads the files into the core, applies the volume, and shows the main window.
    void Start();

    MainWindow& Form1() { return form1_; }
    ContentWindow& Form2() { return form2_; }
    DeleteDialog& FrmDelete() { return frmDelete_; }
    AboutBox& About() { return aboutBox_; }
    app::MainModel& Model() { return model_; }
    desktop::TTrayIcon& Tray() { return TrayIcon1; }
    desktop::DesktopNotifications& Notice() { return notice_; }
    app::CheckCycle& Cycle() { return cycle_; }
    app::IndividualDeletion& Deletion() { return deletion_; }

private:
    MainWindow form1_;
    ContentWindow form2_;
    DeleteDialog frmDelete_;
    AboutBox aboutBox_;

    app::SystemClock clock_;
    app::EventLog log_;
    QtTimer checkTimer_;
    QtTimer countdownTimer_;
    app::MainModel model_;
    QtTimer trayFrameTimer_;
    desktop::TTrayIcon TrayIcon1;
    desktop::DesktopNotifications notice_;
    app::NewMailNotifier notifier_;
    app::SharedPop3Client NMPOP32;
    app::AdvertisementHandler advertisements_;
    app::CheckCycle cycle_;
    app::IndividualDeletion deletion_;
    TrayPanel trayPanel_;
};

}  // namespace ui
