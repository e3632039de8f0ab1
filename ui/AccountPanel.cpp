#include "ui/AccountPanel.h"

#include <QHeaderView>
#include <QSignalBlocker>
#include <array>

#include "ui/SjisFieldValidator.h"
#include "ui/SjisText.h"
#include "ui/WindowLook.h"
#include "ui_MainWindow.h"

namespace ui {
namespace {

using app::EditorField;

constexpr std::array kFields = {EditorField::MailAddress, EditorField::UserId, EditorField::Password,
                                EditorField::PopServer, EditorField::SmtpServer};
constexpr int kPasswordColumn = 2;
constexpr int kCheckFlagColumn = 4;
constexpr std::array kColumnWidths = {230, 120, 0, 120, 75, 75, 120, 75};

QStringList Columns(const app::AccountRecord& row) {
    QStringList columns;
    for (const std::string* text : {&row.MailAddress, &row.UserId, &row.Password, &row.PopServer, &row.CheckFlag,
                                    &row.RejectFlag, &row.SmtpServer, &row.AutoReplyFlag}) {
        columns << FromSjis(*text);
    }
    return columns;
}

void SetTextKeepingCursor(QLineEdit& field, const QString& text) {
    if (field.text() != text) field.setText(text);
}

}  // namespace

AccountPanel::AccountPanel(Ui::Form1& form, app::AccountList& accounts, app::AccountEditor& editor)
    : form_(form), accounts_(accounts), editor_(editor) {
    SetUpList();
    SetUpEditor();
}

void AccountPanel::SetUpList() {
    QTreeWidget& list = *form_.ListView1;
    for (std::size_t column = 0; column < kColumnWidths.size(); ++column) {
        list.setColumnWidth(static_cast<int>(column), kColumnWidths[column]);
    }
    // Hidden rather than zero wide, so the password cannot be dragged into view.
    list.header()->setSectionHidden(kPasswordColumn, true);
    list.headerItem()->setTextAlignment(kCheckFlagColumn, Qt::AlignCenter);
    // The selected account stays marked while the user works in the editor.
    KeepSelectionVisible(list);
    connect(&list, &QTreeWidget::itemSelectionChanged, this, [this] { RowSelectionChanged(); });
}

void AccountPanel::SetUpEditor() {
    for (const EditorField field : kFields) {
        QLineEdit& edit = Field(field);
        edit.setValidator(new SjisFieldValidator(app::kEditorFieldLimit, &edit));
        connect(&edit, &QLineEdit::textEdited, this,
                [this, field](const QString& text) { editor_.SetText(field, ToSjis(text)); });
    }
    connect(form_.CheckBox2, &QCheckBox::clicked, this, [this](bool on) { editor_.SetCheckFlag(on); });
    connect(form_.CheckBox4, &QCheckBox::clicked, this, [this](bool on) { editor_.SetRejectFlag(on); });
    connect(form_.CheckBox5, &QCheckBox::clicked, this, [this](bool on) { editor_.SetAutoReplyFlag(on); });
    connect(form_.BitBtn3, &QPushButton::clicked, this, [this] { editor_.Add(); });
    connect(form_.BitBtn4, &QPushButton::clicked, this, [this] { editor_.Delete(); });
    connect(form_.BitBtn5, &QPushButton::clicked, this, [this] { editor_.Rewrite(); });
    connect(form_.BitBtn6, &QPushButton::clicked, this, [this] { editor_.Clear(); });
}

QLineEdit& AccountPanel::Field(EditorField field) const {
    switch (field) {
        case EditorField::MailAddress: return *form_.Edit1;
        case EditorField::UserId: return *form_.Edit2;
        case EditorField::Password: return *form_.Edit3;
        case EditorField::PopServer: return *form_.Edit4;
        case EditorField::SmtpServer: return *form_.Edit7;
    }
    return *form_.Edit1;
}

void AccountPanel::ShowAccounts() {
    QTreeWidget& list = *form_.ListView1;
    // Only the user's selections go to the editor.
    const QSignalBlocker quiet(list);
    list.clear();
    QList<QTreeWidgetItem*> items;
    for (const app::AccountRecord& row : accounts_.Rows()) {
        auto* item = new QTreeWidgetItem(Columns(row));
        item->setTextAlignment(kCheckFlagColumn, Qt::AlignCenter);
        items << item;
    }
    list.addTopLevelItems(items);
    if (const auto selected = accounts_.Selected()) {
        list.setCurrentItem(list.topLevelItem(static_cast<int>(*selected)));
    }
}

void AccountPanel::ShowEditor() {
    for (const EditorField field : kFields) SetTextKeepingCursor(Field(field), FromSjis(editor_.Text(field)));
    form_.CheckBox2->setChecked(editor_.CheckFlag());
    form_.CheckBox4->setChecked(editor_.RejectFlag());
    form_.CheckBox5->setChecked(editor_.AutoReplyFlag());
    form_.CheckBox5->setEnabled(editor_.AutoReplyEnabled());
}

void AccountPanel::Focus(EditorField field) {
    Field(field).setFocus();
}

void AccountPanel::RowSelectionChanged() {
    const QList<QTreeWidgetItem*> selected = form_.ListView1->selectedItems();
    if (selected.isEmpty()) {
        editor_.SelectRow(std::nullopt);
        return;
    }
    editor_.SelectRow(static_cast<std::size_t>(form_.ListView1->indexOfTopLevelItem(selected.front())));
}

}  // namespace ui
