#include "app/advertisements/RefusalText.h"

#include "app/Trim.h"
#include "jcode/JapaneseConversion.h"
#include "jcode/MimeHeader.h"
#include "net/HoldsLineBreak.h"
#include "net/EnvelopeAddress.h"

namespace app {
namespace {

constexpr std::string_view kPlaceholder = "%mail";
constexpr std::string_view kLineEnd = "\r\n";

}  // namespace

std::string RefusalSubject(std::string_view sendSubject) {
    return jcode::EncodeJisHeader(jcode::SjisToJis(Trim(sendSubject)));
}

std::string ReplaceMailPlaceholders(std::string_view body, std::string_view accountAddress) {
    std::string replaced;
    replaced.reserve(body.size());
    for (std::size_t start = 0;;) {
        const std::size_t found = body.find(kPlaceholder, start);
        if (found == std::string_view::npos) {
            replaced += body.substr(start);
            return replaced;
        }
        replaced += body.substr(start, found - start);
        replaced += accountAddress;
        start = found + kPlaceholder.size();
    }
}

std::vector<std::string> RefusalBodyLines(std::string_view body) {
    const std::string jis = jcode::SjisToJis(body);
    const std::string_view text = jis;
    std::vector<std::string> lines;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(kLineEnd, start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            return lines;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + kLineEnd.size();
    }
}

bool SafeReplyAddress(std::string_view replyAddress) {
    return !net::HoldsLineBreak(replyAddress) && net::SafeEnvelopeAddress(net::ExtractAddress(replyAddress));
}

bool HasEnvelopeAddress(std::string_view replyAddress) {
    return net::ExtractAddress(replyAddress).find_first_not_of(" \t") != std::string::npos;
}

}  // namespace app
