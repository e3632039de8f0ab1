#pragma once

#include <string>
#include <string_view>

#include "app/Texts.h"

namespace app {

// One row of the account list: eight Shift_JIS texts in column order. The flags hold kFlagOn or kFlagOff.
struct AccountRecord {
    std::string MailAddress;
    std::string UserId;
    std::string Password;
    std::string PopServer;
    std::string CheckFlag;
    std::string RejectFlag;
    std::string SmtpServer;
    std::string AutoReplyFlag;

    bool operator==(const AccountRecord&) const = default;
};

// Every reader tests a flag against kFlagOn exactly; any other text is off.
constexpr bool IsFlagOn(std::string_view flag) { return flag == kFlagOn; }
constexpr std::string_view FlagText(bool on) { return on ? kFlagOn : kFlagOff; }

}  // namespace app
