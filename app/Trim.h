#pragma once

#include <string_view>

namespace app {

// Drops leading and trailing bytes of code 32 or below (blanks and control characters). No Shift_JIS
// trail byte is that low, so double-byte characters are never split.
constexpr std::string_view Trim(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32) text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) text.remove_suffix(1);
    return text;
}

}  // namespace app
