#pragma once
// Form1, the main window: the account list and its editor, the settings tabs, the button bar and the
// status line. It shows the core's state and hands the user's actions to it; the rules live in app/.

#include <QWidget>
#include <memory>
#include <optional>

#include "app/MainModel.h"
#include "app/MainView.h"
#include "app/check/CheckCycle.h"
#include "app/deletion/IndividualDeletion.h"
#include "app/notify/NewMailNotifier.h"
#include "desktop/TrayIcon.h"
#include "ui/AccountPanel.h"
#include "ui/SettingsPanel.h"

namespace Ui {
class Form1;
}

namespace ui {

class AboutBox;
class ContentWindow;

// What the window works with once the core exists; all of it outlives the window's use of it.
struct MainWindowLinks {
    app::MainModel& model;
    app::CheckCycle& cycle;
    app::IndividualDeletion& deletion;
    app::NewMailNotifier& notifier;
    ContentWindow& contentView;
    AboutBox& aboutBox;
    const desktop::TTrayIcon& trayIcon;
};

class MainWindow final : public QWidget, public app::MainView {
public:
    MainWindow();
    ~MainWindow() override;

    // The core is made with this window as its view, so the two meet after both exist.
    void Attach(const MainWindowLinks& links);
    // Fills every control from the core, after it has read its files.
    void ShowState();
    // Shown, restored if minimised or hidden in the tray, in front and active.
    void BringToFront();
    // The sound and the animation stop, then the content view comes to the front.
    void ShowContentView();

    void ShowInformation(std::string_view text) override;
    void ShowError(std::string_view text) override;
    bool ConfirmOkCancel(std::string_view text) override;
    void FocusField(app::EditorField field) override;
    void AccountsChanged() override;
    void EditorChanged() override;
    void SetStatusText(std::string_view text) override;
    void SetCheckNowEnabled(bool enabled) override;
    void ContentViewCleared() override;
    void ContentEntryAppended(std::string_view entry) override;
    void MinimizeToTray() override;

protected:
    void showEvent(QShowEvent* event) override;
    // The close box and "終了(&X)": a running check, listing or deletion is given up and the program ends;
    // nothing is saved.
    void closeEvent(QCloseEvent* event) override;

private:
    void ConnectButtons();
    // PopupMenu2 on the account list's right button, with its one command N3.
    void SetUpListMenu();
    // "最小化(&M)": without a tray the user is told once per run why the window stays in the task bar.
    void MinimizeByUser();
    bool TrayShown() const;

    std::unique_ptr<Ui::Form1> ui_;
    std::optional<MainWindowLinks> links_;
    std::unique_ptr<AccountPanel> accounts_;
    std::unique_ptr<SettingsPanel> settings_;
    bool placed_ = false;
    bool toldNoTray_ = false;
};

}  // namespace ui
