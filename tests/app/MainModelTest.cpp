#include <gtest/gtest.h>

#include <functional>

#include "app/MainModel.h"
#include "app/data/AccountFile.h"
#include "app/data/ScrambledFile.h"
#include "tests/app/AppFakes.h"
#include "tests/app/TempFolder.h"

namespace {

using app::EditorField;

const std::string kSaved = "\x90\xdd\x92\xe8\x82\xf0\x95\xdb\x91\xb6\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81" "B";
const std::string kSaveFailed =
    "\x83\x81\x81[\x83\x8b\x83" "f\x81[\x83^\x82\xcc\x95\xdb\x91\xb6\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82\xb5\x82\xbd"
    "\x81I";
// path "could not be read (" reason ")." CR "So as not to lose what this file holds, the mail data is not
// saved until the file is moved elsewhere."
const std::string kUnreadLead =
    "\x82\xf0\x93\xc7\x82\xdd\x8d\x9e\x82\xdf\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd\x81i";
const std::string kUnreadTail =
    "\x81j\x81" "B\r\x82\xb1\x82\xcc\x83t\x83@\x83" "C\x83\x8b\x82\xcc\x93\xe0\x97" "e\x82\xf0\x8e\xb8\x82\xed\x82\xc8"
    "\x82\xa2\x82\xe6\x82\xa4\x81" "A\x95\xca\x82\xcc\x8f\xea\x8f\x8a\x82\xd6\x88\xda\x82\xb7\x82\xdc\x82\xc5\x83\x81"
    "\x81[\x83\x8b\x83" "f\x81[\x83^\x82\xcd\x95\xdb\x91\xb6\x82\xb5\x82\xdc\x82\xb9\x82\xf1\x81" "B";
const std::string kDefaultReplyBody =
    "\x88\xc8\x89\xba\x82\xcc\x83" "A\x83h\x83\x8c\x83X\x82\xc9\x83\x81\x81[\x83\x8b\x82\xcc\x91\x97\x90M\x82\xf0\x8ds"
    "\x82\xed\x82\xc8\x82\xa2\x82\xc5\x89\xba\x82\xb3\x82\xa2\x81" "B\r\nMailAddress:%mail";

class MainModelTest : public testing::Test {
protected:
    MainModelTest() : folder(temp.Path() / "quillonv") {}

    std::unique_ptr<app::MainModel> StartModel() {
        auto model = std::make_unique<app::MainModel>(folder, view, timer);
        model->Start();
        return model;
    }
    static void AddAccount(app::MainModel& model, const std::string& address) {
        app::AccountEditor& editor = model.Editor();
        editor.SetText(EditorField::MailAddress, address);
        editor.SetText(EditorField::UserId, "u");
        editor.SetText(EditorField::Password, "p");
        editor.SetText(EditorField::PopServer, "pop");
        editor.SetText(EditorField::SmtpServer, "smtp");
        editor.Add();
    }

