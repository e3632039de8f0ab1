#pragma once
// The account editor below the list: five text fields, three check boxes and the operations add, delete,
// rewrite, clear and row selection. The window shows this state and forwards the user's edits to it.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "app/MainView.h"
#include "app/data/AccountList.h"
#include "app/data/AccountRecord.h"

namespace app {

// A field holds at most this many bytes of Shift_JIS, the slot width of the account file.
inline constexpr std::size_t kEditorFieldLimit = 40;

class AccountEditor {
public:
    AccountEditor(AccountList& accounts, MainView& view) : accounts_(accounts), view_(view) {}

    const std::string& Text(EditorField field) const { return texts_[Index(field)]; }
    // Longer texts are cut to the limit without splitting a double-byte character, as a field with a
    // maximum length refuses what does not fit.
    void SetText(EditorField field, std::string_view text);

    bool CheckFlag() const { return checkFlag_; }
    bool RejectFlag() const { return rejectFlag_; }
    bool AutoReplyFlag() const { return autoReplyFlag_; }
    bool AutoReplyEnabled() const { return autoReplyEnabled_; }
    void SetCheckFlag(bool on) { checkFlag_ = on; }
    // Unchecking also unchecks and disables the auto-reply box: a refusal reply only makes sense for an
    // account whose advertisements are deleted.
    void SetRejectFlag(bool on);
    // The user's change; ignored while the box is disabled.
    void SetAutoReplyFlag(bool on);

    // Shows the first missing input, focuses its field and returns false; true when all is there.
    bool ValidateAccountInput();

    void Add();
    void Delete();
    void Rewrite();
    void Clear();
    // The user selected a row, or none. Selecting a row fills the editor from it.
    void SelectRow(std::optional<std::size_t> index);

private:
    static constexpr std::size_t Index(EditorField field) { return static_cast<std::size_t>(field); }
    // True when the reject box changed (and the auto-reply box with it).
    bool ApplyRejectRule(bool on);
    AccountRecord RecordFromEditor() const;
    void ClearTexts();
    void FillFromRow(const AccountRecord& row);

    AccountList& accounts_;
    MainView& view_;
    std::array<std::string, 5> texts_;
    bool checkFlag_ = true;
    bool rejectFlag_ = true;
    bool autoReplyFlag_ = true;
    bool autoReplyEnabled_ = true;
};

}  // namespace app
