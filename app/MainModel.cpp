#include "app/MainModel.h"

#include "app/Texts.h"
#include "app/data/AccountFile.h"
#include "app/data/ReplyBody.h"
#include "jcode/DisplayText.h"

namespace app {
namespace {

constexpr std::uint32_t kMillisecondsPerMinute = 60000;

std::string_view ReasonText(ReadFailure failure) {
    switch (failure) {
        case ReadFailure::Folder:
            return kUnreadFolder;
        case ReadFailure::TooLarge:
            return kUnreadTooLarge;
        case ReadFailure::NoPermission:
            return kUnreadNoPermission;
        case ReadFailure::ZeroByte:
            return kUnreadZeroByte;
        case ReadFailure::ReadError:
            break;
    }
    return kUnreadReadError;
}

// Paths are UTF-8 on this system; the box shows Shift_JIS.
std::string KeptSafeText(const DataFile& file, ReadFailure failure) {
    return jcode::Utf8ToSjisStrict(file.Path().string()) + std::string(kDataFileUnreadLead) +
           std::string(ReasonText(failure)) + std::string(kDataFileUnreadTail);
}

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
    ReportKeptSafeFiles();
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
    DataSave data = DataSave::Saved;
    if (!accounts_.Empty()) data = folderReady ? WriteDataFiles() : DataSave::Failed;
    if (!settingsSaved || data == DataSave::Failed) {
        ReportSaveFailed();
        return;
    }
    // A file kept safe is the user's to move aside: the checks go on meanwhile, with what the program holds.
    RestartCheckTimer(IntervalMinutes(settings_.IntervalTime));
    if (data == DataSave::KeptSafe) {
        ReportKeptSafeFiles();
    } else {
        view_.ShowInformation(kSettingsSaved);
    }
}

MainModel::DataSave MainModel::WriteDataFiles() {
    const auto accountContent = BuildAccountFileContent(accounts_.Rows());
    if (!accountContent || !FitsScrambledFile(*accountContent) || !FitsScrambledFile(replyBody_)) {
        return DataSave::Failed;
    }
    // Both files are checked before either is replaced, so a refused save leaves a matching pair.
    if (accountFile_.KeptSafe() || replyBodyFile_.KeptSafe()) return DataSave::KeptSafe;
    return accountFile_.Replace(*accountContent) && replyBodyFile_.Replace(replyBody_) ? DataSave::Saved
                                                                                        : DataSave::Failed;
}

void MainModel::ReportSaveFailed() {
    checkTimer_.Stop();
    view_.ShowError(kSaveFailed);
}

void MainModel::ReportKeptSafeFiles() {
    for (const DataFile* file : {&accountFile_, &replyBodyFile_}) {
        if (const std::optional<ReadFailure> failure = file->KeptSafe()) {
            view_.ShowError(KeptSafeText(*file, *failure));
        }
    }
}

}  // namespace app
