#pragma once
// The state behind the main window: the account list and its editor, the settings, the reply body, the
// run-wide state and the check timer, with start-up and the save action. A window or the command line
// shows and edits this; nothing here knows a widget.

#include <cstdint>
#include <string>

#include "app/MainView.h"
#include "app/RunState.h"
#include "app/Timer.h"
#include "app/data/AccountEditor.h"
#include "app/data/AccountList.h"
#include "app/data/DataFile.h"
#include "app/data/DataFolder.h"
#include "app/data/Settings.h"

namespace app {

class MainModel {
public:
    MainModel(DataFolder folder, MainView& view, Timer& checkTimer);

    // The window's creation: resets the run-wide state, reads quillet.ini, quillon.dat and quillon2.dat,
    // leaves no row selected and starts the check timer. Missing or unreadable files give the defaults;
    // a data file that is there but cannot be read is not saved over while it stays there (DataFile),
    // and an error box names it with the reason. The window then applies the volume setting and shows the
    // tray icon.
    void Start();

    // The save button: writes quillet.ini, then (when the list has rows) quillon.dat and quillon2.dat.
    // When everything was written it restarts the check timer and says so. When only a data file kept safe
    // since the start held the data files back, it restarts the timer too and names that file again, as
    // at the start; when anything else failed it stops the timer and shows the save error.
    void Save();

    // Stops the check timer, sets its interval and starts it again; the countdown starts from the full
    // interval.
    void RestartCheckTimer(unsigned minutes);

    const DataFolder& Folder() const { return folder_; }
    AccountList& Accounts() { return accounts_; }
    AccountEditor& Editor() { return editor_; }
    Settings& CurrentSettings() { return settings_; }
    // Lines separated by CR LF.
    std::string& ReplyBody() { return replyBody_; }
    RunState& Run() { return run_; }

private:
    enum class DataSave { Saved, KeptSafe, Failed };
    DataSave WriteDataFiles();
    void ReportSaveFailed();
    void ReportKeptSafeFiles();

    DataFolder folder_;
    DataFile accountFile_;
    DataFile replyBodyFile_;
    MainView& view_;
    Timer& checkTimer_;
    AccountList accounts_;
    AccountEditor editor_;
    Settings settings_;
    std::string replyBody_;
    RunState run_;
};

}  // namespace app
