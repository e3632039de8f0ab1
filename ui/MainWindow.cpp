#include "ui/MainWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMenu>

#include "app/Texts.h"
#include "ui/AboutBox.h"
#include "ui/ContentWindow.h"
#include "ui/MessageBoxes.h"
#include "ui/ProgramIcon.h"
#include "ui/SjisText.h"
#include "ui/WindowLook.h"
#include "ui_MainWindow.h"

namespace ui {
MainWindow::MainWindow() : ui_(std::make_unique<Ui::Form1>()) {
    ui_->setupUi(this);
    // A fixed single border with the system menu and the close box only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(size());
    setWindowIcon(ProgramIcon());
    PaintWindowColour(*this);
}

MainWindow::~MainWindow() = default;

void MainWindow::Attach(const MainWindowLinks& links) {
    links_.emplace(links);
    accounts_ = std::make_unique<AccountPanel>(*ui_, links.model.Accounts(), links.model.Editor());
    settings_ = std::make_unique<SettingsPanel>(*ui_, links.model.CurrentSettings(), links.model.ReplyBody(),
                                                links.notifier);
    ConnectButtons();
    SetUpListMenu();
}

void MainWindow::ConnectButtons() {
    const MainWindowLinks& links = *links_;
    connect(ui_->BitBtn8, &QPushButton::clicked, this, [this] { ShowContentView(); });
    connect(ui_->BitBtn7, &QPushButton::clicked, this, [this] { MinimizeByUser(); });
    connect(ui_->SpeedButton2, &QToolButton::clicked, this, [&links] { links.aboutBox.exec(); });
    connect(ui_->BitBtn10, &QPushButton::clicked, this, [&links] { links.notifier.StopSound(); });
    connect(ui_->BitBtn9, &QPushButton::clicked, this, [&links] { links.cycle.RunCheck(); });
    connect(ui_->BitBtn1, &QPushButton::clicked, this, [&links] { links.model.Save(); });
    connect(ui_->BitBtn2, &QPushButton::clicked, this, &QWidget::close);
}

void MainWindow::SetUpListMenu() {
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("PopupMenu2"));
    // "Delete mails from the list"
    QAction* command = menu->addAction(
        QStringLiteral(u"\u4e00\u89a7\u304b\u3089\u30e1\u30fc\u30eb\u3092\u524a\u9664\u3059\u308b"));
    command->setObjectName(QStringLiteral("N3"));
    app::IndividualDeletion& deletion = links_->deletion;
    connect(command, &QAction::triggered, this, [&deletion] { deletion.N3Click(); });
    QTreeWidget& list = *ui_->ListView1;
    list.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&list, &QWidget::customContextMenuRequested, this,
            [menu, &list](const QPoint& position) { menu->popup(list.viewport()->mapToGlobal(position)); });
}

void MainWindow::ShowState() {
    accounts_->ShowAccounts();
    accounts_->ShowEditor();
    settings_->Show();
}

void MainWindow::BringToFront() {
    // A window coming back from the task bar gets no show event, and every showing starts on the first tab.
    ui_->PageControl1->setCurrentIndex(0);
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::ShowInformation(std::string_view text) {
    ShowInformationBox(this, FromSjisLines(text));
}

void MainWindow::ShowError(std::string_view text) {
    ShowErrorBox(this, FromSjisLines(text));
}

bool MainWindow::ConfirmOkCancel(std::string_view text) {
    return AskOkCancel(this, FromSjisLines(text));
}

void MainWindow::FocusField(app::EditorField field) {
    accounts_->Focus(field);
}

void MainWindow::AccountsChanged() {
    accounts_->ShowAccounts();
}

void MainWindow::EditorChanged() {
    accounts_->ShowEditor();
}

void MainWindow::SetStatusText(std::string_view text) {
    ui_->StatusBar1->setText(FromSjis(text));
}

void MainWindow::SetCheckNowEnabled(bool enabled) {
    ui_->BitBtn9->setEnabled(enabled);
    // The button comes back as a check ends: its last entries need not wait for the next flush.
    if (enabled) links_->contentView.Flush();
}

void MainWindow::ContentViewCleared() {
    links_->contentView.Clear();
}

void MainWindow::ContentEntryAppended(std::string_view entry) {
    links_->contentView.Append(entry);
}

void MainWindow::MinimizeToTray() {
    // With no notification area to hide in, the task bar keeps the window within the user's reach.
    if (TrayShown()) {
        hide();
    } else {
        showMinimized();
    }
}

void MainWindow::MinimizeByUser() {
    if (!TrayShown() && !toldNoTray_) {
        toldNoTray_ = true;
        ShowInformation(app::kTrayRefused);
    }
    MinimizeToTray();
}

bool MainWindow::TrayShown() const {
    return QSystemTrayIcon::isSystemTrayAvailable() && links_->trayIcon.Visible();
}

void MainWindow::ShowContentView() {
    links_->notifier.StopNotification();
    links_->contentView.ShowInFront();
}

void MainWindow::showEvent(QShowEvent* event) {
    ui_->PageControl1->setCurrentIndex(0);
    if (!placed_) {
        placed_ = true;
        CentreOnScreen(*this, *this);
    }
    QWidget::showEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Called inside a network wait, the abort makes the waiting client give up at once; the event loop
    // ends once the check has unwound.
    if (links_) {
        links_->cycle.Abort();
        links_->deletion.Abort();
    }
    event->accept();
    QCoreApplication::quit();
}

}  // namespace ui
