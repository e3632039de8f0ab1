#include "ui/DeleteDialog.h"

#include <QHeaderView>
#include <QStyle>
#include <algorithm>

#include "ui/MessageBoxes.h"
#include "ui/ProgramIcon.h"
#include "ui/SjisText.h"
#include "ui/WindowLook.h"
#include "ui_DeleteDialog.h"

namespace ui {
namespace {

constexpr int kServerLinePixels = 15;
constexpr int kSenderWidth = 200;
constexpr int kSubjectWidth = 360;
constexpr int kMessageIdColumn = 2;
constexpr int kMessageNoColumn = 3;

}  // namespace

DeleteDialog::DeleteDialog(QWidget& boxOwner) : ui_(std::make_unique<Ui::frmDelete>()), boxOwner_(boxOwner) {
    ui_->setupUi(this);
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowIcon(ProgramIcon());
    PaintWindowColour(*this);
    QFont serverLine = ui_->Label2->font();
    serverLine.setPixelSize(kServerLinePixels);
    ui_->Label2->setFont(serverLine);
    QTreeWidget& list = *ui_->ListView1;
    list.setColumnWidth(0, kSenderWidth);
    list.setColumnWidth(1, kSubjectWidth);
    // The identity of a row is for the deletion, not for the eye; hidden, it cannot be dragged into view.
    list.header()->setSectionHidden(kMessageIdColumn, true);
    list.header()->setSectionHidden(kMessageNoColumn, true);
    KeepSelectionVisible(list);
    ui_->BitBtn2->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    ui_->BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    connect(ui_->BitBtn1, &QPushButton::clicked, this, &QWidget::hide);
}

DeleteDialog::~DeleteDialog() = default;

void DeleteDialog::Attach(app::IndividualDeletion& deletion) {
    connect(ui_->BitBtn2, &QPushButton::clicked, this, [&deletion] { deletion.BitBtn2Click(); });
}

void DeleteDialog::SetServerLine(std::string_view text) {
    ui_->Label2->setText(FromSjis(text));
}

void DeleteDialog::ClearRows() {
    ui_->ListView1->clear();
}

void DeleteDialog::AppendRow(const app::ListedMail& row) {
    ui_->ListView1->addTopLevelItem(new QTreeWidgetItem(
        {FromSjis(row.Sender), FromSjis(row.Subject), FromSjis(row.MessageId), QString::number(row.MessageNo)}));
}

void DeleteDialog::ClearSelection() {
    ui_->ListView1->selectionModel()->clear();
}

std::vector<std::size_t> DeleteDialog::SelectedRows() const {
    std::vector<std::size_t> rows;
    for (const QModelIndex& index : ui_->ListView1->selectionModel()->selectedRows()) {
        rows.push_back(static_cast<std::size_t>(index.row()));
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void DeleteDialog::SetProgressText(std::string_view text) {
    ui_->Label1->setText(FromSjis(text));
}

void DeleteDialog::ShowDialog() {
    if (isVisible()) return;
    CentreOnScreen(*this, boxOwner_);
    show();
}

void DeleteDialog::ShowInformation(std::string_view text) {
    ShowInformationBox(BoxOwner(), FromSjisLines(text));
}

void DeleteDialog::ShowError(std::string_view text) {
    ShowErrorBox(BoxOwner(), FromSjisLines(text));
}

bool DeleteDialog::ConfirmYesNo(std::string_view text) {
    return AskYesNo(BoxOwner(), FromSjisLines(text));
}

QWidget* DeleteDialog::BoxOwner() {
    // Over the dialog while it is shown: a box owned by the main window could come up behind it.
    return isVisible() ? static_cast<QWidget*>(this) : &boxOwner_;
}

}  // namespace ui
