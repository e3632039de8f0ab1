#pragma once
// Searching Shift_JIS text by characters: a byte search finds a marker from the trail byte of one
// character on ("承諾広告" inside "事｢承諾広告｣", whose 事 ends in the byte that starts 未).

#include <string_view>

#include "jcode/SjisBytes.h"

namespace jcode {

// True when `part` stands in `text` starting where a character starts; an empty part is never found.
constexpr bool ContainsSjisText(std::string_view text, std::string_view part) {
    if (part.empty()) return false;
    for (std::size_t i = 0; i + part.size() <= text.size();) {
        if (text.substr(i, part.size()) == part) return true;
        const bool pair = IsSjisLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size() &&
                          IsSjisTrail(static_cast<unsigned char>(text[i + 1]));
        i += pair ? 2 : 1;
    }
    return false;
}

}  // namespace jcode
