#pragma once
// Building blocks of the converters in JapaneseConversion.h, kept out of that header because they trust
// their callers' byte checks. Only jcode, its tests and its benchmark include this.

namespace jcode {

struct BytePair {
    unsigned char first;
    unsigned char second;
    bool operator==(const BytePair&) const = default;
};

// Bytes outside 0x21-0x7F are returned unchanged.
BytePair JisPairToSjis(unsigned char j1, unsigned char j2);
// For a lead byte and a trail byte (IsSjisLead, IsSjisTrail); each result byte keeps only its low 7 bits.
BytePair SjisPairToJis(unsigned char s1, unsigned char s2);
// For a byte in 0xA1-0xDF only (IsHalfKana): its full-width Shift_JIS character; voiced marks stay
// separate spacing marks.
BytePair HalfKanaToFull(unsigned char halfKana);

}  // namespace jcode
