#pragma once

#include <string>
#include <vector>

namespace net {

// The description of one outgoing mail. The texts are written as they are: a caller that sends
// non-ASCII text converts and encodes it first.
struct TPostMessage {
    std::string FromAddress;  // the envelope sender, and inside the From line's angle brackets
    std::string FromName;     // put in front of the address in the From line
    // Entries may be a bare address or a display form ("Name <address>", "word:address").
    std::vector<std::string> ToAddress;
    std::vector<std::string> ToCarbonCopy;
    std::vector<std::string> ToBlindCarbonCopy;  // envelope only, never in a header line
    std::vector<std::string> Body;               // one line per entry
    std::vector<std::string> Attachments;        // file paths
    std::string Subject;
    std::string LocalProgram;  // the X-Mailer line
    std::string Date;          // written verbatim; nothing generates a date
    std::string ReplyTo;
};

}  // namespace net
