#include "ui/Program.h"

namespace ui {

Program::Program(const app::DataFolder& folder, app::SoundPlayer& player, const app::ClientSetup& clients)
    : aboutBox_(&form1_),
      log_(folder, clock_),
      model_(folder, form1_, checkTimer_),
      TrayIcon1(trayFrameTimer_),
      notifier_(model_.CurrentSettings(), player, TrayIcon1, log_),
      NMPOP32(log_, clients),
      advertisements_({model_.CurrentSettings(), model_.ReplyBody(), form1_, log_, NMPOP32}, clients),
      cycle_({model_.Accounts(), model_.CurrentSettings(), model_.Run(), checkTimer_, form1_, TrayIcon1, notifier_,
              advertisements_, log_},
             countdownTimer_, clients),
      trayPanel_(TrayIcon1, form1_, notifier_) {
    form1_.Attach({model_, cycle_, notifier_, form2_, aboutBox_, TrayIcon1});
}

void Program::Start() {
    model_.Start();
    form1_.ShowState();
    TrayIcon1.SetVisible(true);
    form1_.show();
}

}  // namespace ui
