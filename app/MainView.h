#pragma once
// What the core asks of the main window: message boxes, questions to the user, focus moves, word that
// the shown state changed, and what the check cycle shows. The window implements it; tests answer it.

#include <string_view>

#include "app/CheckView.h"

namespace app {

// The account editor's text fields, top to bottom.
enum class EditorField { MailAddress, UserId, Password, PopServer, SmtpServer };

class MainView : public CheckView {
public:
    ~MainView() override = default;

    // Texts are Shift_JIS.
    virtual void ShowInformation(std::string_view text) = 0;  // information box, OK
    virtual void ShowError(std::string_view text) = 0;        // error box, OK
    virtual bool ConfirmOkCancel(std::string_view text) = 0;  // true for OK
    virtual void FocusField(EditorField field) = 0;

    // The rows or the selection of the account list changed.
    virtual void AccountsChanged() = 0;
    // The editor's fields, boxes or the auto-reply box's enabled state changed other than by the user.
    virtual void EditorChanged() = 0;
};

}  // namespace app
