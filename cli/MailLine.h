#pragma once
// A listed message as one line of `list`, and as `delete` prints what it is about to delete and what it
// deleted: number, sender, subject and Message-ID, tab-separated, in Shift_JIS.

#include <string>

#include "app/deletion/DeletionView.h"

namespace cli {

// The Message-ID as its header line gives it, without the blanks around it and the line end; every control
// byte left inside it becomes "?". Empty when the message has none.
std::string PrintedMessageId(const app::ListedMail& row);

// Without a line end. A header can hold tabs and line breaks of its own, so every field is made safe and
// the line always stays one message.
std::string MailLine(const app::ListedMail& row);

}  // namespace cli
