#pragma once
// A listed message as one line of `list`, and as `delete` prints what it is about to delete and what it
// deleted: number, sender, subject, Message-ID and unique-id, tab-separated, in Shift_JIS.

#include <string>

#include "app/deletion/DeletionView.h"

namespace cli {

// Without a line end. A header can hold tabs and line breaks of its own, so every field is made safe and
// the line always stays one message.
std::string MailLine(const app::ListedMail& row);

}  // namespace cli
