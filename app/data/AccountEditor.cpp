#include "app/data/AccountEditor.h"

#include "app/Texts.h"
#include "jcode/SjisBytes.h"

namespace app {
namespace {

std::string_view CutToFieldLimit(std::string_view text) {
    std::size_t end = 0;
    while (end < text.size()) {
        const bool pair = jcode::IsSjisLead(static_cast<unsigned char>(text[end])) && end + 1 < text.size();
        const std::size_t next = end + (pair ? 2 : 1);
        if (next > kEditorFieldLimit) break;
        end = next;
    }
    return text.substr(0, end);
}

}  // namespace

void AccountEditor::SetText(EditorField field, std::string_view text) {
    const std::string_view kept = CutToFieldLimit(text);
    texts_[Index(field)] = kept;
    if (kept.size() != text.size()) view_.EditorChanged();
}

void AccountEditor::SetRejectFlag(bool on) {
    // The auto-reply box follows the user's change, and the window has to show that.
    if (ApplyRejectRule(on)) view_.EditorChanged();
}

bool AccountEditor::ApplyRejectRule(bool on) {
    if (on == rejectFlag_) return false;
    rejectFlag_ = on;
    autoReplyEnabled_ = on;
    if (!on) autoReplyFlag_ = false;
    return true;
}

void AccountEditor::SetAutoReplyFlag(bool on) {
    if (autoReplyEnabled_) autoReplyFlag_ = on;
}

bool AccountEditor::ValidateAccountInput() {
    struct Requirement {
        EditorField field;
        bool required;
        std::string_view message;
    };
    // "Empty" means no bytes at all: a field of blanks passes.
    const Requirement requirements[] = {
        {EditorField::MailAddress, true, kMailAddressMissing},
        {EditorField::UserId, true, kUserIdMissing},
        {EditorField::Password, true, kPasswordMissing},
        {EditorField::PopServer, true, kPopServerMissing},
        {EditorField::SmtpServer, autoReplyFlag_, kSmtpServerMissing},
    };
    for (const Requirement& requirement : requirements) {
        if (requirement.required && Text(requirement.field).empty()) {
            view_.ShowInformation(requirement.message);
            view_.FocusField(requirement.field);
            return false;
        }
    }
    return true;
}

AccountRecord AccountEditor::RecordFromEditor() const {
    return {
        .MailAddress = Text(EditorField::MailAddress),
        .UserId = Text(EditorField::UserId),
        .Password = Text(EditorField::Password),
        .PopServer = Text(EditorField::PopServer),
        .CheckFlag = std::string(FlagText(checkFlag_)),
        .RejectFlag = std::string(FlagText(rejectFlag_)),
        .SmtpServer = Text(EditorField::SmtpServer),
        .AutoReplyFlag = std::string(FlagText(autoReplyFlag_)),
    };
}

void AccountEditor::ClearTexts() {
    for (std::string& text : texts_) text.clear();
}

void AccountEditor::Add() {
    if (!ValidateAccountInput()) return;
    accounts_.Append(RecordFromEditor());
    ClearTexts();
    view_.AccountsChanged();
    view_.EditorChanged();
}

void AccountEditor::Delete() {
    const auto selected = accounts_.Selected();
    if (!selected) return;
    if (!view_.ConfirmOkCancel(kConfirmDeleteAccount)) return;
    accounts_.Remove(*selected);
    view_.AccountsChanged();
}

void AccountEditor::Rewrite() {
    if (!ValidateAccountInput()) return;
    const auto selected = accounts_.Selected();
    if (!selected) return;
    AccountRecord replacement = RecordFromEditor();
    accounts_.Remove(*selected);
    accounts_.Insert(*selected, std::move(replacement));
    ClearTexts();
    // Selecting the new row fills the editor again, so it ends up showing what was just stored.
    SelectRow(*selected);
}

void AccountEditor::Clear() {
    ClearTexts();
    view_.EditorChanged();
}

void AccountEditor::SelectRow(std::optional<std::size_t> index) {
    if (index == accounts_.Selected()) return;
    accounts_.Select(index);
    view_.AccountsChanged();
    if (index) FillFromRow(accounts_.Rows()[*index]);
}

void AccountEditor::FillFromRow(const AccountRecord& row) {
    texts_[Index(EditorField::MailAddress)] = row.MailAddress;
    texts_[Index(EditorField::UserId)] = row.UserId;
    texts_[Index(EditorField::Password)] = row.Password;
    texts_[Index(EditorField::PopServer)] = row.PopServer;
    checkFlag_ = IsFlagOn(row.CheckFlag);
    ApplyRejectRule(IsFlagOn(row.RejectFlag));
    texts_[Index(EditorField::SmtpServer)] = row.SmtpServer;
    // Set as stored even while the box is disabled, as the program may; only the user cannot.
    autoReplyFlag_ = IsFlagOn(row.AutoReplyFlag);
    view_.EditorChanged();
}

}  // namespace app