    TempFolder temp;
    app::DataFolder folder;
    FakeView view;
    FakeTimer timer;
};

TEST_F(MainModelTest, StartWithoutFilesUsesDefaultsAndStartsTheTimer) {
    auto model = StartModel();
    EXPECT_TRUE(model->Accounts().Empty());
    EXPECT_EQ(model->ReplyBody(), kDefaultReplyBody);
    EXPECT_EQ(model->CurrentSettings(), app::DefaultSettings());
    EXPECT_EQ(timer.calls, (std::vector<std::string>{"stop", "interval 900000", "start"}));
    EXPECT_FALSE(std::filesystem::exists(folder.Path()));  // reading creates nothing
}

TEST_F(MainModelTest, StartForgetsWhatTheRunBeforeItGathered) {
    auto model = StartModel();
    app::RunState& run = model->Run();
    run.SeenMessageIds.Add("<1@x>");
    run.AdQueue.push_back({"a@x", "<1@x>", "1", "ad@x", {}});
    run.CountdownTicks = 9;
    run.FirstTickDone = true;
    run.CheckRunning = true;
    run.NewMailFound = true;
    model->Start();
    EXPECT_EQ(run.SeenMessageIds.Count(), 0u);
    EXPECT_TRUE(run.AdQueue.empty());
    EXPECT_EQ(run.CountdownTicks, 0u);
    EXPECT_FALSE(run.FirstTickDone);
    EXPECT_FALSE(run.CheckRunning);
    EXPECT_FALSE(run.NewMailFound);
}

TEST_F(MainModelTest, SaveThenStartAgainGivesBackEverything) {
    auto model = StartModel();
    AddAccount(*model, "a@x");
    AddAccount(*model, "b@x");
    model->CurrentSettings().IntervalTime = "3";
    model->ReplyBody() = "no\r\nthanks %mail";
    model->Save();
    EXPECT_EQ(view.information, std::vector{kSaved});
    EXPECT_EQ(ModeOf(folder.Path()), 0700u);

    FakeView otherView;
    FakeTimer otherTimer;
    app::MainModel restarted(folder, otherView, otherTimer);
    restarted.Start();
    EXPECT_EQ(restarted.Accounts().Rows(), model->Accounts().Rows());
    EXPECT_FALSE(restarted.Accounts().Selected());
    EXPECT_EQ(restarted.ReplyBody(), "no\r\nthanks %mail");
    EXPECT_EQ(otherTimer.interval, 180000u);
}

TEST_F(MainModelTest, SaveRestartsTheCountdownFromTheFullInterval) {
    auto model = StartModel();
    model->Run().CountdownTicks = 42;
    model->CurrentSettings().IntervalTime = " 7 ";
    timer.calls.clear();
    model->Save();
    EXPECT_EQ(timer.calls, (std::vector<std::string>{"stop", "interval 420000", "start"}));
    EXPECT_EQ(model->Run().CountdownTicks, 0u);
}

TEST_F(MainModelTest, SaveWithAnEmptyListLeavesTheDataFilesAlone) {
    ASSERT_TRUE(folder.Create());
    ASSERT_TRUE(app::SaveScrambledFile("old accounts", folder.AccountFile()));
    ASSERT_TRUE(app::SaveScrambledFile("old body", folder.ReplyBodyFile()));
    auto model = StartModel();  // "old accounts" is shorter than a record: no rows
    model->ReplyBody() = "new body";
    model->CurrentSettings().Minimize = true;
    model->Save();
    EXPECT_EQ(view.information, std::vector{kSaved});
    EXPECT_EQ(app::LoadScrambledFile(folder.AccountFile()), "old accounts");
    EXPECT_EQ(app::LoadScrambledFile(folder.ReplyBodyFile()), "old body");
    EXPECT_TRUE(app::LoadSettings(folder.SettingsFile()).Minimize);
}

TEST_F(MainModelTest, AnEmptyReplyBodyIsSavedEmptyAndLoadsAsTheDefault) {
    auto model = StartModel();
    AddAccount(*model, "a@x");
    model->ReplyBody().clear();
    model->Save();
    EXPECT_EQ(ReadBytes(folder.ReplyBodyFile()), "");
    EXPECT_EQ(StartModel()->ReplyBody(), kDefaultReplyBody);
}

TEST_F(MainModelTest, WhatTheFilesCannotHoldIsRefusedAndTheOldFilesStay) {
    auto model = StartModel();
    AddAccount(*model, "a@x");
    model->Save();
    const auto oldAccounts = ReadBytes(folder.AccountFile());
    const auto oldBody = ReadBytes(folder.ReplyBodyFile());

    AddAccount(*model, "b@x");
    model->ReplyBody() = std::string(app::kScrambledFileCapacity + 1, 'x');
    model->CurrentSettings().IntervalTime = "4";
    model->Save();
    EXPECT_EQ(view.errors, std::vector{kSaveFailed});
    EXPECT_FALSE(timer.running);
    EXPECT_EQ(ReadBytes(folder.AccountFile()), oldAccounts);
    EXPECT_EQ(ReadBytes(folder.ReplyBodyFile()), oldBody);
    EXPECT_EQ(app::LoadSettings(folder.SettingsFile()).IntervalTime, "4");  // written before the data files

    // 404 accounts are one more than the file holds.
    model->ReplyBody() = "body";
    std::vector<app::AccountRecord> rows(404, model->Accounts().Rows()[0]);
    model->Accounts().Assign(rows);
    model->Save();
    EXPECT_EQ(view.errors.size(), 2u);
    EXPECT_EQ(ReadBytes(folder.AccountFile()), oldAccounts);

    rows.resize(403);
    model->Accounts().Assign(rows);
    model->Save();
    EXPECT_EQ(view.errors.size(), 2u);
    EXPECT_TRUE(timer.running);  // a successful save restarts the disabled timer
    EXPECT_EQ(app::LoadAccountFile(folder.AccountFile()).size(), 403u);
}

TEST_F(MainModelTest, AFieldLongerThanItsSlotIsRefusedAndTheOldFilesStay) {
    auto model = StartModel();
    AddAccount(*model, "a@x");
    model->Save();
    const auto oldAccounts = ReadBytes(folder.AccountFile());
    const auto oldBody = ReadBytes(folder.ReplyBodyFile());
    // Not through the editor, which cuts at 40 bytes.
    std::vector<app::AccountRecord> rows = model->Accounts().Rows();
    rows.push_back(rows[0]);
    rows.back().SmtpServer = std::string(41, 's');
    model->Accounts().Assign(rows);
    model->ReplyBody() = "new body";
    model->Save();
    EXPECT_EQ(view.errors, std::vector{kSaveFailed});
    EXPECT_FALSE(timer.running);
    EXPECT_EQ(ReadBytes(folder.AccountFile()), oldAccounts);
    EXPECT_EQ(ReadBytes(folder.ReplyBodyFile()), oldBody);
}

TEST_F(MainModelTest, AnAccountFileThatCannotBeCreatedFailsAfterTheSettingsAndStopsBeforeTheReplyBody) {
    auto model = StartModel();
    AddAccount(*model, "a@x");
    model->ReplyBody() = "old body";
    model->Save();
    // A folder in the file's place, with something in it, cannot be renamed over.
    std::filesystem::remove(folder.AccountFile());
    std::filesystem::create_directories(folder.AccountFile() / "in the way");
    model->CurrentSettings().Minimize = true;
    model->ReplyBody() = "new body";
    model->Save();
    EXPECT_EQ(view.errors, std::vector{kSaveFailed});
    EXPECT_FALSE(timer.running);
    EXPECT_TRUE(app::LoadSettings(folder.SettingsFile()).Minimize);
    EXPECT_EQ(app::LoadScrambledFile(folder.ReplyBodyFile()), "old body");

    std::filesystem::remove_all(folder.AccountFile());
    std::filesystem::remove(folder.ReplyBodyFile());
    std::filesystem::create_directories(folder.ReplyBodyFile() / "in the way");
    model->Save();
    EXPECT_EQ(view.errors.size(), 2u);
    EXPECT_FALSE(timer.running);
    EXPECT_EQ(app::LoadAccountFile(folder.AccountFile()), model->Accounts().Rows());  // written first
}

TEST_F(MainModelTest, ARefusedSettingsFileStillLetsTheDataFilesBeSavedButFailsTheSave) {
    auto model = StartModel();
    model->Save();
    const auto oldSettings = ReadBytes(folder.SettingsFile());
    AddAccount(*model, "a@x");
    model->CurrentSettings().SendSubject = "Stop\r\nplease";  // cannot stay on its line
    model->Save();
    EXPECT_EQ(view.errors, std::vector{kSaveFailed});
    EXPECT_EQ(view.information, std::vector{kSaved});  // only from the first save
    EXPECT_FALSE(timer.running);
    EXPECT_EQ(ReadBytes(folder.SettingsFile()), oldSettings);
    EXPECT_EQ(app::LoadAccountFile(folder.AccountFile()), model->Accounts().Rows());
}

TEST_F(MainModelTest, TheTimerIsStoppedBeforeTheErrorAndRestartedBeforeTheConfirmation) {
    Journal journal;
    view.journal = &journal;
    timer.journal = &journal;
    auto model = StartModel();
    AddAccount(*model, "a@x");
    journal.clear();
    model->Save();
    EXPECT_EQ(journal, (Journal{"timer stop", "timer interval 900000", "timer start", "information " + kSaved}));

    journal.clear();
    model->ReplyBody() = std::string(app::kScrambledFileCapacity + 1, 'x');
    model->Save();
    EXPECT_EQ(journal, (Journal{"timer stop", "error " + kSaveFailed}));
}

TEST_F(MainModelTest, AnAccountFileThatCouldNotBeReadIsNotSavedOver) {
    ASSERT_TRUE(folder.Create());
    WriteBytes(folder.AccountFile(), "x");
    std::filesystem::resize_file(folder.AccountFile(), 17 * 1024 * 1024);
    auto model = StartModel();
    ASSERT_TRUE(model->Accounts().Empty());  // started without what the file holds
    AddAccount(*model, "a@x");
    model->Save();
    EXPECT_EQ(view.errors, std::vector(2, view.errors.at(0)));  // named at the start and again, no save error
    EXPECT_EQ(std::filesystem::file_size(folder.AccountFile()), 17u * 1024 * 1024);
}

TEST_F(MainModelTest, AReplyBodyFileThatCouldNotBeReadKeepsTheAccountFileAsItWasToo) {
    auto model = StartModel();
    AddAccount(*model, "a@x");
    model->Save();
    const auto oldAccounts = ReadBytes(folder.AccountFile());
    std::filesystem::resize_file(folder.ReplyBodyFile(), 17 * 1024 * 1024);
    model = StartModel();
    AddAccount(*model, "b@x");
    model->Save();
    EXPECT_EQ(view.errors, std::vector(2, view.errors.at(0)));  // named at the start and again, no save error
    EXPECT_EQ(ReadBytes(folder.AccountFile()), oldAccounts);
    EXPECT_EQ(std::filesystem::file_size(folder.ReplyBodyFile()), 17u * 1024 * 1024);
}

TEST_F(MainModelTest, ADataFileThatCouldNotBeReadIsNamedWithWhyAtStartAndAtEachSaveThatKeepsTheTimer) {
    const app::DataFolder japanese(temp.Path() / "\xe3\x83\x87\xe3\x83\xbc\xe3\x82\xbf");  // "data", UTF-8
    const std::string shownFolder = temp.Path().string() + "/\x83" "f\x81[\x83^/";
    namespace fs = std::filesystem;
    struct Case {
        std::string file;
        std::function<void(const fs::path&)> spoil;
        std::string reason;
    };
    const std::vector<Case> cases = {
        // "it is a folder"
        {"quillon.dat", [](const fs::path& file) { fs::create_directory(file); },
         "\x83t\x83H\x83\x8b\x83_\x81[\x82\xc5\x82\xb7"},
        // "it is larger than 16MB"
        {"quillon2.dat", [](const fs::path& file) { WriteBytes(file, "x"); fs::resize_file(file, 17 << 20); },
         "16MB\x82\xf0\x92\xb4\x82\xa6\x82\xc4\x82\xa2\x82\xdc\x82\xb7"},
        // "there is no permission to read it"
        {"quillon.dat", [](const fs::path& file) { WriteBytes(file, "x"); fs::permissions(file, fs::perms::none); },
         "\x93\xc7\x82\xdd\x8e\xe6\x82\xe8\x82\xcc\x8c\xa0\x8c\xc0\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1"},
        // "there is a zero byte partway": in the first of two records, which would end the text there
        {"quillon.dat",
         [](const fs::path& file) { WriteBytes(file, app::ScrambleText(std::string(100, 'a') + '\0' + std::string(305, 'b'))); },
         "\x93r\x92\x86\x82\xc9\x83[\x83\x8d\x82\xcc\x83o\x83" "C\x83g\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb7"},
    };
    std::vector<int> statuses;
    for (const Case& c : cases) {
        fs::remove_all(japanese.Path());
        ASSERT_TRUE(japanese.Create());
        c.spoil(japanese.Path() / c.file);
        // In a child, so that root too is refused the unreadable file; gtest reports its failures there.
        statuses.push_back(RunAsFolderOwner(japanese.Path(), [&] {
            const std::string box = shownFolder + c.file + kUnreadLead + c.reason + kUnreadTail;
            app::MainModel model(japanese, view, timer);
            model.Start();
            EXPECT_EQ(view.errors, std::vector{box});
            AddAccount(model, "a@x");
            timer.calls.clear();
            model.Save();
            EXPECT_EQ(view.errors, std::vector(2, box));
            EXPECT_TRUE(view.information.empty());
            EXPECT_EQ(timer.calls, (std::vector<std::string>{"stop", "interval 900000", "start"}));
            EXPECT_TRUE(fs::exists(japanese.SettingsFile()));
            return HasFailure() ? 1 : 0;
        }));
    }
    EXPECT_EQ(statuses, (std::vector<int>{0, 0, 0, 0}));
}

TEST_F(MainModelTest, ASaveIntoAReadOnlyFolderReportsTheFailureAndChangesNothing) {
    auto model = StartModel();
    AddAccount(*model, "a@x");
    model->Save();
    const auto oldAccounts = ReadBytes(folder.AccountFile());
    AddAccount(*model, "b@x");
    view = FakeView{};
    // The data folder lies one level down: the child must be able to reach it.
    std::filesystem::permissions(temp.Path(), std::filesystem::perms(0755));
    const int status = RunWithReadOnlyFolder(folder.Path(), [&] {
        model->Save();
        const bool reported = view.errors == std::vector{kSaveFailed} && view.information.empty();
        return reported && !timer.running ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadBytes(folder.AccountFile()), oldAccounts);
}

}  // namespace
