#pragma once
// Byte classes of the Shift_JIS scanner.

namespace jcode {

constexpr bool IsSjisLead(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// 0x7F is accepted as a trail byte on purpose: the scanner treats it like 0x80.
constexpr bool IsSjisTrail(unsigned char byte) { return byte >= 0x40 && byte <= 0xFC; }

// JIS X 0201 half-width katakana and punctuation; 0xA0 is not one of them.
constexpr bool IsHalfKana(unsigned char byte) { return byte >= 0xA1 && byte <= 0xDF; }

}  // namespace jcode
