#pragma once

#include <string>
#include <string_view>

namespace net {

// The envelope address of a recipient entry: the text inside its first angle brackets, or after its
// first colon, or the entry itself. Nothing is trimmed; empty means no RCPT for this entry.
std::string ExtractAddress(std::string_view entry);

// Whether an envelope address can go between "<" and ">" of MAIL FROM or RCPT TO as one path: past the
// blanks at its ends it holds no blank, no angle bracket and no control byte. Otherwise its rest would
// pass as ESMTP parameters of a stranger's choice (NOTIFY=, ORCPT=, RFC 3461) or end the command early.
bool SafeEnvelopeAddress(std::string_view address);

}  // namespace net
