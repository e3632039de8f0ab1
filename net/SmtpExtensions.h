#pragma once
// What an SMTP client needs of a server's EHLO reply (RFC 5321 4.1.1.1): the extensions it offers,
// and the base64 form in which credentials travel (RFC 4954).

#include <string>
#include <string_view>
#include <vector>

namespace net {

// The reply's lines as read, code and terminator included: "250-STARTTLS", "250 AUTH PLAIN LOGIN".
// True when a line names the extension (case-insensitively) as its first word.
bool OffersExtension(const std::vector<std::string>& ehloReply, std::string_view keyword);
// Whether the AUTH line lists the mechanism; also the early "AUTH=" spelling.
bool OffersMechanism(const std::vector<std::string>& ehloReply, std::string_view mechanism);
// One line of base64, however long the bytes.
std::string Base64Line(std::string_view bytes);

}  // namespace net
