#include "app/MainModel.h"

#include "app/AccountFile.h"
#include "app/ReplyBody.h"
#include "app/Texts.h"

namespace app {
namespace {

constexpr std::uint32_t kMillisecondsPerMinute = 60000;

}  // namespace

MainModel::MainModel(DataFolder folder, MainView& view, Timer& checkTimer)
    : folder_(std::move(folder)), accountFile_(folder_.AccountFile()), replyBodyFile_(folder_.ReplyBodyFile()),
      view_(view), checkTimer_(checkTimer), editor_(accounts_, view), settings_(DefaultSettings()) {}

void MainModel::Start() {
    run_ = RunState{};
    settings_ = LoadSettings(folder_.SettingsFile());
    accounts_.Assign(ParseAccountFileContent(accountFile_.Load()));
    replyBody_ = ReplyBodyFrom(replyBodyFile_.Load());
    RestartCheckTimer(IntervalMinutes(settings_.IntervalTime));
}

void MainModel::RestartCheckTimer(unsigned minutes) {
    checkTimer_.Stop();
    checkTimer_.SetInterval(minutes * kMillisecondsPerMinute);
    run_.CountdownTicks = 0;
    checkTimer_.Start();
}

void MainModel::Save() {
    // The settings go first and stay written whatever happens to the data files; a refused settings file
    // still lets the data files be saved, and still fails the save as a whole. With no rows the data files
    // are left as they are, reply body included.
    const bool folderReady = folder_.Create();
    const bool settingsSaved = folderReady && SaveSettings(settings_, folder_.SettingsFile());
    const bool dataSaved = accounts_.Empty() || (folderReady && WriteDataFiles());
    if (!settingsSaved || !dataSaved) {
        ReportSaveFailed();
        return;
    }
    RestartCheckTimer(IntervalMinutes(settings_.IntervalTime));
    view_.ShowInformation(kSettingsSaved);
}

bool MainModel::WriteDataFiles() {
    // Both files are checked before either is replaced, so a refused save leaves a matching pair.
    const auto accountContent = BuildAccountFileContent(accounts_.Rows());
    if (!accountContent || !accountFile_.MayReplace(*accountContent) || !replyBodyFile_.MayReplace(replyBody_)) {
        return false;
    }
    return accountFile_.Replace(*accountContent) && replyBodyFile_.Replace(replyBody_);
}

void MainModel::ReportSaveFailed() {
    checkTimer_.Stop();
    view_.ShowError(kSaveFailed);
}

}  // namespace app
