#include "net/EnvelopeAddress.h"

#include "net/NthWord.h"

#include <algorithm>

namespace net {

std::string ExtractAddress(std::string_view entry)
{
    if (entry.find('<') != std::string_view::npos) {
        return NthWord(NthWord(entry, '<', 2), '>', 1);
    }
    if (entry.find(':') != std::string_view::npos) {
        return NthWord(entry, ':', 2);
    }
    return std::string(entry);
}

bool SafeEnvelopeAddress(std::string_view address)
{
    // A From line without angle brackets gives its address with the blank after the colon, which has
    // always gone to the server as it stands.
    constexpr std::string_view kBlanks = " \t";
    const std::size_t first = address.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return true;
    }
    const std::string_view inner = address.substr(first, address.find_last_not_of(kBlanks) - first + 1);
    return std::none_of(inner.begin(), inner.end(), [](char byte) {
        const auto code = static_cast<unsigned char>(byte);
        return code <= 0x20 || code == 0x7F || byte == '<' || byte == '>';
    });
}

}  // namespace net
