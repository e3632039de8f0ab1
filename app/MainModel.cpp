#include "app/MainModel.h"

#include "app/AccountFile.h"
#include "app/ReplyBody.h"
#include "app/ScrambledFile.h"
#include "app/Texts.h"

namespace app {
namespace {

constexpr std::uint32_t kMillisecondsPerMinute = 60000;

}  // namespace

MainModel::MainModel(DataFolder folder, MainView& view, Timer& checkTimer)
    : folder_(std::move(folder)), view_(view), checkTimer_(checkTimer), editor_(accounts_, view),
      settings_(DefaultSettings()) {}

void MainModel::Start() {
    run_ = RunState{};
    settings_ = LoadSettings(folder_.SettingsFile());
    accounts_.Assign(LoadAccountFile(folder_.AccountFile()));
    replyBody_ = LoadReplyBody(folder_.ReplyBodyFile());
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
    // Both texts are checked before either file is replaced, so a refused save leaves a matching pair.
    const auto accountContent = BuildAccountFileContent(accounts_.Rows());
    if (!accountContent || !FitsScrambledFile(*accountContent) || !FitsScrambledFile(replyBody_)) return false;
    return SaveScrambledFile(*accountContent, folder_.AccountFile()) &&
           SaveScrambledFile(replyBody_, folder_.ReplyBodyFile());
}

void MainModel::ReportSaveFailed() {
    checkTimer_.Stop();
    view_.ShowError(kSaveFailed);
}

}  // namespace app
