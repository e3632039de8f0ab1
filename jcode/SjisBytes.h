#pragma once
// Byte classes of the Shift_JIS scanner, and how a 16-bit Shift_JIS code is spelt in bytes.

#include <cstdint>
#include <string>

namespace jcode {

constexpr bool IsSjisLead(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// 0x7F is accepted as a trail byte on purpose: the scanner treats it like 0x80.
constexpr bool IsSjisTrail(unsigned char byte) { return byte >= 0x40 && byte <= 0xFC; }

// JIS X 0201 half-width katakana and punctuation; 0xA0 is not one of them.
constexpr bool IsHalfKana(unsigned char byte) { return byte >= 0xA1 && byte <= 0xDF; }

// A code below 0x100 is one byte, any other two, high byte first.
inline void AppendSjisCode(std::string& out, std::uint16_t code) {
    if (code >= 0x100) out += static_cast<char>(code >> 8);
    out += static_cast<char>(code & 0xFF);
}

}  // namespace jcode
