#pragma once
// The deletion dialog as the deletion by hand drives it: the server line, the list of a mailbox's
// messages, the progress line and the message boxes the user answers. The window implements it; the
// command line and tests answer it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/mail/MessageIdentity.h"

namespace app {

// One message of a listed mailbox, one row of the dialog.
struct ListedMail {
    std::string Sender;     // decoded for display, Shift_JIS
    std::string Subject;    // decoded for display, Shift_JIS
    std::string MessageId;  // as the summary gives it, undecoded
    int MessageNo = 0;      // in the listing's POP3 session
    MessageIdentity Identity;
};

class DeletionView {
public:
    virtual ~DeletionView() = default;

    // Texts are Shift_JIS; a lone CR breaks a box's text into lines.
    virtual void SetServerLine(std::string_view text) = 0;
    virtual void ClearRows() = 0;
    virtual void AppendRow(const ListedMail& row) = 0;
    // No row selected and none current.
    virtual void ClearSelection() = 0;
    // Positions of the selected rows, top to bottom.
    virtual std::vector<std::size_t> SelectedRows() const = 0;
    virtual void SetProgressText(std::string_view text) = 0;
    // Not modal; a dialog already shown stays as it is.
    virtual void ShowDialog() = 0;

    virtual void ShowInformation(std::string_view text) = 0;  // information box, OK
    virtual void ShowError(std::string_view text) = 0;        // error box, OK
    virtual bool ConfirmYesNo(std::string_view text) = 0;    // true for Yes
};

}  // namespace app
