#include "ui/Program.h"

#include "ui/ProgramIcon.h"

namespace ui {
namespace {

constexpr int kNoticeIconSide = 48;

}  // namespace

Program::Program(const app::DataFolder& folder, app::SoundPlayer& player, const app::ClientSetup& clients)
    : frmDelete_(form1_),
      aboutBox_(&form1_),
      log_(folder, clock_),
      model_(folder, form1_, checkTimer_),
      TrayIcon1(trayFrameTimer_),
      notice_(ProgramIcon().pixmap(kNoticeIconSide).toImage(), QStringLiteral("quillonv")),
      notifier_(model_.CurrentSettings(), player, TrayIcon1, notice_, log_),
      NMPOP32(log_, clients),
      advertisements_({model_.CurrentSettings(), model_.ReplyBody(), form1_, log_, NMPOP32}, clients),
      cycle_({model_.Accounts(), model_.CurrentSettings(), model_.Run(), checkTimer_, form1_, TrayIcon1, notifier_,
              advertisements_, log_},
             countdownTimer_, clients),
      deletion_({model_.Accounts(), model_.Run(), form1_, frmDelete_, log_, NMPOP32}, clients.pump),
      trayPanel_(TrayIcon1, notice_, form1_, notifier_) {
    form1_.Attach({model_, cycle_, deletion_, notifier_, form2_, aboutBox_, TrayIcon1});
    frmDelete_.Attach(deletion_);
}

void Program::Start() {
    model_.Start();
    form1_.ShowState();
    TrayIcon1.SetVisible(true);
    form1_.show();
}

}  // namespace ui
