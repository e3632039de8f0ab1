#pragma once
// The texts of a refusal mail: its subject, its body lines, and the tests a stranger's reply address
// must pass before it may go into a command or a header line.

#include <string>
#include <string_view>
#include <vector>

namespace app {

// The reply subject field, blanks around it removed, in ISO-2022-JP with every kanji run made one
// encoded-word. Empty when the field is.
std::string RefusalSubject(std::string_view sendSubject);

// Every "%mail" of the reply body, scanned from left to right, becomes the account's address; what a
// replacement puts in is not searched again. The whole body is kept: it is the user's own text.
std::string ReplaceMailPlaceholders(std::string_view body, std::string_view accountAddress);

// The body (Shift_JIS, lines separated by CR LF) in ISO-2022-JP, cut at every CR LF into one line per
// entry; a body that ends in CR LF gives a last empty line.
std::vector<std::string> RefusalBodyLines(std::string_view body);

// The reply address is decoded header text from a stranger: an encoded-word can put CR, LF or a zero
// byte into it, which would end the RCPT command or the To line early and let the rest pass as
// commands or header lines of the stranger's choice, and blanks or angle brackets into its envelope
// address, which would add ESMTP parameters to the RCPT command.
bool SafeReplyAddress(std::string_view replyAddress);

// Whether the envelope address the SMTP client takes from the reply address is more than blanks: the
// client sends no RCPT for an empty one, and the server refuses a blank one.
bool HasEnvelopeAddress(std::string_view replyAddress);

}  // namespace app
